#include "media/export/Mp4Export.h"

#include "media/avi/AviReader.h"
#include "media/jpeg/JpegDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libavutil/rational.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace media {
namespace {

// Sample rates AAC has; any other is resampled to kFallbackRate.
constexpr int kAacRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350};
constexpr int kFallbackRate = 48000;
// The sound is read in blocks of this many source samples.
constexpr size_t kSoundBlockSamples = 4096;

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScaleFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct ResampleFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoFree {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
// The output context with its file.
struct OutputFree {
    void operator()(AVFormatContext* o) const
    {
        if (o->pb)
            avio_closep(&o->pb);
        avformat_free_context(o);
    }
};
using Codec = std::unique_ptr<AVCodecContext, CodecFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;

std::string libraryError(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

// The libraries print nothing of their own: every failure comes back as a
// sentence of ours.
void quietLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

// Thrown inside the export with the operator's sentence; caught at its edge.
struct Refusal {
    std::string text;
};

[[noreturn]] void refuse(std::string text)
{
    throw Refusal{std::move(text)};
}

void check(int code, const char* what)
{
    if (code < 0)
        refuse(std::string("The MP4 file could not be written: ") + what + ": " + libraryError(code) + ".");
}

// The hidden file the export writes, removed unless it was kept.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target)
    {
        fs::path folder = target.parent_path();
        if (folder.empty())
            folder = ".";
        std::error_code ec;
        folder = fs::absolute(folder, ec);
        std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            refuse("The folder " + folder.string() + " cannot be written: " + std::strerror(errno) + ".");
        ::close(fd);
        m_path = pattern;
    }
    ~TemporaryFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return m_path; }
    void renameTo(const fs::path& target)
    {
        if (::rename(m_path.c_str(), target.c_str()) != 0)
            refuse("The MP4 file could not be named " + target.string() + ": " + std::strerror(errno) + ".");
        m_path.clear();
    }

private:
    std::string m_path;
};

// Decodes the recording's JPEG pictures with libavcodec: they come out in
// the JPEG's own YUV, which the encoder's input needs only a range change
// from, not a colour conversion.
class PictureDecoder {
public:
    PictureDecoder()
    {
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
        if (!codec)
            refuse("This system's FFmpeg libraries have no JPEG decoder.");
        m_context.reset(avcodec_alloc_context3(codec));
        if (!m_context)
            throw std::bad_alloc();
        m_context->thread_count = 1;
        // A damaged header cannot make the decoder allocate more than the
        // largest picture the player takes.
        m_context->max_pixels = kMaxPixels;
        if (avcodec_open2(m_context.get(), codec, nullptr) < 0)
            refuse("This system's JPEG decoder cannot be opened.");
        m_packet.reset(av_packet_alloc());
        m_frame.reset(av_frame_alloc());
    }

    // Frame `k` of the recording decoded, or null when it cannot be read or
    // decoded (the returned frame is reused by the next call).
    const AVFrame* decode(const AviReader& reader, uint32_t k)
    {
        if (reader.readFrame(k, m_jpeg) != AviError::None || m_jpeg.empty())
            return nullptr;
        const size_t size = m_jpeg.size();
        m_jpeg.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        m_packet->data = m_jpeg.data();
        m_packet->size = static_cast<int>(size);
        av_frame_unref(m_frame.get());
        if (avcodec_send_packet(m_context.get(), m_packet.get()) < 0)
            return nullptr;
        if (avcodec_receive_frame(m_context.get(), m_frame.get()) < 0)
            return nullptr;
        if (m_frame->width < 2 || m_frame->height < 2 || (m_frame->decode_error_flags != 0))
            return nullptr;
        return m_frame.get();
    }

private:
    Codec m_context;
    Packet m_packet;
    Frame m_frame;
    std::vector<uint8_t> m_jpeg;
};

// The frames and sound of one span and the file they go into.
class Export {
public:
    Export(const AviReader& reader, uint32_t first, uint32_t end, ExportProgress* progress)
        : m_reader(reader), m_info(reader.info()), m_first(first), m_end(end), m_progress(progress)
    {
    }

