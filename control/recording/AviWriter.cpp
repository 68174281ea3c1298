#include "control/recording/AviWriter.h"

#include "control/recording/AviRecovery.h"
#include "control/recording/DiskFlusher.h"
#include "control/recording/RecordingFile.h"
#include "control/recording/RecordingLog.h"
#include "media/jpeg/PictureSize.h"

#include <algorithm>
#include <cstring>
#include <sys/uio.h>
#include <utility>

Q_LOGGING_CATEGORY(strovix::recording::recorderLog, "strovix.recording", QtInfoMsg)

namespace strovix::recording {

using namespace media;
namespace {

constexpr uint8_t kPad[1] = {0};

// The frame times in the head of a file being written are brought up to date
// at the 2nd, 4th, 8th, ... frame and then at least once a second: a crash
// leaves a rate measured over all but the last second, at the cost of one
// small write a second.
constexpr uint32_t kFrameTimesPeriodMs = 1000;

bool powerOfTwo(uint32_t n)
{
    return n != 0 && (n & (n - 1)) == 0;
}

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

void AviWriter::resetFile()
{
    if (m_file) {
        // Left for recovery, with its sound.
        m_file->abandon();
        m_file.reset();
        m_audio.clear(false);
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
    qCWarning(recorderLog, "recording failed: %s: %s", m_file ? m_file->path().c_str() : (m_folder + "/" + m_prefix).c_str(),
              std::strerror(error));
    m_writeError = error;
    resetFile();
    m_audio.clear(false);
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

    const uint32_t now = m_clock.tickMs();
    if (!m_file) {
        m_times = {now, now, 1};
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
    ++m_frames;
    if (const int error = noteFrameTime(now); error != 0)
        fail(error);
    return m_frames;
}

int AviWriter::noteFrameTime(uint32_t nowMs)
{
    if (m_frames < 2 || (!powerOfTwo(m_frames) && nowMs - m_times.lastTickMs < kFrameTimesPeriodMs))
        return 0;
    m_times.lastTickMs = nowMs;
    m_times.frames = m_frames;
    return m_file->writeAt(kFrameTimesOffset, encodeFrameTimes(m_times));
}

int AviWriter::openFile(const std::string& folder, const std::string& prefix)
{
    // Whatever an earlier crash left in this folder is finished first.
    if (m_recoveredFolders.insert(folder).second)
        recoverUnfinishedAvi(folder);

    int error = 0;
    m_file = RecordingFile::create(folder, prefix, error);
    if (!m_file)
        return error;
    qCInfo(recorderLog, "recording started: %s", m_file->path().c_str());
    if ((error = m_audio.attach(m_file->path())) != 0)
        return error;
    // The head written now records size, rate and the first frame's time for
    // a recovery.
    AviHeadFields fields;
    fields.width = m_width;
    fields.height = m_height;
    fields.rate = m_configuredRate > 0.0f ? m_configuredRate : m_rate;
    AviHeadImage head = buildAviHead(fields);
    const auto times = encodeFrameTimes(m_times);
    std::copy(times.begin(), times.end(), head.begin() + kFrameTimesOffset);
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
    const uint64_t audioBytes = audioBytesThatFit(m_writePos, m_frames, m_audio.size());

    std::vector<IndexEntry> audioIndex;
    uint64_t pos = m_writePos;
    int error = writeSoundChunks(
        pos, audioBytes, [this](uint64_t offset, std::span<uint8_t> into) { return m_audio.read(offset, into); },
        [this](uint64_t at, std::span<const uint8_t> chunk) { return m_file->writeAt(at, chunk); }, audioIndex);
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
    if (error == 0) {
        qCInfo(recorderLog, "recording finished: %s, %u frames, %.1f s", name.c_str(), unsigned(m_frames),
               m_rate > 0.0f ? double(m_frames) / double(m_rate) : 0.0);
    } else {
        qCWarning(recorderLog, "recording failed: %s could not be finished as %s: %s", m_file->path().c_str(),
                  name.c_str(), std::strerror(error));
        m_file->abandon();
    }
    m_file.reset();
    // Finished: the sound is in the file. Failed: it stays for recovery.
    m_audio.clear(error == 0);
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
    m_audio.clear(false);
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
    m_audio.clear(false);
}

} // namespace strovix::recording
