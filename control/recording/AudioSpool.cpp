#include "control/recording/AudioSpool.h"

#include "control/recording/RecordingFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace strovix::recording {

AudioSpool::~AudioSpool()
{
    clear();
}

int AudioSpool::append(std::span<const uint8_t> bytes)
{
    if (m_spill < 0 && m_memory.size() + bytes.size() > kMemoryBytes && !m_folder.empty()) {
        // A file without a name: nothing is left behind, whatever happens.
        m_spill = ::open(m_folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (m_spill >= 0 && !m_memory.empty()) {
            iovec part{m_memory.data(), m_memory.size()};
            if (const int error = writeAllAt(m_spill, 0, &part, 1); error != 0) {
                ::close(m_spill);
                m_spill = -1;
                return error;
            }
            std::vector<uint8_t>().swap(m_memory);
        }
    }
    if (m_spill < 0) {
        // No spill file possible here: memory it is.
        m_memory.insert(m_memory.end(), bytes.begin(), bytes.end());
        m_size += bytes.size();
        return 0;
    }
    iovec part{const_cast<uint8_t*>(bytes.data()), bytes.size()};
    if (const int error = writeAllAt(m_spill, m_size, &part, 1); error != 0)
        return error;
    m_size += bytes.size();
    return 0;
}

int AudioSpool::read(uint64_t offset, std::span<uint8_t> into) const
{
    if (offset + into.size() > m_size)
        return EINVAL;
    if (m_spill < 0) {
        std::memcpy(into.data(), m_memory.data() + offset, into.size());
        return 0;
    }
    size_t done = 0;
    while (done < into.size()) {
        const ssize_t n = ::pread(m_spill, into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

void AudioSpool::clear()
{
    if (m_spill >= 0)
        ::close(m_spill);
    m_spill = -1;
    std::vector<uint8_t>().swap(m_memory);
    m_size = 0;
}

} // namespace strovix::recording
