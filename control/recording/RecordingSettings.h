#pragma once

#include <cstdint>
#include <string>

namespace strovix::recording {

// Result of writing a property: done, quietly refused (nothing changed), or
// refused with a text for the caller's error information.
struct PutResult {
    enum class Kind { Ok, Quiet, Refused };
    Kind kind = Kind::Ok;
    const char* text = ""; // for Refused

    static PutResult ok() { return {}; }
    static PutResult quiet() { return {Kind::Quiet, ""}; }
    static PutResult refused(const char* text) { return {Kind::Refused, text}; }
};

// The recording settings of one control with their initial values. Sizes are
// held in bytes and times in milliseconds (64-bit, so that no accepted value
// overflows); the accessors convert from and to kilobytes and seconds.
class RecordingSettings {
public:
    RecordingSettings(); // both folders: the working directory

    // JPEG sequence.
    int32_t DownloadNum() const { return m_downloadNum; }
    PutResult putDownloadNum(int32_t v);
    const std::string& DownloadPath() const { return m_downloadPath; }
    PutResult putDownloadPath(std::string v);
    const std::string& DownloadPrefix() const { return m_downloadPrefix; }
    PutResult putDownloadPrefix(std::string v);
    int32_t DownloadTime() const { return static_cast<int32_t>(m_downloadTimeMs / 1000); }
    int64_t downloadTimeMs() const { return m_downloadTimeMs; }
    PutResult putDownloadTime(int32_t seconds);
    int32_t DownloadSize() const { return static_cast<int32_t>(m_downloadSizeBytes / 1024); }
    int64_t downloadSizeBytes() const { return m_downloadSizeBytes; }
    PutResult putDownloadSize(int32_t kilobytes);
    int32_t DownType() const { return m_downType; }
    PutResult putDownType(int32_t v);
    int32_t SaveIntervalNum() const { return m_saveIntervalNum; }
    PutResult putSaveIntervalNum(int32_t v);

    // AVI.
    int32_t AviFrame() const { return m_aviFrame; }
    PutResult putAviFrame(int32_t v);
    const std::string& AviPath() const { return m_aviPath; }
    PutResult putAviPath(std::string v);
    const std::string& AviPre() const { return m_aviPre; }
    PutResult putAviPre(std::string v);
    int32_t JpgNumInAvi() const { return m_jpgNumInAvi; }
    PutResult putJpgNumInAvi(int32_t v);
    int32_t AviTotalSize() const { return static_cast<int32_t>(m_aviTotalSizeBytes / 1024); }
    int64_t aviTotalSizeBytes() const { return m_aviTotalSizeBytes; }
    PutResult putAviTotalSize(int32_t kilobytes);
    int32_t AviTotalTime() const { return static_cast<int32_t>(m_aviTotalTimeMs / 1000); }
    int64_t aviTotalTimeMs() const { return m_aviTotalTimeMs; }
    PutResult putAviTotalTime(int32_t seconds);
    int32_t DownAviType() const { return m_downAviType; }
    PutResult putDownAviType(int32_t v);
    int32_t AviDownNum() const { return m_aviDownNum; }
    PutResult putAviDownNum(int32_t v);
    int32_t AutoFrame() const { return m_autoFrame; }
    PutResult putAutoFrame(int32_t v);
    int32_t AviSaveIntervalNum() const { return m_aviSaveIntervalNum; }
    PutResult putAviSaveIntervalNum(int32_t v);

private:
    int32_t m_downloadNum = 100;
    std::string m_downloadPath;
    std::string m_downloadPrefix = "webcam";
    int64_t m_downloadTimeMs = 10 * 1000;
    int64_t m_downloadSizeBytes = 1000 * 1024;
    int32_t m_downType = 0;
    int32_t m_saveIntervalNum = 1;
    int32_t m_aviFrame = 6;
    std::string m_aviPath;
    std::string m_aviPre = "webcam";
    int32_t m_jpgNumInAvi = 500;
    int64_t m_aviTotalSizeBytes = 100 * 1024;
    int64_t m_aviTotalTimeMs = 10 * 1000;
    int32_t m_downAviType = 0;
    int32_t m_aviDownNum = 500;
    int32_t m_autoFrame = 1;
    int32_t m_aviSaveIntervalNum = 1;
};

} // namespace strovix::recording