    void run(const std::string& path)
    {
        // The size comes from the first good picture.
        m_picture.reset(av_frame_alloc());
        uint32_t firstGood = m_first;
        const AVFrame* decoded = nullptr;
        for (; firstGood < m_end; ++firstGood) {
            stopIfCancelled();
            if ((decoded = m_decoder.decode(m_reader, firstGood)))
                break;
        }
        if (!decoded)
            refuse("No picture of the span can be decoded.");
        m_width = decoded->width & ~1;
        m_height = decoded->height & ~1;
        openFile(path);
        convert(decoded);

        for (uint32_t k = m_first; k < m_end; ++k) {
            stopIfCancelled();
            // Frames before the first good picture show it; a bad frame after
            // it repeats the last one.
            if (k > firstGood)
                if (const AVFrame* next = m_decoder.decode(m_reader, k))
                    convert(next);
            m_picture->pts = k - m_first;
            encodeVideo(m_picture.get());
            if (m_soundCodec)
                encodeSoundUntil(m_info.frameTime(k + 1));
            if (m_progress)
                m_progress->setDone(k + 1 - m_first);
        }
        encodeVideo(nullptr);
        if (m_soundCodec)
            finishSound();
        check(av_write_trailer(m_output.get()), "the index");
        check(avio_closep(&m_output->pb), "closing");
    }

    bool hasSound() const { return m_soundCodec != nullptr; }

private:
    void stopIfCancelled() const
    {
        if (m_progress && m_progress->cancelled())
            refuse(kExportCancelled);
    }

    void openFile(const std::string& path)
    {
        AVFormatContext* output = nullptr;
        check(avformat_alloc_output_context2(&output, nullptr, "mp4", path.c_str()), "the container");
        m_output.reset(output);
        openVideo();
        openSound();
        check(avio_open(&m_output->pb, path.c_str(), AVIO_FLAG_WRITE), "opening");
        AVDictionary* options = nullptr;
        av_dict_set(&options, "movflags", "+faststart", 0);
        const int written = avformat_write_header(m_output.get(), &options);
        av_dict_free(&options);
        check(written, "the header");
        m_packet.reset(av_packet_alloc());
    }

    void openVideo()
    {
        const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
        if (!codec)
            refuse("This system's FFmpeg libraries have no H.264 encoder (libx264).");
        m_videoCodec.reset(avcodec_alloc_context3(codec));
        AVCodecContext* c = m_videoCodec.get();
        if (!c)
            throw std::bad_alloc();
        int num = 0;
        int den = 0;
        av_reduce(&num, &den, m_info.scale, m_info.rate, INT32_MAX);
        c->time_base = {num, den};
        c->framerate = {den, num};
        c->width = m_width;
        c->height = m_height;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->color_range = AVCOL_RANGE_MPEG;
        c->sample_aspect_ratio = {1, 1};
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        AVDictionary* options = nullptr;
        av_dict_set(&options, "preset", "veryfast", 0);
        const int opened = avcodec_open2(c, codec, &options);
        av_dict_free(&options);
        check(opened, "the H.264 encoder");
        m_videoStream = avformat_new_stream(m_output.get(), nullptr);
        if (!m_videoStream)
            check(AVERROR(ENOMEM), "the video track");
        check(avcodec_parameters_from_context(m_videoStream->codecpar, c), "the video track");
        m_videoStream->time_base = c->time_base;
        m_videoStream->avg_frame_rate = c->framerate;

        m_picture->format = c->pix_fmt;
        m_picture->width = m_width;
        m_picture->height = m_height;
        m_picture->color_range = AVCOL_RANGE_MPEG;
        check(av_frame_get_buffer(m_picture.get(), 0), "a picture");
    }

