#include "media/avi/AviReader.h"

#include "media/avi/AviLayout.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace media {

// Where the reader takes its bytes from: a file or memory.
class AviSource {
public:
    virtual ~AviSource() = default;
    virtual uint64_t size() const = 0;
    // All `n` bytes at `position`, or false.
    virtual bool readAt(uint64_t position, void* into, size_t n) const = 0;
};

namespace {

// The header list is small in every real file (ours: 358 bytes); a larger
// one is refused rather than read.
constexpr uint32_t kMaxHeaderListBytes = 1u << 20;
// Top-level chunks looked at before giving up on finding the lists.
constexpr int kMaxTopLevelChunks = 4096;
// Index entries read per block.
constexpr size_t kIndexBlockEntries = 4096;
// The chunk scan reads the file in blocks of this size.
constexpr size_t kScanBlockBytes = 64 * 1024;

class FileSource final : public AviSource {
public:
    FileSource(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    ~FileSource() override { ::close(m_fd); }
    uint64_t size() const override { return m_size; }
    bool readAt(uint64_t position, void* into, size_t n) const override
    {
        auto* at = static_cast<uint8_t*>(into);
        while (n > 0) {
            const ssize_t got = ::pread(m_fd, at, n, static_cast<off_t>(position));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            at += got;
            position += static_cast<uint64_t>(got);
            n -= static_cast<size_t>(got);
        }
        return true;
    }

private:
    int m_fd;
    uint64_t m_size;
};

class MemorySource final : public AviSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint64_t size() const override { return m_bytes.size(); }
    bool readAt(uint64_t position, void* into, size_t n) const override
    {
        if (position > m_bytes.size() || n > m_bytes.size() - position)
            return false;
        if (n > 0)
            std::memcpy(into, m_bytes.data() + position, n);
        return true;
    }

private:
    std::span<const uint8_t> m_bytes;
};

bool isId(const uint8_t* at, const char* id)
{
    return std::memcmp(at, id, 4) == 0;
}

uint16_t u16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

bool sameIgnoringCase(const uint8_t* at, const char* id)
{
    for (int i = 0; i < 4; ++i)
        if (std::toupper(at[i]) != id[i])
            return false;
    return true;
}

bool isMotionJpeg(const uint8_t* fourcc)
{
    return sameIgnoringCase(fourcc, "MJPG") || sameIgnoringCase(fourcc, "JPEG");
}

// A chunk identifier is four printable characters; anything else means the
// scan has run into damaged data.
bool plausibleId(const uint8_t* id)
{
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E)
            return false;
    return true;
}

// Reads through a block of the file so that a scan of many small chunks does
// not cost a system call each.
class BlockReader {
public:
    explicit BlockReader(const AviSource& source) : m_source(source), m_block(kScanBlockBytes) {}
    bool read(uint64_t position, uint8_t* into, size_t n)
    {
        if (position < m_start || position + n > m_start + m_valid) {
            const uint64_t rest = m_source.size() > position ? m_source.size() - position : 0;
            m_valid = static_cast<size_t>(std::min<uint64_t>(rest, m_block.size()));
            m_start = position;
            if (m_valid < n || !m_source.readAt(position, m_block.data(), m_valid)) {
                m_valid = 0;
                return false;
            }
        }
        std::memcpy(into, m_block.data() + (position - m_start), n);
        return true;
    }

private:
    const AviSource& m_source;
    std::vector<uint8_t> m_block;
    uint64_t m_start = 0;
    size_t m_valid = 0;
};

} // namespace

