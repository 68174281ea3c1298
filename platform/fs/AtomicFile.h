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

// Reads a whole file. Returns false when it cannot be opened or read (errno
// tells why).
bool readWholeFile(const std::string& path, std::string& contents);

// Test seam: the next atomic writes fail after `bytes` bytes of the temporary
// file have been written (as a full disk would); a negative value switches the
// fault off. Process-wide.
void injectWriteFailureAfter(long long bytes);

} // namespace platform::fs
