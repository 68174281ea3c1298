// The picture size read from a JPEG picture's start-of-frame segment, for the
// AVI head and the stream's size index.
#include "media/jpeg/PictureSize.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <string>
#include <vector>

using media::findStartOfFrame;
using media::pictureSizeIndex;

namespace {

using Bytes = std::vector<uint8_t>;

enum class Coding { Baseline, Progressive, Arithmetic };

Bytes encode(int width, int height, int components, Coding coding)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&c, &out, &outSize);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    if (coding == Coding::Progressive)
        jpeg_simple_progression(&c);
    if (coding == Coding::Arithmetic)
        c.arith_code = TRUE;
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(width) * static_cast<size_t>(components), 100);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes jpeg(out, out + outSize);
    std::free(out);
    return jpeg;
}

// Inserts a segment right after the start-of-image marker.
Bytes withSegment(Bytes jpeg, uint8_t marker, const Bytes& payload)
{
    Bytes segment = {0xFF, marker, static_cast<uint8_t>((payload.size() + 2) >> 8), static_cast<uint8_t>(payload.size() + 2)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

size_t markerAt(const Bytes& jpeg, uint8_t marker)
{
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker)
            return i;
    return std::string::npos;
}

TEST(PictureSize, EveryKindOfStartOfFrameGivesItsSize)
{
    struct Case {
        int components;
        Coding coding;
        uint8_t marker;
    } cases[] = {{1, Coding::Baseline, 0xC0},    {3, Coding::Baseline, 0xC0},    {1, Coding::Progressive, 0xC2},
                 {3, Coding::Progressive, 0xC2}, {1, Coding::Arithmetic, 0xC9}, {3, Coding::Arithmetic, 0xC9}};
    for (const auto& c : cases) {
        const Bytes jpeg = encode(320, 240, c.components, c.coding);
        const auto sof = findStartOfFrame(jpeg.data(), jpeg.size());
        ASSERT_TRUE(sof) << int(c.marker);
        EXPECT_EQ(sof->marker, c.marker);
        EXPECT_EQ(sof->width, 320u);
        EXPECT_EQ(sof->height, 240u);
        EXPECT_EQ(sof->components, c.components);
        // The stream's size index knows baseline pictures only; others count as unknown (0).
        EXPECT_EQ(pictureSizeIndex(jpeg.data(), jpeg.size()), sof->marker == 0xC0 ? 2 : 0);
    }
    // Extended sequential (0xC1) has the same layout as baseline.
    Bytes extended = encode(176, 144, 1, Coding::Baseline);
    extended[markerAt(extended, 0xC0) + 1] = 0xC1;
    const auto sof = findStartOfFrame(extended.data(), extended.size());
    ASSERT_TRUE(sof);
    EXPECT_EQ(sof->marker, 0xC1);
    EXPECT_EQ(sof->width, 176u);
    EXPECT_EQ(sof->height, 144u);
}

TEST(PictureSize, SegmentsAreSkippedByTheirLengthNotSearched)
{
    // A thumbnail inside an application segment carries a start-of-frame of
    // its own (160x120, baseline colour): the picture's own one counts.
    const Bytes thumbnail = encode(160, 120, 3, Coding::Baseline);
    Bytes exif = {'E', 'x', 'i', 'f', 0, 0};
    exif.insert(exif.end(), thumbnail.begin(), thumbnail.end());
    Bytes jpeg = withSegment(encode(640, 480, 1, Coding::Baseline), 0xE1, exif);
    auto sof = findStartOfFrame(jpeg.data(), jpeg.size());
    ASSERT_TRUE(sof);
    EXPECT_EQ(sof->width, 640u);
    EXPECT_EQ(sof->height, 480u);
    EXPECT_EQ(sof->components, 1);
    // Huffman (0xC4) and arithmetic (0xCC) table segments lie in the frame
    // marker range but are skipped.
    jpeg = withSegment(withSegment(jpeg, 0xC4, Bytes(20, 0x11)), 0xCC, {0x01, 0x22});
    sof = findStartOfFrame(jpeg.data(), jpeg.size());
    ASSERT_TRUE(sof);
    EXPECT_EQ(sof->width, 640u);

    // Fill bytes before a marker are allowed.
    jpeg.insert(jpeg.begin() + 2, {0xFF, 0xFF});
    sof = findStartOfFrame(jpeg.data(), jpeg.size());
    ASSERT_TRUE(sof);
    EXPECT_EQ(sof->width, 640u);
}

TEST(PictureSize, BrokenOrShortPicturesHaveNoSize)
{
    const Bytes good = encode(320, 240, 1, Coding::Baseline);
    const size_t sofAt = markerAt(good, 0xC0);
    ASSERT_NE(sofAt, std::string::npos);

    // Cut inside the size fields, and just after them.
    EXPECT_FALSE(findStartOfFrame(good.data(), sofAt + 9));
    EXPECT_TRUE(findStartOfFrame(good.data(), sofAt + 10));
    // A byte other than FF where a marker belongs.
    Bytes broken = good;
    broken[2] = 0x00;
    EXPECT_FALSE(findStartOfFrame(broken.data(), broken.size()));
    EXPECT_EQ(pictureSizeIndex(broken.data(), broken.size()), 0);
    // The scan comes before any frame header: the pattern inside the entropy
    // data after it is never read.
    Bytes noFrame = good;
    noFrame[sofAt + 1] = 0xFE; // the frame header becomes a comment
    EXPECT_FALSE(findStartOfFrame(noFrame.data(), noFrame.size()));
    // A segment length below 2 would loop or run backwards.
    Bytes badLength = withSegment(good, 0xE0, {});
    badLength[4] = 0;
    badLength[5] = 1;
    EXPECT_FALSE(findStartOfFrame(badLength.data(), badLength.size()));
    EXPECT_FALSE(findStartOfFrame(good.data(), 0));
    EXPECT_FALSE(findStartOfFrame(good.data(), 3));
}

} // namespace
