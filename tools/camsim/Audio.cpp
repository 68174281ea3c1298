#include "tools/camsim/Audio.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace camsim {

int ToneSource::frequencyAt(uint64_t n)
{
    static constexpr int kTones[] = {500, 1000, 750, 1500};
    return kTones[(n / kToneSamples) % 4];
}

void ToneSource::generate(size_t count, std::vector<int16_t>& out)
{
    for (size_t i = 0; i < count; ++i) {
        const double value = kAmplitude * std::sin(2.0 * std::numbers::pi * m_phase);
        out.push_back(static_cast<int16_t>(std::lround(value)));
        m_phase += double(frequencyAt(m_sample)) / kAudioRate;
        m_phase -= std::floor(m_phase);
        ++m_sample;
    }
}

} // namespace camsim