    // The sound of the span: the samples from the first frame's time to the
    // end frame's, as far as the recording has them.
    void openSound()
    {
        if (!m_info.hasSound)
            return;
        const AviSoundFormat& f = m_info.sound;
        const bool pcm = f.formatTag == 1 && (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.channels >= 1
            && f.channels <= 2 && f.blockAlign == f.channels * f.bitsPerSample / 8 && f.samplesPerSecond >= 1000
            && f.samplesPerSecond <= 192000;
        if (!pcm)
            refuse("The recording's sound is in a format that cannot be exported (only PCM sound can).");
        m_blockAlign = f.blockAlign;
        const uint64_t available = m_info.soundBytes / f.blockAlign;
        const auto sampleAt = [&](uint32_t frame) {
            return std::min<uint64_t>(available, static_cast<uint64_t>(std::llround(m_info.frameTime(frame) * f.samplesPerSecond)));
        };
        m_soundNext = sampleAt(m_first);
        m_soundEnd = sampleAt(m_end);
        if (m_soundNext >= m_soundEnd)
            return; // the span lies past the end of the sound

        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!codec)
            refuse("This system's FFmpeg libraries have no AAC encoder.");
        m_soundCodec.reset(avcodec_alloc_context3(codec));
        AVCodecContext* c = m_soundCodec.get();
        if (!c)
            throw std::bad_alloc();
        const int rate = static_cast<int>(f.samplesPerSecond);
        c->sample_rate = std::find(std::begin(kAacRates), std::end(kAacRates), rate) != std::end(kAacRates) ? rate
                                                                                                          : kFallbackRate;
        c->sample_fmt = AV_SAMPLE_FMT_FLTP;
        av_channel_layout_default(&c->ch_layout, f.channels);
        c->time_base = {1, c->sample_rate};
        if (m_output->oformat->flags & AVFMT_GLOBALHEADER)
            c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        check(avcodec_open2(c, codec, nullptr), "the AAC encoder");
        m_soundStream = avformat_new_stream(m_output.get(), nullptr);
        if (!m_soundStream)
            check(AVERROR(ENOMEM), "the sound track");
        check(avcodec_parameters_from_context(m_soundStream->codecpar, c), "the sound track");
        m_soundStream->time_base = c->time_base;

        SwrContext* resampler = nullptr;
        AVChannelLayout in{};
        av_channel_layout_default(&in, f.channels);
        check(swr_alloc_set_opts2(&resampler, &c->ch_layout, c->sample_fmt, c->sample_rate, &in,
                                  f.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16, rate, 0, nullptr),
              "the sound conversion");
        m_resampler.reset(resampler);
        check(swr_init(resampler), "the sound conversion");
        m_fifo.reset(av_audio_fifo_alloc(c->sample_fmt, f.channels, c->frame_size > 0 ? c->frame_size : 1024));
        if (!m_fifo)
            check(AVERROR(ENOMEM), "the sound buffer");
    }

