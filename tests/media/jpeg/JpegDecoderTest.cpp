#include "media/jpeg/JpegDecoder.h"

#include "tests/support/TestPictures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include <jpeglib.h>

namespace media {
namespace {

using Frame = std::vector<uint8_t>;

using namespace strovix::test;

QColor pixelAt(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }

// Finds the first marker `code` (FF code) in a picture.
size_t findMarker(const Frame& f, uint8_t code)
{
    for (size_t i = 0; i + 1 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == code)
            return i;
    return f.size();
}

// libjpeg-turbo's own decode of a picture, rows packed: blue, green, red
// triples for colour, one byte per pixel for grey, at `eighths` / 8 of the
// picture's size.
struct LibraryDecode {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<uint8_t> pixels;
    const uint8_t* at(int x, int y) const { return &pixels[(size_t(y) * size_t(width) + size_t(x)) * size_t(components)]; }
};

LibraryDecode libraryDecode(const Frame& jpeg, int eighths = 8)
{
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&c, TRUE);
    c.scale_num = unsigned(eighths);
    c.scale_denom = 8;
    if (c.jpeg_color_space != JCS_GRAYSCALE)
        c.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&c);
    LibraryDecode r{int(c.output_width), int(c.output_height), c.output_components, {}};
    r.pixels.resize(size_t(r.width) * size_t(r.height) * size_t(r.components));
    while (c.output_scanline < c.output_height) {
        JSAMPROW row = &r.pixels[size_t(c.output_scanline) * size_t(r.width) * size_t(r.components)];
        jpeg_read_scanlines(&c, &row, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    return r;
}

// Pixels of `bitmap` that differ from the library's decode; colour pixels
// must be its triple followed by 0xFF, grey ones its byte.
int differingPixels(const QImage& bitmap, const LibraryDecode& ref)
{
    if (bitmap.width() != ref.width || bitmap.height() != ref.height)
        return -1;
    int differing = 0;
    for (int y = 0; y < ref.height; ++y) {
        const uchar* row = bitmap.constScanLine(y);
        for (int x = 0; x < ref.width; ++x) {
            const uint8_t* want = ref.at(x, y);
            const bool same = ref.components == 1
                ? row[x] == want[0]
                : row[4 * x] == want[0] && row[4 * x + 1] == want[1] && row[4 * x + 2] == want[2] && row[4 * x + 3] == 0xFF;
            differing += same ? 0 : 1;
        }
    }
    return differing;
}

// A grey picture with detail: a gradient crossed by fine stripes.
Frame greyDetailPicture(int width, int height)
{
    return encodeJpeg(width, height, true, [=](int x, int y) {
        const int v = (x * 200 / width + ((x / 3 + y / 2) % 4) * 14) & 0xFF;
        return QColor(v, v, v);
    });
}

TEST(JpegDecoder, FullSizeIsTheLibrarysOwnBlueGreenRedDecode)
{
    struct Case {
        const char* name;
        Frame jpeg;
        bool grey;
    };
    const Case cases[] = {
        {"camera-like 640x480", cameraLikePicture(), false},
        {"camera-like 641x37", cameraLikePicture(641, 37), false},
        {"quadrants 67x41", quadrantPicture(67, 41), false},
        {"camera-like 33x17", cameraLikePicture(33, 17), false},
        {"one pixel", solidPicture(1, 1, QColor(10, 200, 90)), false},
        {"grey 65x31", greyDetailPicture(65, 31), true},
        {"grey 640x480", greyDetailPicture(640, 480), true},
    };
    for (const Case& c : cases) {
        QImage bitmap;
        ASSERT_TRUE(decodeJpeg(c.jpeg.data(), c.jpeg.size(), bitmap)) << c.name;
        const LibraryDecode ref = libraryDecode(c.jpeg);
        ASSERT_EQ(ref.components, c.grey ? 1 : 3) << c.name;
        EXPECT_EQ(bitmap.format(), c.grey ? QImage::Format_Indexed8 : QImage::Format_RGB32) << c.name;
        EXPECT_EQ(differingPixels(bitmap, ref), 0) << c.name;
        if (c.grey) {
            EXPECT_EQ(bitmap.colorTable().size(), 256) << c.name;
            EXPECT_EQ(bitmap.color(77), qRgb(77, 77, 77)) << c.name;
        }
    }
}

TEST(JpegDecoder, ScaleFollowsTheShownSize)
{
    const QSize vga(640, 480);
    EXPECT_EQ(scaleEighthsFor(vga, {}), 8);
    EXPECT_EQ(scaleEighthsFor(vga, {1024, 768}), 8); // larger: full size
    EXPECT_EQ(scaleEighthsFor(vga, {640, 480}), 8);  // 1:1
    EXPECT_EQ(scaleEighthsFor(vga, {341, 256}), 8);  // more than half: full size
    EXPECT_EQ(scaleEighthsFor(vga, {320, 241}), 8);  // half wide, not half high
    EXPECT_EQ(scaleEighthsFor(vga, {320, 240}), 4);
    EXPECT_EQ(scaleEighthsFor(vga, {256, 192}), 4);  // 3/8 would give 240 x 180
    // 3/8 would cover these, but only 1/8, 2/8 and 4/8 are decoded small.
    EXPECT_EQ(scaleEighthsFor(vga, {240, 180}), 4);
    EXPECT_EQ(scaleEighthsFor(vga, {210, 158}), 4);
    EXPECT_EQ(scaleEighthsFor(vga, {161, 120}), 4);
    EXPECT_EQ(scaleEighthsFor(vga, {160, 120}), 2);
    EXPECT_EQ(scaleEighthsFor(vga, {81, 60}), 2);
    EXPECT_EQ(scaleEighthsFor(vga, {80, 60}), 1);
    EXPECT_EQ(scaleEighthsFor(vga, {10, 200}), 4); // the taller side decides
    EXPECT_EQ(scaleEighthsFor({1280, 960}, {256, 192}), 2);
    EXPECT_EQ(scaleEighthsFor({641, 481}, {81, 61}), 1); // rounded up like the library

    // The bitmap has the library's size for that scale, and its pixels are
    // the library's own scaled decode.
    struct Case {
        Frame jpeg;
        QSize shown;
        QSize expected;
    };
    const Case cases[] = {
        {cameraLikePicture(), {256, 192}, {320, 240}},
        {cameraLikePicture(), {240, 180}, {320, 240}},
        {cameraLikePicture(), {160, 120}, {160, 120}},
        {cameraLikePicture(), {75, 60}, {80, 60}},
        {cameraLikePicture(641, 481), {81, 61}, {81, 61}},
        {cameraLikePicture(641, 481), {162, 121}, {321, 241}},
        {greyDetailPicture(67, 41), {9, 6}, {9, 6}},
        {greyDetailPicture(640, 480), {300, 200}, {320, 240}},
    };
    for (const Case& c : cases) {
        QImage bitmap;
        DecodeOutcome outcome;
        ASSERT_TRUE(decodeJpeg(c.jpeg.data(), c.jpeg.size(), bitmap, c.shown, &outcome));
        EXPECT_EQ(bitmap.size(), c.expected) << c.shown.width() << "x" << c.shown.height();
        EXPECT_LT(outcome.scaleEighths, 8);
        EXPECT_EQ(differingPixels(bitmap, libraryDecode(c.jpeg, outcome.scaleEighths)), 0)
            << c.shown.width() << "x" << c.shown.height();
    }
}

// Mean and largest difference of two same-sized pictures, over every channel.
std::pair<double, int> difference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    int64_t sum = 0;
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            for (int d : {qRed(p) - qRed(q), qGreen(p) - qGreen(q), qBlue(p) - qBlue(q)}) {
                sum += std::abs(d);
                largest = std::max(largest, std::abs(d));
            }
        }
    }
    return {double(sum) / (3.0 * x.width() * x.height()), largest};
}

