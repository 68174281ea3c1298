#include "control/stream/KeyValueReader.h"

#include <gtest/gtest.h>

using namespace strovix;

TEST(KeyValueReader, LinesKeysAndValues)
{
    const auto kv = readKeyValues("CamVer = 506\r\nName = a = b\nnoseparator\n = empty key\nLast = unterminated");
    ASSERT_EQ(kv.size(), 3u);
    // The carriage return stays in the value; the split is at the first " = ".
    EXPECT_EQ(kv[0], (std::pair<std::string, std::string>{"CamVer", "506\r"}));
    EXPECT_EQ(kv[1], (std::pair<std::string, std::string>{"Name", "a = b"}));
    EXPECT_EQ(kv[2], (std::pair<std::string, std::string>{"", "empty key"}));
}

TEST(KeyValueReader, LastValueOf)
{
    EXPECT_EQ(lastValueOf("CamVer = 1\nCamVer = 2\n", "CamVer"), "2");
    // A last line without line feed is not read: the version stays empty.
    EXPECT_EQ(lastValueOf("CamVer = 506", "CamVer"), "");
    EXPECT_EQ(lastValueOf("camver = 506\n", "CamVer", "none"), "none");
}
