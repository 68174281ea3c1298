#pragma once

// Byte-exact picture and stream pieces for the stream parser's tests and
// benchmarks, and the flags a parser shares with its connection.

#include "control/stream/StreamParser.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace streamtest {

// The flags and counters a connection shares with its parser, owned in one
// place for a parser that runs on its own (tests, fuzzing, benchmarks).
struct ParserFlags {
    std::atomic<int> stop{0}, windowNotReady{0}, interval{0}, intervalChanged{0}, exEnd{0};
    std::atomic<uint32_t> announced{0}, rate{0}, window{10};
    strovix::SharedFramePtr frame = std::make_shared<strovix::SharedFrame>();

    strovix::StreamParser::Shared wiring()
    {
        strovix::StreamParser::Shared s;
        s.streamStop = &stop;
        s.windowNotReady = &windowNotReady;
        s.showIntervalTime = &interval;
        s.intervalChanged = &intervalChanged;
        s.exStatusEnd = &exEnd;
        s.framesAnnounced = &announced;
        s.frameRateX100 = &rate;
        s.frameRateWindow = &window;
        s.frame = frame;
        return s;
    }
};

// A JPEG-shaped picture of `total` bytes: FF D8, an APP0 segment, a baseline
// start-of-frame segment naming width and height, filler without any FF, FF
// D9. `seed` varies the filler so pictures differ.
inline std::string picture(unsigned width, unsigned height, size_t total, unsigned seed = 0)
{
    std::string p = "\xFF\xD8";
    p += std::string("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
    const char sof[] = {'\xFF', '\xC0', 0, 17, 8, static_cast<char>(height >> 8), static_cast<char>(height & 0xFF),
                        static_cast<char>(width >> 8), static_cast<char>(width & 0xFF), 3, 1, 0x22, 0, 2, 0x11, 1, 3,
                        0x11, 1};
    p.append(sof, sizeof sof);
    while (p.size() + 2 < total)
        p += static_cast<char>('A' + (p.size() * 7 + seed) % 26);
    p += "\xFF\xD9";
    return p;
}

// A status block of `length` bytes: open, resolution 3, quality 2, the
// tuning values, user check 1; the rest digits.
inline std::string statusBlock(size_t length = 86, char fill = '0')
{
    std::string s(length, fill);
    s.replace(0, 2, "01");
    s.replace(15, 3, "120");  // Brightness
    s.replace(18, 3, "130");  // Contrast
    s[21] = '3';              // resolution
    s[22] = '2';              // quality
    s[23] = '0';              // administrator
    s[31] = '1';              // user check
    s.replace(57, 3, "140");  // Saturation
    s.replace(66, 3, "150");  // Hue
    s.replace(69, 3, "160");  // Sharpness
    return s;
}

inline const std::string kStatusHeader = "Content-Type: text/plain\r\n\r\n";

// One part of the camera's stream: boundary, status part, picture part.
inline std::string streamPart(const std::string& pic, size_t statusLength = 86)
{
    return "--boundary\r\n" + kStatusHeader + statusBlock(statusLength) +
           "\r\n--boundary\r\nContent-Type: image/jpeg\r\n\r\n" + pic + "\r\n";
}

} // namespace streamtest
