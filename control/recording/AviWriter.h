#pragma once

#include "control/recording/AudioSpool.h"
#include "control/recording/FrameTimes.h"
#include "control/recording/RecordingClock.h"
#include "media/avi/AviLayout.h"

#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace strovix::recording {

class DiskFlusher;
class RecordingFile;

// Writes the camera's JPEG frames (and the decoded camera sound) as
// Motion-JPEG AVI files. One writer per control, used on its window thread.
//
// Frames go to disk as they arrive, into a hidden file in the target folder,
// and the sound into a hidden file beside it; a background worker flushes
// both at least every two seconds. At close the sound chunks and the index
// are appended, the head is written and the file is renamed to its final name. The finished file is the same, byte for byte,
// as one built whole in memory, memory does not grow with the file, and a
// crash leaves a file that the next recording in that folder finishes
// (see AviRecovery.h).
class AviWriter {
public:
    explicit AviWriter(const RecordingClock& clock = SystemRecordingClock::instance());
    // A file still open is left for recovery; call FinalClose to finish it.
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Adds one frame; `folder` and `prefix` name the "ResChange" and "End"
    // files and the folder the file is written in, `rate` (frames/s) is the
    // rate recorded with the file. Returns the frame count of the current file.
    // A frame above 614400 bytes, beyond 10000 frames in a file or beyond the
    // 32-bit size of the format is refused (lastFrameRefused). A failed write
    // is kept for takeWriteError; the frames written until then stay on disk
    // for recovery and the writer starts afresh.
    uint32_t AddFrame(std::span<const uint8_t> frame, const std::string& folder, const std::string& prefix, float rate);

    // Appends 16-bit 8 kHz mono samples; they follow the video chunks at close.
    // A failed write is kept for takeWriteError, like a failed frame.
    void AddAudio(std::span<const uint8_t> bytes);

    // Finishes the file under `fileName` (replacing an existing file).
    // Returns 0 on success (also when there are no frames: no file is written),
    // 1 when the rate is 0 (everything is kept), otherwise the system error
    // code; then the file's frames and sound stay on disk for recovery.
    int Close(float rate, const std::string& fileName);

    // The rate the recording is set to (frames/s; 0: none). A file left
    // unfinished by a crash is given the rate its frames came at; one with
    // a single frame has nothing to measure and is given this rate, or the
    // rate of its first AddFrame when none is set.
    void setConfiguredRate(float rate) { m_configuredRate = rate; }

    // At control destruction: finishes a file with frames under
    // folder/prefix + "End" + timestamp + ".avi" at the last rate. Errors are ignored.
    void FinalClose();

    bool lastFrameRefused() const { return m_lastFrameRefused; }
    uint64_t refusedFrames() const { return m_refusedFrames; }
    // The error of a failed write since the last call (0: none).
    int takeWriteError();
    uint32_t frameCount() const { return m_frames; }

private:
    void resetFile();
    int openFile(const std::string& folder, const std::string& prefix);
    int finishFile(const std::string& name);
    void fail(int error);
    int noteFrameTime(uint32_t nowMs);
    std::string namedFile(const char* marker) const;

    const RecordingClock& m_clock;
    // Kept for the writer's life, so the flush worker does not stop and start
    // with every file.
    std::shared_ptr<DiskFlusher> m_flusher;
    std::unique_ptr<RecordingFile> m_file;
    uint32_t m_width = media::kDefaultWidth;
    uint32_t m_height = media::kDefaultHeight;
    uint32_t m_frames = 0;
    float m_rate = 0.0f;
    float m_configuredRate = 0.0f;
    // The frame times kept in the head for a recovery, and when they were
    // last written there.
    FrameTimes m_times;
    std::string m_folder;
    std::string m_prefix;
    uint64_t m_writePos = media::kAviHeadSize;
    // (offset from "movi", size) per video chunk; room for 10000 allocated once.
    std::vector<std::pair<uint32_t, uint32_t>> m_videoIndex;
    AudioSpool m_audio;
    int m_writeError = 0;
    bool m_lastFrameRefused = false;
    uint64_t m_refusedFrames = 0;
    std::set<std::string> m_recoveredFolders;
};

} // namespace strovix::recording