TEST(JpegDecoder, ScaledDecodeAgreesWithAFullDecodeScaledDown)
{
    // Smooth pictures with edges: the DCT scaling averages like an area
    // scaler, so both agree up to rounding and a little ringing at the edges.
    const Frame colour = encodeJpeg(640, 480, false, [](int x, int y) {
        const bool inner = x > 200 && x < 440 && y > 120 && y < 360;
        return inner ? QColor(40, 200 - y / 4, 90) : QColor(x * 255 / 640, y * 255 / 480, 128);
    });
    const Frame grey = greyPicture(640, 480);
    for (const Frame* jpeg : {&colour, &grey}) {
        QImage full;
        ASSERT_TRUE(decodeJpeg(jpeg->data(), jpeg->size(), full));
        for (QSize shown : {QSize(320, 240), QSize(160, 120), QSize(80, 60)}) {
            QImage scaled;
            ASSERT_TRUE(decodeJpeg(jpeg->data(), jpeg->size(), scaled, shown));
            ASSERT_EQ(scaled.size(), shown);
            const QImage reference = full.convertToFormat(QImage::Format_RGB32)
                                         .scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const auto [mean, largest] = difference(scaled, reference);
            EXPECT_LT(mean, 2.0) << shown.width();
            EXPECT_LT(largest, 48) << shown.width();
        }
    }
}

