#include "tools/camsim/PictureMaker.h"

#include <algorithm>

#include "tools/camsim/BitmapFont.h"

namespace camsim {

namespace {

constexpr int kMinSide = 32;
constexpr int kMaxSide = 4096;
constexpr size_t kMaxBackgrounds = 16;

uint32_t hashPixel(uint32_t x, uint32_t y)
{
    uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

int fontScale(const PictureFormat& format) { return std::max(1, format.width / 320); }

// Pixel writer for both layouts; grey takes the luma of the colour.
struct Canvas {
    uint8_t* pixels;
    int width;
    int height;
    bool grey;

    void set(int x, int y, uint8_t r, uint8_t g, uint8_t b) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        if (grey) {
            pixels[size_t(y) * width + x] = static_cast<uint8_t>((r * 77 + g * 150 + b * 29) >> 8);
        } else {
            uint8_t* p = pixels + (size_t(y) * width + x) * 3;
            p[0] = r;
            p[1] = g;
            p[2] = b;
        }
    }
    void fill(int x0, int y0, int w, int h, uint8_t r, uint8_t g, uint8_t b) const
    {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x)
                set(x, y, r, g, b);
    }
    void darken(int y0, int h) const
    {
        const int channels = grey ? 1 : 3;
        for (int y = std::max(0, y0); y < std::min(height, y0 + h); ++y) {
            uint8_t* p = pixels + size_t(y) * width * channels;
            for (int i = 0; i < width * channels; ++i)
                p[i] = static_cast<uint8_t>(p[i] / 4);
        }
    }
    void text(int x0, int y0, int scale, const std::string& s) const
    {
        int x = x0;
        for (char c : s) {
            const uint8_t* rows = font::glyph(c);
            for (int gy = 0; gy < font::kGlyphHeight; ++gy)
                for (int gx = 0; gx < font::kGlyphWidth; ++gx)
                    if (rows[gy] & (0x10 >> gx))
                        fill(x + gx * scale, y0 + gy * scale, scale, scale, 255, 255, 255);
            x += font::kAdvance * scale;
            if (x >= width)
                break;
        }
    }
};

} // namespace

PictureMaker::Band PictureMaker::bandFor(const PictureFormat& format)
{
    const int mcu = mcuRowHeight(format.grey);
    const int scale = fontScale(format);
    // Two text lines of 9 font pixels, the moving block of 6 and margins.
    const int wanted = 28 * scale;
    const int rows = (wanted + mcu - 1) / mcu;
    const int fullRows = format.height / mcu;
    const int bandRows = std::min(rows, std::max(1, fullRows - 1));
    const int top = std::max(1, (fullRows - bandRows) / 2);
    return {top * mcu, bandRows * mcu};
}

std::shared_ptr<PictureMaker::Background> PictureMaker::drawBackground(const PictureFormat& format)
{
    auto bg = std::make_shared<Background>();
    bg->format = format;
    bg->scale = fontScale(format);
    bg->band = bandFor(format);
    const int w = format.width;
    const int h = format.height;
    bg->pixels.resize(size_t(w) * h * (format.grey ? 1 : 3));
    const Canvas canvas {bg->pixels.data(), w, h, format.grey};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // A gradient with a fine texture: real scenes are far from flat,
            // and the texture gives pictures the size of a camera's.
            const uint32_t noise = hashPixel(uint32_t(x), uint32_t(y));
            const int n = static_cast<int>(noise & 31) - 16;
            const bool grid = (x % 64 == 0) || (y % 64 == 0);
            const int r = grid ? 200 : std::clamp(40 + x * 150 / w + n, 0, 255);
            const int g = grid ? 200 : std::clamp(60 + y * 140 / h + n, 0, 255);
            const int b = grid ? 200 : std::clamp(150 - x * 60 / w + (static_cast<int>(noise >> 8 & 15) - 8), 0, 255);
            canvas.set(x, y, uint8_t(r), uint8_t(g), uint8_t(b));
        }
    }
    // The orientation mark: a solid red bar in the top-left corner, wider than tall.
    canvas.fill(0, 0, std::max(8, w / 4), std::max(4, h / 12), 255, 0, 0);
    const RawPicture raw {w, h, format.grey, bg->pixels.data()};
    auto jpeg = encodeJpeg(raw, format.jpegQuality);
    if (!jpeg)
        return nullptr;
    auto rows = splitJpegRows(*jpeg);
    const int mcu = mcuRowHeight(format.grey);
    if (!rows || rows->rows.size() != size_t((h + mcu - 1) / mcu))
        return nullptr;
    bg->encoded = std::move(*rows);
    return bg;
}