const char* aviErrorText(AviError error)
{
    switch (error) {
    case AviError::None: return "";
    case AviError::CannotOpen: return "The file cannot be opened.";
    case AviError::Empty: return "The file is empty.";
    case AviError::NotRiff: return "The file is not an AVI file.";
    case AviError::NotAvi: return "The file is not an AVI file.";
    case AviError::DamagedHeader: return "The file's header is damaged.";
    case AviError::NoVideo: return "The file holds no video.";
    case AviError::NotMotionJpeg: return "The file's video is not Motion-JPEG.";
    case AviError::NoFrames: return "The file holds no complete frame.";
    case AviError::ReadFailed: return "The file could not be read.";
    case AviError::NoSuchFrame: return "The frame is beyond the end of the file.";
    case AviError::DamagedFrame: return "The frame is damaged.";
    }
    return "The file is damaged.";
}

double AviInfo::frameRate() const
{
    if (rate == 0 || scale == 0)
        return 0.0;
    return static_cast<double>(rate) / static_cast<double>(scale);
}

std::optional<double> AviInfo::durationSeconds() const
{
    const double r = frameRate();
    if (!(r > 0.0) || !std::isfinite(r))
        return std::nullopt;
    return static_cast<double>(frameCount) / r;
}

double AviInfo::frameTime(uint32_t k) const
{
    const double r = frameRate();
    return r > 0.0 ? static_cast<double>(k) / r : 0.0;
}

AviReader::AviReader() = default;
AviReader::~AviReader() = default;
AviReader::AviReader(AviReader&&) noexcept = default;
AviReader& AviReader::operator=(AviReader&&) noexcept = default;

bool AviReader::isOpen() const
{
    return m_source != nullptr;
}

AviError AviReader::open(const std::string& path)
{
    *this = AviReader();
    // Non-blocking, so that a named pipe put in the folder cannot hold the
    // caller; only regular files are read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return AviError::CannotOpen;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return AviError::CannotOpen;
    }
    m_source = std::make_unique<FileSource>(fd, static_cast<uint64_t>(st.st_size));
    return load();
}

AviError AviReader::openMemory(std::span<const uint8_t> bytes)
{
    *this = AviReader();
    m_source = std::make_unique<MemorySource>(bytes);
    return load();
}

AviError AviReader::load()
{
    uint64_t moviStart = 0;
    uint64_t moviEnd = 0;
    uint64_t indexAt = 0;
    AviError error = readHeaders(moviStart, moviEnd, indexAt);
    if (error == AviError::None) {
        m_info.fromIndex = indexAt != 0 && readIndex(moviStart, indexAt);
        if (!m_info.fromIndex)
            scanChunks(moviStart, moviEnd);
        if (m_frames.empty())
            error = AviError::NoFrames;
    }
    if (error != AviError::None) {
        m_source.reset();
        m_frames.clear();
        m_sound.clear();
        m_soundStart.clear();
        return error;
    }
    m_info.frameCount = static_cast<uint32_t>(m_frames.size());
    m_info.hasSound = !m_sound.empty();
    m_soundStart.reserve(m_sound.size());
    uint64_t soundBytes = 0;
    for (const Chunk& c : m_sound) {
        m_soundStart.push_back(soundBytes);
        soundBytes += c.size;
    }
    m_info.soundBytes = soundBytes;
    return AviError::None;
}

