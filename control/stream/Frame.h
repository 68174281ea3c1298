#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace strovix {

// One complete JPEG picture as received: FF D8 ... FF D9, its length the size.
using Frame = std::vector<uint8_t>;

// The control's latest complete picture. The connection thread replaces it
// whole; the window thread (display, recording) copies it. Both under the
// frame lock, which is held for nothing else.
class SharedFrame {
public:
    // Connection thread.
    void replace(Frame&& frame)
    {
        std::lock_guard lock(m_frameLock);
        m_frame.swap(frame);
    }
    // Any thread: a copy taken under the frame lock.
    Frame copy() const
    {
        std::lock_guard lock(m_frameLock);
        return m_frame;
    }

private:
    mutable std::mutex m_frameLock;
    // Guarded by m_frameLock:
    Frame m_frame;
};

// Held by shared ownership so that a worker that outlives its control (see the
// stop rules of the connection thread) never reaches freed memory.
using SharedFramePtr = std::shared_ptr<SharedFrame>;

} // namespace strovix
