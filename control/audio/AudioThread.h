#pragma once

#include "media/audio/AudioOutput.h"
#include "control/audio/AudioOwner.h"
#include "control/session/Credentials.h"
#include "control/session/HttpRequest.h"
#include "control/session/MessageTarget.h"
#include "control/session/Session.h"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace strovix {

// The last block of sound, for a running AVI recording. The audio thread
// stores it under the audio lock and then sends WM_VID_RECAUDIO; the window
// thread copies it under the same lock.
class RecordingSoundBlock {
public:
    static constexpr size_t kBytes = media::kBlockSamples * sizeof(int16_t); // 256

    void store(const int16_t* samples);
    std::array<uint8_t, kBytes> copy() const;

private:
    mutable std::mutex m_audioLock;
    // Guarded by m_audioLock:
    std::array<uint8_t, kBytes> m_block{};
};

// Everything one audio thread reads or writes, held by shared ownership so a
// thread that overstays its stop never reaches freed memory.
struct AudioLink {
    std::string url;
    // The probe's fetch request: the status check shares it.
    HttpRequestPtr statusRequest;
    std::shared_ptr<CredentialsProvider> credentials;
    std::shared_ptr<CredentialStore> credentialStore;
    std::shared_ptr<const std::atomic<int>> streamStop;
    std::shared_ptr<std::atomic<int>> retryChanged;
    std::shared_ptr<const std::atomic<int>> reconnectTryNum;
    std::shared_ptr<const std::atomic<int>> reconnectTryTime; // seconds
    // The control's `Audio`: the thread writes 0 when it gives up.
    std::shared_ptr<std::atomic<int>> audio;
    // 1 while an AVI recording with AutoFrame runs: each block then goes to it.
    std::shared_ptr<const std::atomic<int>> recordSound;
    std::shared_ptr<RecordingSoundBlock> soundBlock;
    // WM_VID_RECAUDIO is sent through it.
    MessageTargetPtr target;
    // Told when the device fails (null: nobody).
    std::shared_ptr<AudioOwner> owner;
    // Makes the sound device; called once per thread.
    std::function<std::unique_ptr<media::AudioOutput>()> makeOutput;
};

// The connection part of a link, from the session's current connection; the
// owner fills in the rest (audio value, recording hand-off, device).
AudioLink audioLinkOf(const Session::AudioConnection& connection);

// One audio thread: status check ("/GetStatus.cgi", the camera's audio switch
// at byte 81), the sound stream in PCM or ADPCM, decoding, the ring of 40
// blocks, and the hand-off to a recording. Created and stopped on the window
// thread.
class AudioThread {
public:
    static constexpr int kAdpcmReadBytes = 64;
    static constexpr int kPcmReadBytes = 256;
    static constexpr int kStatusAudioColumn = 81;

    // Starts the thread. `adpcm` chooses "Format=Adpcm" over "Format=Pcm".
    // When no thread can be started the sound is given up at once: `Audio`
    // becomes 0 and outcome() is NotStarted.
    AudioThread(AudioLink link, bool adpcm);
    // Stops as stop() does.
    ~AudioThread();
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    // Window thread. Sets the audio-stop flag, aborts the thread's requests
    // and waits up to `timeoutMs`; a thread that has not ended then is
    // detached (it ends by itself at its next flag check). True when it ended
    // in time.
    bool stop(int timeoutMs);
    // The same against a deadline fixed when the stop was asked for.
    bool stopBy(std::chrono::steady_clock::time_point deadline);
    // Any thread. Sets the audio-stop flag and aborts the thread's stream
    // without waiting: the thread ends at its next check.
    void requestStop();
    bool running() const;

    // The thread's result: why it ended (tests).
    enum class Outcome { Running, Stopped, NoCameraAudio, Fatal, GaveUp, DeviceFailed, NotStarted };
    Outcome outcome() const;

private:
    struct State;
    static void run(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace strovix
