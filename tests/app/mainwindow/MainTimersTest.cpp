// The main window's clock and watch timers, and the viewer grid as the
// surface of the viewer layouts.
#include "../storage/FakeVolumes.h"

#include "app/core/AppCfgGO.h"
#include "app/core/LayoutGO.h"
#include "app/core/ViewerLayout.h"
#include "app/mainwindow/MainTimers.h"
#include "app/mainwindow/ViewerGrid.h"
#include "app/storage/DiskFO.h"
#include "app/storage/DiskWatch.h"
#include "app/storage/FileExtGO.h"
#include "support/EventWait.h"
#include "support/GuiApp.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLocale>
#include <QMetaObject>
#include <QScreen>
#include <gtest/gtest.h>

#include <fstream>
#include <utility>

#include <vector>

namespace {

// A disk check on fake volumes whose alert lines the test reads.
struct Disk {
    TempDir dir;
    AppCfgGO cfg;
    FakeVolumes volumes;
    DiskFO disk{cfg, volumes, nullptr};
    FileExtGO files{cfg, disk};
    std::vector<std::string> lines;
    DiskWatch watch{disk, files, [this](const std::string& line) { lines.push_back(line); }};
};

// Timers whose own intervals never fire during a test: ticks are run by hand.
MainTimers::Pace handDriven()
{
    return {3600000, 3600000, {}};
}

TEST(MainTimers, AWatchTickNeverRunsInsideAnotherAndVisitsEverySlotInOrder)
{
    guiApp();
    Disk disk;
    std::vector<int> visited;
    int depth = 0;
    int deepest = 0;
    MainTimers* timers = nullptr;
    SlotDuties duties;
    duties.schedulePasses = [&](int16_t slot) {
        deepest = std::max(deepest, ++depth);
        visited.push_back(slot);
        // A second tick arrives while this one lets events run.
        if (slot == 3)
            QMetaObject::invokeMethod(timers, &MainTimers::watchTick, Qt::QueuedConnection);
    };
    duties.requestTime = [&](int16_t) { --depth; };
    duties.processPendingEvents = [] { QApplication::processEvents(); };
    MainTimers made(nullptr, duties, disk.watch, handDriven());
    timers = &made;

    made.watchTick();
    QApplication::processEvents();
    EXPECT_EQ(deepest, 1);
    ASSERT_EQ(visited.size(), 16u);
    for (int slot = 0; slot < 16; ++slot)
        EXPECT_EQ(visited[size_t(slot)], slot);
    EXPECT_FALSE(made.watchTickRunning());

    // A tick after the dropped one runs again in full.
    made.watchTick();
    EXPECT_EQ(visited.size(), 32u);
}

TEST(MainTimers, AShutDownFromInsideATickEndsItAfterThatSlot)
{
    guiApp();
    Disk disk;
    std::vector<int> visited;
    MainTimers* timers = nullptr;
    SlotDuties duties;
    duties.schedulePasses = [&](int16_t slot) { visited.push_back(slot); };
    // The exit button is handled while slot 5 lets events run.
    duties.processPendingEvents = [&] {
        if (visited.back() == 5)
            timers->stop();
    };
    MainTimers made(nullptr, duties, disk.watch, handDriven());
    timers = &made;
    made.watchTick();
    EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    made.watchTick();
    EXPECT_EQ(visited.size(), 6u);
    EXPECT_FALSE(made.watchTickRunning());
}

TEST(MainTimers, OnlyTheFocusedSlotHasItsRecordButtonRefreshed)
{
    guiApp();
    Disk disk;
    std::vector<int16_t> refreshed;
    SlotDuties duties;
    duties.focusedUid = [] { return int16_t{9}; };
    duties.updateRecBtn = [&](int16_t slot) { refreshed.push_back(slot); };
    MainTimers timers(nullptr, duties, disk.watch, handDriven());
    timers.watchTick();
    EXPECT_EQ(refreshed, std::vector<int16_t>{9});
}

TEST(MainTimers, TheClockLabelFollowsTheClockInTheUsersFormat)
{
    guiApp();
    Disk disk;
    // The locale's date order, always a four-digit year, always seconds.
    const std::pair<const char*, const char*> locales[] = {
        {"en_US", "3/4/2026 05:06:07"}, {"de_DE", "04.03.2026 05:06:07"}, {"C", "4 Mar 2026 05:06:07"}};
    const QLocale before;
    for (const auto& [name, text] : locales) {
        SCOPED_TRACE(name);
        QLocale::setDefault(QLocale(name));
        QLabel clockLbl;
        QDateTime shown(QDate(2026, 3, 4), QTime(5, 6, 7));
        MainTimers::Pace pace{20, 3600000, [&] { return shown; }};
        MainTimers timers(&clockLbl, {}, disk.watch, pace);
        ASSERT_TRUE(pumpUntil([&] { return clockLbl.text() == text; })) << clockLbl.text().toStdString();
        EXPECT_EQ(DiskWatch::alertLineText(shown, "/data/"), std::string(text) + " The disk space is not enough in /data/");
        // A second later the clock has moved.
        shown = shown.addSecs(1);
        EXPECT_TRUE(pumpUntil([&] { return clockLbl.text().endsWith("05:06:08"); })) << clockLbl.text().toStdString();
    }
    QLocale::setDefault(before);
}

TEST(MainTimers, TheDiskThrottleAddsItsLineAtTheTickAfterTheCounterReached600)
{
    guiApp();
    Disk disk;
    disk.cfg.setCircularMode(1); // short space recycles; only the throttle adds lines
    // Short for the watch's own look, enough again when the clean-up looks:
    // a recording of ours is there, so no check adds a line of its own.
    int looks = 0;
    disk.volumes.onFigures = [&](const std::string&) {
        return VolumeFigures{uint64_t{100} << 20, (++looks % 2 ? uint64_t{2} : uint64_t{90}) << 20};
    };
    std::ofstream(disk.dir.file("r-Cam_!0__2026_5_6_7_8_9_0.avi")) << "x";
    std::vector<int16_t> checkedSlots;
    SlotDuties duties;
    // Only slot 6 records, so one check per tick.
    duties.isRecording = [](int16_t slot) { return slot == 6; };
    duties.recPath = [&](int16_t slot) {
        checkedSlots.push_back(slot);
        return disk.dir.path();
    };
    MainTimers timers(nullptr, duties, disk.watch, handDriven());

    for (int tick = 1; tick <= 600; ++tick)
        timers.watchTick();
    EXPECT_TRUE(disk.lines.empty());
    EXPECT_EQ(disk.watch.throttleCount(), 600);
    EXPECT_EQ(checkedSlots, std::vector<int16_t>(600, 6));

    timers.watchTick();
    ASSERT_EQ(disk.lines.size(), 1u);
    EXPECT_NE(disk.lines[0].find("The disk space is not enough in"), std::string::npos);
    EXPECT_EQ(disk.watch.throttleCount(), 0);
}

TEST(MainTimers, TheWatchTimerRunsTicksByItself)
{
    guiApp();
    Disk disk;
    int ticks = 0;
    SlotDuties duties;
    duties.schedulePasses = [&](int16_t slot) { ticks += slot == 0; };
    MainTimers timers(nullptr, duties, disk.watch, {3600000, 10, {}});
    EXPECT_TRUE(pumpUntil([&] { return ticks >= 3; }));
}

TEST(ViewerGridLayout, TwoByTwoAroundSlot14ShowsSlots12To15InTheFourCells)
{
    guiApp();
    ScreenMetrics screen;
    ViewerGrid grid(screen);
    grid.resize(1200, 900);
    grid.show();
    LayoutGO layouts;
    layouts.setViewerLayout(makeViewerLayout(4))->layout(14, grid);

    for (int index = 0; index < 16; ++index)
        EXPECT_EQ(grid.cell(index)->isVisibleTo(&grid), index >= 12) << index;
    const QRect a = grid.cell(12)->geometry();
    const QRect b = grid.cell(13)->geometry();
    const QRect c = grid.cell(14)->geometry();
    const QRect d = grid.cell(15)->geometry();
    // 12 13 / 14 15, touching, all of one size.
    EXPECT_EQ(b.left(), a.right() + 1);
    EXPECT_EQ(b.top(), a.top());
    EXPECT_EQ(c.top(), a.bottom() + 1);
    EXPECT_EQ(c.left(), a.left());
    EXPECT_EQ(d.topLeft(), QPoint(b.left(), c.top()));
    EXPECT_EQ(a.size(), d.size());
    // The cells are the layout's twips through the screen's logical dpi.
    const auto places = makeViewerLayout(4)->arrange(14, grid.screenSize());
    const double dpiX = QApplication::primaryScreen()->logicalDotsPerInchX();
    const double dpiY = QApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(a, pixelRectFromTwips(*places[12], dpiX, dpiY));

    // Going back to 4x4 shows them all again.
    layouts.switchViewerLayout(16, 14, grid);
    for (int index = 0; index < 16; ++index)
        EXPECT_TRUE(grid.cell(index)->isVisibleTo(&grid)) << index;
    EXPECT_LT(grid.cell(0)->geometry().right(), grid.cell(1)->geometry().left());
}

} // namespace
