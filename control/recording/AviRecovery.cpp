#include "control/recording/AviRecovery.h"

#include "control/recording/RecordingLog.h"
#include "control/recording/FrameTimes.h"
#include "control/recording/RecordingClock.h"
#include "control/recording/RecordingFile.h"
#include "media/avi/AviLayout.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace strovix::recording {

using namespace media;
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool readAt(int fd, uint64_t offset, void* into, size_t size)
{
    auto* at = static_cast<uint8_t*>(into);
    while (size > 0) {
        const ssize_t n = ::pread(fd, at, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        at += n;
        offset += static_cast<uint64_t>(n);
        size -= static_cast<size_t>(n);
    }
    return true;
}

struct Contents {
    std::vector<IndexEntry> video;
    std::vector<IndexEntry> audio;
    uint64_t audioBytes = 0;
    uint64_t videoEnd = kAviHeadSize; // end of the last whole video chunk
    uint64_t end = kAviHeadSize;      // end of the last whole chunk
};

// Walks the stream chunks: video chunks first, then (when a close was cut
// short) sound chunks. Stops at the first chunk that is not whole or not ours.
Contents readChunks(int fd, uint64_t fileSize)
{
    Contents c;
    uint64_t pos = kAviHeadSize;
    uint8_t header[kChunkHeaderBytes];
    while (pos + kChunkHeaderBytes <= fileSize && readAt(fd, pos, header, sizeof header)) {
        const uint32_t size = getU32(header + 4);
        const bool video = std::memcmp(header, "00db", 4) == 0;
        const bool audio = std::memcmp(header, "01wb", 4) == 0;
        if (video) {
            if (!c.audio.empty() || size > kMaxFrameBytes || c.video.size() >= kMaxVideoEntries)
                break;
        } else if (!audio || size > kAudioChunkBytes || (size & 1u)) {
            break;
        }
        const uint64_t next = pos + kChunkHeaderBytes + size + (size & 1u);
        if (next > fileSize || next > kMaxMoviEnd)
            break;
        (video ? c.video : c.audio).emplace_back(static_cast<uint32_t>(pos - kMoviIdOffset), size);
        if (audio)
            c.audioBytes += size;
        else
            c.videoEnd = next;
        pos = next;
    }
    c.end = pos;
    return c;
}

// Returns 0, or the error that keeps the file for a later attempt.
int finishOne(const std::string& folder, const std::string& name, const std::string& prefix, std::string& finishedName)
{
    const std::string path = withSlash(folder) + name;
    const Descriptor file(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (file.get() < 0)
        return errno;
    // A live writer holds the lock.
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return EBUSY;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return EINVAL;

    const std::string soundPath = soundFileOf(path);
    AviHeadImage head{};
    if (static_cast<uint64_t>(st.st_size) < kAviHeadSize || !readAt(file.get(), 0, head.data(), head.size())) {
        // Created, but not a single frame reached it.
        ::unlink(path.c_str());
        ::unlink(soundPath.c_str());
        return 0;
    }
    if (std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "AVI ", 4) != 0
        || std::memcmp(head.data() + kMoviIdOffset, "movi", 4) != 0)
        return EINVAL; // not a file of ours: leave it alone

    const Contents c = readChunks(file.get(), static_cast<uint64_t>(st.st_size));
    if (c.video.empty()) {
        ::unlink(path.c_str());
        ::unlink(soundPath.c_str());
        return 0;
    }
    const auto frames = static_cast<uint32_t>(c.video.size());

    // The sound collected beside the file follows the video, unless the
    // sound chunks of a close cut short already hold more of it.
    std::vector<IndexEntry> audio = c.audio;
    uint64_t audioBytes = c.audioBytes;
    uint64_t end = c.end;
    const Descriptor sound(::open(soundPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat soundSt {};
    if (sound.get() >= 0 && ::fstat(sound.get(), &soundSt) == 0 && S_ISREG(soundSt.st_mode)) {
        const uint64_t fit = audioBytesThatFit(c.videoEnd, frames, static_cast<uint64_t>(soundSt.st_size));
        if (fit > c.audioBytes) {
            audio.clear();
            end = c.videoEnd;
            const int error = writeSoundChunks(
                end, fit,
                [&sound](uint64_t offset, std::span<uint8_t> into) {
                    return readAt(sound.get(), offset, into.data(), into.size()) ? 0 : EIO;
                },
                [&file](uint64_t at, std::span<const uint8_t> chunk) {
                    iovec part{const_cast<uint8_t*>(chunk.data()), chunk.size()};
                    return writeAllAt(file.get(), at, &part, 1);
                },
                audio);
            if (error != 0)
                return error;
            audioBytes = fit;
        }
    }

    AviHeadFields fields;
    fields.width = getU32(head.data() + 64);
    fields.height = getU32(head.data() + 68);
    // The rate the frames came at; with nothing to measure (a single frame),
    // the rate the file was started with.
    const auto frameTimes = decodeFrameTimes(head);
    if (const auto measured = frameTimes ? frameTimes->rate() : std::nullopt) {
        fields.rate = *measured;
    } else {
        const uint32_t scale = getU32(head.data() + 128);
        const uint32_t rate = getU32(head.data() + 132);
        fields.rate = scale != 0 && rate != 0 ? static_cast<float>(static_cast<double>(rate) / scale) : 1.0f;
    }
    fields.frames = frames;
    fields.audioBytes = static_cast<uint32_t>(audioBytes);
    fields.moviEnd = static_cast<uint32_t>(end);
    const std::vector<uint8_t> index = buildIndexChunk(c.video, audio);
    fields.fileLength = static_cast<uint32_t>(end + index.size());
    const AviHeadImage finished = buildAviHead(fields);

    if (::ftruncate(file.get(), static_cast<off_t>(end)) != 0)
        return errno;
    iovec part{const_cast<uint8_t*>(index.data()), index.size()};
    if (const int error = writeAllAt(file.get(), end, &part, 1); error != 0)
        return error;
    part = {const_cast<uint8_t*>(finished.data()), finished.size()};
    if (const int error = writeAllAt(file.get(), 0, &part, 1); error != 0)
        return error;
    // The recording keeps the time of its last frame.
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(file.get(), times);

    LocalTime when = localTimeOf(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        finishedName = withSlash(folder) + prefix + "End" + formatTimestamp(when) + ".avi";
        const int error = flushAndRename(file.get(), path, finishedName, false);
        if (error == 0)
            ::unlink(soundPath.c_str()); // now inside the finished file
        if (error != EEXIST)
            return error;
        // The name is taken: the next millisecond.
        if (++when.millisecond == 1000) {
            when.millisecond = 0;
            when = localTimeOf(st.st_mtim.tv_sec + 1 + attempt / 1000, 0);
        }
    }
    return EEXIST;
}

} // namespace

std::vector<std::string> recoverUnfinishedAvi(const std::string& folder)
{
    std::vector<std::pair<std::string, std::string>> candidates;
    std::vector<std::string> sounds;
    if (DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (auto prefix = unfinishedPrefixOf(name))
                candidates.emplace_back(name, *prefix);
            else if (unfinishedPrefixOf(unfinishedFileOf(name)))
                sounds.push_back(name);
        }
        ::closedir(dir);
    }
    std::vector<std::string> finished;
    for (const auto& [name, prefix] : candidates) {
        std::string finishedName;
        const int result = finishOne(folder, name, prefix, finishedName);
        if (result == 0 && !finishedName.empty()) {
            qCInfo(recorderLog, "an unfinished recording was finished as %s", finishedName.c_str());
            finished.push_back(finishedName);
        } else if (result != 0) {
            qCWarning(recorderLog, "the unfinished recording %s%s could not be finished: %s", withSlash(folder).c_str(),
                      name.c_str(), std::strerror(result));
        }
    }
    // Sound whose recording is gone (a crash after the recording was given
    // its name, before its sound file was removed) is of no more use. A live
    // writer's recording always exists while its sound file does.
    for (const auto& name : sounds) {
        const std::string sound = withSlash(folder) + name;
        struct stat st {};
        if (::lstat(unfinishedFileOf(sound).c_str(), &st) != 0 && errno == ENOENT)
            ::unlink(sound.c_str());
    }
    return finished;
}

} // namespace strovix::recording
