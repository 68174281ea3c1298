#pragma once

#include "media/audio/AudioOutput.h"
#include "media/avi/AviReader.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

// Plays the sound stream of a recording (8000 Hz, 16-bit, mono PCM, the
// format the recording writes) through a sound output, from a given time on,
// on a thread of its own. Started and stopped from the GUI thread.
class SoundPlayback {
public:
    using OutputFactory = std::function<std::unique_ptr<media::AudioOutput>()>;

    // `reader` is shared with the thread; `factory` makes the output device
    // (once, at the first start).
    SoundPlayback(std::shared_ptr<const media::AviReader> reader, OutputFactory factory);
    ~SoundPlayback();
    SoundPlayback(const SoundPlayback&) = delete;
    SoundPlayback& operator=(const SoundPlayback&) = delete;

    // Whether the recording's sound is in the format the output plays.
    static bool canPlay(const media::AviInfo& info);

    // Plays from `seconds` into the recording; false when the device could
    // not be opened (nothing plays then).
    bool start(double seconds);
    // Stops at once, dropping what is queued. Returns within a few tens of
    // milliseconds.
    void stop();

private:
    void run(uint64_t offset);

    std::shared_ptr<const media::AviReader> m_reader;
    OutputFactory m_factory;
    std::unique_ptr<media::AudioOutput> m_output;
    std::atomic<int> m_stop{0};
    std::thread m_thread;
};
