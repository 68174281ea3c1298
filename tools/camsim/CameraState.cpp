#include "tools/camsim/CameraState.h"

#include <algorithm>

namespace camsim {

namespace {

// Writes v as `digits` decimal digits (modulo 10^digits) at column `at`.
void putNumber(std::string& block, size_t at, uint64_t v, int digits)
{
    for (int i = digits - 1; i >= 0; --i) {
        block[at + size_t(i)] = static_cast<char>('0' + v % 10);
        v /= 10;
    }
}

void putText(std::string& block, size_t at, const std::string& text, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        block[at + i] = i < text.size() ? text[i] : '0';
}

uint64_t clampTuning(int v) { return uint64_t(std::clamp(v, 0, 999)); }

} // namespace

uint64_t CameraState::motionCounterAt(int64_t nowMs) const
{
    if (!motionOn || motionIntervalMs <= 0 || nowMs <= motionSinceMs)
        return motionBase;
    return motionBase + uint64_t((nowMs - motionSinceMs) / motionIntervalMs);
}

std::string statusBlock(const CameraState& s, bool admin, int64_t nowMs)
{
    std::string block(86, '0');
    putNumber(block, 0, s.open ? 1 : 0, 2);
    putNumber(block, 15, clampTuning(s.brightness), 3);
    putNumber(block, 18, clampTuning(s.contrast), 3);
    putNumber(block, 21, uint64_t(std::clamp(s.resolution, 0, 9)), 1);
    putNumber(block, 22, uint64_t(std::clamp(s.quality, 0, 9)), 1);
    block[23] = admin ? '0' : '1';
    putText(block, 24, s.motionSetting, 6);
    block[31] = s.userCheck ? '1' : '0';
    putNumber(block, 57, clampTuning(s.saturation), 3);
    putNumber(block, 60, s.motionCounterAt(nowMs), 6);
    putNumber(block, 66, clampTuning(s.hue), 3);
    putNumber(block, 69, clampTuning(s.sharpness), 3);
    block[72] = s.motionOn ? '1' : '0';
    putNumber(block, 73, uint64_t(std::clamp(s.frequency, 0, 9)), 1);
    block[81] = s.audioOn ? '1' : '0';
    putNumber(block, 82, uint64_t(s.clockChanges), 2);
    putNumber(block, 84, uint64_t(s.nameChanges), 2);
    if (!s.exStatus.empty()) {
        block.resize(100, '0');
        block += s.exStatus;
        if (block.size() < 106)
            block.resize(106, ' ');
    }
    return block;
}

std::pair<int, int> resolutionSize(int index, const std::string& version)
{
    switch (index) {
    case 0: return {176, 144};
    case 1: return {352, 288};
    case 2: return {320, 240};
    case 4: return {128, 96};
    case 5: return {160, 120};
    case 6: return version < std::string("506") ? std::pair {1280, 960} : std::pair {704, 576};
    case 7: return {1280, 1024};
    default: return {640, 480};
    }
}

int jpegQualityFor(int qualityIndex)
{
    static constexpr int kQualities[] = {30, 45, 60, 75, 90};
    return kQualities[std::clamp(qualityIndex, 0, 4)];
}

} // namespace camsim
