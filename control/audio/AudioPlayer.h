#pragma once

#include "control/audio/AudioThread.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace strovix {

// The control's side of camera sound: the `Audio` and `AudioFormat`
// properties and the one audio thread they start and stop. Window thread only.
class AudioPlayer {
public:
    // Makes the link of the current connection (address, its flags and the
    // probe's request); called at every start.
    using LinkFactory = std::function<AudioLink()>;

    // `audio` and `format` are the control's values (kept per camera address
    // by the session); the audio thread writes 0 into `audio` when it gives up.
    AudioPlayer(std::shared_ptr<std::atomic<int>> audio, std::shared_ptr<std::atomic<int>> format, LinkFactory link);
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // `Audio` put: 1 stops a running thread and starts a new one, 0 stops it;
    // any value is stored (other values start and stop nothing).
    void putAudio(int value);
    int audio() const { return m_audio->load(); }

    // `AudioFormat` put: "Pcm" or "Adpcm" without regard to case; any other
    // text is ignored. A change stops the thread and, while `Audio` is 1,
    // starts a new one in the new format.
    void putAudioFormat(std::string_view text);
    int audioFormat() const { return m_format->load(); }
    // "Pcm" or "Adpcm".
    std::string audioFormatText() const;

    // After a connect with `Audio` 1.
    void start();
    // Reconnect, destruction, the camera's audio switching off. Waits at most
    // `timeoutMs` for the thread (it is detached after that, never killed).
    void stop(int timeoutMs = kStopWaitMs);
    // The same against a deadline fixed when the stop was asked for.
    void stopBy(std::chrono::steady_clock::time_point deadline);
    // Asks a running thread to end without waiting for it (the control's
    // window is being destroyed; the release waits).
    void requestStop();
    bool running() const;

    static constexpr int kStopWaitMs = 4000;

private:
    std::shared_ptr<std::atomic<int>> m_audio;
    std::shared_ptr<std::atomic<int>> m_format;
    LinkFactory m_link;
    std::unique_ptr<AudioThread> m_thread;
};

} // namespace strovix
