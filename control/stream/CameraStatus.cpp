#include "control/stream/CameraStatus.h"

namespace strovix {
namespace {

int digits(std::string_view b, size_t from, size_t count)
{
    int v = 0;
    for (size_t i = 0; i < count; ++i)
        v = v * 10 + (b[from + i] - '0');
    return v;
}

std::string withoutLeadingZeros(std::string_view s)
{
    const size_t first = s.find_first_not_of('0');
    return first == std::string_view::npos ? std::string("0") : std::string(s.substr(first));
}

} // namespace

void CameraStatus::update(std::string_view b)
{
    if (b.size() < 32)
        return;
    openState = digits(b, 0, 2);
    brightness = digits(b, 15, 3);
    contrast = digits(b, 18, 3);
    resolution = digits(b, 21, 1);
    quality = digits(b, 22, 1);
    loginCode = digits(b, 23, 1);
    motionSetting = withoutLeadingZeros(b.substr(24, 6));
    userCheck = digits(b, 31, 1);
    if (b.size() >= 70)
        motionCounter = withoutLeadingZeros(b.substr(60, 6));
    if (b.size() > 72) {
        saturation = digits(b, 57, 3);
        hue = digits(b, 66, 3);
        sharpness = digits(b, 69, 3);
        motionSwitch = digits(b, 72, 1);
        frequency = digits(b, 73, 1);
        if (b.size() >= 86) {
            serverAudio = digits(b, 81, 1);
            clockCounter = digits(b, 82, 2);
            nameCounter = digits(b, 84, 2);
        }
    }
    if (b.size() > 100)
        extendedText = std::string(b.substr(100));
}

uintptr_t CameraStatus::imageInfoWParam() const
{
    return (static_cast<uintptr_t>(resolution & 0xFF) << 16) | (static_cast<uintptr_t>(quality & 0xFF) << 8) |
           static_cast<uintptr_t>(brightness & 0xFF);
}

intptr_t CameraStatus::imageInfoLParam() const
{
    const uint32_t v = (static_cast<uint32_t>(contrast & 0xFF) << 24) | (static_cast<uint32_t>(saturation & 0xFF) << 16) |
                       (static_cast<uint32_t>(hue & 0xFF) << 8) | static_cast<uint32_t>(sharpness & 0xFF);
    return static_cast<intptr_t>(v);
}

} // namespace strovix
