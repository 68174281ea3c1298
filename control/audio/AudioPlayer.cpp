#include "control/audio/AudioPlayer.h"

#include <strings.h>

namespace strovix {

AudioPlayer::AudioPlayer(std::shared_ptr<std::atomic<int>> audio, std::shared_ptr<std::atomic<int>> format,
                         LinkFactory link)
    : m_audio(std::move(audio))
    , m_format(std::move(format))
    , m_link(std::move(link))
{
}

AudioPlayer::~AudioPlayer()
{
    stop(3000);
}

void AudioPlayer::putAudio(int value)
{
    if (value == 1) {
        stop();
        m_audio->store(1);
        start();
        return;
    }
    if (value == 0)
        stop();
    m_audio->store(value);
}

void AudioPlayer::putAudioFormat(std::string_view text)
{
    int wanted;
    if (text.size() == 3 && ::strncasecmp(text.data(), "Pcm", 3) == 0)
        wanted = 0;
    else if (text.size() == 5 && ::strncasecmp(text.data(), "Adpcm", 5) == 0)
        wanted = 1;
    else
        return;
    if (wanted == m_format->load())
        return;
    stop();
    m_format->store(wanted);
    if (m_audio->load() == 1)
        start();
}

std::string AudioPlayer::audioFormatText() const
{
    return m_format->load() == 1 ? "Adpcm" : "Pcm";
}

void AudioPlayer::start()
{
    if (m_thread)
        stop();
    AudioLink link = m_link();
    if (link.url.empty())
        return; // not connected: the next connect starts it
    link.audio = m_audio;
    m_thread = std::make_unique<AudioThread>(std::move(link), m_format->load() == 1);
}

void AudioPlayer::stop(int timeoutMs)
{
    stopBy(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs));
}

void AudioPlayer::stopBy(std::chrono::steady_clock::time_point deadline)
{
    if (!m_thread)
        return;
    m_thread->stopBy(deadline);
    m_thread.reset();
}

void AudioPlayer::requestStop()
{
    if (m_thread)
        m_thread->requestStop();
}

bool AudioPlayer::running() const
{
    return m_thread && m_thread->running();
}

} // namespace strovix
