#include "app/recordlist/SoundPlayback.h"

#include <cstring>
#include <future>
#include <vector>

SoundPlayback::SoundPlayback(std::shared_ptr<const media::AviReader> reader, OutputFactory factory)
    : m_reader(std::move(reader)), m_factory(std::move(factory))
{
}

SoundPlayback::~SoundPlayback()
{
    stop();
}

bool SoundPlayback::canPlay(const media::AviInfo& info)
{
    const media::AviSoundFormat& f = info.sound;
    return info.hasSound && f.formatTag == 1 && f.channels == 1 && f.samplesPerSecond == media::kSampleRate
        && f.bitsPerSample == 16;
}

bool SoundPlayback::start(double seconds)
{
    stop();
    if (!m_output && m_factory)
        m_output = m_factory();
    if (!m_output)
        return false;
    // Whole samples from the given time on.
    const double at = seconds > 0.0 ? seconds : 0.0;
    const uint64_t offset = static_cast<uint64_t>(at * media::kSampleRate) * 2;
    std::promise<bool> opened;
    auto result = opened.get_future();
    m_stop = 0;
    m_thread = std::thread([this, offset, opened = std::move(opened)]() mutable {
        const bool ok = m_output->open();
        opened.set_value(ok);
        if (ok)
            run(offset);
    });
    const bool ok = result.get();
    if (!ok) {
        m_thread.join();
        return false;
    }
    return true;
}

void SoundPlayback::stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = 1;
    m_thread.join();
}

void SoundPlayback::run(uint64_t offset)
{
    std::vector<uint8_t> bytes(media::kBlockSamples * 2);
    std::vector<int16_t> samples(media::kBlockSamples);
    for (int block = 0; !m_stop; block = (block + 1) % media::kRingBlocks) {
        const size_t got = m_reader->readSound(offset, bytes);
        if (got == 0)
            break;
        std::memset(bytes.data() + got, 0, bytes.size() - got);
        std::memcpy(samples.data(), bytes.data(), bytes.size());
        if (!m_output->waitFree(block, m_stop) || !m_output->queue(block, samples.data()))
            break;
        offset += got;
    }
    // What is queued plays out unless a stop comes first.
    for (int block = 0; block < media::kRingBlocks && !m_stop; ++block)
        m_output->waitFree(block, m_stop);
    m_output->close();
}
