#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "tools/camsim/JpegEncoder.h"

namespace camsim {

// What a picture looks like, apart from its changing overlay.
struct PictureFormat {
    int width = 640;
    int height = 480;
    bool grey = false;
    int jpegQuality = 60;

    auto key() const { return std::tie(width, height, grey, jpegQuality); }
    bool operator<(const PictureFormat& o) const { return key() < o.key(); }
};

// The part of a picture that changes from one picture to the next.
struct Overlay {
    std::string name;     // the camera name
    uint64_t number = 0;  // running picture number; also places the moving block
    std::string timeText; // the camera's clock, already formatted
};

// Draws the cameras' pictures. The background of each format (a textured
// gradient with a red bar in the top-left corner, wider than tall, so every
// rotation and flip of the picture can be told apart) is drawn and encoded
// once; a picture re-encodes only the band of MCU rows that carries the
// overlay and splices it into the cached rows, so a picture costs a fraction
// of a full encode. Thread-safe: any number of camera threads may call make().
class PictureMaker {
public:
    // A complete JPEG, or null if the format cannot be drawn (size below
    // 32 x 32 or above 4096 x 4096, or an encoder failure).
    std::shared_ptr<const std::vector<uint8_t>> make(const PictureFormat& format, const Overlay& overlay);

    // Geometry of the overlay band, for tests: first pixel row and height.
    struct Band {
        int top = 0;
        int height = 0;
    };
    static Band bandFor(const PictureFormat& format);

private:
    struct Background {
        PictureFormat format;
        std::vector<uint8_t> pixels; // RGB or grey, rows without padding
        JpegRows encoded;
        Band band;
        int scale = 1; // font pixels to picture pixels
    };
    std::shared_ptr<const Background> background(const PictureFormat& format);
    static std::shared_ptr<Background> drawBackground(const PictureFormat& format);

    std::mutex m_mutex;
    // Guarded by m_mutex:
    std::map<PictureFormat, std::shared_ptr<const Background>> m_backgrounds;
};

} // namespace camsim
