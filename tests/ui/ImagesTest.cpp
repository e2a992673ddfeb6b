#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "resources/Images.h"

namespace halvex {
namespace {

constexpr int kIds[] = {7002, 7003, 7004, 7008, 7014, 7018};

QImage Loaded(int id) {
    return BitmapResource(id).toImage().convertToFormat(QImage::Format_ARGB32);
}

// The artwork as stored, before white is made transparent.
QImage Artwork(int id) {
    InitResources();
    return QImage(QStringLiteral(":/icons/%1.xpm").arg(id)).convertToFormat(QImage::Format_RGB32);
}

TEST(Images, EachBitmapIs16By16WithWhiteTransparent) {
    InitResources();
    InitResources();  // harmless again
    for (int id : kIds) {
        SCOPED_TRACE(id);
        const QImage image = Loaded(id);
        const QImage art = Artwork(id);
        ASSERT_EQ(image.size(), QSize(16, 16));
        ASSERT_EQ(art.size(), QSize(16, 16));
        int opaque = 0;
        int transparent = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const bool white = (art.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
                const int alpha = qAlpha(image.pixel(x, y));
                if (white) {
                    EXPECT_EQ(alpha, 0) << x << "," << y;
                    ++transparent;
                } else {
                    EXPECT_EQ(alpha, 255) << x << "," << y;
                    EXPECT_EQ(image.pixel(x, y) & 0xFFFFFF, art.pixel(x, y) & 0xFFFFFF);
                    ++opaque;
                }
            }
        }
        EXPECT_GT(opaque, 30) << "a picture, not a speck";
        EXPECT_GT(transparent, 0);
        EXPECT_FALSE(BitmapIcon(id).isNull());
    }
}

TEST(Images, BitmapsDifferFromEachOther) {
    for (int a : kIds) {
        for (int b : kIds) {
            if (a < b) {
                EXPECT_NE(Loaded(a), Loaded(b)) << a << " vs " << b;
            }
        }
    }
}

// The three catalogue levels share one glyph and differ in colour: blue, green, red.
TEST(Images, GridGlyphsShareTheShapeInBlueGreenAndRed) {
    const QImage blue = Loaded(7004);
    const QImage green = Loaded(7003);
    const QImage red = Loaded(7002);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(qAlpha(blue.pixel(x, y)), qAlpha(green.pixel(x, y))) << x << "," << y;
            EXPECT_EQ(qAlpha(blue.pixel(x, y)), qAlpha(red.pixel(x, y))) << x << "," << y;
            if (qAlpha(blue.pixel(x, y)) == 0)
                continue;
            const QColor b(blue.pixel(x, y)), g(green.pixel(x, y)), r(red.pixel(x, y));
            EXPECT_GT(b.blue(), std::max(b.red(), b.green()));
            EXPECT_GT(g.green(), std::max(g.red(), g.blue()));
            EXPECT_GT(r.red(), std::max(r.green(), r.blue()));
        }
    }
}

TEST(Images, DeviceIsGreyAndTransmitterDarkBlue) {
    const QImage device = Loaded(7008);
    const QImage transmitter = Loaded(7018);
    bool black = false;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if (qAlpha(device.pixel(x, y)) != 0) {
                const QColor c(device.pixel(x, y));
                EXPECT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
                black = black || c.red() == 0;
            }
            if (qAlpha(transmitter.pixel(x, y)) != 0) {
                const QColor c(transmitter.pixel(x, y));
                EXPECT_GT(c.blue(), std::max(c.red(), c.green())) << x << "," << y;
                EXPECT_LT(c.lightness(), 160) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(black);
}

TEST(Images, UnknownNumbersGiveNothing) {
    for (int id : {0, -1, 7000, 7005, 7013, 7015, 70020}) {
        EXPECT_TRUE(BitmapResource(id).isNull()) << id;
        EXPECT_TRUE(BitmapIcon(id).isNull()) << id;
    }
}

}  // namespace
}  // namespace halvex
