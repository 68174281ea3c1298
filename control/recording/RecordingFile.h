#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

struct iovec;

namespace strovix::recording {

class DiskFlusher;
class FlushTarget;

// Names of unfinished recordings: "." + prefix (with "/" and "%" written as
// %2F and %25) + "~" + six random characters + ".avi.part". Hidden, never taken
// for a recording, and they carry the prefix the finished file is named with.
inline constexpr const char* kUnfinishedSuffix = ".avi.part";
// The sound collected for an unfinished recording lies beside it under the
// same name with this suffix instead (see AudioSpool).
inline constexpr const char* kUnfinishedSoundSuffix = ".avi.sound";
// The sound file's name for an unfinished recording's name (or path), and
// back; empty when the name does not end with the other suffix.
std::string soundFileOf(const std::string& unfinishedName);
std::string unfinishedFileOf(const std::string& soundName);
std::string encodeUnfinishedPrefix(const std::string& prefix);
// The prefix stored in an unfinished recording's name; nothing when the name
// is not one of ours.
std::optional<std::string> unfinishedPrefixOf(const std::string& fileName);

// "folder/" unless the folder already ends with "/".
std::string withSlash(const std::string& folder);

// One AVI file being written: a hidden file in the target folder, locked for as
// long as it is open (so a recovery never takes a file that is still being
// written) and flushed to the disk in the background. Window thread only.
// Every operation returns 0 or the system error code.
class RecordingFile {
public:
    static std::unique_ptr<RecordingFile> create(const std::string& folder, const std::string& prefix, int& error);
    ~RecordingFile(); // abandons the file if it was not finished
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;

    const std::string& path() const { return m_path; }

    // Writes all the bytes at the given position.
    int writeAt(uint64_t offset, std::span<const uint8_t> bytes);
    int writeAt(uint64_t offset, const iovec* parts, int count);
    // Flushes, then gives the file its final name (replacing a file of that
    // name) and closes it. On failure the file stays where it is, closed.
    int finish(const std::string& finalName);
    // Closes the file and leaves it for a later recovery.
    void abandon();

    // Test seam: from now on, writes of recording files fail with `error` once
    // `bytes` more bytes have been written (a full disk); a negative count
    // switches the fault off. Process-wide.
    static void injectWriteFailure(int error, long long bytes);

private:
    RecordingFile(std::string path, int fd, const std::string& folder);
    void release();

    std::string m_path;
    std::shared_ptr<FlushTarget> m_target;
    std::shared_ptr<DiskFlusher> m_flusher;
};

// Flushes, then renames `from` to `to`: replacing an existing `to`, or, with
// `replace` false, failing with EEXIST. Falls back to a copy across file
// systems. The folder entry is flushed too. Returns 0 or the system error code.
int flushAndRename(int fd, const std::string& from, const std::string& to, bool replace);

// Writes all bytes with pwritev, honouring the injected write fault.
int writeAllAt(int fd, uint64_t offset, const iovec* parts, int count);

} // namespace strovix::recording
