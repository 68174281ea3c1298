#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace media {

// Camera sound goes out as 8000 Hz, 16-bit, mono in blocks of 128 samples
// (256 bytes, 16 ms). The audio thread owns a ring of kRingBlocks blocks, each
// free or queued; a block is free again once it has been played. At most
// kRingBlocks × 16 ms = 640 ms of sound is queued.
inline constexpr int kSampleRate = 8000;
inline constexpr int kBlockSamples = 128;
inline constexpr int kRingBlocks = 40;

// One sound device as the audio thread sees it. Audio thread only, except
// where said.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Opens the device for 8000 Hz 16-bit mono with all blocks free. False when
    // the device cannot take that format or cannot be opened.
    virtual bool open() = 0;
    // Waits until ring block `index` is free, or until `stop` reads true
    // (checked at least every 20 ms). True when the block is free.
    virtual bool waitFree(int index, const std::atomic<int>& stop) = 0;
    // Queues kBlockSamples samples in block `index`. False when queuing failed;
    // the block then stays free.
    virtual bool queue(int index, const int16_t* samples) = 0;
    // Drops whatever is queued, frees every block and closes the device.
    virtual void close() = 0;
};

// The ring of blocks behind a real device: the audio thread fills and queues,
// the device's own thread takes blocks in queue order and frees them.
class BlockRing {
public:
    BlockRing();
    // Audio thread.
    bool waitFree(int index, const std::atomic<int>& stop);
    bool queue(int index, const int16_t* samples);
    void reset();
    // Device thread: copies the oldest queued block to `out` and frees it;
    // writes silence and returns false when nothing is queued.
    bool take(int16_t* out);

private:
    std::mutex m_lock;
    std::condition_variable m_freed;
    // Guarded by m_lock:
    std::vector<int16_t> m_samples; // kRingBlocks × kBlockSamples
    bool m_free[kRingBlocks];
    int m_order[kRingBlocks]; // queued block indices, oldest first
    int m_head = 0;
    int m_count = 0;
};

// Records every queued sample and frees each block at once (tests).
class CapturingOutput : public AudioOutput {
public:
    bool open() override;
    bool waitFree(int index, const std::atomic<int>& stop) override;
    bool queue(int index, const int16_t* samples) override;
    void close() override;

    // Any thread.
    std::vector<int16_t> samples() const;
    int openCount() const;
    // Makes the next open() fail, as a device that refuses the format.
    void failOpen(bool fail);

private:
    mutable std::mutex m_lock;
    std::vector<int16_t> m_samples;
    int m_opens = 0;
    bool m_failOpen = false;
};

// Throws the sound away at the pace it would play (a host without a sound
// device that asked for this fallback).
class NullOutput : public AudioOutput {
public:
    bool open() override;
    bool waitFree(int index, const std::atomic<int>& stop) override;
    bool queue(int index, const int16_t* samples) override;
    void close() override;

private:
    long long m_playedUntilUs = 0;
};

// What a host wants when the machine has no sound device at all.
enum class NoDevicePolicy { Fail, UseNullOutput };

// The PortAudio default output device, or per `policy` a NullOutput when the
// machine has none. Never null; a device that cannot be used fails in open().
std::unique_ptr<AudioOutput> makeDefaultAudioOutput(NoDevicePolicy policy);

} // namespace media
