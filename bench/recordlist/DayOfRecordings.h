#pragma once

// The day of recordings the search and timeline benchmarks read: 10,000
// recordings in 16 camera folders. Each camera's recording is written once by
// the recording's writer (half a minute at 5 frames/s) and copied 625 times,
// closed two minutes apart from midnight on; every fourth is named as made on
// motion. The folders are in memory (/dev/shm when there is one), so the
// figures are the reader's own cost, not the disk's.
#include "HalfMinuteRecording.h"
#include "tests/control/recording/RecordingTestSupport.h"

#include <QDateTime>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace day_of_recordings {

constexpr int kCameras = 16;
constexpr int kPerCamera = 625;

inline QDateTime day()
{
    return QDateTime(QDate(2026, 3, 7), QTime(0, 0));
}

inline std::string folderOf(const recording_test::MemoryTempDir& root, int camera)
{
    return root.file("cam" + std::to_string(camera + 1));
}

inline void buildFolders(const recording_test::MemoryTempDir& root)
{
    namespace fs = std::filesystem;
    for (int c = 0; c < kCameras; ++c) {
        const std::string folder = folderOf(root, c);
        fs::create_directories(folder);
        const std::string first = folder + "/first.avi";
        writeHalfMinuteRecording(folder, first);
        for (int i = 0; i < kPerCamera; ++i) {
            const QDateTime end = day().addSecs(120 * (i + 1));
            const std::string path = folder + (i % 4 == 3 ? "/r-Cam_!1__" : "/r-Cam_!0__")
                                     + end.toString("yyyy_M_d_h_m_s").toStdString() + "_0.avi";
            fs::copy_file(first, path, fs::copy_options::overwrite_existing);
            const timespec t{end.toSecsSinceEpoch(), 0};
            const timespec times[2] = {t, t};
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
        fs::remove(first);
    }
}

} // namespace day_of_recordings
