#include "app/host/ViewerStatisticsReport.h"

#include <filesystem>

#include "platform/component/Hosting.h"

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace platform::component;

ViewerStatisticsReport::ViewerStatisticsReport(ViewerGO& viewers, int intervalMs, std::ostream& out)
    : m_viewers(viewers), m_out(out)
{
    m_clock.start();
    m_timer.setInterval(intervalMs);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { report(); });
    m_timer.start();
}

int64_t ViewerStatisticsReport::picturesShown(const ViewerGO::Viewers& viewers)
{
    int64_t total = 0;
    for (const ViewerHandle& viewer : viewers) {
        if (!viewer.isBound())
            continue;
        ComPtr<ViewStatistics> stats;
        if (viewer.dispatch()->queryInterface(ViewStatistics::iid, stats.put()) == S_OK && stats)
            total += stats->picturesShown();
    }
    return total;
}

std::vector<float> ViewerStatisticsReport::takeLatencies(const ViewerGO::Viewers& viewers)
{
    std::vector<float> ms;
    for (const ViewerHandle& viewer : viewers) {
        if (!viewer.isBound())
            continue;
        ComPtr<ViewStatistics> stats;
        if (viewer.dispatch()->queryInterface(ViewStatistics::iid, stats.put()) == S_OK && stats)
            stats->takeLatencies(ms);
    }
    return ms;
}

std::string ViewerStatisticsReport::latencyText(std::vector<float>& ms)
{
    if (ms.empty())
        return "latency median - ms p95 - ms";
    // The sample at rank ceil(q * n), counted from 1: the smallest value that
    // at least that share of the samples does not exceed.
    auto quantile = [&ms](double q) {
        const size_t rank = std::max<size_t>(1, size_t(std::ceil(q * double(ms.size()))));
        std::nth_element(ms.begin(), ms.begin() + long(rank - 1), ms.end());
        return ms[rank - 1];
    };
    const float median = quantile(0.5);
    const float p95 = quantile(0.95);
    char text[80];
    std::snprintf(text, sizeof text, "latency median %.1f ms p95 %.1f ms", double(median), double(p95));
    return text;
}

double ViewerStatisticsReport::processCpuSeconds()
{
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

double ViewerStatisticsReport::threadCpuSeconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

int ViewerStatisticsReport::entriesIn(const char* folder)
{
    std::error_code ec;
    int count = 0;
    for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec))
        ++count;
    return count;
}

void ViewerStatisticsReport::report()
{
    char line[200];
    const ViewerGO::Viewers& viewers = m_viewers.getViewers();
    std::vector<float> latencies = takeLatencies(viewers);
    // The descriptor count leaves out the one that lists them.
    std::snprintf(line, sizeof line,
                  "statistics: %.3f s, %lld pictures shown, %.3f s CPU, %.3f s GUI thread CPU, %d descriptors, %d threads, ",
                  double(m_clock.nsecsElapsed()) / 1e9, static_cast<long long>(picturesShown(viewers)),
                  processCpuSeconds(), threadCpuSeconds(), entriesIn("/proc/self/fd") - 1, entriesIn("/proc/self/task"));
    m_out << line << latencyText(latencies) << '\n' << std::flush;
}
