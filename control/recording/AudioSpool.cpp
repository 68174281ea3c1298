#include "control/recording/AudioSpool.h"

#include "control/recording/DiskFlusher.h"
#include "control/recording/RecordingFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace strovix::recording {

AudioSpool::~AudioSpool()
{
    clear(false);
}

int AudioSpool::attach(const std::string& partPath)
{
    std::vector<uint8_t> waiting;
    waiting.swap(m_memory);
    clear(false);
    const std::string path = soundFileOf(partPath);
    // The recording's own name is new, so a sound file of the matching name
    // can only be one whose recording is gone: it is replaced.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno;
    m_path = path;
    // The first flush also records the new name in the folder.
    const auto slash = path.rfind('/');
    m_file = std::make_shared<FlushTarget>(fd, slash == std::string::npos ? "." : path.substr(0, std::max<size_t>(slash, 1)));
    m_flusher = DiskFlusher::instance();
    m_flusher->add(m_file);
    return waiting.empty() ? 0 : append(waiting);
}

int AudioSpool::append(std::span<const uint8_t> bytes)
{
    if (!m_file) {
        m_memory.insert(m_memory.end(), bytes.begin(), bytes.end());
        if (m_memory.size() > kMemoryBytes) {
            // The oldest go, a sixteenth at a time, in whole samples.
            const size_t drop = (std::max(m_memory.size() - kMemoryBytes, kMemoryBytes / 16) + 1) & ~size_t{1};
            m_memory.erase(m_memory.begin(), m_memory.begin() + static_cast<std::ptrdiff_t>(std::min(drop, m_memory.size())));
        }
        m_size = m_memory.size();
        return 0;
    }
    iovec part{const_cast<uint8_t*>(bytes.data()), bytes.size()};
    const int error = writeAllAt(m_file->fd(), m_size, &part, 1);
    m_file->markDirty();
    if (error != 0)
        return error;
    m_size += bytes.size();
    return 0;
}

int AudioSpool::read(uint64_t offset, std::span<uint8_t> into) const
{
    if (offset + into.size() > m_size)
        return EINVAL;
    if (!m_file) {
        std::memcpy(into.data(), m_memory.data() + offset, into.size());
        return 0;
    }
    size_t done = 0;
    while (done < into.size()) {
        const ssize_t n = ::pread(m_file->fd(), into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

void AudioSpool::clear(bool removeFile)
{
    if (m_file) {
        m_flusher->remove(m_file.get());
        m_file.reset();
        m_flusher.reset();
        if (removeFile)
            ::unlink(m_path.c_str());
    }
    m_path.clear();
    std::vector<uint8_t>().swap(m_memory);
    m_size = 0;
}

} // namespace strovix::recording
