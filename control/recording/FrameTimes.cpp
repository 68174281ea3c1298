#include "control/recording/FrameTimes.h"

#include "media/avi/AviLayout.h"

#include <cstring>

namespace strovix::recording {
namespace {

constexpr char kMagic[4] = {'o', 't', 'i', 'm'};

} // namespace

std::optional<float> FrameTimes::rate() const
{
    const uint32_t spanMs = lastTickMs - firstTickMs;
    if (frames < 2 || spanMs == 0)
        return std::nullopt;
    return static_cast<float>(static_cast<double>(frames - 1) * 1000.0 / spanMs);
}

std::array<uint8_t, kFrameTimesBytes> encodeFrameTimes(const FrameTimes& times)
{
    std::array<uint8_t, kFrameTimesBytes> out{};
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    media::putU32(out.data() + 4, times.firstTickMs);
    media::putU32(out.data() + 8, times.lastTickMs);
    media::putU32(out.data() + 12, times.frames);
    return out;
}

std::optional<FrameTimes> decodeFrameTimes(std::span<const uint8_t> head)
{
    if (head.size() < kFrameTimesOffset + kFrameTimesBytes)
        return std::nullopt;
    const uint8_t* at = head.data() + kFrameTimesOffset;
    if (std::memcmp(at, kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    FrameTimes times;
    times.firstTickMs = media::getU32(at + 4);
    times.lastTickMs = media::getU32(at + 8);
    times.frames = media::getU32(at + 12);
    return times;
}

} // namespace strovix::recording
