#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/camsim/CameraState.h"
#include "tools/camsim/Config.h"
#include "tools/camsim/PictureMaker.h"

namespace camsim {

// One simulated camera: its state behind a mutex and its pictures. The
// pictures are numbered by the camera's frame clock (picture n is due n / fps
// seconds after start); each is drawn once, when the first stream asks for
// it, and shared by every stream of the camera. Thread-safe.
class Camera {
public:
    using Clock = std::chrono::steady_clock;

    Camera(int index, const Config& config, PictureMaker& maker, Clock::time_point start);

    int index() const { return m_index; }

    // Runs f(state) under the camera's lock and returns its result.
    template <typename F>
    auto with(F&& f)
    {
        std::lock_guard lock(m_mutex);
        return f(m_state);
    }

    // Milliseconds since the simulator started (the clock of the motion counter).
    int64_t nowMs() const;
    // The number of the picture due now.
    uint64_t currentPicture() const;
    // When picture n is due.
    Clock::time_point pictureTime(uint64_t n) const;

    // The JPEG of picture n as the camera's state draws it now; null if it
    // cannot be drawn.
    std::shared_ptr<const std::vector<uint8_t>> picture(uint64_t n);

    // The status block as seen by a user with or without administrator rights.
    std::string status(bool admin);

    // "YYYY-MM-DD HH:MM:SS" of the camera's local time.
    static std::string formatLocalTime(int64_t sec1970, int timeZoneMinWest);

private:
    const int m_index;
    const Config& m_config;
    PictureMaker& m_maker;
    const Clock::time_point m_start;

    std::mutex m_mutex;
    CameraState m_state; // guarded by m_mutex

    std::mutex m_pictureMutex;
    // Guarded by m_pictureMutex:
    uint64_t m_lastNumber = UINT64_MAX;
    PictureFormat m_lastFormat;
    std::string m_lastName;
    std::shared_ptr<const std::vector<uint8_t>> m_lastPicture;
};

} // namespace camsim
