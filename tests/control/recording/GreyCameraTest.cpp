// A grey camera's pictures recorded as an AVI file: the head carries the
// pictures' own size, and an independent reader plays the file.
#include "FfprobeCheck.h"
#include "RecordingTestSupport.h"

#include "control/recording/AviWriter.h"
#include "media/jpeg/PictureSize.h"
#include "support/TempDir.h"
#include "tools/camsim/ServerFixture.h"

#include <gtest/gtest.h>

using namespace recording_test;
using strovix::recording::AviWriter;

namespace {

std::vector<Bytes> picturesFrom(camsim::test::StreamReader& stream, size_t count)
{
    std::vector<Bytes> pictures;
    camsim::test::StreamReader::Part part;
    while (pictures.size() < count && stream.next(part, 10000))
        if (part.headers.find("image/jpeg") != std::string::npos)
            pictures.emplace_back(part.data.begin(), part.data.end());
    return pictures;
}

TEST(GreyCamera, RecordingHeadTakesTheSizeOfOneComponentPictures)
{
    // 320x240 grey: a size other than the head's initial 640x480.
    auto server = camsim::test::startServer({"--grey", "--resolution", "2", "--fps", "20"});
    ASSERT_TRUE(server);
    camsim::test::StreamReader stream(server->ports()[0], "/GetData.cgi?Status=1");
    const auto pictures = picturesFrom(stream, 8);
    ASSERT_EQ(pictures.size(), 8u);
    // The camera really sends one-component pictures (C0 segment, 1 component).
    const auto sof = media::findStartOfFrame(pictures[0].data(), pictures[0].size());
    ASSERT_TRUE(sof);
    EXPECT_EQ(sof->components, 1);

    TempDir dir;
    FakeClock clock;
    AviWriter writer(clock);
    for (const auto& p : pictures)
        writer.AddFrame(p, dir.path(), "grey", 8.0f);
    ASSERT_EQ(writer.Close(8.0f, dir.file("grey.avi")), 0);

    const Bytes f = readFile(dir.file("grey.avi"));
    EXPECT_EQ(u32(f, 48), 8u);
    EXPECT_EQ(u32(f, 64), 320u); // main header
    EXPECT_EQ(u32(f, 68), 240u);
    EXPECT_EQ(u32(f, 160), 320u | 240u << 16); // video frame rectangle
    EXPECT_EQ(u32(f, 176), 320u); // bitmap header
    EXPECT_EQ(u32(f, 180), 240u);
    expectFfprobeAgrees(dir.file("grey.avi"));
    if (ffprobeAvailable()) {
        const auto p = probe(dir.file("grey.avi"));
        ASSERT_TRUE(p);
        EXPECT_EQ(p->width, 320);
        EXPECT_EQ(p->height, 240);
        EXPECT_EQ(p->readFrames, 8);
    }
}

} // namespace
