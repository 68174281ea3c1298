#include "tools/camsim/Audio.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace camsim {

const int kAdpcmIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

const int kAdpcmStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

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

uint8_t AdpcmEncoder::encodeSample(int sample)
{
    int step = kAdpcmStepTable[m_index];
    int diff = sample - m_predicted;
    uint8_t code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    // The difference the decoder will rebuild: step/8 plus the parts chosen.
    int rebuilt = step >> 3;
    if (diff >= step) {
        code |= 4;
        diff -= step;
        rebuilt += step;
    }
    step >>= 1;
    if (diff >= step) {
        code |= 2;
        diff -= step;
        rebuilt += step;
    }
    step >>= 1;
    if (diff >= step) {
        code |= 1;
        rebuilt += step;
    }
    m_predicted += (code & 8) ? -rebuilt : rebuilt;
    m_predicted = std::clamp(m_predicted, -32768, 32767);
    m_index = std::clamp(m_index + kAdpcmIndexTable[code], 0, 88);
    return code;
}

void AdpcmEncoder::encode(const int16_t* samples, size_t count, std::vector<uint8_t>& out)
{
    size_t i = 0;
    if (m_hasHeld && count > 0) {
        const uint8_t hi = encodeSample(m_held);
        const uint8_t lo = encodeSample(samples[0]);
        out.push_back(static_cast<uint8_t>(hi << 4 | lo));
        m_hasHeld = false;
        i = 1;
    }
    for (; i + 1 < count; i += 2) {
        const uint8_t hi = encodeSample(samples[i]);
        const uint8_t lo = encodeSample(samples[i + 1]);
        out.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    if (i < count) {
        m_held = samples[i];
        m_hasHeld = true;
    }
}

} // namespace camsim
