#pragma once

#include "control/automation/CameraReports.h"
#include "control/automation/CommandRunner.h"
#include "control/automation/ControlParts.h"
#include "control/automation/PartsOwner.h"
#include "control/automation/RecordingBridge.h"
#include "control/automation/VidorraMembers.h"
#include "control/automation/VidorraState.h"
#include "control/automation/OperatorUi.h"
#include "control/audio/AudioPlayer.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/display/DisplayOwner.h"
#include "control/recording/Recorder.h"
#include "control/session/Session.h"
#include "control/session/SessionOwner.h"
#include "control/session/ThreadCheck.h"
#include "platform/component/ClassFactory.h"
#include "platform/component/Dispatch.h"
#include "platform/component/Events.h"
#include "platform/component/Hosting.h"
#include "platform/component/Persistence.h"

#include <array>
#include <memory>
#include <string>

class QWidget;

namespace strovix {

class ControlCredentials;

// The component object of the camera view control: its interfaces (dispatch
// through the member table, events, hosting, persistence, class
// information) over the layers it owns and wires together: the connection
// (Session), the live view (Display), the recorder, the sound, the command
// threads, the camera's reports and the control's own user interface. Created, called and destroyed on
// the host's user-interface thread (the control's window thread); worker
// threads reach it only through posted messages. It is the owner its parts
// report to: of the connection, the view and the parts' shared record.
class VidorraControl final : public platform::component::DispatchImpl,
                             public platform::component::ConnectionPointContainer,
                             public platform::component::PersistStream,
                             public platform::component::OleControl,
                             public platform::component::ProvideClassInfo,
                             public platform::component::ViewStatistics,
                             private SessionOwner,
                             private DisplayOwner,
                             private PartsOwner {
public:
    using HResult = platform::component::HResult;
    using Guid = platform::component::Guid;
    using Variant = platform::component::Variant;

    // Commands use the HTTP request layer.
    VidorraControl();
    // Commands use the request objects of `requests` (tests give recording ones).
    explicit VidorraControl(RequestFactory requests);

    // Unknown
    HResult queryInterface(const Guid& iid, void** out) override;
    uint32_t addRef() override;
    uint32_t release() override;
    // Dispatch
    const platform::component::InterfaceInfo& typeInfo() const override;
    // ConnectionPointContainer
    HResult advise(const Guid& eventIid, platform::component::EventSink* sink, uint32_t* cookie) override;
    HResult unadvise(const Guid& eventIid, uint32_t cookie) override;
    // PersistStream
    HResult isDirty() override;
    HResult load(std::span<const uint8_t> stream) override;
    HResult save(std::vector<uint8_t>& out, bool clearDirty) override;
    // OleControl
    HResult setSite(platform::component::HostSite* site) override;
    HResult createWindow(QWidget* parent, int width, int height) override;
    // Hosting many controls: destroying the window asks every worker of the
    // control (connection, reachability check, sound, command threads) to
    // stop and returns without waiting for them; the final release then waits
    // for them at most until 3 s after that request (it detaches, never
    // kills, what has not ended by then). A host that destroys the windows of
    // all its controls first and releases them afterwards therefore waits
    // about 3 s in all, not 3 s per control. A release without an earlier
    // window destruction makes the request itself and waits up to 3 s.
    HResult destroyWindow() override;
    QWidget* window() const override;
    HResult setExtent(int width, int height) override;
    // ProvideClassInfo
    const platform::component::CoClassInfo& classInfo() const override;
    // ViewStatistics
    int64_t picturesShown() const override;
    void takeLatencies(std::vector<float>& intoMs) override;
    std::string notice() const override;
    uint64_t recordingFailures(std::string& lastWords) const override;

    // C++ side, window thread: the layers behind the members, for tests.
    Session& session() { return *m_session; }
    Display& display() { return m_display; }
    recording::Recorder& recorder() { return *m_recorder; }
    AudioPlayer& audio() { return *m_audio; }
    CameraReports& reports() { return *m_reports; }
    OperatorUi& operatorUi() { return *m_ui; }
    const VidorraSettings& settings() const { return m_parts.settings; }
    const CameraMirror& camera() const { return m_parts.camera; }
    int loginLevel() const { return m_parts.loginLevel(); }
    std::string paneText(int pane) const { return m_session->paneText(pane); }
    // The context-menu text of "I am..." after login.
    const std::string& welcomeText() const { return m_parts.welcomeText; }
    // Command threads not yet ended and reaped.
    size_t running() const { return m_commands->running(); }
    // The picture SaveCurrentJpg writes when the view has none (tests).
    void setCurrentPicture(std::vector<uint8_t> jpeg) { m_parts.currentPictureOverride = std::move(jpeg); }
    // The user name the login request returned; the connection's own record
    // replaces it at the next login message.
    void setUserName(const std::string& name) { m_parts.camera.userName = name; }

    // The view as the operator knows it ("Camera 3 (Gate)"), from what the
    // host told the control; empty when it told nothing of the kind.
    std::string viewName() const;

    // Fires an event to every connected sink (window thread only).
    void fire(EventId event, const std::vector<Variant>& args) override;

protected:
    HResult invokeMember(const platform::component::MemberInfo& member, platform::component::InvokeKind kind,
                         std::vector<Variant>& args, Variant& result) override;
    std::string_view errorSource() const override;

private:
    ~VidorraControl() override;

    // SessionOwner (window thread, but for loggedIn and statusBlock).
    void paneTextChanged(int pane, const std::string& text) override;
    void linkStateChanged(LinkState state, int attempt) override;
    void connectReset() override;
    void startAudio() override;
    void stopAudio() override;
    void loggedIn() override;
    void statusBlock(std::string_view block) override;
    // DisplayOwner (window thread).
    void paneText(int pane, const std::string& text) override;
    void layoutChanged(int cellCount) override;
    void clickImage(int x, int y) override;
    void clockWanted() override;
    void hostExtent(QSize pixels, QSize himetric) override;
    int pictureIntervalMs() override;
    // PartsOwner (window thread; fire is public above).
    HResult connect(const std::string& url) override;

    void wireSession();
    void wireAudio();
    long takePicture();
    void paneChanged(int pane, const std::string& text);

    OwnerThread m_windowThread;
    platform::component::RefCount m_refs;
    platform::component::ConnectionPoint m_events;
    bool m_destroying = false;
    int64_t m_picturesShown = 0;
    // The pane texts the host last heard of.
    std::array<std::string, Session::kPaneCount> m_hostPanes;
    ControlParts m_parts;

    std::shared_ptr<ControlCredentials> m_credentials;
    // Destroyed in reverse order: the commands and the connection stop
    // before the view they report to goes.
    Display m_display;
    RecordingBridge m_recordingHost{m_parts};
    std::unique_ptr<recording::Recorder> m_recorder;
    std::unique_ptr<Session> m_session;
    // The session's message target, as loggedIn reaches it from the
    // connection thread; set once in the constructor.
    MessageTargetPtr m_windowTarget;
    std::shared_ptr<RecordingSoundBlock> m_soundBlock = std::make_shared<RecordingSoundBlock>();
    std::unique_ptr<AudioPlayer> m_audio;
    std::unique_ptr<CommandRunner> m_commands;
    std::unique_ptr<OperatorUi> m_ui;
    std::unique_ptr<CameraReports> m_reports;
};

} // namespace strovix
