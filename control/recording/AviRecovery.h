#pragma once

#include <string>
#include <vector>

namespace strovix::recording {

// Finishes the AVI files that a crash or a power cut left unfinished in
// `folder` (hidden files named by RecordingFile). For each one not in use by a
// live writer: the chunks are read from the start, a damaged tail is cut, the
// sound collected beside the file (AudioSpool) follows the video chunks, the
// index is rebuilt, the head is filled in with the picture size recorded when
// the file was started and the rate its frames came at (see FrameTimes.h; for
// a single frame the rate it was started with), and the file is renamed
// folder/prefix + "End" + T + ".avi", T being the time of its last write, which
// it keeps. A file without a whole frame is removed, with its sound; sound
// left without its file is removed. An existing recording is
// never replaced. Files that cannot be finished now (a full disk) stay for the
// next attempt. Returns the names of the finished files. Any thread.
std::vector<std::string> recoverUnfinishedAvi(const std::string& folder);

} // namespace strovix::recording
