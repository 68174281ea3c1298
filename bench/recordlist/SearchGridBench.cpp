// The whole search through the real "Video Search" tab of the record list
// window (offscreen): 10,000 recordings in 16 camera folders, searched for
// windows that match about 10, 1,000 and 10,000 of them, each timed from the
// Search command to the grid filled, against a plain walk of the same folders
// that lists the files and reads their times, in the same run. One line per
// case:
//
//   matches=N files=10000 shown_ms=T walk_ms=W
//
// The recordings are those of DayOfRecordings.h.
#include "app/recordlist/RecListForm.h"
#include "app/recordlist/RecListNames.h"
#include "app/recordlist/VideoSearchPage.h"
#include "RecordListOverADay.h"
#include "tests/control/recording/RecordingTestSupport.h"
#include "bench/LoadAverage.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableWidget>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using namespace day_of_recordings;
const QDateTime kDay = day();

double walkMs(const recording_test::MemoryTempDir& root)
{
    QElapsedTimer clock;
    clock.start();
    volatile long seen = 0; // the times read, kept so the walk is not optimised away
    for (int c = 0; c < kCameras; ++c)
        for (const auto& entry : fs::directory_iterator(root.file("cam" + std::to_string(c + 1)))) {
            struct stat st {};
            ::stat(entry.path().c_str(), &st);
            seen = seen + st.st_mtim.tv_sec;
        }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RecordListOverADay window;
    const recording_test::MemoryTempDir& root = window.root;
    RecListForm& form = *window.form;
    form.show();
    form.tabs().setCurrentIndex(2);
    const auto field = [&](const char* name) { return form.findChild<QLineEdit*>(QString::fromLatin1(name)); };
    const auto choice = [&](const char* name) { return form.findChild<QComboBox*>(QString::fromLatin1(name)); };
    auto* grid = form.findChild<QTableWidget*>(QString::fromLatin1(RecListNames::kDataMSFGrid));

    std::printf("search grid over %d recordings in %d folders (load %s)\n", kCameras * kPerCamera, kCameras,
                loadText().c_str());
    // Windows of the day: a minute (about 10 matches), two hours and a half
    // (about 1,000) and the whole day (all 10,000).
    struct Window {
        int hour, minute, hour2, minute2;
    };
    for (const Window w : {Window{10, 0, 10, 1}, Window{10, 0, 12, 30}, Window{0, 0, 23, 59}}) {
        field(RecListNames::kCamNo)->setText("*");
        field(RecListNames::kSeleFTxt)->setText(kDay.date().toString("yyyy-MM-dd"));
        field(RecListNames::kSelectETxt)->setText(kDay.date().toString("yyyy-MM-dd"));
        choice(RecListNames::kHourTxtCbo)->setCurrentIndex(w.hour);
        choice(RecListNames::kMinTxtCbo)->setCurrentIndex(w.minute);
        choice(RecListNames::kHourTxt2Cbo)->setCurrentIndex(w.hour2);
        choice(RecListNames::kMinTxt2Cbo)->setCurrentIndex(w.minute2);
        QElapsedTimer clock;
        clock.start();
        form.searchPage().search();
        QApplication::processEvents(); // the grid on screen
        const double shown = double(clock.nsecsElapsed()) / 1e6;
        std::printf("matches=%d files=%d shown_ms=%.0f walk_ms=%.1f\n", grid->rowCount(), kCameras * kPerCamera, shown,
                    walkMs(root));
        std::fflush(stdout);
    }
    return 0;
}
