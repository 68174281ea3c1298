#pragma once

#include <cstdint>

namespace strovix {

// Lets a follow-up request of the status blocks (the camera clock, the camera
// name) go out at most once per kIntervalMs, so a camera whose counter changes
// with every picture is not asked with every picture. A change that comes
// within the interval is not lost: the request goes out with the first status
// block after the interval, changed or not. One per kind of request, on the
// thread that reads the status blocks.
class RequestPacer {
public:
    static constexpr uint32_t kIntervalMs = 1000;

    // A status block came at `nowMs`; `changed`: it asks for the request.
    // True when the request goes out now. Tick differences are taken modulo 2^32.
    bool due(bool changed, uint32_t nowMs)
    {
        m_pending = m_pending || changed;
        if (!m_pending || (m_sent && nowMs - m_lastMs < kIntervalMs))
            return false;
        m_pending = false;
        m_sent = true;
        m_lastMs = nowMs;
        return true;
    }

private:
    bool m_pending = false;
    bool m_sent = false;
    uint32_t m_lastMs = 0;
};

} // namespace strovix
