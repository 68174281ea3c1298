#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace media {

// Why a file could not be read, or a frame could not be taken from it.
enum class AviError {
    None,
    CannotOpen,     // the file cannot be opened or its size read
    Empty,          // zero bytes
    NotRiff,        // does not start with "RIFF"
    NotAvi,         // a RIFF file of another form than "AVI "
    DamagedHeader,  // the header list is cut short or its sizes lie
    NoVideo,        // no video stream
    NotMotionJpeg,  // the video stream is not Motion-JPEG
    NoFrames,       // not one whole frame in the file
    ReadFailed,     // reading failed (the file shrank or the disk failed)
    NoSuchFrame,    // a frame number beyond the last frame
    DamagedFrame,   // the chunk at the frame's place is not that frame
};

// A short English text for the operator: "The file is not an AVI file." ...
const char* aviErrorText(AviError error);

// The sound stream's format as its header gives it (wave format).
struct AviSoundFormat {
    uint16_t formatTag = 0; // 1: PCM
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t bytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    bool operator==(const AviSoundFormat&) const = default;
};

// What the reader found in a file.
struct AviInfo {
    uint32_t width = 0;  // from the video stream's picture header
    uint32_t height = 0;
    uint32_t frameCount = 0;    // whole frames found (by the index or the chunk scan)
    uint32_t headerFrames = 0;  // total frames as the main header states them
    // Frame rate as the video stream header gives it: rate / scale frames/s;
    // from the main header's microseconds per frame when those are 0.
    uint32_t rate = 0;
    uint32_t scale = 0;
    bool hasSound = false;
    AviSoundFormat sound;
    uint64_t soundBytes = 0;   // found in the sound chunks
    bool fromIndex = false;    // positions came from the index; false: chunk scan

    // Frames per second; 0 when the file gives no usable rate.
    double frameRate() const;
    // frameCount / frameRate in seconds; nothing when the rate is unusable.
    std::optional<double> durationSeconds() const;
    // The time at which frame `k` is shown, in seconds (k / frameRate).
    double frameTime(uint32_t k) const;
};

class AviSource;

// Reads Motion-JPEG AVI files: the files the recording writes and others a
// user puts into a recording folder. The input is untrusted: every size is
// checked against the file before it is used, memory is bounded (at most
// kMaxChunks frame and sound chunks, frames of at most kMaxFrameBytes), and a
// damaged file gives an AviError, never a crash or an endless loop.
//
// The frame and sound positions come from the index ("idx1"); when it is
// missing or does not agree with the chunks, from a scan of the "movi" list,
// which stops at the first chunk cut short.
//
// After a successful open the reader may be used from several threads at
// once: reads do not move a shared file position.
class AviReader {
public:
    static constexpr uint32_t kMaxChunks = 1u << 20;        // per stream
    static constexpr uint32_t kMaxFrameBytes = 16u << 20;   // one JPEG picture

    AviReader();
    ~AviReader();
    AviReader(AviReader&&) noexcept;
    AviReader& operator=(AviReader&&) noexcept;

    // Opens the file and reads its structure. None on success.
    AviError open(const std::string& path);
    // The same over bytes in memory, which must outlive the reader.
    AviError openMemory(std::span<const uint8_t> bytes);
    bool isOpen() const;

    const AviInfo& info() const { return m_info; }

    // The JPEG bytes of frame `k` (0-based) into `jpeg` (replaced). A frame
    // chunk of length 0 (a dropped frame) gives an empty picture and None.
    AviError readFrame(uint32_t k, std::vector<uint8_t>& jpeg) const;
    // The frame shown at `seconds` from the start (clamped to the frames).
    uint32_t frameAt(double seconds) const;

    // Copies sound bytes from byte `offset` of the sound stream (its chunks
    // joined) into `into`; returns how many were copied (fewer at the end of
    // the sound or when a chunk could not be read).
    size_t readSound(uint64_t offset, std::span<uint8_t> into) const;

private:
    struct Chunk {
        uint64_t position; // of the chunk header in the file
        uint32_t size;     // data bytes
    };
    AviError load();
    AviError readHeaders(uint64_t& moviStart, uint64_t& moviEnd, uint64_t& indexAt);
    bool readIndex(uint64_t moviStart, uint64_t indexAt);
    bool isChunkOf(const Chunk& chunk, const uint8_t* id) const;
    void scanChunks(uint64_t moviStart, uint64_t moviEnd);
    void addChunk(const uint8_t* id, uint64_t position, uint32_t size);

    std::unique_ptr<AviSource> m_source;
    AviInfo m_info;
    char m_videoId[4] = {'0', '0', 'd', 'c'}; // stream number; "dc" or "db" both taken
    char m_soundId[4] = {'0', '1', 'w', 'b'};
    std::vector<Chunk> m_frames;
    std::vector<Chunk> m_sound;
    std::vector<uint64_t> m_soundStart; // sound byte offset of each sound chunk
};

} // namespace media
