#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace media {

// The part of a recording to export, [from, to) in seconds from its start:
// the frames shown at or after `from` and before `to`. Nothing: from the
// start, to the end.
struct ExportSpan {
    std::optional<double> from;
    std::optional<double> to;
};

// What an export and the one watching it share: the frames done of the
// total, and the request to stop. Any thread; the export writes done and
// total, anyone may call cancel.
class ExportProgress {
public:
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }
    uint32_t done() const { return m_done.load(std::memory_order_relaxed); }
    // 0 until the export knows how many frames the span has.
    uint32_t total() const { return m_total.load(std::memory_order_relaxed); }

    void setTotal(uint32_t total) { m_total.store(total, std::memory_order_relaxed); }
    void setDone(uint32_t done) { m_done.store(done, std::memory_order_relaxed); }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<uint32_t> m_done{0};
    std::atomic<uint32_t> m_total{0};
};

struct ExportResult {
    bool ok = false;
    // When not ok: one sentence for the operator saying why.
    std::string error;
    uint32_t frames = 0; // pictures written
    bool sound = false;  // the file has a sound track
};

// Writes `span` of the Motion-JPEG AVI recording `source` as the MP4 file
// `target`: H.264 video (libx264, preset veryfast, its default quality,
// yuv420p) at the recording's frame rate, one picture for every frame of the
// span, the size rounded down to even numbers (the last column or row goes);
// AAC sound when the recording has sound, at its own sample rate when AAC
// has that rate (48 kHz otherwise); the index at the front of the file.
//
// A frame that cannot be read or decoded repeats the picture before it (the
// first good picture of the span, for frames before it); a span without a
// single good picture is refused.
//
// The file is written as a hidden temporary file in the target's folder and
// renamed to `target` (replacing a file of that name) only when it is
// complete; a failure or a cancel removes it, so nothing is left behind.
// The source itself is never written. Blocking: run it off the window
// thread, with `progress` (may be null) to follow and cancel it.
ExportResult exportToMp4(const std::string& source, const std::string& target, const ExportSpan& span = {},
                         ExportProgress* progress = nullptr);

// The message of a cancelled export.
inline constexpr char kExportCancelled[] = "The export was cancelled.";

} // namespace media
