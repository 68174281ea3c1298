#include "control/stream/StreamParser.h"

#include "media/jpeg/PictureSize.h"

#include <algorithm>
#include <cstring>

namespace strovix {

StreamParser::StreamParser(Shared shared, Hooks hooks)
    : m_shared(std::move(shared)), m_hooks(std::move(hooks)), m_read(kBlockSize), m_block(kBlockSize)
{
}

void StreamParser::resetStream()
{
    m_blockFill = 0;
    m_building.clear();
    m_discarding = false;
    m_prevEndsWithFF = false;
    m_statusAccumulator.clear();
    m_statusPending = false;
    m_statusRemaining = 0;
}

StreamParser::Outcome StreamParser::run(uint32_t requestStartMs)
{
    m_requestStartMs = requestStartMs;
    resetStream();
    for (;;) {
        const long got = m_hooks.read(m_read.data(), kBlockSize);
        if (got <= 0)
            return Outcome::StreamEnded;
        if (stopRequested()) {
            if (m_hooks.stopSeen)
                m_hooks.stopSeen();
            return Outcome::StopSeen;
        }
        if (auto outcome = processBytes(m_read.data(), static_cast<size_t>(got)))
            return *outcome;
    }
}

std::optional<StreamParser::Outcome> StreamParser::processBlock(const uint8_t* block)
{
    return processBytes(block, kBlockSize);
}

std::optional<StreamParser::Outcome> StreamParser::processBytes(const uint8_t* bytes, size_t n)
{
    // The status blocks are cut from whole blocks of the stream, wherever
    // the reads happen to end, so they come out the same however the bytes
    // arrive; a status block may thus be handed over up to one block after
    // its last byte came (the block's last byte completes it). The picture
    // scan goes on over every read, so a picture is complete as soon as its
    // end marker is here. A block's status is taken before the pictures of
    // the read that completes it, as with whole blocks.
    while (n > 0) {
        const size_t take = std::min(n, kBlockSize - m_blockFill);
        if (m_blockFill == 0 && take == kBlockSize) {
            extractStatus(bytes);
        } else {
            std::memcpy(m_block.data() + m_blockFill, bytes, take);
            m_blockFill += take;
            if (m_blockFill == kBlockSize) {
                m_blockFill = 0;
                extractStatus(m_block.data());
            }
        }
        if (auto outcome = scanPictures(bytes, take)) {
            // A single-frame cycle drops the rest of the stream: the status
            // of the block begun is taken from what came of it, so that a
            // status before the picture is not lost.
            if (m_blockFill > 0)
                extractStatus(m_block.data(), m_blockFill);
            m_blockFill = 0;
            return outcome;
        }
        bytes += take;
        n -= take;
    }
    return std::nullopt;
}

std::optional<StreamParser::Outcome> StreamParser::scanPictures(const uint8_t* b, size_t n)
{
    // Bytes from segStart on still have to join the building frame. Every
    // marker is taken in order, so every complete picture is delivered.
    size_t segStart = 0;
    size_t scan = 0;
    if (m_prevEndsWithFF && b[0] == 0xD8) {
        startPicture(-1, segStart);
        scan = 1;
    } else if (m_prevEndsWithFF && b[0] == 0xD9) {
        if (auto o = endPicture(0, b, segStart))
            return o;
        scan = 1;
    }
    while (scan + 1 < n) {
        const void* hit = std::memchr(b + scan, 0xFF, n - 1 - scan);
        if (!hit)
            break;
        const size_t k = static_cast<size_t>(static_cast<const uint8_t*>(hit) - b);
        const uint8_t next = b[k + 1];
        if (next == 0xD8) {
            startPicture(static_cast<long>(k), segStart);
            scan = k + 2;
        } else if (next == 0xD9) {
            if (auto o = endPicture(k + 1, b, segStart))
                return o;
            scan = k + 2;
        } else {
            scan = k + 1;
        }
    }
    appendSegment(b + segStart, n - segStart);
    m_prevEndsWithFF = b[n - 1] == 0xFF;
    return std::nullopt;
}

void StreamParser::appendSegment(const uint8_t* from, size_t n)
{
    if (m_discarding || n == 0)
        return;
    if (m_building.size() + n > kMaxFrameBytes) {
        m_building.clear();
        m_discarding = true;
        return;
    }
    m_building.insert(m_building.end(), from, from + n);
}

void StreamParser::startPicture(long markerPos, size_t& segStart)
{
    // Whatever was collected without an end marker (part headers, status
    // text) is dropped; the picture starts at its FF D8.
    m_building.clear();
    m_discarding = false;
    if (markerPos < 0) {
        m_building.push_back(0xFF); // the FF ended the previous read
        segStart = 0;
    } else {
        segStart = static_cast<size_t>(markerPos);
    }
}

std::optional<StreamParser::Outcome> StreamParser::endPicture(size_t d9Pos, const uint8_t* block, size_t& segStart)
{
    appendSegment(block + segStart, d9Pos + 1 - segStart);
    segStart = d9Pos + 1;
    if (m_discarding) {
        // The end of a picture already dropped for its size: nothing to store.
        m_discarding = false;
        m_building.clear();
        return std::nullopt;
    }
    return completePicture();
}

std::optional<StreamParser::Outcome> StreamParser::completePicture()
{
    const size_t n = m_building.size();
    const bool valid = n >= 4 && m_building[0] == 0xFF && m_building[1] == 0xD8 && m_building[n - 2] == 0xFF &&
                       m_building[n - 1] == 0xD9;
    const int sizeIndex = media::pictureSizeIndex(m_building.data(), n);
    // The picture moves into the shared frame; the old frame's buffer comes
    // back and is reused for the next picture.
    if (m_shared.frame)
        m_shared.frame->replace(std::move(m_building));
    m_building.clear();
    if (!valid || sizeIndex == -1)
        return std::nullopt;

    // At most one picture per kPauseMs is taken: one that comes sooner
    // waits for the rest of the pause. A camera that sends slower than that
    // costs no pause, and no wake-up of its own, at all.
    if (m_tookPicture) {
        const uint32_t since = m_hooks.nowMs() - m_lastTakenMs;
        if (since < kPauseMs)
            m_hooks.sleepMs(kPauseMs - since);
    }
    m_tookPicture = true;
    m_lastTakenMs = m_hooks.nowMs();
    if (m_hooks.pictureStored)
        m_hooks.pictureStored();
    if (!m_shared.windowNotReady || m_shared.windowNotReady->load() == 0)
        pace();

    const int interval = m_shared.showIntervalTime ? m_shared.showIntervalTime->load() : 0;
    if (interval > 999) {
        // Single-frame mode: one picture per request, the next request after
        // the rest of the interval.
        const uint32_t elapsed = m_hooks.nowMs() - m_requestStartMs;
        if (elapsed < static_cast<uint32_t>(interval)) {
            unsigned total = static_cast<uint32_t>(interval) - elapsed;
            for (; total >= 100; total -= 100) {
                if (stopRequested() || (m_shared.intervalChanged && m_shared.intervalChanged->load() == 1))
                    break;
                m_hooks.sleepMs(100);
            }
            if (total < 100 && !stopRequested() &&
                !(m_shared.intervalChanged && m_shared.intervalChanged->load() == 1))
                m_hooks.sleepMs(total);
        }
        if (m_shared.intervalChanged)
            m_shared.intervalChanged->store(0);
        return Outcome::SingleFrameDone;
    }
    return std::nullopt;
}

void StreamParser::pace()
{
    const uint32_t now = m_hooks.nowMs();
    const uint32_t gap = now - m_prevFrameMs;
    m_prevFrameMs = now;
    const int interval = m_shared.showIntervalTime ? m_shared.showIntervalTime->load() : 0;
    const bool announce = (interval >= 0 && interval <= 35) || interval > 999 ||
                          now + gap / 2 - m_lastDisplayMs >= static_cast<uint32_t>(interval);
    if (!announce)
        return;
    m_lastDisplayMs = now;
    if (m_hooks.announce)
        m_hooks.announce();
    if (!m_shared.framesAnnounced)
        return;
    const uint32_t count = m_shared.framesAnnounced->fetch_add(1) + 1;
    const uint32_t window = m_shared.frameRateWindow ? m_shared.frameRateWindow->load() : 0;
    if (window == 0 || count % window != 1)
        return;
    if (m_rateWindowStartMs && now != *m_rateWindowStartMs && m_shared.frameRateX100)
        m_shared.frameRateX100->store(static_cast<uint32_t>(uint64_t(window) * 100000u / (now - *m_rateWindowStartMs)));
    m_rateWindowStartMs = now;
}

void StreamParser::extractStatus(const uint8_t* b, size_t n)
{
    const int e = m_shared.exStatusEnd ? m_shared.exStatusEnd->load() : 0;
    const size_t length =
        e > 0 ? static_cast<size_t>(std::min<long long>(static_cast<long long>(e) + 105, kMaxStatusLength))
              : kBaseStatusLength;

    const void* found = memmem(b, n, kStatusHeader.data(), kStatusHeader.size());

    if (m_statusPending && m_statusRemaining > 0) {
        const size_t take = std::min(m_statusRemaining, n);
        m_statusAccumulator.append(reinterpret_cast<const char*>(b), take);
        m_statusRemaining -= take;
        m_statusPending = m_statusRemaining > 0;
        // A block completed here is handed over before a new one starts, so
        // that the two never run into each other.
        if (!m_statusPending && m_statusAccumulator.size() >= length)
            handStatus(length);
    }
    if (found) {
        const size_t start = static_cast<size_t>(static_cast<const uint8_t*>(found) - b) + kStatusHeader.size();
        const size_t avail = n - start;
        // A block that never completed is dropped: collection restarts here.
        m_statusAccumulator.clear();
        if (avail < length) {
            m_statusAccumulator.append(reinterpret_cast<const char*>(b + start), avail);
            m_statusPending = true;
            m_statusRemaining = length - avail;
        } else {
            m_statusAccumulator.append(reinterpret_cast<const char*>(b + start), length);
            m_statusPending = false;
            m_statusRemaining = 0;
        }
        if (m_statusAccumulator.size() >= length)
            handStatus(length);
    }
    if (m_statusAccumulator.size() > 2 * kMaxStatusLength)
        m_statusAccumulator.clear();
}

void StreamParser::handStatus(size_t length)
{
    if (m_hooks.statusBlock)
        m_hooks.statusBlock(std::string_view(m_statusAccumulator).substr(0, length));
    m_statusAccumulator.clear();
    m_statusPending = false;
    m_statusRemaining = 0;
}

} // namespace strovix