// Walks the top-level chunks of the RIFF form: the header list is parsed,
// the "movi" list and the index are located. `moviStart` is the position of
// the "movi" identifier (index offsets count from there).
AviError AviReader::readHeaders(uint64_t& moviStart, uint64_t& moviEnd, uint64_t& indexAt)
{
    const AviSource& src = *m_source;
    const uint64_t fileSize = src.size();
    if (fileSize == 0)
        return AviError::Empty;
    uint8_t riff[12] = {};
    const size_t head = static_cast<size_t>(std::min<uint64_t>(fileSize, sizeof riff));
    if (!src.readAt(0, riff, head))
        return AviError::ReadFailed;
    if (head < 4 || !isId(riff, "RIFF"))
        return AviError::NotRiff;
    if (head < 12)
        return AviError::DamagedHeader;
    if (!isId(riff + 8, "AVI "))
        return AviError::NotAvi;
    // A RIFF size that lies beyond the end (a file cut short) is held to the file.
    const uint64_t riffEnd = std::min<uint64_t>(fileSize, uint64_t{getU32(riff + 4)} + 8);

    bool haveHeader = false;
    bool haveVideo = false;
    uint64_t pos = 12;
    for (int n = 0; n < kMaxTopLevelChunks && pos + 8 <= riffEnd; ++n) {
        uint8_t h[12] = {};
        const size_t got = pos + 12 <= riffEnd ? 12 : 8;
        if (!src.readAt(pos, h, got))
            return AviError::ReadFailed;
        const uint32_t size = getU32(h + 4);
        const uint64_t end = pos + 8 + size;
        if (isId(h, "LIST") && got == 12 && isId(h + 8, "hdrl") && !haveHeader) {
            if (size < 4 || size > kMaxHeaderListBytes || end > riffEnd)
                return AviError::DamagedHeader;
            std::vector<uint8_t> list(size - 4);
            if (!src.readAt(pos + 12, list.data(), list.size()))
                return AviError::ReadFailed;
            haveHeader = true;
            // Streams in their order; a stream's chunks carry its number.
            int stream = 0;
            bool haveSound = false;
            uint32_t microseconds = 0;
            for (size_t at = 0; at + 8 <= list.size();) {
                const uint8_t* c = list.data() + at;
                const uint32_t csize = getU32(c + 4);
                if (csize > list.size() - at - 8)
                    return AviError::DamagedHeader;
                const uint8_t* data = c + 8;
                if (isId(c, "avih") && csize >= 40) {
                    microseconds = getU32(data);
                    m_info.headerFrames = getU32(data + 16);
                    m_info.width = getU32(data + 32);
                    m_info.height = getU32(data + 36);
                } else if (isId(c, "LIST") && csize >= 4 && isId(data, "strl")) {
                    // One stream: its header and its format.
                    const uint8_t* strh = nullptr;
                    const uint8_t* strf = nullptr;
                    uint32_t strfSize = 0;
                    for (uint32_t s = 4; s + 8 <= csize;) {
                        const uint8_t* sc = data + s;
                        const uint32_t ssize = getU32(sc + 4);
                        if (ssize > csize - s - 8)
                            return AviError::DamagedHeader;
                        if (isId(sc, "strh") && ssize >= 36 && !strh)
                            strh = sc + 8;
                        else if (isId(sc, "strf") && !strf) {
                            strf = sc + 8;
                            strfSize = ssize;
                        }
                        s += 8 + ssize + (ssize & 1);
                    }
                    const char number[2] = {static_cast<char>('0' + stream / 10 % 10),
                                            static_cast<char>('0' + stream % 10)};
                    if (strh && isId(strh, "vids") && !haveVideo) {
                        haveVideo = true;
                        bool mjpeg = isMotionJpeg(strh + 4);
                        if (strf && strfSize >= 20) {
                            m_info.width = getU32(strf + 4);
                            const int32_t height = static_cast<int32_t>(getU32(strf + 8));
                            m_info.height = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
                            mjpeg = mjpeg || isMotionJpeg(strf + 16);
                        }
                        if (!mjpeg)
                            return AviError::NotMotionJpeg;
                        m_info.scale = getU32(strh + 20);
                        m_info.rate = getU32(strh + 24);
                        m_videoId[0] = number[0];
                        m_videoId[1] = number[1];
                    } else if (strh && isId(strh, "auds") && !haveSound && strf && strfSize >= 16) {
                        haveSound = true;
                        m_info.sound.formatTag = u16(strf);
                        m_info.sound.channels = u16(strf + 2);
                        m_info.sound.samplesPerSecond = getU32(strf + 4);
                        m_info.sound.bytesPerSecond = getU32(strf + 8);
                        m_info.sound.blockAlign = u16(strf + 12);
                        m_info.sound.bitsPerSample = u16(strf + 14);
                        m_soundId[0] = number[0];
                        m_soundId[1] = number[1];
                    }
                    ++stream;
                }
                at += 8 + csize + (csize & 1);
            }
            if (!haveVideo)
                return AviError::NoVideo;
            if (m_info.rate == 0 || m_info.scale == 0) {
                // The stream header gives no rate: the main header's frame time.
                m_info.rate = microseconds != 0 ? 1000000u : 0u;
                m_info.scale = microseconds;
            }
        } else if (isId(h, "LIST") && got == 12 && isId(h + 8, "movi") && moviStart == 0) {
            if (!haveHeader)
                return AviError::DamagedHeader;
            moviStart = pos + 8;
            moviEnd = std::min(end, riffEnd);
        } else if (isId(h, "idx1") && indexAt == 0) {
            indexAt = pos;
        }
        if (size == 0xFFFFFFFFu)
            break;
        pos = end + (size & 1);
    }
    if (!haveHeader)
        return AviError::DamagedHeader;
    if (moviStart == 0)
        return AviError::NoFrames;
    return AviError::None;
}

