#include "app/core/AppCfgGO.h"
#include "app/core/CameraSettingsSlot.h"
#include "app/schedule/Schedule.h"
#include "app/schedule/ScheduleItem.h"
#include "app/schedule/ScheduleItemGO.h"
#include "app/schedule/SchedulePasses.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A schedule driven by a fake clock, counting the camera's recording calls.
struct Rig {
    std::shared_ptr<Schedule> schedule = std::make_shared<Schedule>();
    QDateTime clock;
    int starts = 0;
    int stops = 0;
    std::function<void()> onYield;
    SchedulePassHooks hooks{[this] { return clock; }, [this] { ++starts; }, [this] { ++stops; },
                            [this] {
                                if (onYield)
                                    onYield();
                            }};

    void at(int year, int month, int day, int hour, int minute, int second = 0)
    {
        clock = QDateTime(QDate(year, month, day), QTime(hour, minute, second));
    }
    void later(int seconds) { clock = clock.addSecs(seconds); }
    // Minute, hour, day, month, weekday, duration.
    std::shared_ptr<ScheduleItem> add(int mi, int h, int d, int mo, int wd, int duration)
    {
        auto item = ScheduleItemGO::newScheduleItem(schedule.get());
        item->setMinute(static_cast<int16_t>(mi));
        item->setHour(static_cast<int16_t>(h));
        item->setDay(static_cast<int16_t>(d));
        item->setMonth(static_cast<int16_t>(mo));
        item->setWeekDay(static_cast<int16_t>(wd));
        item->setDuration(duration);
        return item;
    }
    void tick()
    {
        startScheduledPass(schedule, hooks);
        stopScheduledPass(schedule, hooks);
    }
};

} // namespace

TEST(ScheduleItem, FreshItemAndTimeKey)
{
    ScheduleItem item;
    EXPECT_FALSE(item.isRunning());
    EXPECT_EQ(item.getStartTime(), QDateTime(QDate(1970, 1, 1), QTime(0, 0)));
    EXPECT_EQ(ScheduleItem::timeKey(item.getStartTime()), "00000101Thu");
    // Year and seconds are not part of the key.
    item.startRunning(QDateTime(QDate(2026, 3, 4), QTime(10, 30, 5)));
    EXPECT_TRUE(item.chkRunned(QDateTime(QDate(2026, 3, 4), QTime(10, 30, 59))));
    EXPECT_FALSE(item.chkRunned(QDateTime(QDate(2026, 3, 4), QTime(10, 31, 0))));
    item.stopRunning();
    EXPECT_FALSE(item.isRunning());
    EXPECT_EQ(item.getStartTime().time(), QTime(10, 30, 5));
    EXPECT_EQ(ScheduleItem::weekDayOf(QDateTime(QDate(2026, 1, 4), QTime(0, 0))), 1); // a Sunday
    EXPECT_EQ(ScheduleItem::weekDayOf(QDateTime(QDate(2026, 1, 3), QTime(0, 0))), 7); // a Saturday
}

TEST(SchedulePasses, EmptyScheduleDoesNothing)
{
    Rig rig;
    rig.at(2026, 3, 4, 10, 30);
    rig.tick();
    EXPECT_EQ(rig.starts, 0);
    EXPECT_EQ(rig.stops, 0);
}

TEST(SchedulePasses, EveryNegativeValueIsAWildcard)
{
    Rig rig;
    rig.at(2026, 3, 4, 10, 30); // a Wednesday
    auto minusOne = rig.add(-1, 10, -1, -1, -1, 0);
    auto minusSeven = rig.add(-7, 10, -300, -1, -2, 0);
    auto wrongHour = rig.add(-1, 11, -1, -1, -1, 0);
    auto fixed = rig.add(30, 10, 4, 3, 4, 0);
    auto wrongWeekDay = rig.add(30, 10, 4, 3, 5, 0);
    rig.tick();
    EXPECT_TRUE(minusOne->isRunning());
    EXPECT_TRUE(minusSeven->isRunning());
    EXPECT_FALSE(wrongHour->isRunning());
    EXPECT_TRUE(fixed->isRunning());
    EXPECT_FALSE(wrongWeekDay->isRunning());
    EXPECT_EQ(rig.starts, 3);
    EXPECT_EQ(rig.stops, 0); // no limit: never up
}

