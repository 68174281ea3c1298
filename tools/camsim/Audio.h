#pragma once

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

// IMA/DVI ADPCM encoder with the standard index and step tables: two 4-bit
// codes a byte, the first sample in the high nibble, no block headers; the
// predicted sample and step index carry on from call to call. Not
// thread-safe: one per stream.
class AdpcmEncoder {
public:
    // Encodes an even number of samples into count / 2 bytes (an odd last
    // sample is held back and encoded with the next call).
    void encode(const int16_t* samples, size_t count, std::vector<uint8_t>& out);

    int predicted() const { return m_predicted; }
    int index() const { return m_index; }

private:
    uint8_t encodeSample(int sample);

    int m_predicted = 0;
    int m_index = 0;
    bool m_hasHeld = false;
    int16_t m_held = 0;
};

extern const int kAdpcmIndexTable[16];
extern const int kAdpcmStepTable[89];

} // namespace camsim
