#include "media/audio/AudioOutput.h"

#include <chrono>
#include <thread>

namespace media {

bool CapturingOutput::open()
{
    std::lock_guard lock(m_lock);
    if (m_failOpen)
        return false;
    ++m_opens;
    return true;
}

bool CapturingOutput::waitFree(int, const std::atomic<int>& stop)
{
    return !stop.load();
}

bool CapturingOutput::queue(int, const int16_t* samples)
{
    std::lock_guard lock(m_lock);
    m_samples.insert(m_samples.end(), samples, samples + kBlockSamples);
    return true;
}

void CapturingOutput::close() {}

std::vector<int16_t> CapturingOutput::samples() const
{
    std::lock_guard lock(m_lock);
    return m_samples;
}

int CapturingOutput::openCount() const
{
    std::lock_guard lock(m_lock);
    return m_opens;
}

void CapturingOutput::failOpen(bool fail)
{
    std::lock_guard lock(m_lock);
    m_failOpen = fail;
}

namespace {
long long nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

bool NullOutput::open()
{
    m_playedUntilUs = nowUs();
    return true;
}

bool NullOutput::waitFree(int, const std::atomic<int>& stop)
{
    // Keep at most a ring's worth of sound "queued", like a real device.
    constexpr long long ringUs = 1000000LL * kRingBlocks * kBlockSamples / kSampleRate;
    while (m_playedUntilUs - nowUs() > ringUs) {
        if (stop.load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    return !stop.load();
}

bool NullOutput::queue(int, const int16_t*)
{
    constexpr long long blockUs = 1000000LL * kBlockSamples / kSampleRate;
    m_playedUntilUs = std::max(m_playedUntilUs, nowUs()) + blockUs;
    return true;
}

void NullOutput::close() {}

} // namespace media