TEST(SchedulePasses, NewYearMinuteOf2026BlocksWildcardItems)
{
    // A never-started item's start time, 1970-01-01 00:00, a Thursday, has the
    // key of 2026-01-01 00:00, also a Thursday.
    Rig rig;
    rig.at(2026, 1, 1, 0, 0, 15);
    auto allWild = rig.add(-1, -1, -1, -1, -1, 10);
    auto oneWild = rig.add(0, 0, 1, 1, -1, 10);
    auto allFixed = rig.add(0, 0, 1, 1, 5, 10);
    startScheduledPass(rig.schedule, rig.hooks);
    EXPECT_FALSE(allWild->isRunning());
    EXPECT_FALSE(oneWild->isRunning());
    EXPECT_TRUE(allFixed->isRunning());
    EXPECT_EQ(rig.starts, 1);
    // One minute later the wildcard items fire.
    rig.later(60);
    startScheduledPass(rig.schedule, rig.hooks);
    EXPECT_TRUE(allWild->isRunning());
    EXPECT_FALSE(oneWild->isRunning()); // its minute is fixed to 0
}

TEST(SchedulePasses, ShortItemStopsAtNextTickAndWaitsForTheNextMinute)
{
    Rig rig;
    rig.at(2026, 3, 4, 10, 30, 0);
    auto item = rig.add(-1, -1, -1, -1, -1, 10);
    rig.tick();
    EXPECT_TRUE(item->isRunning()); // 0 s elapsed in the same tick
    EXPECT_EQ(rig.starts, 1);
    EXPECT_EQ(rig.stops, 0);

    rig.later(30);
    rig.tick(); // started in this minute already: stopped, not fired again
    EXPECT_FALSE(item->isRunning());
    EXPECT_EQ(rig.starts, 1);
    EXPECT_EQ(rig.stops, 1);

    rig.later(30); // 10:31:00
    rig.tick();
    EXPECT_EQ(rig.starts, 2);
    EXPECT_TRUE(item->isRunning());
}

TEST(SchedulePasses, DurationBoundaries)
{
    Rig rig;
    rig.at(2026, 3, 4, 10, 30, 0);
    auto oneSecond = rig.add(30, 10, -1, -1, -1, 1);
    auto noLimit = rig.add(30, 10, -1, -1, -1, 0);
    auto negative = rig.add(30, 10, -1, -1, -1, -5);
    startScheduledPass(rig.schedule, rig.hooks);
    stopScheduledPass(rig.schedule, rig.hooks);
    EXPECT_TRUE(oneSecond->isRunning()); // elapsed 0: not up
    rig.later(1);
    stopScheduledPass(rig.schedule, rig.hooks);
    EXPECT_FALSE(oneSecond->isRunning()); // elapsed 1: up
    // Its stop call is blocked by nothing before it; the unlimited items after it stay.
    EXPECT_EQ(rig.stops, 1);
    rig.later(86400 * 40);
    stopScheduledPass(rig.schedule, rig.hooks);
    EXPECT_TRUE(noLimit->isRunning());
    EXPECT_TRUE(negative->isRunning());
    EXPECT_EQ(rig.stops, 1);
}

// Ticks that come up to 100 ms early or late never add a tick: an item
// stops at the first tick at or after its start plus its duration.
TEST(SchedulePasses, TimerJitterNeverAddsATick)
{
    for (const int tickMs : {5000, 30000}) {
        for (const int duration : {20, 30, 40}) {
            for (const int jitter : {-100, -37, 0, 13, 100}) {
                SCOPED_TRACE(testing::Message() << tickMs << " ms ticks, " << duration << " s, jitter " << jitter);
                Rig rig;
                rig.clock = QDateTime(QDate(2026, 3, 4), QTime(10, 30, 0, 40));
                auto item = rig.add(30, 10, -1, -1, -1, duration);
                const QDateTime first = rig.clock;
                rig.tick();
                ASSERT_TRUE(item->isRunning());
                // Every later tick is off its beat by an alternating jitter.
                int ticks = 0;
                while (item->isRunning() && ticks < 100) {
                    ++ticks;
                    rig.clock = first.addMSecs(qint64{ticks} * tickMs + (ticks % 2 ? jitter : -jitter));
                    stopScheduledPass(rig.schedule, rig.hooks);
                }
                const int wanted = (duration * 1000 + tickMs - 1) / tickMs;
                EXPECT_EQ(ticks, wanted);
            }
        }
    }
}

