#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace media {

// IMA/DVI ADPCM as the cameras send it: two 4-bit codes a byte, the high
// nibble first, no block headers; the predicted sample and the step index
// carry on from one block to the next (and across reconnections within one
// audio thread), so one decoder lives as long as the thread.
class ImaAdpcmDecoder {
public:
    // Decodes `size` bytes into 2 × size samples at `out`.
    void decode(const uint8_t* in, size_t size, int16_t* out);
    // One 4-bit code.
    int16_t decodeNibble(uint8_t code);

    void reset()
    {
        m_predicted = 0;
        m_index = 0;
    }
    int predicted() const { return m_predicted; }
    int index() const { return m_index; }

private:
    int m_predicted = 0; // -32768..32767
    int m_index = 0;     // 0..88
};

// The encoder for the same format (the camera simulator and tests): codes
// chosen so that the decoder above rebuilds the closest sample; state
// carries on from call to call. Not thread-safe: one per stream.
class ImaAdpcmEncoder {
public:
    // Appends count / 2 bytes to `out`. An odd last sample is held back and
    // encoded with the next call.
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

// The standard tables.
extern const int kImaIndexTable[16];
extern const int kImaStepTable[89];

} // namespace media
