#pragma once

#include <QDateTime>
#include <QLoggingCategory>
#include <QString>

#include <string>

// The program's categories; the control library adds strovix.session and
// strovix.recording. Information and above are on; --verbose adds debug.
Q_DECLARE_LOGGING_CATEGORY(cameraLog)    // oculon.camera: a camera lost, back, its address
Q_DECLARE_LOGGING_CATEGORY(recordingLog) // oculon.recording: schedules, start-up recording
Q_DECLARE_LOGGING_CATEGORY(diskLog)      // oculon.disk: disk alerts, the files the clean-up deleted
Q_DECLARE_LOGGING_CATEGORY(configLog)    // oculon.config: settings files read, written or refused

namespace logging {

struct Options {
    bool verbose = false;
    // The log file; empty: standard error only.
    std::string file;
    bool toStandardError = true;
};

// From now on every message of the process, of every category and thread,
// goes as one time-stamped line to standard error and to the log file. Says
// on standard error (and only there) when the file cannot be written. Call
// once, on the main thread, before any other thread starts.
void start(const Options& options);
// Puts Qt's own handler back and closes the file.
void stop();

// From now on the settings files read and written go to oculon.config: the
// first read of each file, and a write unless the same file was written in
// the last ten seconds (a form saves value by value). Main thread.
void logSettingsFiles();

// "2026-12-08 13:05:01.123 oculon.camera warning: TEXT" (no level word for
// information), with anything that looks like a password in an address or an
// Authorization header's value masked, as a last guard: nothing should log
// them in the first place.
std::string formatLine(QtMsgType type, const char* category, const QString& text, const QDateTime& when);

} // namespace logging
