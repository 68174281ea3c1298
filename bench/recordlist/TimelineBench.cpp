// The "Timeline" tab of the record list window (offscreen) over a day of
// 10,000 recordings in 16 camera folders (DayOfRecordings.h): the time from
// choosing the day to the bars being known (every file's playing time read,
// as the search reads it), and the time to draw the timeline once, at two
// window sizes. Each is the median of several runs; one line per figure:
//
//   read_ms=R bars=N
//   draw_ms=D width=W height=H
#include "app/recordlist/RecListForm.h"
#include "app/recordlist/TimelinePage.h"
#include "RecordListOverADay.h"
#include "bench/LoadAverage.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace day_of_recordings;

namespace {

template <typename F>
double medianMs(int runs, F&& run)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RecordListOverADay window;
    RecListForm& form = *window.form;
    form.resize(1000, 560);
    form.show();
    form.tabs().setCurrentIndex(3);
    TimelinePage& page = form.timelinePage();
    std::printf("timeline over %d recordings in %d folders (load %s)\n", kCameras * kPerCamera, kCameras,
                loadText().c_str());
    const double readMs = medianMs(5, [&] { page.showDay(day().date()); });
    std::printf("read_ms=%.1f bars=%zu\n", readMs, page.view().bars().size());
    for (const QSize size : {QSize(1000, 450), QSize(1900, 1000)}) {
        TimelineView& view = page.view();
        view.resize(size);
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        const double drawMs = medianMs(21, [&] {
            QPainter painter(&image);
            view.render(&painter);
        });
        std::printf("draw_ms=%.2f width=%d height=%d\n", drawMs, size.width(), size.height());
    }
    std::fflush(stdout);
    return 0;
}
