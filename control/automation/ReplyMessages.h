#pragma once

#include "control/session/VidMessages.h"

#include <cstdint>

namespace strovix {

// The private messages by which command threads hand their replies to the
// control's window thread (the numbers are those of the message table).
enum class ReplyMessage : uint32_t {
    UserList = WM_VID_USERLIST,   // wParam: UserListKind
    MailSet = WM_VID_MAILSET,
    MailSaved = WM_VID_MAILSAVED, // no handler
    PppoeSet = WM_VID_PPPOESET,
    ModemSet = WM_VID_MODEMSET,
    FtpSet = WM_VID_FTPSET,
    Log = WM_VID_LOG,
    Time = WM_VID_TIME,
    IpSet = WM_VID_IPSET,
    ExCmdDone = WM_VID_EXCMDDONE, // wParam 0 success, -1 failure
    CamName = WM_VID_CAMNAME,
    CamVer = WM_VID_CAMVER,       // sent
};

// The wParam values of ReplyMessage::UserList.
enum class UserListKind : int { List = 1, Delete = 2, Set = 3 };

} // namespace strovix
