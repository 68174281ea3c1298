#pragma once

#include <QLoggingCategory>

namespace strovix {

// strovix.session: a camera connected, lost, retried, asked for or refused a
// login. Information and above by default. No password and no request
// header is ever written to it.
Q_DECLARE_LOGGING_CATEGORY(sessionLog)

} // namespace strovix
