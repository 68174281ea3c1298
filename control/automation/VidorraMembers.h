#pragma once

#include "platform/component/TypeInfo.h"

#include <cstdint>

// The automation contract of Vidorra: every dispatch identifier once, here.
// The member tables (VidorraMembers.cpp) list names, kinds and argument
// types in the interface's order.
namespace strovix {

enum class Dispid : int32_t {
    BackColor = -501,
    CamWidth = 1,
    CamHeight = 2,
    URL = 3,
    Layout = 4,
    ShowIntervalTime = 5,
    ReconnectTryNum = 6,
    ReconnectTryTime = 7,
    DownloadNum = 8,
    Rotate = 9,
    DownloadPath = 10,
    DownloadPrefix = 11,
    AviFrame = 12,
    AviPath = 13,
    GetAllUser = 14,
    SetUser = 15,
    DelUser = 16,
    GetMyself = 17,
    GetMail = 18,
    SendMail = 19,
    SetMail = 20,
    Open = 21,
    Quality = 22,
    Resolution = 23,
    SetPPPoE = 24,
    OpenPPPoE = 25,
    ClosePPPoE = 26,
    GetPPPoE = 27,
    SetModem = 28,
    OpenModem = 29,
    CloseModem = 30,
    GetModem = 31,
    SetFtp = 32,
    GetFtp = 33,
    Brightness = 34,
    Contrast = 35,
    Saturation = 36,
    Hue = 37,
    Sharpness = 38,
    Download = 39,
    GetLog = 40,
    UserCheck = 41,
    MotionDetect = 42,
    JpgNumInAvi = 43,
    AviPre = 44,
    SetTime = 45,
    GetTime = 46,
    SetIP = 47,
    GetIP = 48,
    Avi = 49,
    ExCmd = 50,
    CamName = 51,
    ShowText = 52,
    JspExCmd = 53,
    DownloadTime = 54,
    DownloadSize = 55,
    AviTotalSize = 56,
    AviTotalTime = 57,
    DownType = 58,
    DownAviType = 59,
    SaveIntervalNum = 60,
    AviDownNum = 61,
    AutoFrame = 62,
    AviSaveIntervalNum = 63,
    Frequency = 64,
    Audio = 65,
    AudioFormat = 66,
    SaveCurrentJpg = 67,
    SetExStatus = 68,
    GetExStatus = 69,
    GetCamVersion = 70,
    DelMenu = 71,
    RecordDialog = 72,
    SaveCurJpgDlg = 73,
    FontColor = 74,
    StatusBarCtrl = 75,
    DateFormat = 76,
    TimeFormat = 77,
    ServerAudio = 78,
    // Digital zoom of the view, after the members above.
    Zoom = 79,
    ZoomMode = 80,
    ZoomIn = 81,
    ZoomOut = 82,
    ZoomOff = 83,
};

enum class EventId : int32_t {
    GetAllUser = 1,
    GetMyself = 2,
    GetMail = 3,
    GetPPPoE = 4,
    GetModem = 5,
    GetFtp = 6,
    MotionDetect = 7,
    Layout = 8,
    Resolution = 9,
    Status = 10,
    Quality = 11,
    ImageTuning = 12,
    UserCheck = 13,
    SetMotionDetect = 14,
    GetTime = 15,
    GetIP = 16,
    GetLog = 17,
    ExCmd = 18,
    ClickImage = 19,
    Frequency = 20,
    ExStatus = 21,
    CamVer = 22,
    GetCamName = 23,
    ServerAudio = 24,
};

constexpr int32_t id(Dispid d) { return static_cast<int32_t>(d); }
constexpr int32_t id(EventId e) { return static_cast<int32_t>(e); }

// IVidorra (dual) and _IVidorraEvents (dispatch-only source), the class and
// the type library STROVIXLib.
const platform::component::InterfaceInfo& vidorraInterface();
const platform::component::InterfaceInfo& vidorraEventInterface();
const platform::component::CoClassInfo& vidorraClass();
const platform::component::TypeLibInfo& strovixTypeLib();

// The properties saved in the property stream, in order.
inline constexpr int32_t kPersistedProperties[] = {id(Dispid::BackColor)};

} // namespace strovix
