#pragma once

#include "control/stream/Frame.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace strovix {

// Cuts the camera's endless picture stream into pictures and status blocks.
// The body is read as it arrives, up to a block of 2048 bytes at a time.
// Status blocks are looked for in the whole 2048-byte blocks of the body: a
// status block follows the 28-byte header "Content-Type: text/plain\r\n\r\n"
// (found when the header lies within one block) and is L bytes long (86, or
// E + 105 with an extended-status end column E > 0). Pictures are delimited
// by their FF D8 and FF D9 markers only, also when a marker is split across
// two reads, and are complete as soon as their end marker is read. Every
// complete picture replaces the shared frame; a valid one of a known size is
// paced and announced to the window thread.
//
// One parser per connection thread, used on that thread only.
class StreamParser {
public:
    static constexpr size_t kBlockSize = 2048;
    static constexpr std::string_view kStatusHeader = "Content-Type: text/plain\r\n\r\n";
    static constexpr size_t kBaseStatusLength = 86;
    // The longest status block taken (E + 105 is capped here).
    static constexpr size_t kMaxStatusLength = 65536;
    // A picture being collected that grows past this without an end marker
    // is dropped; collection starts again at the next start marker.
    static constexpr size_t kMaxFrameBytes = 4u << 20;
    // The shortest time between two pictures taken from one stream.
    static constexpr uint32_t kPauseMs = 10;

    enum class Outcome { StopSeen, SingleFrameDone, StreamEnded };

    // What the parser needs from its control. Every function runs on the
    // connection thread.
    struct Hooks {
        // Up to n bytes, at least one: whatever has arrived. Returns the
        // count, 0 at the end or a negative number on failure.
        std::function<long(uint8_t* buffer, size_t n)> read;
        // A whole status block (exactly L bytes).
        std::function<void(std::string_view block)> statusBlock;
        // A complete, valid picture of a known size was stored (the owner
        // posts WM_VID_IMAGEINFO from its status record).
        std::function<void()> pictureStored;
        // Announces the stored picture (WM_VID_NEWFRAME, sent).
        std::function<void()> announce;
        // The stop flag was seen after a read (the owner shows "Disconnect").
        std::function<void()> stopSeen;
        // Tick counter in milliseconds; sleeps.
        std::function<uint32_t()> nowMs;
        std::function<void(unsigned ms)> sleepMs;
    };

    // Values shared with the window thread; all owned by the control and
    // outliving the parser.
    struct Shared {
        const std::atomic<int>* streamStop = nullptr;
        const std::atomic<int>* windowNotReady = nullptr;
        const std::atomic<int>* showIntervalTime = nullptr;
        std::atomic<int>* intervalChanged = nullptr;
        const std::atomic<int>* exStatusEnd = nullptr; // E of the extended-status window, 0 when none
        std::atomic<uint32_t>* framesAnnounced = nullptr;
        std::atomic<uint32_t>* frameRateX100 = nullptr;
        std::atomic<uint32_t>* frameRateWindow = nullptr;
        SharedFramePtr frame;
    };

    StreamParser(Shared shared, Hooks hooks);

    // Reads and parses one opened stream until it ends, the stop flag is
    // seen, or a single-frame cycle (ShowIntervalTime above 999) is over.
    // `requestStartMs` is the tick at which the stream was requested.
    Outcome run(uint32_t requestStartMs);

    // Parses the next `n` bytes of the stream, as one read gave them (tests,
    // benchmarks and the fuzz target feed bytes directly). Returns an
    // outcome only when a single-frame cycle ended inside them; the bytes
    // after that picture are then not parsed for pictures (their block's
    // status is taken from the bytes given so far).
    std::optional<Outcome> processBytes(const uint8_t* bytes, size_t n);
    // processBytes() of one whole block.
    std::optional<Outcome> processBlock(const uint8_t* block);

    // Starts a new stream: forgets any partial picture and status block.
    void resetStream();

    size_t buildingFrameSize() const { return m_building.size(); }

private:
    std::optional<Outcome> scanPictures(const uint8_t* bytes, size_t n);
    void extractStatus(const uint8_t* block, size_t n = kBlockSize);
    void handStatus(size_t length);
    void startPicture(long markerPos, size_t& segStart);
    std::optional<Outcome> endPicture(size_t d9Pos, const uint8_t* block, size_t& segStart);
    void appendSegment(const uint8_t* from, size_t n);
    std::optional<Outcome> completePicture();
    void pace();
    bool stopRequested() const { return m_shared.streamStop && m_shared.streamStop->load() == 1; }

    Shared m_shared;
    Hooks m_hooks;
    uint32_t m_requestStartMs = 0;

    std::vector<uint8_t> m_read; // run()'s read buffer

    // One stream:
    std::vector<uint8_t> m_block; // the block being filled, for the status
    size_t m_blockFill = 0;
    Frame m_building;
    bool m_discarding = false;
    bool m_prevEndsWithFF = false;
    std::string m_statusAccumulator;
    bool m_statusPending = false;
    size_t m_statusRemaining = 0;

    // The connection thread's life:
    uint32_t m_lastDisplayMs = 0;
    bool m_tookPicture = false;
    uint32_t m_lastTakenMs = 0;
    uint32_t m_prevFrameMs = 0;
    std::optional<uint32_t> m_rateWindowStartMs;
};

} // namespace strovix
