#pragma once

// What the recording list's window tests share: the application object, a
// recording written by the recording's own writer, and a place for the
// screenshots the tests save.

#include "control/recording/AviWriter.h"
#include "tests/control/recording/RecordingTestSupport.h"
#include "support/GuiApp.h"
#include "support/TestPictures.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QWidget>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace reclist_test {

// The colour of frame k of the test recordings: every frame differs.
inline QColor frameColour(int k)
{
    return QColor::fromHsv((k * 37) % 360, 200, 100 + (k * 11) % 150);
}

// A recording of `frames` solid-colour frames of w x h at `rate` frames/s,
// with `sound` (16-bit 8 kHz mono bytes) when given, written by the
// recording's writer under `path` and dated `end` when valid.
inline void writeRecording(const std::string& path, int frames, float rate, const QDateTime& end = {},
                           const std::vector<uint8_t>& sound = {}, int width = 160, int height = 120)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    recording_test::FakeClock clock;
    strovix::recording::AviWriter writer(clock);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    for (int k = 0; k < frames; ++k)
        writer.AddFrame(strovix::test::solidPicture(width, height, frameColour(k)), folder, "r-Test_!0_", rate);
    if (!sound.empty())
        writer.AddAudio(sound);
    writer.Close(rate, path);
    if (end.isValid()) {
        const timespec t{end.toSecsSinceEpoch(), 0};
        const timespec times[2] = {t, t};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

// Saves a picture of `window` as <build>/screenshots/<name>.png; returns its path.
inline QString saveScreenshot(QWidget& window, const QString& name)
{
    const QString folder = QString::fromLocal8Bit(std::getenv("OCULON_BUILD_BIN")) + "/../screenshots";
    QDir().mkpath(folder);
    const QString file = QDir(folder).absoluteFilePath(name + ".png");
    window.grab().save(file);
    return file;
}

} // namespace reclist_test
