#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace strovix::recording {

// The sound of the file being written, kept until the file is closed (the
// sound chunks follow all video chunks). The first megabyte stays in memory;
// beyond it the bytes go to a nameless file in the recording's folder, so
// memory does not grow with a long recording. Window thread only.
class AudioSpool {
public:
    static constexpr size_t kMemoryBytes = 1 << 20;

    AudioSpool() = default;
    ~AudioSpool();
    AudioSpool(const AudioSpool&) = delete;
    AudioSpool& operator=(const AudioSpool&) = delete;

    // Where a spill file may be made (the folder of the recording).
    void setFolder(const std::string& folder) { m_folder = folder; }
    // Returns 0 or the system error code of a failed spill write.
    int append(std::span<const uint8_t> bytes);
    uint64_t size() const { return m_size; }
    // Copies `into.size()` bytes from `offset`. Returns 0 or the system error code.
    int read(uint64_t offset, std::span<uint8_t> into) const;
    // Forgets everything and gives the memory back.
    void clear();

private:
    std::string m_folder;
    std::vector<uint8_t> m_memory;
    int m_spill = -1;
    uint64_t m_size = 0;
};

} // namespace strovix::recording
