#include "qt/Images.h"

#include <QImage>
#include <QString>

#include <mutex>

// The resource initialiser is declared in the global namespace.
static void InitHalvexResources() {
    Q_INIT_RESOURCE(halvex);
}

namespace halvex {
namespace {

constexpr QRgb kTransparentKey = 0xFFFFFF;

bool IsBitmapId(int id) {
    switch (id) {
        case kBitmapGroupAddress:
        case kBitmapMiddleGroup:
        case kBitmapMainGroup:
        case kBitmapDevice:
        case kBitmapDimmer:
        case kBitmapTransmitter:
            return true;
        default:
            return false;
    }
}

}  // namespace

void InitResources() {
    static std::once_flag once;
    std::call_once(once, InitHalvexResources);
}

QPixmap BitmapResource(int id) {
    if (!IsBitmapId(id))
        return {};
    InitResources();
    QImage image(QStringLiteral(":/icons/%1.xpm").arg(id));
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) == kTransparentKey)
                image.setPixel(x, y, 0);
        }
    }
    return QPixmap::fromImage(image);
}

QIcon BitmapIcon(int id) {
    const QPixmap pixmap = BitmapResource(id);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

}  // namespace halvex
