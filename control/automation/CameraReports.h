#pragma once

#include "control/automation/ControlParts.h"
#include "control/automation/ReplyMessages.h"

#include <cstdint>
#include <string>

namespace strovix {

// The window-thread handlers of what the camera reports, through the
// connection's messages and the command threads' replies: login level, open
// state, picture information, motion, sound switch, light frequency,
// extended status, version, capability, name and the administration
// replies. Each stores the control's copy, updates the pane texts and fires
// the matching event. Window thread only.
class CameraReports {
public:
    explicit CameraReports(ControlParts& parts) : m_parts(parts) { }
    CameraReports(const CameraReports&) = delete;
    CameraReports& operator=(const CameraReports&) = delete;

    // Binds the connection's messages to the handlers below.
    void wire();

    void onLogin(int code);
    void onOpenState(int state, int userCheck);
    void onImageInfo(uint32_t wParam, uint32_t lParam);
    void onMotion(int kind, int value);
    void onServerAudio(int value);
    void onFrequency(int value);
    void onExStatus(const std::string& text);
    void onCamVer(const std::string& version);
    void onCapability(const std::string& capability);
    void onCamName(const std::string& reply);
    // A reply a command thread posted (its message and wParam).
    void onReply(ReplyMessage message, intptr_t wParam);

    // Starts the camera-name request (after kCamNameDelayMs, "/GetName.cgi").
    void requestCamName();
    // Starts the camera clock request, as GetTime does.
    void requestTime();

    // Forgets what the previous camera reported (at every connect).
    void resetForConnect();

private:
    ControlParts& m_parts;
};

} // namespace strovix