std::shared_ptr<const PictureMaker::Background> PictureMaker::background(const PictureFormat& format)
{
    {
        std::lock_guard lock(m_mutex);
        auto it = m_backgrounds.find(format);
        if (it != m_backgrounds.end())
            return it->second;
    }
    // Drawn outside the lock; two threads may both draw the same format once.
    std::shared_ptr<const Background> bg = drawBackground(format);
    if (!bg)
        return nullptr;
    std::lock_guard lock(m_mutex);
    // A handful of formats are in use at a time; dropping the cache when it
    // fills keeps memory bounded however often the resolution is changed.
    if (m_backgrounds.size() >= kMaxBackgrounds)
        m_backgrounds.clear();
    return m_backgrounds.emplace(format, bg).first->second;
}

std::shared_ptr<const std::vector<uint8_t>> PictureMaker::make(const PictureFormat& format, const Overlay& overlay)
{
    if (format.width < kMinSide || format.height < kMinSide || format.width > kMaxSide || format.height > kMaxSide)
        return nullptr;
    auto bg = background(format);
    if (!bg)
        return nullptr;
    const int w = format.width;
    const int channels = format.grey ? 1 : 3;
    const size_t stride = size_t(w) * channels;
    const Band band = bg->band;
    std::vector<uint8_t> strip(bg->pixels.begin() + static_cast<std::ptrdiff_t>(stride * band.top),
                               bg->pixels.begin() + static_cast<std::ptrdiff_t>(stride * (band.top + band.height)));
    const Canvas canvas {strip.data(), w, band.height, format.grey};
    const int s = bg->scale;
    canvas.darken(0, band.height);
    canvas.text(2 * s, 2 * s, s, overlay.name);
    canvas.text(2 * s, 11 * s, s, "#" + std::to_string(overlay.number) + " " + overlay.timeText);
    const int block = 6 * s;
    const int travel = std::max(1, w - block);
    const int x = static_cast<int>((overlay.number * uint64_t(3 * s)) % uint64_t(travel));
    canvas.fill(x, 20 * s, block, block, 255, 220, 0);

    const RawPicture raw {w, band.height, format.grey, strip.data()};
    auto jpeg = encodeJpeg(raw, format.jpegQuality);
    if (!jpeg)
        return nullptr;
    auto stripRows = splitJpegRows(*jpeg);
    const int mcu = mcuRowHeight(format.grey);
    const size_t firstRow = size_t(band.top / mcu);
    if (!stripRows || stripRows->rows.size() != size_t(band.height / mcu))
        return nullptr;

    const auto& rows = bg->encoded.rows;
    size_t total = bg->encoded.header.size() + 2 * rows.size();
    for (size_t i = 0; i < rows.size(); ++i) {
        const bool inBand = i >= firstRow && i < firstRow + stripRows->rows.size();
        total += inBand ? stripRows->rows[i - firstRow].size() : rows[i].size();
    }
    auto out = std::make_shared<std::vector<uint8_t>>();
    out->reserve(total);
    out->insert(out->end(), bg->encoded.header.begin(), bg->encoded.header.end());
    for (size_t i = 0; i < rows.size(); ++i) {
        const bool inBand = i >= firstRow && i < firstRow + stripRows->rows.size();
        const auto& data = inBand ? stripRows->rows[i - firstRow] : rows[i];
        out->insert(out->end(), data.begin(), data.end());
        out->push_back(0xFF);
        out->push_back(i + 1 < rows.size() ? static_cast<uint8_t>(0xD0 + i % 8) : 0xD9);
    }
    return out;
}

} // namespace camsim
