#pragma once

#include <string>
#include <string_view>

namespace platform::fs {

// Replaces the file at `path` with `contents` so that a reader sees either the
// old file or the new one, never a part: the bytes go to a temporary file in the
// same folder, are flushed to the disk, and the temporary file is renamed over
// the target. Creates the file when it is missing; never creates folders.
// Returns false (and leaves the old file as it was) when any step fails;
// errno then tells why.
// A new file gets `newFileMode`; a replaced file keeps its permissions.
// Any thread; concurrent writers of one path each leave a whole file.
bool writeFileAtomically(const std::string& path, std::string_view contents, unsigned newFileMode = 0644);

// Settings files and files chosen for import are read up to this size.
inline constexpr size_t kMaxSettingsFileBytes = 1024 * 1024;

enum class ReadStatus { Read, Missing, Refused };

// Reads a whole regular file of at most `maxBytes`. Missing only when nothing
// is at `path` (ENOENT); Refused when something is there that cannot be read:
// no permission, an I/O error, no descriptor left, a FIFO, device or folder
// (opened without blocking, so a FIFO never holds the caller), or a file
// larger than `maxBytes`. `whyNot` then holds the reason for the operator
// ("Permission denied", "not a regular file", ...). `contents` is empty unless Read.
ReadStatus readFile(const std::string& path, std::string& contents, std::string& whyNot,
                    size_t maxBytes = kMaxSettingsFileBytes);

// readFile as a yes or no: false when missing or refused (errno tells why;
// EINVAL for a file that is not regular, EFBIG for one that is too large).
bool readWholeFile(const std::string& path, std::string& contents, size_t maxBytes = kMaxSettingsFileBytes);

// Test seam: the next atomic writes fail after `bytes` bytes of the temporary
// file have been written (as a full disk would); a negative value switches the
// fault off. Process-wide.
void injectWriteFailureAfter(long long bytes);

} // namespace platform::fs