TEST(SchedulePasses, TwoRunningItemsAndTheAllFinishedFlag)
{
    {
        // The longer item first: the finished one after it calls no stopRec.
        Rig rig;
        rig.at(2026, 3, 4, 10, 0);
        auto longer = rig.add(0, 10, -1, -1, -1, 60);
        auto shorter = rig.add(0, 10, -1, -1, -1, 10);
        rig.tick();
        EXPECT_EQ(rig.starts, 2);
        rig.later(30);
        rig.tick();
        EXPECT_FALSE(shorter->isRunning());
        EXPECT_TRUE(longer->isRunning());
        EXPECT_EQ(rig.stops, 0);
        rig.later(30);
        rig.tick();
        EXPECT_FALSE(longer->isRunning());
        EXPECT_EQ(rig.stops, 1);
    }
    {
        // The shorter item first: it stops the recording; the later one
        // stops it again when its own time is up.
        Rig rig;
        rig.at(2026, 3, 4, 10, 0);
        auto shorter = rig.add(0, 10, -1, -1, -1, 10);
        auto longer = rig.add(0, 10, -1, -1, -1, 60);
        rig.tick();
        rig.later(30);
        rig.tick();
        EXPECT_EQ(rig.stops, 1);
        EXPECT_TRUE(longer->isRunning());
        rig.later(30);
        rig.tick();
        EXPECT_EQ(rig.stops, 2);
    }
}

TEST(SchedulePasses, EditsBetweenItemsOfAPass)
{
    Rig rig;
    rig.at(2026, 3, 4, 10, 0);
    auto first = rig.add(0, 10, -1, -1, -1, 10);
    auto second = rig.add(0, 10, -1, -1, -1, 10);
    auto third = rig.add(0, 10, -1, -1, -1, 10);
    std::shared_ptr<ScheduleItem> added;
    int yields = 0;
    rig.onYield = [&] {
        if (++yields == 1) {
            rig.schedule->rmvItem(2); // the second item, while the pass is between items
            added = ScheduleItemGO::newScheduleItem(rig.schedule.get());
        }
    };
    startScheduledPass(rig.schedule, rig.hooks);
    EXPECT_TRUE(first->isRunning());
    EXPECT_FALSE(second->isRunning());
    EXPECT_EQ(second->getSchedule(), nullptr);
    EXPECT_TRUE(third->isRunning());
    EXPECT_FALSE(added->isRunning()); // joined after the pass took its snapshot
    EXPECT_EQ(rig.starts, 2);
    EXPECT_EQ(yields, 3);
    ASSERT_EQ(rig.schedule->getItems().size(), 3u);
    EXPECT_EQ(rig.schedule->getItems()[1], third);

    // A running item removed during the stop pass is dropped without stopRec.
    rig.onYield = [&] {
        rig.schedule->rmvItem(2); // the third item, before the pass reaches it
        rig.onYield = nullptr;
    };
    rig.later(30);
    stopScheduledPass(rig.schedule, rig.hooks);
    EXPECT_FALSE(first->isRunning());
    EXPECT_TRUE(third->isRunning()); // gone from the schedule, never stopped
    EXPECT_EQ(rig.stops, 1);         // the first item's own stop only
}

TEST(Schedule, BindingAndItemCollection)
{
    TempDir dir;
    AppCfgGO cfg;
    cfg.initConfig(dir.path());
    dir.write("etc/config.ini", "[Camera3]\nSCHEDULE=30,8,-1,-1,-1,600;0,-1,-1,-1,1,0\n");
    {
        CameraSettingsSlot camera(2, cfg);
        auto schedule = camera.getSchedule();
        ASSERT_TRUE(schedule);
        EXPECT_EQ(schedule->getCamera(), &camera);
        EXPECT_EQ(camera.getSchedule(), schedule); // created and loaded once
        EXPECT_EQ(schedule->getItems().size(), 2u);

        // Binding another schedule from either side settles on both.
        auto other = std::make_shared<Schedule>();
        other->setCamera(&camera);
        EXPECT_EQ(camera.getSchedule(), other);
        EXPECT_EQ(schedule->getCamera(), nullptr);
        EXPECT_EQ(camera.setSchedule(nullptr), nullptr);
        EXPECT_EQ(camera.getSchedule(), other);
        EXPECT_EQ(other->setCamera(nullptr), nullptr);
        EXPECT_EQ(other->getCamera(), &camera);

        EXPECT_EQ(ScheduleItemGO::newScheduleItem(nullptr), nullptr);
        auto item = ScheduleItemGO::newScheduleItem(other.get());
        EXPECT_EQ(item->getSchedule(), other.get());
        other->rmvItem(0);
        other->rmvItem(2);
        EXPECT_EQ(other->getItems().size(), 1u);
        other->rmvItem(1);
        EXPECT_TRUE(other->getItems().empty());
        EXPECT_EQ(item->getSchedule(), nullptr);
    }
}
