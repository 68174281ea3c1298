#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace strovix {

// The control's private window messages. Worker threads post them to the
// control's message target (or send the three marked "sent" and wait for the
// window thread); the window thread handles them. These values are the only
// place the numbers appear.
enum VidMessage : unsigned {
    // Connection, stream and status (connection, audio and command threads).
    WM_VID_PANETEXT = 0x500,
    WM_VID_NEWFRAME = 0x501,
    WM_VID_THREADDONE = 0x502,
    WM_VID_LOGIN = 0x503,
    WM_VID_OPENSTATE = 0x504,
    WM_VID_IMAGEINFO = 0x505,
    WM_VID_MOTION = 0x506,
    WM_VID_RECAUDIO = 0x507,
    WM_VID_SERVERAUDIO = 0x508,
    // Replies of the administration command threads.
    WM_VID_USERLIST = 0x510,
    WM_VID_MAILSET = 0x511,
    WM_VID_MAILSAVED = 0x512,
    WM_VID_PPPOESET = 0x513,
    WM_VID_MODEMSET = 0x514,
    WM_VID_FTPSET = 0x515,
    WM_VID_LOG = 0x516,
    WM_VID_RECERROR = 0x517,
    WM_VID_TIME = 0x518,
    WM_VID_IPSET = 0x519,
    WM_VID_EXCMDDONE = 0x520,
    WM_VID_CAMNAME = 0x521,
    WM_VID_FREQUENCY = 0x522,
    WM_VID_EXSTATUS = 0x523,
    WM_VID_CAMVER = 0x524,
    WM_VID_CAPABILITY = 0x525,
    // The connection thread: the camera of this connection answered after
    // the put of its address had returned (the sound starts then).
    WM_VID_REACHED = 0x526,
    // The connection thread: why the camera sends no pictures (wParam the
    // LinkState, lParam the attempt number while retrying).
    WM_VID_LINKSTATE = 0x527,
    // From the status bar.
    WM_VID_POPUPMENU = 0x601,
    WM_VID_HIDESTATUSBAR = 0x602,
};

struct VidMessageInfo {
    VidMessage id;
    std::string_view name;
    bool sent; // the sender waits for the window thread's handler
};

inline constexpr VidMessageInfo kVidMessages[] = {
    {WM_VID_PANETEXT, "WM_VID_PANETEXT", false},
    {WM_VID_NEWFRAME, "WM_VID_NEWFRAME", false},
    {WM_VID_THREADDONE, "WM_VID_THREADDONE", false},
    {WM_VID_LOGIN, "WM_VID_LOGIN", false},
    {WM_VID_OPENSTATE, "WM_VID_OPENSTATE", false},
    {WM_VID_IMAGEINFO, "WM_VID_IMAGEINFO", false},
    {WM_VID_MOTION, "WM_VID_MOTION", false},
    {WM_VID_RECAUDIO, "WM_VID_RECAUDIO", true},
    {WM_VID_SERVERAUDIO, "WM_VID_SERVERAUDIO", false},
    {WM_VID_USERLIST, "WM_VID_USERLIST", false},
    {WM_VID_MAILSET, "WM_VID_MAILSET", false},
    {WM_VID_MAILSAVED, "WM_VID_MAILSAVED", false},
    {WM_VID_PPPOESET, "WM_VID_PPPOESET", false},
    {WM_VID_MODEMSET, "WM_VID_MODEMSET", false},
    {WM_VID_FTPSET, "WM_VID_FTPSET", false},
    {WM_VID_LOG, "WM_VID_LOG", false},
    {WM_VID_RECERROR, "WM_VID_RECERROR", false},
    {WM_VID_TIME, "WM_VID_TIME", false},
    {WM_VID_IPSET, "WM_VID_IPSET", false},
    {WM_VID_EXCMDDONE, "WM_VID_EXCMDDONE", false},
    {WM_VID_CAMNAME, "WM_VID_CAMNAME", false},
    {WM_VID_FREQUENCY, "WM_VID_FREQUENCY", false},
    {WM_VID_EXSTATUS, "WM_VID_EXSTATUS", false},
    {WM_VID_CAMVER, "WM_VID_CAMVER", true},
    {WM_VID_CAPABILITY, "WM_VID_CAPABILITY", true},
    {WM_VID_REACHED, "WM_VID_REACHED", false},
    {WM_VID_LINKSTATE, "WM_VID_LINKSTATE", false},
    {WM_VID_POPUPMENU, "WM_VID_POPUPMENU", false},
    {WM_VID_HIDESTATUSBAR, "WM_VID_HIDESTATUSBAR", false},
};

// The table entry of a message number, or nothing for a number not in it.
constexpr std::optional<VidMessageInfo> vidMessageInfo(unsigned id)
{
    for (const auto& m : kVidMessages)
        if (m.id == id)
            return m;
    return std::nullopt;
}

} // namespace strovix