    // The decoded picture into the encoder's picture: the same size but for
    // an odd last column or row (left out), any other size scaled.
    void convert(const AVFrame* from)
    {
        const auto format = static_cast<AVPixelFormat>(from->format);
        const bool crop = (from->width & ~1) == m_width && (from->height & ~1) == m_height;
        const int sourceWidth = crop ? m_width : from->width;
        const int sourceHeight = crop ? m_height : from->height;
        SwsContext* scaler = sws_getCachedContext(m_scaler.release(), sourceWidth, sourceHeight, format, m_width,
                                                  m_height, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        m_scaler.reset(scaler);
        if (!scaler)
            refuse("A picture of the recording cannot be converted for the encoder.");
        // JPEG's YUV uses the full range of the bytes, the video the usual
        // studio range.
        const bool fullRange = from->color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P
            || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P || format == AV_PIX_FMT_YUVJ440P
            || format == AV_PIX_FMT_YUVJ411P;
        const int* coefficients = sws_getCoefficients(SWS_CS_ITU601);
        sws_setColorspaceDetails(scaler, coefficients, fullRange ? 1 : 0, coefficients, 0, 0, 1 << 16, 1 << 16);
        check(av_frame_make_writable(m_picture.get()), "a picture");
        sws_scale(scaler, from->data, from->linesize, 0, sourceHeight, m_picture->data, m_picture->linesize);
    }

    void encodeVideo(const AVFrame* picture)
    {
        check(avcodec_send_frame(m_videoCodec.get(), picture), "the H.264 encoder");
        writePackets(m_videoCodec.get(), m_videoStream);
    }

    void writePackets(AVCodecContext* codec, AVStream* stream)
    {
        for (;;) {
            const int got = avcodec_receive_packet(codec, m_packet.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return;
            check(got, "the encoder");
            if (m_packet->duration == 0 && codec == m_videoCodec.get())
                m_packet->duration = 1;
            av_packet_rescale_ts(m_packet.get(), codec->time_base, stream->time_base);
            m_packet->stream_index = stream->index;
            check(av_interleaved_write_frame(m_output.get(), m_packet.get()), "writing");
        }
    }

    // Reads, converts and encodes the sound up to `seconds` from the start
    // of the recording.
    void encodeSoundUntil(double seconds)
    {
        const double rate = m_info.sound.samplesPerSecond;
        const uint64_t until = std::min<uint64_t>(m_soundEnd, static_cast<uint64_t>(std::llround(seconds * rate)));
        while (m_soundNext < until) {
            const size_t samples = static_cast<size_t>(std::min<uint64_t>(until - m_soundNext, kSoundBlockSamples));
            m_soundBytes.resize(samples * m_blockAlign);
            const size_t got = m_reader.readSound(m_soundNext * m_blockAlign, m_soundBytes);
            // Sound that cannot be read is silence, so the track keeps its length.
            const uint8_t silence = m_info.sound.bitsPerSample == 8 ? 0x80 : 0;
            std::fill(m_soundBytes.begin() + static_cast<std::ptrdiff_t>(got), m_soundBytes.end(), silence);
            const uint8_t* in = m_soundBytes.data();
            resample(&in, static_cast<int>(samples));
            m_soundNext += samples;
        }
        encodeSoundFrames(false);
    }

    void resample(const uint8_t** in, int samples)
    {
        const int room = swr_get_out_samples(m_resampler.get(), samples);
        check(room, "the sound conversion");
        m_converted.resize(static_cast<size_t>(room) * m_info.sound.channels);
        uint8_t* planes[2] = {nullptr, nullptr};
        const int channels = m_info.sound.channels;
        // Planar: one block of `room` floats per channel.
        for (int ch = 0; ch < channels; ++ch)
            planes[ch] = reinterpret_cast<uint8_t*>(m_converted.data() + static_cast<size_t>(ch) * room);
        const int made = swr_convert(m_resampler.get(), planes, room, in, samples);
        check(made, "the sound conversion");
        if (made > 0)
            check(av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(planes), made), "the sound buffer");
    }

    // Encodes whole encoder frames from the buffer; `last` also the rest.
    void encodeSoundFrames(bool last)
    {
        AVCodecContext* c = m_soundCodec.get();
        const int frameSize = c->frame_size > 0 ? c->frame_size : 1024;
        while (av_audio_fifo_size(m_fifo.get()) >= frameSize || (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
            const int n = std::min(frameSize, av_audio_fifo_size(m_fifo.get()));
            Frame frame(av_frame_alloc());
            frame->nb_samples = n;
            frame->format = c->sample_fmt;
            frame->sample_rate = c->sample_rate;
            check(av_channel_layout_copy(&frame->ch_layout, &c->ch_layout), "the sound");
            check(av_frame_get_buffer(frame.get(), 0), "the sound");
            check(av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->data), n), "the sound buffer");
            frame->pts = m_soundPts;
            m_soundPts += n;
            check(avcodec_send_frame(c, frame.get()), "the AAC encoder");
            writePackets(c, m_soundStream);
        }
    }

