#pragma once

#include <optional>
#include <string>

// The checks and the copy behind the export and import of the configuration
// files. Window-free; any thread.
namespace configfiles {

// The file's text with its line breaks taken out, as the checks read it.
std::string joinedLines(const std::string& contents);

// An application configuration: begins with "[App]VIEWER_LAYOUT" and then
// holds PANEL_LAYOUT, APP_CFG_FORM_LAYOUT, SET_PERCENT, SET_ALERT_SPACE,
// SET_CIRCULAR_MODE, SET_LINE_NUM and [Camera1], each after the one before.
bool isAppConfiguration(const std::string& joined);
// An e-map layout: holds [Picture0] with Camera, POS_X, POS_Y, PIC_F, then
// [Picture1] with the same keys, then [Picture2] with POS_X, each after the
// one before.
bool isEMapLayout(const std::string& joined);

// Writes `contents` as the file `to`, replacing it atomically: a failed or
// interrupted copy leaves the old file whole. Nothing when done, else a
// sentence for the operator naming the file and the reason.
std::optional<std::string> writeCopy(const std::string& contents, const std::string& to);
// Copies the file `from` over `to` the same way; a source that cannot be
// read is reported with its own name.
std::optional<std::string> copyFile(const std::string& from, const std::string& to);

} // namespace configfiles
