#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace strovix {

// One complete JPEG picture as received: FF D8 ... FF D9, its length the size.
using Frame = std::vector<uint8_t>;

// A complete picture as the control hands it on: made once by the connection
// thread and never changed afterwards, so the view and the recording share
// it without copies, on any thread.
struct Picture {
    Frame bytes;
    // When its last byte had arrived (for the latency to the screen).
    std::chrono::steady_clock::time_point arrived;
};
using PicturePtr = std::shared_ptr<const Picture>;

// The control's latest complete picture. The connection thread publishes
// each new one; the window thread takes the newest. The lock guards the
// pointer only, never the bytes.
class SharedFrame {
public:
    // Connection thread. The picture's bytes move into a new shared picture;
    // the moved-from `frame` is left empty with room for a picture of the
    // same size, so the next one is collected without growing it.
    void replace(Frame&& frame)
    {
        auto picture = std::make_shared<Picture>();
        picture->arrived = std::chrono::steady_clock::now();
        const size_t size = frame.size();
        picture->bytes = std::move(frame);
        frame = Frame();
        frame.reserve(size + size / 4);
        std::lock_guard lock(m_frameLock);
        m_latest = std::move(picture);
    }
    // Any thread: the newest picture, null before the first.
    PicturePtr latest() const
    {
        std::lock_guard lock(m_frameLock);
        return m_latest;
    }
    // Any thread: the newest picture's bytes as a copy of their own (empty
    // before the first).
    Frame copy() const
    {
        const PicturePtr p = latest();
        return p ? p->bytes : Frame();
    }

private:
    mutable std::mutex m_frameLock;
    // Guarded by m_frameLock:
    PicturePtr m_latest;
};

// Held by shared ownership so that a worker that outlives its control (see the
// stop rules of the connection thread) never reaches freed memory.
using SharedFramePtr = std::shared_ptr<SharedFrame>;

} // namespace strovix