TEST(JpegDecoder, BufferIsReusedWhileTheSizeHolds)
{
    const Frame first = quadrantPicture(640, 480);
    const Frame second = solidPicture(640, 480, QColor(20, 20, 220));
    QImage bitmap;
    DecodeOutcome outcome;
    ASSERT_TRUE(decodeJpeg(first.data(), first.size(), bitmap, {}, &outcome));
    EXPECT_TRUE(outcome.newBuffer);
    EXPECT_EQ(outcome.pictureSize, QSize(640, 480));
    EXPECT_EQ(outcome.scaleEighths, 8);
    const uchar* buffer = bitmap.constBits();

    // Same size: the same buffer, the new pixels.
    ASSERT_TRUE(decodeJpeg(second.data(), second.size(), bitmap, {}, &outcome));
    EXPECT_FALSE(outcome.newBuffer);
    EXPECT_EQ(bitmap.constBits(), buffer);
    EXPECT_TRUE(near(pixelAt(bitmap, 5, 5), QColor(20, 20, 220)));
    ASSERT_TRUE(decodeJpeg(first.data(), first.size(), bitmap, {640, 480}, &outcome));
    EXPECT_FALSE(outcome.newBuffer);
    EXPECT_EQ(bitmap.constBits(), buffer);
    EXPECT_TRUE(near(pixelAt(bitmap, 5, 5), kTopLeft));

    // Another scale is another size: one new buffer, then reused.
    ASSERT_TRUE(decodeJpeg(first.data(), first.size(), bitmap, {256, 192}, &outcome));
    EXPECT_TRUE(outcome.newBuffer);
    EXPECT_EQ(outcome.scaleEighths, 4);
    EXPECT_EQ(outcome.pictureSize, QSize(640, 480));
    const uchar* small = bitmap.constBits();
    ASSERT_TRUE(decodeJpeg(second.data(), second.size(), bitmap, {256, 192}, &outcome));
    EXPECT_FALSE(outcome.newBuffer);
    EXPECT_EQ(bitmap.constBits(), small);

    // A holder of the picture keeps it: the next decode gets its own buffer.
    const QImage held = bitmap;
    ASSERT_TRUE(decodeJpeg(first.data(), first.size(), bitmap, {256, 192}, &outcome));
    EXPECT_TRUE(outcome.newBuffer);
    EXPECT_NE(bitmap.constBits(), held.constBits());
    EXPECT_TRUE(near(pixelAt(held, 5, 5), QColor(20, 20, 220)));
    EXPECT_TRUE(near(pixelAt(bitmap, 5, 5), kTopLeft));

    // Grey of the same size is another format.
    const Frame grey = greyPicture(320, 240);
    ASSERT_TRUE(decodeJpeg(grey.data(), grey.size(), bitmap, {}, &outcome));
    EXPECT_TRUE(outcome.newBuffer);
    EXPECT_EQ(bitmap.format(), QImage::Format_Indexed8);
    const Frame grey2 = greyDetailPicture(320, 240);
    ASSERT_TRUE(decodeJpeg(grey2.data(), grey2.size(), bitmap, {}, &outcome));
    EXPECT_FALSE(outcome.newBuffer);
    EXPECT_EQ(bitmap.color(200), qRgb(200, 200, 200));
}

TEST(JpegDecoder, DamagedPicturesIntoAReusedBuffer)
{
    const Frame good = quadrantPicture(640, 480);
    QImage bitmap;
    ASSERT_TRUE(decodeJpeg(good.data(), good.size(), bitmap, {256, 192}));
    const QImage before = bitmap.copy();
    const uchar* buffer = bitmap.constBits();

    // Header damage: the scaled picture stays as it was, in its buffer.
    const Frame cut(good.begin(), good.begin() + 40);
    DecodeOutcome outcome;
    EXPECT_FALSE(decodeJpeg(cut.data(), cut.size(), bitmap, {256, 192}, &outcome));
    EXPECT_EQ(bitmap, before);
    EXPECT_EQ(bitmap.constBits(), buffer);
    EXPECT_TRUE(outcome.pictureSize.isEmpty());

    // A fatal error after the rows, into a buffer of the same size: the new
    // picture's rows, not the old ones, fill it.
    const Frame blue = solidPicture(640, 480, QColor(20, 20, 220));
    ASSERT_TRUE(decodeJpeg(blue.data(), blue.size(), bitmap));
    buffer = bitmap.constBits();
    Frame broken = good;
    const Frame small = solidPicture(16, 16, QColor(200, 0, 0));
    const size_t eoi = findMarker(broken, 0xD9);
    const size_t sof = findMarker(small, 0xC0);
    const size_t sofLen = size_t(small[sof + 2]) << 8 | small[sof + 3];
    broken.insert(broken.begin() + long(eoi), small.begin() + long(sof), small.begin() + long(sof + 2 + sofLen));
    EXPECT_FALSE(decodeJpeg(broken.data(), broken.size(), bitmap));
    EXPECT_EQ(bitmap.constBits(), buffer);
    EXPECT_TRUE(near(pixelAt(bitmap, 5, 5), kTopLeft));
    EXPECT_TRUE(near(pixelAt(bitmap, 635, 475), kBottomRight));
}

TEST(JpegDecoder, ColourPictureAsThirtyTwoBitPixels)
{
    const Frame jpeg = quadrantPicture(66, 40); // 66 = 16 x 4 + 2: a row tail past the last whole block
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
} // namespace media
