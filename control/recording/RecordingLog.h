#pragma once

#include <QLoggingCategory>

namespace strovix::recording {

// strovix.recording: a recording started, finished (file, frames, length),
// failed (why) or was finished after a crash. Information and above by default.
Q_DECLARE_LOGGING_CATEGORY(recorderLog)

} // namespace strovix::recording
