#include "media/audio/AudioOutput.h"

#include <portaudio.h>

#include <mutex>

namespace media {
namespace {

// PortAudio's library calls are not safe from two threads at once (two
// initialisations running together corrupt its host API list), and every
// control's audio thread makes its own output. Every call outside a stream's
// own callback therefore runs under this one lock. The device thread's
// callback never takes it, so stopping a stream under it cannot wait for us.
std::mutex& libraryLock()
{
    static std::mutex lock;
    return lock;
}

// PortAudio counts its own initialisations; one per output keeps it simple
// and lets the library go when the last output does.
class PortAudioOutput : public AudioOutput {
public:
    PortAudioOutput()
    {
        std::lock_guard lock(libraryLock());
        m_initialised = Pa_Initialize() == paNoError;
    }
    ~PortAudioOutput() override
    {
        close();
        if (m_initialised) {
            std::lock_guard lock(libraryLock());
            Pa_Terminate();
        }
    }

    bool open() override
    {
        close();
        if (!m_initialised)
            return false;
        m_ring.reset();
        std::lock_guard lock(libraryLock());
        const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
        if (device == paNoDevice)
            return false;
        PaStreamParameters params{};
        params.device = device;
        params.channelCount = 1;
        params.sampleFormat = paInt16;
        params.suggestedLatency = Pa_GetDeviceInfo(device)->defaultLowOutputLatency;
        if (Pa_IsFormatSupported(nullptr, &params, kSampleRate) != paFormatIsSupported)
            return false;
        if (Pa_OpenStream(&m_stream, nullptr, &params, kSampleRate, kBlockSamples, paNoFlag, &PortAudioOutput::pull,
                          this)
            != paNoError) {
            m_stream = nullptr;
            return false;
        }
        if (Pa_StartStream(m_stream) != paNoError) {
            Pa_CloseStream(m_stream);
            m_stream = nullptr;
            return false;
        }
        return true;
    }

    bool waitFree(int index, const std::atomic<int>& stop) override { return m_ring.waitFree(index, stop); }
    bool queue(int index, const int16_t* samples) override { return m_stream && m_ring.queue(index, samples); }

    void close() override
    {
        if (m_stream) {
            std::lock_guard lock(libraryLock());
            Pa_AbortStream(m_stream);
            Pa_CloseStream(m_stream);
            m_stream = nullptr;
        }
        m_ring.reset();
    }

    static bool hasDevice()
    {
        std::lock_guard lock(libraryLock());
        if (Pa_Initialize() != paNoError)
            return false;
        const bool any = Pa_GetDefaultOutputDevice() != paNoDevice;
        Pa_Terminate();
        return any;
    }

private:
    // Device thread: one block of 128 samples per call.
    static int pull(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo*,
                    PaStreamCallbackFlags, void* self)
    {
        auto* out = static_cast<int16_t*>(output);
        unsigned long done = 0;
        for (; done + kBlockSamples <= frames; done += kBlockSamples)
            static_cast<PortAudioOutput*>(self)->m_ring.take(out + done);
        for (; done < frames; ++done)
            out[done] = 0; // the stream was opened for whole blocks; never read past them
        return paContinue;
    }

    bool m_initialised = false;
    PaStream* m_stream = nullptr;
    BlockRing m_ring;
};

} // namespace

std::unique_ptr<AudioOutput> makeDefaultAudioOutput(NoDevicePolicy policy)
{
    if (policy == NoDevicePolicy::UseNullOutput && !PortAudioOutput::hasDevice())
        return std::make_unique<NullOutput>();
    return std::make_unique<PortAudioOutput>();
}

} // namespace media
