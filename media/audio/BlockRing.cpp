#include "media/audio/AudioOutput.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace media {

BlockRing::BlockRing()
    : m_samples(static_cast<size_t>(kRingBlocks) * kBlockSamples, 0)
{
    std::fill(std::begin(m_free), std::end(m_free), true);
}

bool BlockRing::waitFree(int index, const std::atomic<int>& stop)
{
    std::unique_lock lock(m_lock);
    while (!m_free[index]) {
        if (stop.load())
            return false;
        m_freed.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
}

bool BlockRing::queue(int index, const int16_t* samples)
{
    std::lock_guard lock(m_lock);
    if (index < 0 || index >= kRingBlocks || !m_free[index] || m_count == kRingBlocks)
        return false;
    std::memcpy(&m_samples[static_cast<size_t>(index) * kBlockSamples], samples, kBlockSamples * sizeof(int16_t));
    m_free[index] = false;
    m_order[(m_head + m_count) % kRingBlocks] = index;
    ++m_count;
    return true;
}

void BlockRing::reset()
{
    {
        std::lock_guard lock(m_lock);
        std::fill(std::begin(m_free), std::end(m_free), true);
        m_head = 0;
        m_count = 0;
    }
    m_freed.notify_all();
}

bool BlockRing::take(int16_t* out)
{
    {
        std::lock_guard lock(m_lock);
        if (m_count == 0) {
            std::memset(out, 0, kBlockSamples * sizeof(int16_t));
            return false;
        }
        const int index = m_order[m_head];
        m_head = (m_head + 1) % kRingBlocks;
        --m_count;
        std::memcpy(out, &m_samples[static_cast<size_t>(index) * kBlockSamples], kBlockSamples * sizeof(int16_t));
        m_free[index] = true;
    }
    m_freed.notify_all();
    return true;
}

} // namespace media
