#pragma once

#include "app/startup/CommandLine.h"

#include <iosfwd>

// --export: writes the recording as an MP4 file without a window, without
// reading the settings or reaching a camera. Returns the exit status: 0 when
// the file was written, 1 otherwise, with the reason on `errors`.
int runExport(const CommandLine::Export& request, std::ostream& errors);
