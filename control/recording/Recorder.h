#pragma once

#include "control/recording/AviWriter.h"
#include "control/recording/RecordingClock.h"
#include "control/recording/RecordingHost.h"
#include "control/recording/RecordingSettings.h"
#include "control/recording/RecordingWarnings.h"
#include "control/stream/Frame.h"

#include <cstdint>
#include <span>
#include <string>

namespace strovix::recording {

// The recording sessions of one control: the JPEG sequence and the AVI files,
// each with its own limit mode, started and stopped by the `Download` and
// `Avi` properties, the F11 command, the recording dialog and the context
// menu. Everything runs on the control's window thread; the recorder shows
// its texts, icons and warnings through the host.
class Recorder {
public:
    explicit Recorder(RecordingHost& host, const RecordingClock& clock = SystemRecordingClock::instance());
    // Leaves an open AVI file for recovery; the control calls FinalClose first.
    ~Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    RecordingSettings& settings() { return m_settings; }
    const RecordingSettings& settings() const { return m_settings; }

    // --- Entries ---

    // A newly displayed picture: the JPEG stage, then the AVI stage, which
    // receives the picture as the JPEG stage left it.
    void handleFrame(const Frame& frame);
    // A decoded sound block (from WM_VID_RECAUDIO): recorded while AVI
    // recording runs with the measured rate.
    void AddAudio(std::span<const uint8_t> samples);
    // At control destruction: the AVI writer finishes its pending file.
    void FinalClose();
    // Writes `picture` (the current cell's last picture, possibly empty) to
    // `fileName`, creating the missing folders. False when a folder or the
    // file cannot be created or written (S_FALSE).
    bool SaveCurrentJpg(const std::string& fileName, std::span<const uint8_t> picture);

    // --- The two switches ---
    int32_t Download() const { return m_download; }
    PutResult putDownload(int32_t value);
    int32_t Avi() const { return m_avi; }
    PutResult putAvi(int32_t value);

    // --- F11 command and RecordDialog ---
    bool imageRecordingActive() const { return m_imageRecordingActive; }
    // The recording dialog was confirmed with these kinds chosen.
    void startImageRecording(bool jpeg, bool avi);
    // F11 while image recording is active.
    void stopImageRecording();

    // --- Context menu "Save JPEG" and "Save Avi" ---
    void contextJpegStarted(); // the dialog's JPEG page was confirmed
    void contextJpegStop();
    void contextAviStarted();  // the dialog's AVI page was confirmed
    void contextAviStop();

    // --- Warnings ---
    // The warning stored before the last postRecordingError().
    const RecordingWarning& warning() const { return m_warning; }
    // Warnings stored so far (each a recording or picture save that failed).
    uint64_t warningsPosted() const { return m_warningsPosted; }

    // --- Inspection ---
    const std::string& aviStatusText() const { return m_aviText; }
    float measuredRate() const { return m_measuredRate; }
    const AviWriter& writer() const { return m_writer; }

private:
    // JPEG stage.
    // `edited` receives the picture as saved (its APP1 marked APP7) when
    // the stage saved it; it stays empty otherwise.
    void jpegStage(const Frame& frame, Frame& edited);
    bool savePicture(const Frame& frame, Frame& edited);
    void startJpeg();
    void endJpeg();
    void jpegFailed(const RecordingWarning& warning);

    // AVI stage.
    void aviStage(const Frame& frame);
    bool keepAviFrame(const Frame& frame, float rate);
    bool closeAviFile(float rate);
    float aviRate() const;
    void startAvi();
    void endAvi();
    void aviFailed(const RecordingWarning& warning);

    void showProgress();
    void post(const RecordingWarning& warning);
    void imageRecordingStopped();

    RecordingHost& m_host;
    const RecordingClock& m_clock;
    RecordingSettings m_settings;
    AviWriter m_writer;

    int32_t m_download = 0;
    int32_t m_avi = 0;
    bool m_imageRecordingActive = false;

    // JPEG session.
    int64_t m_jpegSaved = 0;
    int64_t m_jpegBytes = 0;
    int64_t m_jpegFrames = 0;
    uint32_t m_jpegStart = 0;

    // AVI session.
    int64_t m_aviFrames = 0;       // frames seen (keep-every-n-th)
    int64_t m_aviFramesInFile = 0;
    int64_t m_aviFileCount = 0;
    int64_t m_aviFramesTotal = 0;  // frames kept (count limit)
    int64_t m_aviBytesTotal = 0;   // bytes kept (size limit)
    uint32_t m_aviStart = 0;
    uint32_t m_aviElapsed = 0;
    int64_t m_rateFrames = 0;
    uint32_t m_rateReference = 0;
    float m_measuredRate = 1.0f;

    std::string m_jpegText;
    std::string m_aviText;
    RecordingWarning m_warning;
    uint64_t m_warningsPosted = 0;
};

} // namespace strovix::recording