void AviReader::addChunk(const uint8_t* id, uint64_t position, uint32_t size)
{
    if (id[0] == m_videoId[0] && id[1] == m_videoId[1] && id[2] == 'd' && (id[3] == 'c' || id[3] == 'b')) {
        if (m_frames.size() < kMaxChunks)
            m_frames.push_back({position, size});
    } else if (id[0] == m_soundId[0] && id[1] == m_soundId[1] && id[2] == 'w' && id[3] == 'b') {
        if (m_sound.size() < kMaxChunks && size > 0)
            m_sound.push_back({position, size});
    }
}

// The chunk header at the chunk's place has the stream number and kind of
// `id` (its first three characters) and the chunk's size.
bool AviReader::isChunkOf(const Chunk& chunk, const uint8_t* id) const
{
    uint8_t h[8];
    if (!m_source->readAt(chunk.position, h, sizeof h))
        return false;
    return h[0] == id[0] && h[1] == id[1] && h[2] == id[2] && getU32(h + 4) == chunk.size;
}

// The index is taken when every entry lies inside the file and the first and
// last frames are where it says; otherwise the caller scans the chunks.
bool AviReader::readIndex(uint64_t moviStart, uint64_t indexAt)
{
    const AviSource& src = *m_source;
    const uint64_t fileSize = src.size();
    uint8_t h[8];
    if (!src.readAt(indexAt, h, sizeof h))
        return false;
    const uint64_t bytes = getU32(h + 4);
    if (indexAt + 8 + bytes > fileSize)
        return false; // cut short: the chunks know more than the rest of the index
    const uint64_t entries = bytes / kIndexEntryBytes;
    std::vector<uint8_t> block;
    // Calls `take(entry)` for every entry, block by block; false when a read
    // failed or `take` said stop.
    const auto forEachEntry = [&](const auto& take) {
        for (uint64_t first = 0; first < entries; first += kIndexBlockEntries) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(kIndexBlockEntries, entries - first));
            block.resize(n * kIndexEntryBytes);
            if (!src.readAt(indexAt + 8 + first * kIndexEntryBytes, block.data(), block.size()))
                return false;
            for (size_t i = 0; i < n; ++i)
                if (!take(block.data() + i * kIndexEntryBytes))
                    return false;
        }
        return true;
    };
    const auto isVideo = [&](const uint8_t* e) {
        return e[0] == uint8_t(m_videoId[0]) && e[1] == uint8_t(m_videoId[1]) && e[2] == 'd';
    };

    // Offsets count from the "movi" identifier, or in some files from the
    // start of the file: decided by the first frame entry.
    std::optional<uint64_t> base;
    forEachEntry([&](const uint8_t* e) {
        if (!isVideo(e))
            return true;
        const Chunk relative{moviStart + getU32(e + 8), getU32(e + 12)};
        const Chunk absolute{getU32(e + 8), getU32(e + 12)};
        if (isChunkOf(relative, e))
            base = moviStart;
        else if (isChunkOf(absolute, e))
            base = 0;
        return false;
    });
    if (!base)
        return false;
    const bool inside = forEachEntry([&](const uint8_t* e) {
        const uint64_t position = *base + getU32(e + 8);
        const uint32_t size = getU32(e + 12);
        if (position < moviStart + 4 || position + 8 + size > fileSize)
            return false;
        addChunk(e, position, size);
        return true;
    });
    if (!inside || m_frames.empty() || !isChunkOf(m_frames.back(), reinterpret_cast<const uint8_t*>(m_videoId))) {
        m_frames.clear();
        m_sound.clear();
        return false;
    }
    return true;
}

