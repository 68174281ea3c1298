#pragma once

#include "control/audio/AudioOwner.h"
#include "control/automation/StatusInterpretation.h"
#include "control/session/MessageTarget.h"

#include <string>

namespace strovix {

class CameraReports;
class Display;

// What the status interpretation of a connection thread reports, carried to
// the control's window thread through its message target: the thread may
// overstay the control, and once the target is closed every report is
// dropped. Called on connection threads; the reports run on the window
// thread.
class StatusBridge : public StatusOwner {
public:
    StatusBridge(MessageTargetPtr target, CameraReports& reports) : m_target(std::move(target)), m_reports(reports) { }

    void post(unsigned msg, uintptr_t wParam, intptr_t lParam, std::string text) override;
    void clockWanted() override;
    void nameWanted() override;

private:
    const MessageTargetPtr m_target;
    CameraReports& m_reports; // reached on the window thread only
};

// An audio thread's device failure, shown as a warning on the control's
// window thread (dropped once the target is closed). Called on audio threads.
class AudioBridge : public AudioOwner {
public:
    AudioBridge(MessageTargetPtr target, Display& display) : m_target(std::move(target)), m_display(display) { }

    void deviceFailed() override;

private:
    const MessageTargetPtr m_target;
    Display& m_display; // reached on the window thread only
};

} // namespace strovix
