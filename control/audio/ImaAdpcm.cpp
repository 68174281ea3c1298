#include "control/audio/ImaAdpcm.h"

#include <algorithm>

namespace strovix {

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

} // namespace strovix
