#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace strovix::recording {

// What an unfinished recording tells a recovery about the pace of its frames.
// The writer keeps it in the filler of the file's head while the file is
// written (the head of a finished file overwrites it), so a file left by a
// crash is given the rate its frames really came at, not the one known when
// it was started.
struct FrameTimes {
    uint32_t firstTickMs = 0; // arrival of the first frame
    uint32_t lastTickMs = 0;  // arrival of frame number `frames`
    uint32_t frames = 0;      // frames written when lastTickMs was taken

    // (frames - 1) over the time from the first to frame `frames`, which is
    // the rate at which the frames came; nothing when fewer than two frames
    // or no time lie between them. Tick differences are taken modulo 2^32.
    std::optional<float> rate() const;
};

// Where the record lies in the head: at the start of the filler's data.
inline constexpr uint32_t kFrameTimesOffset = 386;
inline constexpr uint32_t kFrameTimesBytes = 16;

std::array<uint8_t, kFrameTimesBytes> encodeFrameTimes(const FrameTimes& times);
// Reads the record from a head; nothing when the head carries none (a file of
// an older writer, or a finished head).
std::optional<FrameTimes> decodeFrameTimes(std::span<const uint8_t> head);

} // namespace strovix::recording
