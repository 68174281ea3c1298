#include "control/display/JpegDecoder.h"

#include "TestPictures.h"

#include <gtest/gtest.h>

namespace strovix {
namespace {

using namespace strovix::test;

QColor pixelAt(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }

TEST(JpegDecoder, ColourPictureWidenedToThirtyTwoBitPixels)
{
    const Frame jpeg = quadrantPicture(66, 40); // 66 = 16 x 4 + 2: the row tail is widened too
    QImage bitmap;
    ASSERT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), bitmap));
    EXPECT_EQ(bitmap.format(), QImage::Format_RGB32);
    EXPECT_EQ(bitmap.size(), QSize(66, 40));
    EXPECT_EQ(bitmap.bytesPerLine(), 66 * 4);
    // First decoded row on top: the quadrants land where they were drawn.
    EXPECT_TRUE(near(pixelAt(bitmap, 5, 5), kTopLeft));
    EXPECT_TRUE(near(pixelAt(bitmap, 60, 5), kTopRight));
    EXPECT_TRUE(near(pixelAt(bitmap, 5, 35), kBottomLeft));
    EXPECT_TRUE(near(pixelAt(bitmap, 60, 35), kBottomRight));
    EXPECT_TRUE(near(pixelAt(bitmap, 65, 5), kTopRight));
    EXPECT_TRUE(near(pixelAt(bitmap, 64, 39), kBottomRight));
    EXPECT_EQ(qAlpha(bitmap.pixel(65, 39)), 255);
    // Bytes in memory are blue, green, red, 0xFF.
    const uchar* p = bitmap.constScanLine(5) + 5 * 4;
    EXPECT_GT(p[2], 150); // red
    EXPECT_LT(p[0], 90);  // blue

    // A second picture of another size replaces the first.
    const Frame grey = greyPicture(20, 10);
    ASSERT_TRUE(decodeJpeg(grey.data(), grey.size(), bitmap));
    EXPECT_EQ(bitmap.size(), QSize(20, 10));
}

TEST(JpegDecoder, GreyPictureOneBytePerPixelThroughGreyPalette)
{
    const Frame jpeg = greyPicture(64, 48);
    QImage bitmap;
    ASSERT_TRUE(decodeJpeg(jpeg.data(), jpeg.size(), bitmap));
    EXPECT_EQ(bitmap.format(), QImage::Format_Indexed8);
    EXPECT_EQ(bitmap.bytesPerLine(), 64);
    ASSERT_EQ(bitmap.colorCount(), 256);
    for (int i : {0, 1, 128, 255})
        EXPECT_EQ(bitmap.color(i), qRgb(i, i, i));
    const QColor left = pixelAt(bitmap, 2, 20);
    const QColor right = pixelAt(bitmap, 61, 20);
    EXPECT_EQ(left.red(), left.green());
    EXPECT_EQ(right.red(), right.blue());
    EXPECT_LT(left.red(), 30);
    EXPECT_GT(right.red(), 225);
}

TEST(JpegDecoder, HeaderFailuresKeepThePreviousPicture)
{
    const Frame good = quadrantPicture();
    QImage bitmap;
    ASSERT_TRUE(decodeJpeg(good.data(), good.size(), bitmap));
    const QImage before = bitmap.copy();

    const Frame empty;
    EXPECT_FALSE(decodeJpeg(empty.data(), empty.size(), bitmap));
    EXPECT_EQ(bitmap, before);

    const Frame notJpeg{'h', 'e', 'l', 'l', 'o', 0xFF, 0xD9};
    EXPECT_FALSE(decodeJpeg(notJpeg.data(), notJpeg.size(), bitmap));
    EXPECT_EQ(bitmap, before);

    // Cut inside the header.
    const Frame cut(good.begin(), good.begin() + 40);
    EXPECT_FALSE(decodeJpeg(cut.data(), cut.size(), bitmap));
    EXPECT_EQ(bitmap, before);
}

// Finds the first marker `code` (FF code) in a picture.
size_t findMarker(const Frame& f, uint8_t code)
{
    for (size_t i = 0; i + 1 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == code)
            return i;
    return f.size();
}

TEST(JpegDecoder, PicturesThatCannotStartOrAreTooLargeLeaveNoPicture)
{
    const Frame good = quadrantPicture();
    QImage bitmap;

    // A header claiming 60000 x 60000 pixels: refused before allocating.
    Frame huge = good;
    const size_t sof = findMarker(huge, 0xC0);
    ASSERT_LT(sof, huge.size());
    huge[sof + 5] = 0xEA, huge[sof + 6] = 0x60; // height 60000
    huge[sof + 7] = 0xEA, huge[sof + 8] = 0x60; // width 60000
    ASSERT_TRUE(decodeJpeg(good.data(), good.size(), bitmap));
    EXPECT_FALSE(decodeJpeg(huge.data(), huge.size(), bitmap));
    EXPECT_TRUE(bitmap.isNull());

    // Quantisation table 3 does not exist: decompression cannot start.
    Frame badTable = good;
    const size_t sofBad = findMarker(badTable, 0xC0);
    badTable[sofBad + 10 + 2] = 3; // first component's table selector
    ASSERT_TRUE(decodeJpeg(good.data(), good.size(), bitmap));
    EXPECT_FALSE(decodeJpeg(badTable.data(), badTable.size(), bitmap));
    EXPECT_TRUE(bitmap.isNull());
}

TEST(JpegDecoder, ErrorAfterThePictureDataKeepsTheNewRows)
{
    // A second frame header after the scan data is a fatal library error
    // that comes only once the rows have been read.
    const Frame small = solidPicture(16, 16, QColor(200, 0, 0));
    Frame broken = quadrantPicture();
    const size_t eoi = findMarker(broken, 0xD9);
    const size_t sof = findMarker(small, 0xC0);
    const size_t sofLen = size_t(small[sof + 2]) << 8 | small[sof + 3];
    broken.insert(broken.begin() + long(eoi), small.begin() + long(sof), small.begin() + long(sof + 2 + sofLen));

    QImage bitmap;
    const Frame grey = greyPicture(10, 10);
    ASSERT_TRUE(decodeJpeg(grey.data(), grey.size(), bitmap));
    EXPECT_FALSE(decodeJpeg(broken.data(), broken.size(), bitmap));
    ASSERT_EQ(bitmap.size(), QSize(64, 48)); // the new picture, not the old one
    EXPECT_TRUE(near(QColor(bitmap.pixel(5, 5)), kTopLeft));
}

TEST(JpegDecoder, RandomDamageNeverCrashes)
{
    const Frame good = quadrantPicture(48, 32);
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    QImage bitmap;
    for (int round = 0; round < 300; ++round) {
        Frame damaged = good;
        const int flips = 1 + int(next() % 8);
        for (int i = 0; i < flips; ++i)
            damaged[next() % damaged.size()] = uint8_t(next() >> 16);
        if (round % 3 == 0)
            damaged.resize(next() % damaged.size());
        const bool ok = decodeJpeg(damaged.data(), damaged.size(), bitmap);
        if (ok) {
            EXPECT_FALSE(bitmap.isNull());
        }
        if (!bitmap.isNull()) {
            EXPECT_GE(bitmap.bytesPerLine() * bitmap.height(), bitmap.width() * bitmap.height());
        }
    }
}

} // namespace
} // namespace strovix
