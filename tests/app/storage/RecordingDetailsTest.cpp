// The recording list's detail texts from file names.
#include "app/storage/RecordingDetails.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordingDetails, TextsOfTheNamesTheApplicationWrites)
{
    // An ordinary recording: the prefix's "_" and the control's "_" before the time.
    auto d = recordingDetails("r-Gate_!0__2010_1_2_3_4_5_6.avi", "r-", "Start Time");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->location, "Location: Gate");
    EXPECT_EQ(d->alerts, "Alerts: None");
    EXPECT_EQ(d->time, "Start Time: 2010-01-02  03:04:05.006");

    // The file still open at shut-down, and the one cut by a picture size change.
    d = recordingDetails("r-Gate_!0_End2010_1_2_3_4_5_6.avi", "r-", "Start Time");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->time, "Start Time: 2010-01-02  03:04:05.006");
    d = recordingDetails("r-Yard_!0_ResChange2026_12_31_23_59_58_999.avi", "r-", "Start Time");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->location, "Location: Yard");
    EXPECT_EQ(d->time, "Start Time: 2026-12-31  23:59:58.999");

    // A snapshot, with alert bits in the number.
    d = recordingDetails("s-Gate_!7_2004_3_17_9_5_12_15.jpg", "s-", "At Time");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->alerts, "Alerts: [Motion] [Sound] [DIDO] ");
    EXPECT_EQ(d->time, "At Time: 2004-03-17  09:05:12.015");
    EXPECT_EQ(recordingDetails("s-Gate_!2_2004_3_7_9_5_2_15.jpg", "s-", "At Time")->alerts, "Alerts: [Sound] ");
    EXPECT_EQ(recordingDetails("s-Gate_!5_2004_3_7_9_5_2_15.jpg", "s-", "At Time")->alerts, "Alerts: [Motion] [DIDO] ");

    // Names that do not parse: wrong prefix, no "!", six fields, a camera
    // name with "_" in it.
    EXPECT_FALSE(recordingDetails("r-Gate_!0_End2010_1_2_3_4_5_6.avi", "s-", "Start Time"));
    EXPECT_FALSE(recordingDetails("r-Gate_0_1_2_3_4_5_6_7.avi", "r-", "Start Time"));
    EXPECT_FALSE(recordingDetails("r-Gate_!0__2010_1_2_3_4_5.avi", "r-", "Start Time"));
    EXPECT_FALSE(recordingDetails("r-Back_Door_!0__2010_1_2_3_4_5_6.avi", "r-", "Start Time"));
    EXPECT_FALSE(recordingDetails("holiday.avi", "r-", "Start Time"));
}

TEST(RecordingDetails, DurationText)
{
    EXPECT_EQ(durationText(0), "00:00");
    EXPECT_EQ(durationText(3), "00:03");
    EXPECT_EQ(durationText(300), "05:00");
    EXPECT_EQ(durationText(3599), "59:59");
    EXPECT_EQ(durationText(3661), "1:01:01");
    EXPECT_EQ(durationText(-5), "00:00");
}

} // namespace
