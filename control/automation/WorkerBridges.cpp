#include "control/automation/WorkerBridges.h"

#include "control/automation/CameraReports.h"
#include "control/display/ControlDialogs.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"

namespace strovix {

void StatusBridge::post(unsigned msg, uintptr_t wParam, intptr_t lParam, std::string text)
{
    m_target->post(msg, wParam, lParam, std::move(text));
}

void StatusBridge::clockWanted()
{
    m_target->invoke([&reports = m_reports] { reports.requestTime(); });
}

void StatusBridge::nameWanted()
{
    m_target->invoke([&reports = m_reports] { reports.requestCamName(); });
}

void AudioBridge::deviceFailed()
{
    m_target->invoke([&display = m_display] {
        ControlDialogs::current().notify(display.window(), "Audio", "Open Audio device failed",
                                         ControlDialogs::Icon::Warning);
    });
}

} // namespace strovix
