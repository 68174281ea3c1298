#include "control/recording/Recorder.h"
#include "control/recording/RecordingLog.h"

#include "control/recording/AviRecovery.h"
#include "control/recording/PictureFiles.h"
#include "control/recording/RecordingFile.h"

#include <sys/stat.h>

namespace strovix::recording {
namespace {

constexpr const char* kRecordMenuIdle = "Image Recording(F11)...";
constexpr const char* kRecordMenuActive = "Stop Image Recording(F11)";
// Files per numbered sub-folder of a session.
constexpr int64_t kFilesPerFolder = 5000;

// Frames 1, n+1, 2n+1, ... are kept.
bool keeps(int64_t counter, int32_t interval)
{
    return interval == 1 || counter % interval == 1;
}

// folder/prefixN/ for the files from the 5001st on; created when missing.
bool numberedFolder(std::string& folder, const std::string& prefix, int64_t count)
{
    if (count < kFilesPerFolder)
        return true;
    folder += prefix + std::to_string(count / kFilesPerFolder) + "/";
    return isExistingFolder(folder) || ::mkdir(folder.c_str(), 0755) == 0 || isExistingFolder(folder);
}

std::string str(int64_t v)
{
    return std::to_string(v);
}

} // namespace

Recorder::Recorder(RecordingHost& host, const RecordingClock& clock) : m_host(host), m_clock(clock), m_writer(clock) {}

void Recorder::handleFrame(const Frame& frame)
{
    // The picture is the camera's, shared with the view: it is copied only
    // when the JPEG stage saves it, and the AVI stage then takes that copy.
    Frame edited;
    jpegStage(frame, edited);
    aviStage(edited.empty() ? frame : edited);
}

// ---------------------------------------------------------------- JPEG stage

void Recorder::jpegStage(const Frame& frame, Frame& edited)
{
    if (m_download == 0)
        return;
    const int32_t mode = m_settings.DownType();
    if (mode < 0 || mode > 3) {
        endJpeg();
        return;
    }
    ++m_jpegFrames;
    if (!keeps(m_jpegFrames, m_settings.SaveIntervalNum()))
        return;

    const auto length = static_cast<int64_t>(frame.size());
    switch (mode) {
    case 0:
        if (!savePicture(frame, edited))
            return;
        ++m_jpegSaved;
        m_jpegText = str(m_jpegSaved) + " jpeg down";
        break;
    case 1:
        if (m_jpegSaved >= m_settings.DownloadNum()) {
            endJpeg();
            return;
        }
        if (!savePicture(frame, edited))
            return;
        ++m_jpegSaved;
        m_jpegText = str(m_jpegSaved) + " jpeg down, remain " + str(m_settings.DownloadNum() - m_jpegSaved);
        break;
    case 2:
        if (length + m_jpegBytes >= m_settings.downloadSizeBytes()) {
            endJpeg();
            return;
        }
        if (!savePicture(frame, edited))
            return;
        ++m_jpegSaved;
        m_jpegBytes += length;
        m_jpegText = str(m_jpegBytes / 1024) + "k/" + str(m_settings.downloadSizeBytes() / 1024) + "k jpeg down";
        break;
    case 3: {
        const uint32_t elapsed = m_clock.tickMs() - m_jpegStart;
        if (elapsed >= m_settings.downloadTimeMs()) {
            endJpeg();
            return;
        }
        if (!savePicture(frame, edited))
            return;
        ++m_jpegSaved;
        m_jpegBytes += length;
        m_jpegText = str(elapsed / 1000) + "s/" + str(m_settings.downloadTimeMs() / 1000) + "s jpeg down";
        break;
    }
    }
    showProgress();
}

bool Recorder::savePicture(const Frame& frame, Frame& edited)
{
    const std::string& prefix = m_settings.DownloadPrefix();
    std::string folder = withSlash(m_settings.DownloadPath());
    if (!numberedFolder(folder, prefix, m_jpegSaved)) {
        jpegFailed(subFolderWarning());
        return false;
    }
    const std::string name = folder + prefix + "_" + formatTimestamp(m_clock.localNow()) + ".jpg";
    // The AVI stage receives the picture with this change too.
    edited = frame;
    changeFirstApp1ToApp7(edited);
    if (const int error = writePictureFile(name, edited); error != 0) {
        jpegFailed(fileWarning(RecordingKind::Jpeg, error, m_settings.DownloadPath(), prefix));
        return false;
    }
    return true;
}

void Recorder::startJpeg()
{
    m_download = 1;
    m_jpegSaved = 0;
    m_jpegBytes = 0;
    m_jpegFrames = 0;
    m_jpegStart = m_clock.tickMs();
}

void Recorder::endJpeg()
{
    m_download = 0;
    m_jpegSaved = 0;
    m_jpegBytes = 0;
    m_jpegFrames = 0;
    // The AVI stage's rate measurement is left alone: resetting its frame
    // count here would give a running AVI file a wrong rate.
    if (m_avi == 0)
        imageRecordingStopped();
    m_host.setIndicator(kSlotJpeg, kIconStopped);
    m_jpegText.clear();
    m_host.showRecordingText("Save JPEG over.");
}

void Recorder::jpegFailed(const RecordingWarning& warning)
{
    post(warning);
    m_download = 0;
    m_host.setSaveJpegMenuText("Save JPEG");
    m_host.setIndicator(kSlotJpeg, kIconStopped);
    m_host.showRecordingText("Save JPEG terminate.");
    if (m_avi == 0)
        imageRecordingStopped();
    endJpeg();
}

// ----------------------------------------------------------------- AVI stage

float Recorder::aviRate() const
{
    return m_settings.AutoFrame() != 0 ? m_measuredRate : static_cast<float>(m_settings.AviFrame());
}

void Recorder::aviStage(const Frame& frame)
{
    if (m_avi == 0)
        return;
    const int32_t mode = m_settings.DownAviType();
    if (mode < 0 || mode > 3) {
        closeAviFile(aviRate());
        endAvi();
        return;
    }
    const uint32_t now = m_clock.tickMs();
    const int32_t interval = m_settings.AviSaveIntervalNum();
    ++m_aviFrames;
    ++m_rateFrames;
    m_aviElapsed = now - m_aviStart;
    // Within the same millisecond as the reference there is nothing to
    // measure yet; the last rate stands.
    if (const uint32_t span = now - m_rateReference; span > 0) {
        const double rate = static_cast<double>(m_rateFrames) * 1000.0 / (static_cast<double>(interval) * span);
        m_measuredRate = rate > 0.0 ? static_cast<float>(rate) : 1.0f;
    }
    if (!keeps(m_aviFrames, interval))
        return;

    const float rate = aviRate();
    const auto length = static_cast<int64_t>(frame.size());
    switch (mode) {
    case 0:
        if (!keepAviFrame(frame, rate))
            return;
        m_aviText = "  " + str(m_aviElapsed / 1000) + "s avi down";
        break;
    case 1:
        if (m_aviFramesTotal >= m_settings.AviDownNum()) {
            closeAviFile(rate);
            endAvi();
            return;
        }
        if (!keepAviFrame(frame, rate))
            return;
        ++m_aviFramesTotal;
        m_aviText = "  " + str(m_aviFramesTotal) + "/" + str(m_settings.AviDownNum()) + "jpeg to avi";
        break;
    case 2:
        if (length + m_aviBytesTotal >= m_settings.aviTotalSizeBytes()) {
            closeAviFile(rate);
            endAvi();
            return;
        }
        if (!keepAviFrame(frame, rate))
            return;
        m_aviBytesTotal += length;
        m_aviText = "  " + str(m_aviBytesTotal / 1024) + "k/" + str(m_settings.aviTotalSizeBytes() / 1024) + "k avi down";
        break;
    case 3:
        if (m_aviElapsed >= m_settings.aviTotalTimeMs()) {
            closeAviFile(rate);
            endAvi();
            return;
        }
        if (!keepAviFrame(frame, rate))
            return;
        m_aviText = "  " + str(m_aviElapsed / 1000) + "s/" + str(m_settings.aviTotalTimeMs() / 1000) + "s avi down";
        break;
    }
    showProgress();
}

bool Recorder::keepAviFrame(const Frame& frame, float rate)
{
    m_host.setIndicator(kSlotAvi, kIconAviRecording);
    m_writer.setConfiguredRate(static_cast<float>(m_settings.AviFrame()));
    m_writer.AddFrame(frame, m_settings.AviPath(), m_settings.AviPre(), rate);
    if (const int error = m_writer.takeWriteError(); error != 0) {
        // The frames written so far stay on disk; a later recording finishes them.
        aviFailed(fileWarning(RecordingKind::Avi, error, m_settings.AviPath(), m_settings.AviPre()));
        return false;
    }
    if (m_writer.lastFrameRefused())
        return false;
    if (m_aviFramesInFile == m_settings.JpgNumInAvi()) {
        if (!closeAviFile(rate)) {
            endAvi();
            return false;
        }
        ++m_aviFileCount;
        m_aviFramesInFile = 0;
        m_rateFrames = 0;
        m_rateReference = m_clock.tickMs();
    }
    ++m_aviFramesInFile;
    return true;
}

bool Recorder::closeAviFile(float rate)
{
    const std::string& prefix = m_settings.AviPre();
    std::string folder = withSlash(m_settings.AviPath());
    if (!numberedFolder(folder, prefix, m_aviFileCount)) {
        aviFailed(subFolderWarning());
        return false;
    }
    const std::string name = folder + prefix + "_" + formatTimestamp(m_clock.localNow()) + ".avi";
    const int result = m_writer.Close(rate, name);
    if (result == 0)
        return true;
    aviFailed(fileWarning(RecordingKind::Avi, result, m_settings.AviPath(), prefix));
    return false;
}

void Recorder::startAvi()
{
    m_avi = 1;
    m_aviBytesTotal = 0;
    m_aviFramesTotal = 0;
    m_aviFileCount = 0;
    m_aviFramesInFile = 0;
    m_aviFrames = 0;
    m_rateFrames = 0;
    m_aviStart = m_rateReference = m_clock.tickMs();
    // A file that a crash left in this folder is finished before a new one starts.
    recoverUnfinishedAvi(m_settings.AviPath());
}

void Recorder::endAvi()
{
    m_avi = 0;
    m_aviBytesTotal = 0;
    m_aviFramesTotal = 0;
    m_aviFileCount = 0;
    m_aviFramesInFile = 0;
    m_rateFrames = 0;
    m_rateReference = m_clock.tickMs();
    if (m_download == 0)
        imageRecordingStopped();
    m_host.setIndicator(kSlotAvi, kIconStopped);
    m_aviText.clear();
    m_host.showRecordingText("Save avi over.");
}

void Recorder::aviFailed(const RecordingWarning& warning)
{
    post(warning);
    m_avi = 0;
    m_host.setIndicator(kSlotAvi, kIconStopped);
    m_host.showRecordingText("Save AVI terminate.");
    if (m_download == 0)
        imageRecordingStopped();
}

void Recorder::AddAudio(std::span<const uint8_t> samples)
{
    if (m_avi == 0 || m_settings.AutoFrame() == 0)
        return;
    m_writer.AddAudio(samples);
    if (const int error = m_writer.takeWriteError(); error != 0)
        aviFailed(fileWarning(RecordingKind::Avi, error, m_settings.AviPath(), m_settings.AviPre()));
}

// ---------------------------------------------------------------- triggers

PutResult Recorder::putDownload(int32_t value)
{
    if (value == 0 && m_download != 0)
        endJpeg();
    else if (value != 0 && m_download == 0)
        startJpeg();
    m_download = value;
    return PutResult::ok();
}

PutResult Recorder::putAvi(int32_t value)
{
    if (value == 0 && m_avi != 0) {
        closeAviFile(aviRate());
        endAvi();
    } else if (value != 0 && m_avi == 0) {
        startAvi();
        m_host.setRecordMenuText(kRecordMenuActive);
        m_imageRecordingActive = true;
    }
    m_avi = value;
    return PutResult::ok();
}

void Recorder::startImageRecording(bool jpeg, bool avi)
{
    if (jpeg) {
        startJpeg();
        m_host.setIndicator(kSlotJpeg, kIconJpegRecording);
        m_host.showRecordingText("Save JPEG begin...");
    }
    if (avi) {
        startAvi();
        m_host.setIndicator(kSlotAvi, kIconAviRecording);
        m_host.showRecordingText("Save AVI begin...");
    }
    if (jpeg || avi) {
        m_host.setRecordMenuText(kRecordMenuActive);
        m_imageRecordingActive = true;
    }
}

void Recorder::stopImageRecording()
{
    if (m_avi != 0)
        closeAviFile(aviRate());
    m_download = 0;
    m_avi = 0;
    m_jpegSaved = m_jpegBytes = m_jpegFrames = 0;
    m_aviBytesTotal = m_aviFramesTotal = m_aviFileCount = m_aviFramesInFile = m_aviFrames = m_rateFrames = 0;
    m_jpegText.clear();
    m_aviText.clear();
    imageRecordingStopped();
    m_host.setIndicator(kSlotJpeg, kIconStopped);
    m_host.setIndicator(kSlotAvi, kIconStopped);
    m_host.showRecordingText("No Image Record.");
}

void Recorder::contextJpegStarted()
{
    startJpeg();
    m_host.setSaveJpegMenuText("Stop Saving JPEG");
    m_host.showRecordingIcon(kIconAviRecording);
}

void Recorder::contextJpegStop()
{
    putDownload(0);
    m_host.setSaveJpegMenuText("Save JPEG");
    m_host.showRecordingIcon(kIconStopped);
}

void Recorder::contextAviStarted()
{
    startAvi();
    m_host.setSaveAviMenuText("Stop Saving Avi");
}

void Recorder::contextAviStop()
{
    putAvi(0);
    m_host.setSaveAviMenuText("Save Avi");
}

// ------------------------------------------------------------------ others

void Recorder::FinalClose()
{
    m_writer.FinalClose();
}

bool Recorder::SaveCurrentJpg(const std::string& fileName, std::span<const uint8_t> picture)
{
    if (!createFoldersFor(fileName))
        return false;
    return writePictureFile(fileName, picture) == 0;
}

void Recorder::showProgress()
{
    m_host.showRecordingText(m_jpegText + m_aviText);
}

void Recorder::post(const RecordingWarning& warning)
{
    qCWarning(recorderLog, "recording stopped: %s: %s", warning.caption.c_str(), warning.text.c_str());
    m_warning = warning;
    ++m_warningsPosted;
    m_host.postRecordingError();
}

void Recorder::imageRecordingStopped()
{
    m_imageRecordingActive = false;
    m_host.setRecordMenuText(kRecordMenuIdle);
}

} // namespace strovix::recording
