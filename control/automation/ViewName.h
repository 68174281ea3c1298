#pragma once

#include <optional>
#include <string>

namespace strovix {

// The name the operator knows a view by, made of what the host has told the
// control anyway: the view's place among the host's controls (the "index"
// property the host gives the control's window, counted from 0; the camera
// number is one more) and the place name in the host's recording prefix
// "r-<location>_!<n>_". "Camera 3 (Gate)", "Camera 3", "Gate", or empty when
// the host told neither.
std::string viewName(std::optional<int> index, const std::string& recordingPrefix);

// The place name of a recording prefix "r-<location>_!<n>_" (n one digit),
// with the "%XX" the host writes for "/" and control characters read back
// ("/" as itself, control characters as spaces). Nothing for a prefix of
// another form or an empty place name.
std::optional<std::string> locationOfRecordingPrefix(const std::string& prefix);

} // namespace strovix
