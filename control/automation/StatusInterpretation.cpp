#include "control/automation/StatusInterpretation.h"

#include "control/session/VidMessages.h"

#include <chrono>

namespace strovix {
namespace {

uint32_t steadyMs()
{
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

} // namespace

CameraStatusInterpreter::CameraStatusInterpreter(std::shared_ptr<StatusShared> shared,
                                                 std::shared_ptr<StatusOwner> owner, std::function<uint32_t()> nowMs)
    : m_shared(std::move(shared)), m_owner(std::move(owner)), m_nowMs(std::move(nowMs))
{
}

void CameraStatusInterpreter::interpret(std::string_view block)
{
    m_record.update(block);
    const CameraStatus& s = m_record;
    auto post = [this](unsigned msg, uintptr_t w, intptr_t l = 0, std::string text = {}) {
        if (m_owner)
            m_owner->post(msg, w, l, std::move(text));
    };

    // 1. Open state. Anything but 1 means closed; a camera reporting some
    // other number must not be taken for the "unchanged" marker 2.
    const int open = s.openState == 1 ? 1 : 0;
    if (open != m_shared->controlOpenState.load())
        post(WM_VID_OPENSTATE, uintptr_t(open), 2);
    // 2. User check.
    if (s.userCheck != m_userCheck) {
        post(WM_VID_OPENSTATE, 2, s.userCheck);
        m_userCheck = s.userCheck;
    }
    // 3. Motion setting, and with it the switch.
    if (s.motionSetting != m_motionSetting) {
        m_motionSetting = s.motionSetting;
        if (s.motionSwitch != m_motionSwitch) {
            post(WM_VID_MOTION, 1, s.motionSwitch);
            m_motionSwitch = s.motionSwitch;
        }
    }
    // 4. Motion counter, only while detection is on.
    if (s.motionSwitch == 1) {
        if (s.motionCounter != m_motionCounter && m_motionCounter != "1000000")
            post(WM_VID_MOTION, 0, 0);
        m_motionCounter = s.motionCounter;
    }
    // 5. Extended status window.
    const int start = m_shared->exStart.load(), end = m_shared->exEnd.load();
    if (end > 0) {
        std::string text;
        if (size_t(start) < s.extendedText.size())
            text = s.extendedText.substr(size_t(start), size_t(end - start + 1));
        if (text != m_exText) {
            m_exText = text;
            post(WM_VID_EXSTATUS, 0, 0, text);
        }
    }
    // 6. Light frequency.
    if (s.frequency != m_frequency) {
        post(WM_VID_FREQUENCY, uintptr_t(s.frequency));
        m_frequency = s.frequency;
    }
    // 7. Login level code.
    if (s.loginCode != m_loginCode) {
        post(WM_VID_LOGIN, uintptr_t(s.loginCode));
        m_loginCode = s.loginCode;
    }
    // 8. Camera clock counter and 9. camera name counter: paced, so a
    // counter that changes with every picture costs a request a second.
    const uint32_t now = m_nowMs ? m_nowMs() : steadyMs();
    const bool clockChanged = s.clockCounter != m_clockCounter;
    m_clockCounter = s.clockCounter;
    if (m_clockPacer.due(clockChanged, now) && m_owner)
        m_owner->clockWanted();
    const bool nameChanged = s.nameCounter != m_nameCounter;
    m_nameCounter = s.nameCounter;
    if (m_namePacer.due(nameChanged, now) && m_owner)
        m_owner->nameWanted();
    // 10. Camera audio switch.
    if (s.serverAudio != m_serverAudio) {
        post(WM_VID_SERVERAUDIO, uintptr_t(s.serverAudio));
        m_serverAudio = s.serverAudio;
    }
}

} // namespace strovix
