#pragma once

#include "media/audio/ImaAdpcm.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace camsim {

constexpr int kAudioRate = 8000; // samples per second, mono

// The cameras' sound: a repeating sequence of four tones (500, 1000, 750 and
// 1500 Hz, 250 ms each) with a continuous phase, so a listener or a test can
// recognise it. Not thread-safe: one per stream.
class ToneSource {
public:
    static constexpr int kToneSamples = kAudioRate / 4;
    static constexpr double kAmplitude = 12000.0;

    // The frequency playing at sample n.
    static int frequencyAt(uint64_t n);

    // Appends `count` 16-bit samples.
    void generate(size_t count, std::vector<int16_t>& out);

private:
    uint64_t m_sample = 0;
    double m_phase = 0.0; // in cycles
};

// The cameras' ADPCM: the control's own format module.
using AdpcmEncoder = media::ImaAdpcmEncoder;

} // namespace camsim
