#include "control/stream/CameraStatus.h"
#include "control/stream/StreamTestData.h"

#include <gtest/gtest.h>

using namespace strovix;

TEST(CameraStatus, ColumnsAndImageInfo)
{
    std::string b = streamtest::statusBlock(86);
    b.replace(24, 6, "000120");
    b.replace(60, 6, "000000");
    b[72] = '1';
    b[73] = '2';
    b[81] = '1';
    b.replace(82, 2, "07");
    b.replace(84, 2, "11");
    CameraStatus s;
    s.update(b);
    EXPECT_EQ(s.openState, 1);
    EXPECT_EQ(s.brightness, 120);
    EXPECT_EQ(s.resolution, 3);
    EXPECT_EQ(s.quality, 2);
    EXPECT_EQ(s.loginCode, 0);
    EXPECT_EQ(s.motionSetting, "120");
    EXPECT_EQ(s.motionCounter, "0"); // all zeros leave "0"
    EXPECT_EQ(s.userCheck, 1);
    EXPECT_EQ(s.motionSwitch, 1);
    EXPECT_EQ(s.frequency, 2);
    EXPECT_EQ(s.serverAudio, 1);
    EXPECT_EQ(s.clockCounter, 7);
    EXPECT_EQ(s.nameCounter, 11);
    EXPECT_EQ(s.imageInfoWParam(), (3u << 16) | (2u << 8) | 120u);
    EXPECT_EQ(static_cast<uint32_t>(s.imageInfoLParam()), (130u << 24) | (140u << 16) | (150u << 8) | 160u);

    // Values above 255 cross as their low 8 bits; a damaged digit is used as
    // it is (character minus '0').
    b.replace(15, 3, "300");
    b[21] = ':';
    s.update(b);
    EXPECT_EQ(s.imageInfoWParam() & 0xFF, 300u & 0xFF);
    EXPECT_EQ(s.resolution, 10);

    // A block without the extended text keeps it empty; one with it takes
    // everything from column 100.
    EXPECT_EQ(s.extendedText, "");
    s.update(streamtest::statusBlock(86) + std::string(14, '0') + "EXT");
    EXPECT_EQ(s.extendedText, "EXT");
}
