// The tree bitmaps: 16 by 16, each its own picture, drawn from its art with white made
// transparent.
#include <gtest/gtest.h>

#include <QImage>

#include "qt/Images.h"

namespace halvex {
namespace {

QImage Loaded(int id) {
    return BitmapResource(id).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(Images, EachBitmapIsItsOwnPictureWithWhiteTransparent) {
    InitResources();
    InitResources();  // harmless again
    const int ids[] = {7004, 7003, 7002, 7008, 7018, 7014};
    for (const int id : ids) {
        SCOPED_TRACE(id);
        const QImage image = Loaded(id);
        const QImage art = QImage(QStringLiteral(":/icons/%1.xpm").arg(id))
                               .convertToFormat(QImage::Format_RGB32);  // white still white
        ASSERT_EQ(image.size(), QSize(16, 16));
        ASSERT_EQ(art.size(), QSize(16, 16));
        EXPECT_FALSE(BitmapIcon(id).isNull());
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb pixel = image.pixel(x, y);
                const bool white = (art.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
                EXPECT_EQ(qAlpha(pixel), white ? 0 : 255) << x << "," << y;
                EXPECT_TRUE(white || (pixel & 0xFFFFFF) == (art.pixel(x, y) & 0xFFFFFF));
            }
        }
        for (const int other : ids) {
            if (other != id) {
                EXPECT_NE(image, Loaded(other)) << other;
            }
        }
    }
    for (int id : {0, -1, 7000, 7005, 7013, 7015, 70020}) {
        EXPECT_TRUE(BitmapResource(id).isNull()) << id;
        EXPECT_TRUE(BitmapIcon(id).isNull()) << id;
    }
}

}  // namespace
}  // namespace halvex
