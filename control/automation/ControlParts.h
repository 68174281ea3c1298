#pragma once

#include "control/automation/CommandRunner.h"
#include "control/automation/PartsOwner.h"
#include "control/automation/StatusInterpretation.h"
#include "control/automation/VidorraMembers.h"
#include "control/automation/VidorraState.h"
#include "control/recording/Recorder.h"
#include "control/session/Session.h"
#include "platform/component/Hosting.h"
#include "platform/component/Variant.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace strovix {

class AudioPlayer;
class Display;
class RecordingBridge;
class OperatorUi;

// What the parts of one control share: the layers it is built from, the
// member fields no layer keeps, and the few acts every part may need (fire
// an event, start a command). The control owns all of it; the member table,
// the report handlers and the user interface reach it through this record.
// Window thread only.
struct ControlParts {
    using Variant = platform::component::Variant;

    Session* session = nullptr;
    Display* display = nullptr;
    recording::Recorder* recorder = nullptr;
    AudioPlayer* audio = nullptr;
    CommandRunner* commands = nullptr;
    RecordingBridge* recordingHost = nullptr;
    OperatorUi* ui = nullptr;

    // The host's site (null when detached) and the persistent state's dirty flag.
    platform::component::HostSite* site = nullptr;
    bool dirty = false;

    VidorraSettings settings;
    CameraMirror camera;
    // The context-menu text of "I am..." after login.
    std::string welcomeText = "I am...";
    // The picture SaveCurrentJpg writes when set (tests); otherwise the newest frame.
    std::vector<uint8_t> currentPictureOverride;

    // Shared with the connection thread's status interpretation.
    std::shared_ptr<StatusShared> statusShared = std::make_shared<StatusShared>();
    // 1 while the sound goes into the AVI file; read by the audio thread.
    std::shared_ptr<std::atomic<int>> recordSound = std::make_shared<std::atomic<int>>(0);

    // The control itself, for the acts of PartsOwner.
    PartsOwner* owner = nullptr;
    void fire(EventId event, const std::vector<Variant>& args) const { owner->fire(event, args); }
    platform::component::HResult connect(const std::string& url) const { return owner->connect(url); }

    int loginLevel() const { return session->loginLevel(); }
    bool isAdmin() const { return loginLevel() == 2; }

    // Starts command `c` against the current URL.
    void launch(Command c, std::string path, int delayMs = 0) const
    {
        commands->launch(c, session->url(), std::move(path), delayMs);
    }
    void launchFixed(Command c, int delayMs = 0) const { launch(c, std::string(paths::fixed(c)), delayMs); }

    // The sound goes into the AVI file while an AVI recording with a
    // measured rate runs.
    void updateRecordSound() const
    {
        recordSound->store(recorder->Avi() != 0 && recorder->settings().AutoFrame() != 0 ? 1 : 0);
    }

    // The last picture of the current cell (the newest one shown).
    Frame currentPicture() const
    {
        return currentPictureOverride.empty() ? session->frame()->copy() : currentPictureOverride;
    }
};

} // namespace strovix
