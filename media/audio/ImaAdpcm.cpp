#include "media/audio/ImaAdpcm.h"

#include <algorithm>

namespace media {

const int kImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

const int kImaStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

int16_t ImaAdpcmDecoder::decodeNibble(uint8_t code)
{
    const int step = kImaStepTable[m_index];
    m_index = std::clamp(m_index + kImaIndexTable[code & 0x0F], 0, 88);
    int diff = step >> 3;
    if (code & 4)
        diff += step;
    if (code & 2)
        diff += step >> 1;
    if (code & 1)
        diff += step >> 2;
    m_predicted = std::clamp((code & 8) ? m_predicted - diff : m_predicted + diff, -32768, 32767);
    return static_cast<int16_t>(m_predicted);
}

void ImaAdpcmDecoder::decode(const uint8_t* in, size_t size, int16_t* out)
{
    for (size_t i = 0; i < size; ++i) {
        *out++ = decodeNibble(in[i] >> 4);
        *out++ = decodeNibble(in[i] & 0x0F);
    }
}

uint8_t ImaAdpcmEncoder::encodeSample(int sample)
{
    int step = kImaStepTable[m_index];
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
    m_predicted = std::clamp((code & 8) ? m_predicted - rebuilt : m_predicted + rebuilt, -32768, 32767);
    m_index = std::clamp(m_index + kImaIndexTable[code], 0, 88);
    return code;
}

void ImaAdpcmEncoder::encode(const int16_t* samples, size_t count, std::vector<uint8_t>& out)
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

} // namespace media