    void finishSound()
    {
        // What the resampler still holds.
        resample(nullptr, 0);
        encodeSoundFrames(true);
        check(avcodec_send_frame(m_soundCodec.get(), nullptr), "the AAC encoder");
        writePackets(m_soundCodec.get(), m_soundStream);
    }

    const AviReader& m_reader;
    const AviInfo& m_info;
    const uint32_t m_first;
    const uint32_t m_end;
    ExportProgress* m_progress;
    PictureDecoder m_decoder;
    std::unique_ptr<AVFormatContext, OutputFree> m_output;
    Codec m_videoCodec;
    AVStream* m_videoStream = nullptr;
    Frame m_picture;
    std::unique_ptr<SwsContext, ScaleFree> m_scaler;
    Packet m_packet;
    int m_width = 0;
    int m_height = 0;

    Codec m_soundCodec;
    AVStream* m_soundStream = nullptr;
    std::unique_ptr<SwrContext, ResampleFree> m_resampler;
    std::unique_ptr<AVAudioFifo, FifoFree> m_fifo;
    uint16_t m_blockAlign = 2;
    uint64_t m_soundNext = 0; // next source sample to read
    uint64_t m_soundEnd = 0;
    int64_t m_soundPts = 0;
    std::vector<uint8_t> m_soundBytes;
    std::vector<float> m_converted;
};

// The frames [first, end) of `span`; refuses a span that is not inside the recording.
std::pair<uint32_t, uint32_t> framesOf(const AviInfo& info, const ExportSpan& span)
{
    const double rate = info.frameRate();
    const double duration = *info.durationSeconds();
    const double from = span.from.value_or(0.0);
    const double to = span.to.value_or(duration);
    const std::string named = "The span from " + secondsText(from) + " to " + secondsText(to);
    if (!std::isfinite(from) || !std::isfinite(to) || from < 0.0)
        refuse(named + " is not a span of time.");
    // Half a frame of slack for a time that was rounded on its way here.
    const double slack = 0.5 / rate;
    if (from >= duration || to > duration + slack)
        refuse(named + " lies outside the recording, which is " + secondsText(duration) + " long.");
    if (to <= from)
        refuse(named + " is not a span of time.");
    const auto frameFrom = [&](double seconds) {
        return static_cast<uint32_t>(std::min<double>(info.frameCount, std::ceil(seconds * rate - 1e-6)));
    };
    const uint32_t first = frameFrom(from);
    const uint32_t end = frameFrom(to);
    if (first >= end)
        refuse(named + " holds no frame of the recording.");
    return {first, end};
}

} // namespace

ExportResult exportToMp4(const std::string& source, const std::string& target, const ExportSpan& span,
                         ExportProgress* progress)
{
    quietLibraries();
    ExportResult result;
    try {
        const std::string name = fs::path(source).filename().string();
        AviReader reader;
        if (const AviError error = reader.open(source); error != AviError::None)
            refuse(name + " is not a readable recording: " + aviErrorText(error));
        if (!reader.info().durationSeconds() || !(reader.info().frameRate() > 0.0))
            refuse(name + " is not a readable recording: The file gives no frame rate.");
        const auto [first, end] = framesOf(reader.info(), span);
        std::error_code ec;
        if (fs::equivalent(source, target, ec))
            refuse("The MP4 file cannot replace the recording itself; choose another name.");
        if (fs::is_directory(target, ec))
            refuse(target + " is a folder; choose a file name.");
        if (progress)
            progress->setTotal(end - first);

        TemporaryFile file{fs::path(target)};
        Export job(reader, first, end, progress);
        job.run(file.path());
        file.renameTo(target);
        result.ok = true;
        result.frames = end - first;
        result.sound = job.hasSound();
    } catch (const Refusal& refusal) {
        result.error = refusal.text;
    } catch (const std::bad_alloc&) {
        result.error = "There is not enough memory for the export.";
    } catch (const std::exception& e) {
        result.error = std::string("The export failed: ") + e.what() + ".";
    }
    return result;
}

} // namespace media
