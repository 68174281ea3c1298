#include "app/core/AppCfgGO.h"
#include "app/core/CameraSettingsSlot.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleDAO.h"
#include "app/schedule/ScheduleItem.h"
#include "platform/ini/IniFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using Entry = ScheduleDAO::Entry;

// Camera slot 0 over a config.ini holding `text`.
struct Stored {
    TempDir dir;
    AppCfgGO cfg;
    explicit Stored(const std::string& text)
    {
        cfg.initConfig(dir.path());
        dir.write("etc/config.ini", text);
    }
    std::vector<Entry> load(CameraSettingsSlot& camera)
    {
        std::vector<Entry> entries;
        for (const auto& item : camera.getSchedule()->getItems())
            entries.push_back(ScheduleDAO::entryOf(*item));
        return entries;
    }
    std::string stored() { return platform::ini::readString(cfg.getConfigFile(), "Camera1", "SCHEDULE", "absent", 2000); }
};

} // namespace

TEST(ScheduleDAO, LoadAndSaveThroughTheCameraSection)
{
    {
        Stored s("[Camera1]\nSCHEDULE=\n");
        CameraSettingsSlot camera(0, s.cfg);
        EXPECT_TRUE(s.load(camera).empty());
        ASSERT_TRUE(camera.getSchedule()->save(s.cfg.getConfigFile()));
        EXPECT_NE(s.dir.read("etc/config.ini").find("SCHEDULE=\n"), std::string::npos);
    }
    {
        Stored s("[Camera1]\nSCHEDULE=*,8,*,*,*,60\n");
        CameraSettingsSlot camera(0, s.cfg);
        EXPECT_EQ(s.load(camera), (std::vector<Entry>{{-1, 8, -1, -1, -1, 60}}));
        camera.getSchedule()->save(s.cfg.getConfigFile());
        EXPECT_EQ(s.stored(), "-1,8,-1,-1,-1,60");
        // Loading again appends.
        camera.getSchedule()->load(s.cfg.getConfigFile());
        EXPECT_EQ(camera.getSchedule()->getItems().size(), 2u);
        camera.getSchedule()->save(s.cfg.getConfigFile());
        EXPECT_EQ(s.stored(), "-1,8,-1,-1,-1,60;-1,8,-1,-1,-1,60");
    }
    {
        std::string twelve;
        for (int i = 0; i < 12; ++i)
            twelve += (i ? ";" : "") + std::to_string(i) + ",1,2,3,4,5";
        Stored s("[Camera1]\nSCHEDULE=" + twelve + "\n");
        CameraSettingsSlot camera(0, s.cfg);
        const auto entries = s.load(camera);
        ASSERT_EQ(entries.size(), 11u);
        EXPECT_EQ(entries.back().minute, 10);
    }
}

TEST(ScheduleDAO, ParseToleratesBlanksAndSkipsBrokenEntries)
{
    EXPECT_EQ(ScheduleDAO::parseValue(" 30 , 8 ,-1,-1,-1, 600 "), (std::vector<Entry>{{30, 8, -1, -1, -1, 600}}));
    EXPECT_EQ(ScheduleDAO::parseValue("30,8,-1,-1,-1,600;0,-1,-1,-1,1,0"),
              (std::vector<Entry>{{30, 8, -1, -1, -1, 600}, {0, -1, -1, -1, 1, 0}}));
    // Empty fields, words and "*" are wildcards; a fraction rounds; extra fields are ignored.
    EXPECT_EQ(ScheduleDAO::parseValue(",x,*,-5,+3,2.5,9,9"), (std::vector<Entry>{{-1, -1, -1, -5, 3, 2}}));
    // Too few fields, an empty entry, numbers that do not fit: skipped.
    EXPECT_EQ(ScheduleDAO::parseValue("1,2,3;;1,2,3,4,5,6;40000,1,1,1,1,1;1,1,1,1,1,9999999999;"),
              (std::vector<Entry>{{1, 2, 3, 4, 5, 6}}));
    // A skipped entry still counts towards the eleven read back.
    std::string value = "bad";
    for (int i = 0; i < 11; ++i)
        value += ";1,1,1,1,1," + std::to_string(i);
    const auto entries = ScheduleDAO::parseValue(value);
    ASSERT_EQ(entries.size(), 10u);
    EXPECT_EQ(entries.back().duration, 9);
    EXPECT_EQ(ScheduleDAO::formatValue({{-1, 8, 1, 12, 7, 0}, {0, 0, 0, 0, 0, -3}}), "-1,8,1,12,7,0;0,0,0,0,0,-3");
}

TEST(ScheduleDAO, SummaryAndFieldTexts)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    auto item = ScheduleDAO::itemOf({5, 8, 14, 3, -1, 600});
    EXPECT_EQ(ScheduleDAO::summaryText(*item, english), "08:05 Mar 14, ALL, 600s");
    auto wild = ScheduleDAO::itemOf({-1, -1, -1, -1, -1, 0});
    EXPECT_EQ(ScheduleDAO::summaryText(*wild, english), "ALL:ALL ALL ALL, ALL, No Limit");
    auto sunday = ScheduleDAO::itemOf({0, 23, 0, 0, 1, 1});
    EXPECT_EQ(ScheduleDAO::summaryText(*sunday, english), "23:00 ALL 0, Sun, 1s");
    auto saturday = ScheduleDAO::itemOf({0, 0, 1, 12, 7, 0});
    EXPECT_EQ(ScheduleDAO::summaryText(*saturday, english), "00:00 Dec 1, Sat, No Limit");

    const ScheduleDAO::FieldTexts texts = ScheduleDAO::fieldTexts(*item);
    EXPECT_EQ(texts.minute, "5");
    EXPECT_EQ(texts.hour, "8");
    EXPECT_EQ(texts.day, "14");
    EXPECT_EQ(texts.month, "3");
    EXPECT_EQ(texts.duration, "600");
    EXPECT_EQ(texts.weekDayChoice, 0);
    EXPECT_EQ(ScheduleDAO::entryOf(*ScheduleDAO::itemFromFieldTexts(texts)), (Entry{5, 8, 14, 3, -1, 600}));

    const ScheduleDAO::FieldTexts wildTexts = ScheduleDAO::fieldTexts(*wild);
    EXPECT_EQ(wildTexts.minute, "*");
    EXPECT_EQ(wildTexts.month, "*");
    EXPECT_EQ(ScheduleDAO::entryOf(*ScheduleDAO::itemFromFieldTexts({"", "*", " 7 ", "*", "0", 3})),
              (Entry{-1, -1, 7, -1, 3, 0}));

    const auto choices = ScheduleDAO::weekDayChoices(english);
    EXPECT_EQ(choices[0], "All");
    EXPECT_EQ(choices[1], "Sunday");
    EXPECT_EQ(choices[7], "Saturday");
}
