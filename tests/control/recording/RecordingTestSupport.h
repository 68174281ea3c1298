#pragma once

#include "control/recording/RecordingClock.h"
#include "control/recording/RecordingHost.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace recording_test {

using Bytes = std::vector<uint8_t>;

// A real baseline colour JPEG of w x h, padded with a comment segment to
// exactly `totalSize` bytes (0: as encoded).
Bytes makeJpeg(int width, int height, size_t totalSize = 0, int shade = 128);

Bytes readFile(const std::string& path);
uint32_t u32(const Bytes& b, size_t offset);
std::string fourcc(const Bytes& b, size_t offset);
// Names (not paths) of the files in a folder, hidden ones included, sorted.
std::vector<std::string> filesIn(const std::string& folder);
std::vector<std::string> filesEndingWith(const std::string& folder, const std::string& suffix);

// A temporary folder in memory (/dev/shm) when there is one, for tests that
// write thousands of small files; removed with its contents.
class MemoryTempDir {
public:
    MemoryTempDir();
    ~MemoryTempDir();
    MemoryTempDir(const MemoryTempDir&) = delete;
    MemoryTempDir& operator=(const MemoryTempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// What an independent reader (ffprobe) finds in a file.
struct Probe {
    std::string videoCodec;
    int width = 0;
    int height = 0;
    long headerFrames = -1; // nb_frames
    long readFrames = -1;   // nb_read_frames (decoded)
    std::string frameRate;  // r_frame_rate, e.g. "6/1"
    std::string audioCodec;
    int sampleRate = 0;
    int channels = 0;
    double duration = 0; // container duration in seconds
    double audioDuration = 0; // seconds of sound decoded
};
bool ffprobeAvailable();
// Nothing when ffprobe failed to read the file.
std::optional<Probe> probe(const std::string& path);

// A clock the test moves by hand.
class FakeClock : public strovix::recording::RecordingClock {
public:
    uint32_t tickMs() const override { return tick; }
    strovix::recording::LocalTime localNow() const override
    {
        // Every file name differs: the millisecond moves on at each reading.
        auto t = time;
        t.millisecond = static_cast<int>(m_reads++ % 1000);
        t.second = static_cast<int>((m_reads / 1000) % 60);
        return t;
    }
    uint32_t tick = 1000;
    strovix::recording::LocalTime time{2026, 3, 7, 9, 5, 0, 0};

private:
    mutable long m_reads = 0;
};

// Captures everything the recorder shows.
class CaptureHost : public strovix::recording::RecordingHost {
public:
    void showRecordingText(const std::string& text) override { texts.push_back(text); }
    void showRecordingIcon(int iconId) override { paneIcon = iconId; }
    void setIndicator(int slot, int iconId) override { indicator[slot] = iconId; }
    void setRecordMenuText(const std::string& text) override { recordMenu = text; }
    void setSaveJpegMenuText(const std::string& text) override { jpegMenu = text; }
    void setSaveAviMenuText(const std::string& text) override { aviMenu = text; }
    void postRecordingError() override { ++errorsPosted; }

    std::string lastText() const { return texts.empty() ? std::string() : texts.back(); }

    std::vector<std::string> texts;
    int paneIcon = 0;
    int indicator[2] = {0, 0};
    std::string recordMenu;
    std::string jpegMenu;
    std::string aviMenu;
    int errorsPosted = 0;
};

} // namespace recording_test
