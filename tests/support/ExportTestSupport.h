#pragma once

// What the tests and the benchmark of the MP4 export share: recordings
// written by the recording's own writer (pictures that differ from frame to
// frame, sound when asked for) and an independent look at an MP4 file through
// libavformat and libavcodec (tracks, frames, durations, decoded pictures),
// held to the recording's pictures as our own reader and decoder give them.
// Link recording_test_support and PkgConfig::FFMPEG.

#include "control/recording/AviWriter.h"
#include "media/avi/AviReader.h"
#include "media/jpeg/JpegDecoder.h"
#include "tests/control/recording/RecordingTestSupport.h"
#include "support/TestPictures.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace export_test {

// Picture k of the test recordings: colour gradients under a lighter and
// darker checkerboard of 40-pixel squares that moves 8 pixels to the left from frame to frame,
// so that every picture differs from the nine before it.
inline std::vector<uint8_t> testPicture(int k, int width, int height)
{
    return strovix::test::encodeJpeg(width, height, false, [=](int x, int y) {
        const int light = (((x + 8 * k) / 40 + y / 40) & 1) != 0 ? 70 : 0;
        return QColor(x * 180 / width + light, y * 180 / height + light, 90 + light);
    });
}

// `seconds` of a 440 Hz tone, 16-bit 8 kHz mono, as the writer takes it.
inline std::vector<uint8_t> testSound(double seconds)
{
    const auto samples = static_cast<size_t>(std::llround(seconds * 8000));
    std::vector<uint8_t> bytes(samples * 2);
    for (size_t i = 0; i < samples; ++i) {
        const auto v = static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 440.0 * double(i) / 8000.0));
        bytes[2 * i] = static_cast<uint8_t>(v & 0xFF);
        bytes[2 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
    }
    return bytes;
}

// A recording of `frames` test pictures at `rate` frames/s, with as many
// seconds of sound as of pictures when `sound`, written under `path`.
inline void writeRecording(const std::string& path, int frames, float rate, bool sound, int width = 160,
                           int height = 120)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    recording_test::FakeClock clock;
    strovix::recording::AviWriter writer(clock);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    for (int k = 0; k < frames; ++k)
        writer.AddFrame(testPicture(k, width, height), folder, "r-Test_!0_", rate);
    if (sound)
        writer.AddAudio(testSound(frames / double(rate)));
    writer.Close(rate, path);
}

// An RGB picture: 3 bytes a pixel, rows without padding.
struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

// What libavformat finds in a file.
struct MediaFacts {
    bool opened = false;
    std::string videoCodec;
    std::string pixelFormat;
    int width = 0;
    int height = 0;
    int videoPackets = 0;
    double frameRate = 0;
    double videoSeconds = 0; // from the packets' times and durations
    std::string soundCodec;  // empty: no sound track
    int sampleRate = 0;
    double soundSeconds = 0;
    std::vector<Rgb> pictures; // the first `keep` pictures decoded
};

