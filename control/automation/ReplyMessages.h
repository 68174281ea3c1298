#pragma once

#include <cstdint>

namespace strovix {

// Private messages by which command threads hand their replies to the
// control's window thread, with the values of the control's message table.
enum class ReplyMessage : uint32_t {
    ThreadDone = 0x502, // WM_VID_THREADDONE: wParam = the worker's number
    UserList = 0x510,   // WM_VID_USERLIST: wParam 1 list, 2 delete, 3 set
    MailSet = 0x511,    // WM_VID_MAILSET
    MailSaved = 0x512,  // WM_VID_MAILSAVED: no handler
    PppoeSet = 0x513,   // WM_VID_PPPOESET
    ModemSet = 0x514,   // WM_VID_MODEMSET
    FtpSet = 0x515,     // WM_VID_FTPSET
    Log = 0x516,        // WM_VID_LOG
    Time = 0x518,       // WM_VID_TIME
    IpSet = 0x519,      // WM_VID_IPSET
    ExCmdDone = 0x520,  // WM_VID_EXCMDDONE: wParam 0 success, -1 failure
    CamName = 0x521,    // WM_VID_CAMNAME
    CamVer = 0x524,     // WM_VID_CAMVER (sent)
};

// The wParam values of ReplyMessage::UserList.
enum class UserListKind : int { List = 1, Delete = 2, Set = 3 };

} // namespace strovix
