#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace strovix::recording {

class DiskFlusher;
class FlushTarget;

// The sound of the AVI file being written, kept until the file is closed (the
// sound chunks follow all video chunks). While the file is being written the
// sound goes to a hidden file beside it (see soundFileOf), flushed to the disk
// with the file's frames, so that a recovery after a crash can append it.
// Sound that arrives before the file exists waits in memory, at most
// kMemoryBytes (the newest are kept), so memory stays flat. Window thread only.
class AudioSpool {
public:
    static constexpr size_t kMemoryBytes = 1 << 20;

    AudioSpool() = default;
    // Leaves an attached sound file where it is, for recovery.
    ~AudioSpool();
    AudioSpool(const AudioSpool&) = delete;
    AudioSpool& operator=(const AudioSpool&) = delete;

    // Starts the sound file of the unfinished recording `partPath` and moves
    // the sound held in memory into it. Returns 0 or the system error code.
    int attach(const std::string& partPath);
    // Returns 0 or the system error code of a failed write.
    int append(std::span<const uint8_t> bytes);
    uint64_t size() const { return m_size; }
    // Copies `into.size()` bytes from `offset`. Returns 0 or the system error code.
    int read(uint64_t offset, std::span<uint8_t> into) const;
    // Forgets everything and gives the memory back. `removeFile`: the
    // recording was finished with this sound, so its sound file goes;
    // otherwise the file stays beside the unfinished recording for recovery.
    void clear(bool removeFile);

private:
    std::vector<uint8_t> m_memory;
    std::string m_path;
    std::shared_ptr<FlushTarget> m_file;
    std::shared_ptr<DiskFlusher> m_flusher;
    uint64_t m_size = 0;
};

} // namespace strovix::recording