// Walks the chunks of the "movi" list in file order, stepping into "rec "
// lists, and stops at the first chunk that is cut short or not a chunk.
void AviReader::scanChunks(uint64_t moviStart, uint64_t moviEnd)
{
    m_frames.clear();
    m_sound.clear();
    BlockReader reader(*m_source);
    uint64_t pos = moviStart + 4;
    while (pos + 8 <= moviEnd) {
        uint8_t h[12];
        if (!reader.read(pos, h, 8) || !plausibleId(h))
            return;
        const uint32_t size = getU32(h + 4);
        if (isId(h, "LIST")) {
            if (pos + 12 > moviEnd || !reader.read(pos, h, 12))
                return;
            pos += 12; // the list's chunks follow
            continue;
        }
        if (pos + 8 + size > moviEnd)
            return;
        addChunk(h, pos, size);
        pos += 8 + uint64_t{size} + (size & 1);
    }
}

AviError AviReader::readFrame(uint32_t k, std::vector<uint8_t>& jpeg) const
{
    jpeg.clear();
    if (!m_source)
        return AviError::CannotOpen;
    if (k >= m_frames.size())
        return AviError::NoSuchFrame;
    const Chunk& c = m_frames[k];
    if (c.size > kMaxFrameBytes)
        return AviError::DamagedFrame;
    uint8_t h[8];
    if (!m_source->readAt(c.position, h, sizeof h))
        return AviError::ReadFailed;
    if (h[0] != uint8_t(m_videoId[0]) || h[1] != uint8_t(m_videoId[1]) || getU32(h + 4) != c.size)
        return AviError::DamagedFrame;
    jpeg.resize(c.size);
    if (!m_source->readAt(c.position + 8, jpeg.data(), c.size)) {
        jpeg.clear();
        return AviError::ReadFailed;
    }
    return AviError::None;
}

uint32_t AviReader::frameAt(double seconds) const
{
    if (m_frames.empty())
        return 0;
    const double k = std::floor(seconds * m_info.frameRate() + 1e-6);
    if (!(k > 0.0))
        return 0;
    const double last = static_cast<double>(m_frames.size() - 1);
    return static_cast<uint32_t>(std::min(k, last));
}

size_t AviReader::readSound(uint64_t offset, std::span<uint8_t> into) const
{
    if (!m_source || m_sound.empty())
        return 0;
    auto it = std::upper_bound(m_soundStart.begin(), m_soundStart.end(), offset);
    size_t i = static_cast<size_t>(it - m_soundStart.begin());
    if (i == 0)
        return 0;
    --i;
    size_t copied = 0;
    while (copied < into.size() && i < m_sound.size()) {
        const Chunk& c = m_sound[i];
        const uint64_t within = offset - m_soundStart[i];
        if (within >= c.size) {
            ++i;
            continue;
        }
        const size_t n = static_cast<size_t>(std::min<uint64_t>(c.size - within, into.size() - copied));
        if (!m_source->readAt(c.position + 8 + within, into.data() + copied, n))
            break;
        copied += n;
        offset += n;
        ++i;
    }
    return copied;
}

} // namespace media
