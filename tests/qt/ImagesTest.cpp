// The tree bitmaps: 16 by 16 with white made transparent, each its own picture, in the colours
// that tell the catalogue levels, devices and transmitters apart.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <functional>

#include "qt/Images.h"

namespace halvex {
namespace {

QImage Loaded(int id) {
    return BitmapResource(id).toImage().convertToFormat(QImage::Format_ARGB32);
}

TEST(Images, EachBitmapIsItsOwnPictureInItsColoursWithWhiteTransparent) {
    InitResources();
    InitResources();  // harmless again
    using Colour = std::function<bool(const QColor&)>;
    const Colour blue = [](const QColor& c) { return c.blue() > std::max(c.red(), c.green()); };
    const Colour green = [](const QColor& c) { return c.green() > std::max(c.red(), c.blue()); };
    const Colour red = [](const QColor& c) { return c.red() > std::max(c.green(), c.blue()); };
    const Colour grey = [](const QColor& c) {
        return c.red() == c.green() && c.green() == c.blue();
    };
    const Colour darkBlue = [&](const QColor& c) { return blue(c) && c.lightness() < 160; };
    const Colour any = [](const QColor&) { return true; };
    // The three catalogue levels (7004, 7003, 7002) share one glyph.
    const std::pair<int, Colour> rows[] = {{7004, blue}, {7003, green},    {7002, red},
                                           {7008, grey}, {7018, darkBlue}, {7014, any}};
    const QImage glyph = Loaded(7004);
    for (const auto& [id, colour] : rows) {
        SCOPED_TRACE(id);
        const QImage image = Loaded(id);
        const QImage art = QImage(QStringLiteral(":/icons/%1.xpm").arg(id))
                               .convertToFormat(QImage::Format_RGB32);  // white still white
        ASSERT_EQ(image.size(), QSize(16, 16));
        ASSERT_EQ(art.size(), QSize(16, 16));
        EXPECT_FALSE(BitmapIcon(id).isNull());
        int opaque = 0, darkest = 255;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb pixel = image.pixel(x, y);
                const bool white = (art.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
                EXPECT_EQ(qAlpha(pixel), white ? 0 : 255) << x << "," << y;
                if (id >= 7002 && id <= 7004) {
                    EXPECT_EQ(qAlpha(pixel), qAlpha(glyph.pixel(x, y))) << x << "," << y;
                }
                if (white)
                    continue;
                ++opaque;
                darkest = std::min(darkest, QColor(pixel).lightness());
                EXPECT_EQ(pixel & 0xFFFFFF, art.pixel(x, y) & 0xFFFFFF);
                EXPECT_TRUE(colour(QColor(pixel))) << x << "," << y;
            }
        }
        EXPECT_GT(opaque, 30) << "a picture, not a speck";
        EXPECT_LT(opaque, 256);
        EXPECT_TRUE(id != 7008 || darkest == 0) << "the device has a black outline";
        for (const auto& other : rows) {
            if (other.first != id) {
                EXPECT_NE(image, Loaded(other.first)) << other.first;
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
