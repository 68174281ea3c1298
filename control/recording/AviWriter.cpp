#include "control/recording/AviWriter.h"

#include "control/recording/AviRecovery.h"
#include "control/recording/DiskFlusher.h"
#include "control/recording/RecordingFile.h"
#include "control/stream/PictureSize.h"

#include <algorithm>
#include <cstring>
#include <sys/uio.h>

namespace strovix::recording {
namespace {

constexpr uint8_t kPad[1] = {0};

} // namespace

AviWriter::AviWriter(const RecordingClock& clock) : m_clock(clock), m_flusher(DiskFlusher::instance())
{
    m_videoIndex.reserve(kMaxVideoEntries);
    resetFile();
}

AviWriter::~AviWriter()
{
    resetFile(); // before the flusher may go
}

void AviWriter::Reset()
{
    resetFile();
}

void AviWriter::resetFile()
{
    if (m_file) {
        m_file->abandon();
        m_file.reset();
    }
    m_width = kDefaultWidth;
    m_height = kDefaultHeight;
    m_frames = 0;
    m_writePos = kAviHeadSize;
    m_videoIndex.clear(); // keeps its room
}

int AviWriter::takeWriteError()
{
    return std::exchange(m_writeError, 0);
}

std::string AviWriter::namedFile(const char* marker) const
{
    return withSlash(m_folder) + m_prefix + marker + formatTimestamp(m_clock.localNow()) + ".avi";
}

void AviWriter::fail(int error)
{
    m_writeError = error;
    resetFile();
    m_audio.clear();
}

uint32_t AviWriter::AddFrame(std::span<const uint8_t> frame, const std::string& folder, const std::string& prefix, float rate)
{
    m_folder = folder;
    m_prefix = prefix;
    m_rate = rate;
    m_lastFrameRefused = false;

    if (frame.size() > kMaxFrameBytes) {
        m_lastFrameRefused = true;
        ++m_refusedFrames;
        return m_frames;
    }

    // A new picture size (both dimensions) closes the file built so far. The
    // size comes from the picture's start-of-frame segment, whatever its kind
    // (baseline, extended, progressive; grey or colour); a picture without
    // one leaves the size as it is.
    const auto size = findStartOfFrame(frame.data(), frame.size());
    if (size && size->width > 0 && size->height > 0 && size->width != m_width && size->height != m_height) {
        if (m_frames > 0) {
            const int result = finishFile(namedFile("ResChange"));
            resetFile();
            m_audio.clear();
            if (result != 0)
                m_writeError = result;
        }
        m_width = size->width;
        m_height = size->height;
    }

    const uint32_t length = static_cast<uint32_t>(frame.size());
    const uint32_t pad = length & 1u;
    if (m_frames >= kMaxVideoEntries || m_writePos + kChunkHeaderBytes + length + pad > kMaxMoviEnd) {
        m_lastFrameRefused = true;
        ++m_refusedFrames;
        return m_frames;
    }

    if (!m_file) {
        if (const int error = openFile(folder, prefix); error != 0) {
            fail(error);
            return m_frames;
        }
    }

    uint8_t header[kChunkHeaderBytes];
    std::memcpy(header, "00db", 4);
    putU32(header + 4, length);
    const iovec parts[3] = {
        {header, sizeof header},
        {const_cast<uint8_t*>(frame.data()), frame.size()},
        {const_cast<uint8_t*>(kPad), pad},
    };
    if (const int error = m_file->writeAt(m_writePos, parts, pad ? 3 : 2); error != 0) {
        fail(error);
        return m_frames;
    }
    m_videoIndex.emplace_back(static_cast<uint32_t>(m_writePos - kMoviIdOffset), length);
    m_writePos += kChunkHeaderBytes + length + pad;
    return ++m_frames;
}

int AviWriter::openFile(const std::string& folder, const std::string& prefix)
{
    // Whatever an earlier crash left in this folder is finished first.
    if (m_recoveredFolders.insert(folder).second)
        recoverUnfinishedAvi(folder);

    int error = 0;
    m_file = RecordingFile::create(folder, prefix, error);
    m_audio.setFolder(folder);
    if (!m_file)
        return error;
    // The head written now records size and rate for a recovery.
    AviHeadFields fields;
    fields.width = m_width;
    fields.height = m_height;
    fields.rate = m_rate;
    const AviHeadImage head = buildAviHead(fields);
    m_writePos = kAviHeadSize;
    return m_file->writeAt(0, head);
}

void AviWriter::AddAudio(std::span<const uint8_t> bytes)
{
    if (const int error = m_audio.append(bytes); error != 0)
        fail(error);
}

int AviWriter::finishFile(const std::string& name)
{
    // Whole samples only, and no more than the 32-bit sizes of the format hold.
    const uint64_t indexRoom = static_cast<uint64_t>(m_frames) * kIndexEntryBytes + kChunkHeaderBytes;
    uint64_t audioBytes = m_audio.size() & ~uint64_t{1};
    const uint64_t room = 0xFFFFFFF0ull - m_writePos - indexRoom;
    while (audioBytes > 0) {
        const uint64_t chunks = (audioBytes + kAudioChunkBytes - 1) / kAudioChunkBytes;
        const uint64_t needed = audioBytes + chunks * (kChunkHeaderBytes + kIndexEntryBytes);
        if (needed <= room)
            break;
        const uint64_t excess = needed - room;
        audioBytes = excess >= audioBytes ? 0 : (audioBytes - excess) & ~uint64_t{1};
    }

    std::vector<IndexEntry> audioIndex;
    std::vector<uint8_t> chunk(kChunkHeaderBytes + kAudioChunkBytes);
    std::memcpy(chunk.data(), "01wb", 4);
    int error = 0;
    uint64_t pos = m_writePos;
    for (uint64_t start = 0; start < audioBytes && error == 0; start += kAudioChunkBytes) {
        const uint32_t size = static_cast<uint32_t>(std::min<uint64_t>(kAudioChunkBytes, audioBytes - start));
        putU32(chunk.data() + 4, size);
        error = m_audio.read(start, std::span(chunk).subspan(kChunkHeaderBytes, size));
        if (error == 0)
            error = m_file->writeAt(pos, std::span(chunk).first(kChunkHeaderBytes + size));
        audioIndex.emplace_back(static_cast<uint32_t>(pos - kMoviIdOffset), size);
        pos += kChunkHeaderBytes + size;
    }
    const uint64_t moviEnd = pos;
    const std::vector<uint8_t> index = buildIndexChunk(m_videoIndex, audioIndex);
    if (error == 0)
        error = m_file->writeAt(moviEnd, index);

    AviHeadFields fields;
    fields.width = m_width;
    fields.height = m_height;
    fields.frames = m_frames;
    fields.rate = m_rate;
    fields.audioBytes = static_cast<uint32_t>(audioBytes);
    fields.moviEnd = static_cast<uint32_t>(moviEnd);
    fields.fileLength = static_cast<uint32_t>(moviEnd + index.size());
    if (error == 0)
        error = m_file->writeAt(0, buildAviHead(fields));
    if (error == 0)
        error = m_file->finish(name);
    if (error != 0)
        m_file->abandon();
    m_file.reset();
    return error;
}

int AviWriter::Close(float rate, const std::string& fileName)
{
    if (rate == 0.0f)
        return 1;
    m_rate = rate;
    int result = 0;
    if (m_frames > 0)
        result = finishFile(fileName);
    resetFile();
    m_audio.clear();
    return result;
}

void AviWriter::FinalClose()
{
    if (m_frames > 0) {
        if (!(m_rate > 0.0f))
            m_rate = 1.0f;
        finishFile(namedFile("End"));
    }
    resetFile();
    m_audio.clear();
}

} // namespace strovix::recording
