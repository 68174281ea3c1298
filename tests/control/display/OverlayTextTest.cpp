#include "control/display/OverlayText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>

namespace strovix {
namespace {

std::tm makeTm(int year, int month, int day, int hour, int min, int sec, int wday)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = min;
    t.tm_sec = sec;
    t.tm_wday = wday;
    return t;
}

// Runs the body with the process time zone set to `tz`, restoring it after.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old, m_had = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (m_had)
            setenv("TZ", m_old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

TEST(OverlayText, EveryDateFormatHasItsShape)
{
    const std::tm t = makeTm(2004, 7, 20, 20, 5, 9, 2); // a Tuesday
    const char* expected[kDateFormatCount] = {"2004-7-20",    "7/20/2004", "7.20.2004",
                                              "Jul 20, 2004", "Tuesday Jul 20 2004",
                                              "Jul 20",       "7-20",      "2004/7/20",
                                              "20 Jul  2004", "7-20-2004"};
    for (int f = 0; f < kDateFormatCount; ++f)
        EXPECT_EQ(formatDate(t, f), expected[f]) << "DateFormat " << f;

    // The two spaces before the year, single-digit day and month without zeros.
    EXPECT_EQ(formatDate(makeTm(2004, 1, 5, 0, 0, 0, 1), 8), "5 Jan  2004");
    EXPECT_EQ(formatDate(makeTm(1999, 12, 31, 0, 0, 0, 5), 4), "Friday Dec 31 1999");
}

TEST(OverlayText, TimeFormatsAnd12HourClock)
{
    const std::tm evening = makeTm(2004, 7, 20, 20, 5, 9, 2);
    EXPECT_EQ(formatTime(evening, 0), "20:05:09");
    EXPECT_EQ(formatTime(evening, 1), "20:05");
    EXPECT_EQ(formatTime(evening, 2), "8:05:09 PM");
    EXPECT_EQ(formatTime(evening, 3), "8:05 PM");

    // Noon and midnight, the two hours a 12-hour clock gets wrong.
    EXPECT_EQ(formatTime(makeTm(2004, 1, 1, 12, 30, 0, 4), 3), "12:30 PM");
    EXPECT_EQ(formatTime(makeTm(2004, 1, 1, 0, 30, 0, 4), 3), "12:30 AM");
    EXPECT_EQ(formatTime(makeTm(2004, 1, 1, 0, 30, 0, 4), 0), "0:30:00");
    EXPECT_EQ(formatTime(makeTm(2004, 1, 1, 11, 59, 59, 4), 2), "11:59:59 AM");
    EXPECT_EQ(formatTime(makeTm(2004, 1, 1, 13, 0, 7, 4), 2), "1:00:07 PM");
}

TEST(OverlayText, DateTimeTextIsLocalAndEnglishWhateverTheLocale)
{
    ZoneGuard utc("UTC");
    // Names must not follow the process locale.
    const char* oldLocale = std::setlocale(LC_ALL, nullptr);
    const std::string saved = oldLocale ? oldLocale : "C";
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // may not exist; then the test still holds
    EXPECT_EQ(dateTimeText(1073305800, 4, 3), "Monday Jan 5 2004  12:30 PM"); // 2004-01-05 12:30:00 UTC
    std::setlocale(LC_ALL, saved.c_str());

    ZoneGuard east("UTC-8"); // POSIX sign: eight hours east
    EXPECT_EQ(dateTimeText(1073305800, 0, 0), "2004-1-5  20:30:00");
    EXPECT_EQ(localZoneWestMinutes(1073305800), -480);
}

TEST(OverlayText, ShowTextModes)
{
    EXPECT_EQ(overlayText(-1, "Door", "dt"), "");
    EXPECT_EQ(overlayText(0, "Door", "dt"), "Door  dt");
    EXPECT_EQ(overlayText(1, "Door", "dt"), "Door");
    EXPECT_EQ(overlayText(1, "", "dt"), ""); // nothing to draw
    EXPECT_EQ(overlayText(2, "Door", "dt"), "dt");
    EXPECT_EQ(overlayText(3, "Door", "dt"), "Door  dt");
    EXPECT_EQ(overlayText(4, "Door", "dt"), "dt");
}

TEST(OverlayText, CameraClockFromGetTimeReply)
{
    // The camera at UTC+8, the computer at UTC.
    EXPECT_EQ(cameraClockFromReply("Sec1970 = 1000\nTimeZone = -480\n", 0), 1000 + 480 * 60);
    // The computer's own zone counts too; carriage returns are tolerated.
    EXPECT_EQ(cameraClockFromReply("Sec1970 = 5000\r\nTimeZone = 60\r\n", 120), 5000 + 60 * 60);
    // Reading stops at TimeZone: a later Sec1970 is not used.
    EXPECT_EQ(cameraClockFromReply("Sec1970 = 10\nTimeZone = 0\nSec1970 = 99\n", 0), 10);
    // No TimeZone line (or only an unterminated one), or a camera time of 0: no clock.
    EXPECT_EQ(cameraClockFromReply("Sec1970 = 1000\n", 0), std::nullopt);
    EXPECT_EQ(cameraClockFromReply("Sec1970 = 1000\nTimeZone = 5", 0), std::nullopt);
    EXPECT_EQ(cameraClockFromReply("Sec1970 = 0\nTimeZone = 0\n", 0), std::nullopt);
    EXPECT_EQ(cameraClockFromReply("garbage", 0), std::nullopt);
}

TEST(OverlayText, FrameRateText)
{
    EXPECT_EQ(frameRateText(1234), "12.34fps");
    EXPECT_EQ(frameRateText(1205), "12.05fps");
    EXPECT_EQ(frameRateText(99), "0.99fps");
    EXPECT_EQ(frameRateText(100), "1.00fps");
    EXPECT_EQ(frameRateText(7), "0.07fps");
    EXPECT_EQ(frameRateText(4294967295u), "42949672.95fps");
}

TEST(OverlayText, FontHeightRules)
{
    EXPECT_EQ(cellFontHeight(150, 16), 16); // 16.5 truncated
    EXPECT_EQ(cellFontHeight(109, 16), 12);
    EXPECT_EQ(cellFontHeight(110, 16), 12);
    EXPECT_EQ(cellFontHeight(189, 16), 20);
    EXPECT_EQ(cellFontHeight(190, 16), 20);
    EXPECT_EQ(cellFontHeight(0, 16), 12);

    EXPECT_EQ(zoomedFontHeight(234, 12), 20);
    EXPECT_EQ(zoomedFontHeight(233, 12), 20); // 20.97 truncated
    EXPECT_EQ(zoomedFontHeight(200, 12), 18);
    EXPECT_EQ(zoomedFontHeight(5, 12), 12); // 0.45: keep the old height
}

TEST(OverlayText, WordsOfAViewWithoutPictures)
{
    // Two digits each, 24 hours, in local time.
    std::tm morning{};
    morning.tm_year = 2024 - 1900;
    morning.tm_mon = 4;
    morning.tm_mday = 1;
    morning.tm_hour = 8;
    morning.tm_min = 5;
    morning.tm_sec = 9;
    morning.tm_isdst = -1;
    EXPECT_EQ(noPictureSinceText(std::mktime(&morning)), "No picture since 08:05:09");
    // A message word out of range says nothing rather than something wrong.
    EXPECT_EQ(linkNotice(linkStateFrom(99), 0), "");
    EXPECT_EQ(linkNotice(linkStateFrom(-1), 0), "");
}

} // namespace
} // namespace strovix
