#pragma once

#include "app/core/ViewerGO.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// Writes one line at every interval to `out` with what the viewers showed
// and what the whole process spent so far, for measuring the program from
// outside (the live benchmark reads it):
//
//   statistics: 12.004 s, 2880 pictures shown, 5.431 s CPU, 3.925 s GUI thread CPU, 52 descriptors, 40 threads,
//   latency median 4.1 ms p95 9.8 ms
//
// Seconds since the report started, the pictures shown by all viewers (the
// controls' own counters, read through the component layer; viewers without
// that counter count 0), the process's user and system CPU time and that of
// the GUI thread alone, the open descriptors and the threads of the
// process, all taken at the same moment on the GUI thread; then the median
// and the 95th percentile, over the pictures painted since the last line, of
// the time from the arrival of a picture's last byte to its first paint
// ("latency median - ms p95 - ms" when none was painted). GUI thread only.
class ViewerStatisticsReport {
public:
    ViewerStatisticsReport(ViewerGO& viewers, int intervalMs, std::ostream& out);
    ViewerStatisticsReport(const ViewerStatisticsReport&) = delete;
    ViewerStatisticsReport& operator=(const ViewerStatisticsReport&) = delete;

    // The pictures shown so far by every bound viewer of `viewers`.
    static int64_t picturesShown(const ViewerGO::Viewers& viewers);
    // The latencies the bound viewers gathered since the last call.
    static std::vector<float> takeLatencies(const ViewerGO::Viewers& viewers);
    // User plus system CPU seconds of the whole process, and of the calling
    // thread.
    static double processCpuSeconds();
    static double threadCpuSeconds();
    // The part of the line for these latencies (taken apart by the call).
    static std::string latencyText(std::vector<float>& ms);

private:
    void report();
    // Entries of a /proc folder (descriptors, threads).
    static int entriesIn(const char* folder);

    ViewerGO& m_viewers;
    std::ostream& m_out;
    QTimer m_timer;
    QElapsedTimer m_clock;
};
