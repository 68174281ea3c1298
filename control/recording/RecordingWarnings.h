#pragma once

#include <string>

namespace strovix::recording {

// The warning box of a failed recording.
struct RecordingWarning {
    std::string caption;
    std::string text;
};

enum class RecordingKind { Jpeg, Avi };

// The warning for a file that could not be created or written: a full disk
// (ENOSPC, EDQUOT), else a folder that does not exist, else a prefix with a
// character no file name may hold here or on the cameras' original platform,
// else an unknown error. `folder` and `prefix` are the settings of the kind.
RecordingWarning fileWarning(RecordingKind kind, int error, const std::string& folder, const std::string& prefix);

// The warning for a numbered sub-folder that could not be created.
RecordingWarning subFolderWarning();

// True for the two codes of a full disk.
bool isDiskFull(int error);

// The folder test: one trailing "/" removed, is it an existing folder?
bool isExistingFolder(const std::string& folder);

} // namespace strovix::recording
