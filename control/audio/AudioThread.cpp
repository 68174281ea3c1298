#include "control/audio/AudioThread.h"

#include "media/audio/ImaAdpcm.h"
#include "control/session/InterruptibleSleep.h"
#include "control/session/ThreadStart.h"
#include "control/session/VidMessages.h"

#include <condition_variable>
#include <cstring>
#include <vector>

namespace strovix {

void RecordingSoundBlock::store(const int16_t* samples)
{
    std::lock_guard lock(m_audioLock);
    std::memcpy(m_block.data(), samples, kBytes);
}

std::array<uint8_t, RecordingSoundBlock::kBytes> RecordingSoundBlock::copy() const
{
    std::lock_guard lock(m_audioLock);
    return m_block;
}

AudioLink audioLinkOf(const Session::AudioConnection& c)
{
    AudioLink link;
    link.url = c.url;
    link.statusRequest = c.probeRequest;
    link.credentials = c.credentials;
    link.credentialStore = c.credentialStore;
    link.streamStop = c.streamStop;
    link.retryChanged = c.retryChanged;
    link.reconnectTryNum = c.reconnectTryNum;
    link.reconnectTryTime = c.reconnectTryTime;
    return link;
}

struct AudioThread::State {
    AudioLink link;
    bool adpcm = false;
    std::atomic<int> audioStop{0};
    std::atomic<int> outcome{static_cast<int>(Outcome::Running)};
    HttpRequestPtr stream = std::make_shared<HttpRequest>();

    std::mutex doneLock;
    std::condition_variable doneCv;
    bool done = false; // guarded by doneLock

    void finish(Outcome o)
    {
        outcome.store(static_cast<int>(o));
        std::lock_guard lock(doneLock);
        done = true;
        doneCv.notify_all();
    }
    bool stopping() const { return audioStop.load() == 1 || link.streamStop->load() == 1; }
    void giveUp(Outcome o)
    {
        // Ending by itself leaves Audio at 0, except after a stop request.
        if (audioStop.load() != 1)
            link.audio->store(0);
        finish(o);
    }
};

AudioThread::AudioThread(AudioLink link, bool adpcm)
    : m_state(std::make_shared<State>())
{
    m_state->link = std::move(link);
    m_state->adpcm = adpcm;
    m_state->stream->setCredentials(m_state->link.credentials, m_state->link.credentialStore);
    m_thread = startControlThread([state = m_state]() mutable { run(std::move(state)); });
    if (!m_thread.joinable())
        m_state->giveUp(Outcome::NotStarted);
}

AudioThread::~AudioThread()
{
    stop(3000);
}

bool AudioThread::running() const
{
    std::lock_guard lock(m_state->doneLock);
    return !m_state->done;
}

AudioThread::Outcome AudioThread::outcome() const
{
    return static_cast<Outcome>(m_state->outcome.load());
}

void AudioThread::requestStop()
{
    m_state->audioStop.store(1);
    m_state->stream->Abort();
}

bool AudioThread::stop(int timeoutMs)
{
    return stopBy(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
}

bool AudioThread::stopBy(std::chrono::steady_clock::time_point deadline)
{
    if (!m_thread.joinable())
        return true;
    requestStop();
    bool ended;
    {
        std::unique_lock lock(m_state->doneLock);
        ended = m_state->doneCv.wait_until(lock, deadline, [&] { return m_state->done; });
    }
    if (ended)
        m_thread.join();
    else
        m_thread.detach(); // never killed: it holds its state by shared ownership
    return ended;
}

void AudioThread::run(std::shared_ptr<State> s)
{
    const AudioLink& link = s->link;
    const int readBytes = s->adpcm ? kAdpcmReadBytes : kPcmReadBytes;
    const std::string streamUrl = link.url + (s->adpcm ? "/GetAudioData.cgi?Format=Adpcm" : "/GetAudioData.cgi?Format=Pcm");
    // One decoder for the thread's life: its state carries across reconnections.
    media::ImaAdpcmDecoder decoder;
    std::unique_ptr<media::AudioOutput> output;
    std::vector<uint8_t> raw(static_cast<size_t>(readBytes));
    int16_t samples[media::kBlockSamples];

    for (;;) {
        // Is the camera's sound switched on? (Its status reply, byte 81.)
        if (s->stopping())
            return s->finish(Outcome::Stopped);
        std::string body;
        HttpResult r = HttpResult::Busy;
        if (!link.statusRequest->busy()) {
            link.statusRequest->setReadGranularity(85);
            r = link.statusRequest->FetchReply(link.url + "/GetStatus.cgi", body);
        }
        if (s->stopping())
            return s->finish(Outcome::Stopped);
        // A refused login ends the sound as well: its stream would
        // otherwise be reopened at once, again and again.
        if (isFatal(r) || r == HttpResult::AuthFailed)
            return s->giveUp(Outcome::Fatal);
        if (r != HttpResult::Ok) {
            InterruptibleSleep(static_cast<unsigned>(std::max(0, link.reconnectTryTime->load())) * 1000u,
                               *link.streamStop, s->audioStop, 300);
            link.retryChanged->store(0);
            if (link.reconnectTryNum->load() >= 1)
                continue;
            return s->giveUp(Outcome::GaveUp);
        }
        if (body.size() <= static_cast<size_t>(kStatusAudioColumn) || body[kStatusAudioColumn] != '1')
            return s->giveUp(Outcome::NoCameraAudio);

        // The sound stream.
        r = s->stream->OpenStream(streamUrl);
        if (s->stopping()) {
            s->stream->CloseRequest();
            return s->finish(Outcome::Stopped);
        }
        if (isFatal(r) || r == HttpResult::AuthFailed) {
            s->stream->CloseRequest();
            return s->giveUp(Outcome::Fatal);
        }
        if (r != HttpResult::Ok) {
            s->stream->CloseRequest();
            if (link.reconnectTryNum->load() >= 1)
                continue; // at once, without a wait
            return s->giveUp(Outcome::GaveUp);
        }

        // The device, opened afresh for every stream.
        if (!output)
            output = link.makeOutput();
        if (!output || !output->open()) {
            s->stream->CloseRequest();
            if (link.owner)
                link.owner->deviceFailed();
            return s->giveUp(Outcome::DeviceFailed);
        }

        // Visit the ring's blocks in order until the stream fails or a stop comes.
        bool streamFailed = false;
        while (!streamFailed) {
            for (int index = 0; index < media::kRingBlocks; ++index) {
                if (s->stopping()) {
                    output->close();
                    s->stream->CloseRequest();
                    return s->finish(Outcome::Stopped);
                }
                if (!output->waitFree(index, s->audioStop))
                    continue; // stop requested: seen at the top of the next visit
                const long got = s->stream->Read(raw.data(), raw.size());
                if (got != readBytes) {
                    streamFailed = true;
                    break;
                }
                if (s->adpcm)
                    decoder.decode(raw.data(), raw.size(), samples);
                else
                    for (int i = 0; i < media::kBlockSamples; ++i)
                        samples[i] = static_cast<int16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
                if (link.recordSound && link.recordSound->load() == 1 && link.soundBlock) {
                    link.soundBlock->store(samples);
                    if (link.target)
                        link.target->send(WM_VID_RECAUDIO, 0, 0, s->audioStop);
                }
                output->queue(index, samples); // a failed queue leaves the block free
            }
        }
        output->close();
        s->stream->CloseRequest();
        // Back to the status check with a new stream.
    }
}

} // namespace strovix
