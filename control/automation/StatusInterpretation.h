#pragma once

#include "control/automation/RequestPacer.h"
#include "control/session/Session.h"
#include "control/stream/CameraStatus.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace strovix {

// What the window thread shares with the status interpretation of the
// connection thread.
struct StatusShared {
    // The control's camera open state (-1, 0, 1), written by the window thread.
    std::atomic<int> controlOpenState{-1};
    // The extended-status window of SetExStatus; end 0 switches it off.
    std::atomic<int> exStart{0};
    std::atomic<int> exEnd{0};
};

// What the status interpretation tells the control, from the connection
// thread. Held by shared ownership by the interpreter of every connection
// thread, which may overstay the control: an implementation reaches the
// control only through its message target. Connection thread only.
class StatusOwner {
public:
    virtual ~StatusOwner() = default;

    // Posts WM_VID_* (message, wParam, lParam, text) to the control.
    virtual void post(unsigned msg, uintptr_t wParam, intptr_t lParam, std::string text) = 0;
    // The camera clock changed: the control's GetTime runs.
    virtual void clockWanted() = 0;
    // The camera name changed: the camera-name request runs.
    virtual void nameWanted() = 0;
};

// Reads the status blocks of one connection thread, keeps the camera status
// record and the last value reported of each field, and hands every change
// to the window thread: a posted message, or a request for the camera clock
// or name, each at most once a second (RequestPacer). Connection thread only.
class CameraStatusInterpreter : public StatusInterpreter {
public:
    // `nowMs`: millisecond ticks that pace the two requests; null: the
    // system's monotonic clock.
    CameraStatusInterpreter(std::shared_ptr<StatusShared> shared, std::shared_ptr<StatusOwner> owner,
                            std::function<uint32_t()> nowMs = {});
    void interpret(std::string_view block) override;
    const CameraStatus& record() const override { return m_record; }

private:
    std::shared_ptr<StatusShared> m_shared;
    std::shared_ptr<StatusOwner> m_owner;
    std::function<uint32_t()> m_nowMs;
    CameraStatus m_record;
    // The last value reported of each field.
    int m_userCheck = -1;
    std::string m_motionSetting = "1000000";
    int m_motionSwitch = -1;
    std::string m_motionCounter = "1000000";
    std::string m_exText;
    int m_frequency = -1;
    int m_loginCode = -1;
    int m_clockCounter = 0;
    int m_nameCounter = -1;
    int m_serverAudio = -1;
    RequestPacer m_clockPacer;
    RequestPacer m_namePacer;
};

} // namespace strovix