inline Rgb toRgb(const AVFrame* f)
{
    Rgb rgb{f->width, f->height, std::vector<uint8_t>(size_t(f->width) * f->height * 3)};
    // Into a frame of the library's own alignment: its converters write
    // whole blocks of pixels past the end of an odd row.
    AVFrame* out = av_frame_alloc();
    out->format = AV_PIX_FMT_RGB24;
    out->width = f->width;
    out->height = f->height;
    av_frame_get_buffer(out, 0);
    SwsContext* s = sws_getContext(f->width, f->height, AVPixelFormat(f->format), f->width, f->height,
                                   AV_PIX_FMT_RGB24, SWS_BILINEAR | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    sws_scale(s, f->data, f->linesize, 0, f->height, out->data, out->linesize);
    sws_freeContext(s);
    for (int y = 0; y < f->height; ++y)
        std::copy_n(out->data[0] + size_t(y) * out->linesize[0], size_t(f->width) * 3,
                    rgb.pixels.begin() + std::ptrdiff_t(size_t(y) * f->width * 3));
    av_frame_free(&out);
    return rgb;
}

// Reads every packet of `path`; decodes the first `keep` pictures.
inline MediaFacts readMedia(const std::string& path, int keep = 1)
{
    MediaFacts facts;
    AVFormatContext* in = nullptr;
    if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0)
        return facts;
    if (avformat_find_stream_info(in, nullptr) < 0) {
        avformat_close_input(&in);
        return facts;
    }
    facts.opened = true;
    const int video = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int sound = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVCodecContext* decoder = nullptr;
    if (video >= 0) {
        const AVCodecParameters* p = in->streams[video]->codecpar;
        facts.videoCodec = avcodec_get_name(p->codec_id);
        facts.pixelFormat = p->format >= 0 ? av_get_pix_fmt_name(AVPixelFormat(p->format)) : "";
        facts.width = p->width;
        facts.height = p->height;
        facts.frameRate = av_q2d(in->streams[video]->avg_frame_rate);
        const AVCodec* codec = avcodec_find_decoder(p->codec_id);
        decoder = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(decoder, p);
        decoder->thread_count = 1;
        avcodec_open2(decoder, codec, nullptr);
    }
    if (sound >= 0) {
        const AVCodecParameters* p = in->streams[sound]->codecpar;
        facts.soundCodec = avcodec_get_name(p->codec_id);
        facts.sampleRate = p->sample_rate;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int64_t videoStart = std::numeric_limits<int64_t>::max(), videoEnd = std::numeric_limits<int64_t>::min();
    int64_t soundStart = videoStart, soundEnd = videoEnd;
    const auto take = [&] {
        while (avcodec_receive_frame(decoder, frame) >= 0)
            if (int(facts.pictures.size()) < keep)
                facts.pictures.push_back(toRgb(frame));
    };
    while (av_read_frame(in, packet) >= 0) {
        if (packet->stream_index == video) {
            ++facts.videoPackets;
            videoStart = std::min(videoStart, packet->pts);
            videoEnd = std::max(videoEnd, packet->pts + packet->duration);
            if (int(facts.pictures.size()) < keep) {
                avcodec_send_packet(decoder, packet);
                take();
            }
        } else if (packet->stream_index == sound) {
            soundStart = std::min(soundStart, packet->pts);
            soundEnd = std::max(soundEnd, packet->pts + packet->duration);
        }
        av_packet_unref(packet);
    }
    if (decoder) {
        avcodec_send_packet(decoder, nullptr);
        take();
    }
    if (video >= 0 && facts.videoPackets > 0)
        facts.videoSeconds = double(videoEnd - videoStart) * av_q2d(in->streams[video]->time_base);
    if (sound >= 0 && soundEnd > soundStart) {
        // The encoder's priming samples before the start are not sound.
        const int64_t start = std::max<int64_t>(0, soundStart);
        facts.soundSeconds = double(soundEnd - start) * av_q2d(in->streams[sound]->time_base);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&in);
    return facts;
}

// Peak signal-to-noise ratio of `b` against `a` in dB over the area both
// cover; infinity when they are equal.
inline double psnr(const Rgb& a, const Rgb& b)
{
    const int w = std::min(a.width, b.width), h = std::min(a.height, b.height);
    double sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) {
            const double d = double(a.pixels[size_t(y) * a.width * 3 + x]) - b.pixels[size_t(y) * b.width * 3 + x];
            sum += d * d;
        }
    const double mse = sum / (double(w) * h * 3);
    return mse == 0 ? std::numeric_limits<double>::infinity() : 10 * std::log10(255.0 * 255.0 / mse);
}

// Frame `k` of a recording as the player shows it: read by our reader and
// decoded by libjpeg (the reference the exported pictures are held to).
inline std::optional<Rgb> aviPicture(const std::string& path, int k)
{
    media::AviReader reader;
    std::vector<uint8_t> jpeg;
    QImage image;
    if (reader.open(path) != media::AviError::None || reader.readFrame(uint32_t(k), jpeg) != media::AviError::None
        || !media::decodeJpeg(jpeg.data(), jpeg.size(), image))
        return std::nullopt;
    image = image.convertToFormat(QImage::Format_RGB888);
    Rgb rgb{image.width(), image.height(), std::vector<uint8_t>(size_t(image.width()) * image.height() * 3)};
    for (int y = 0; y < image.height(); ++y)
        std::copy_n(image.constScanLine(y), size_t(image.width()) * 3,
                    rgb.pixels.begin() + std::ptrdiff_t(size_t(y) * image.width() * 3));
    return rgb;
}

// Whether the file's "moov" box comes before its "mdat" box.
inline bool indexAtFront(const std::string& path)
{
    const recording_test::Bytes b = recording_test::readFile(path);
    uint64_t pos = 0;
    while (pos + 8 <= b.size()) {
        const uint64_t size = uint64_t(b[pos]) << 24 | uint64_t(b[pos + 1]) << 16 | uint64_t(b[pos + 2]) << 8 | b[pos + 3];
        const std::string type(reinterpret_cast<const char*>(&b[pos + 4]), 4);
        if (type == "moov")
            return true;
        if (type == "mdat" || size < 8)
            return false;
        pos += size;
    }
    return false;
}

} // namespace export_test
