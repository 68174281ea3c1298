#pragma once

#include "control/automation/CameraInfo.h"
#include "control/automation/CommandRunner.h"
#include "control/automation/RecordingBridge.h"
#include "control/automation/StatusInterpretation.h"
#include "control/automation/VidorraMembers.h"
#include "control/automation/VidorraState.h"
#include "control/audio/AudioPlayer.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/recording/Recorder.h"
#include "control/session/Session.h"
#include "platform/component/ClassFactory.h"
#include "platform/component/Dispatch.h"
#include "platform/component/Events.h"
#include "platform/component/Hosting.h"
#include "platform/component/Persistence.h"

#include <array>
#include <memory>
#include <string>

class QMenu;
class QWidget;

namespace strovix {

class PostBox;
class ControlCredentials;
class ContextMenu;

// The component object of the camera view control: its automation members,
// events, hosting, persistence and class information, over the connection
// (Session) and the live view (Display). Created, called and destroyed on
// the host's user-interface thread (the control's window thread); worker
// threads reach it only through posted messages.
class VidorraControl final : public platform::component::DispatchImpl,
                             public platform::component::ConnectionPointContainer,
                             public platform::component::PersistStream,
                             public platform::component::OleControl,
                             public platform::component::ProvideClassInfo,
                             public platform::component::ViewStatistics {
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

    // C++ side, window thread: the layers behind the members, for tests.
    Session& session() { return *m_session; }
    Display& display() { return m_display; }
    recording::Recorder& recorder() { return *m_recorder; }
    AudioPlayer& audio() { return *m_audio; }
    const VidorraSettings& settings() const { return m_settings; }
    const CameraMirror& camera() const { return m_camera; }
    int loginLevel() const { return m_session->loginLevel(); }
    std::string paneText(int pane) const { return m_session->paneText(pane); }
    // The Resolution and Quality submenus of the last capability reply.
    const CapabilityMenus& capabilityMenus() const { return m_menus; }
    // The submenus themselves, checked at the current index (null until a
    // capability reply came; the context menu shows them).
    QMenu* resolutionMenu() const { return m_resolutionMenu.get(); }
    QMenu* qualityMenu() const { return m_qualityMenu.get(); }
    // The context-menu text of "I am..." after login.
    const std::string& welcomeText() const { return m_welcomeText; }
    // Command threads not yet ended and reaped.
    size_t running() const { return m_commands->running(); }
    // The picture SaveCurrentJpg writes when the view has none (tests).
    void setCurrentPicture(std::vector<uint8_t> jpeg) { m_currentPicture = std::move(jpeg); }

    // The user name the login request returned; the connection's own record
    // replaces it at the next login message.
    void setUserName(const std::string& name) { m_camera.userName = name; }

    // Window-thread handlers of the camera's reports (WM_VID_* messages).
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
    // A reply handed over by a command thread.
    void onReply(ReplyMessage message, intptr_t wParam);
    // Starts the camera-name request (50 ms later, "/GetName.cgi").
    void requestCamName();
    // Starts the camera clock request, as GetTime does.
    void requestTime();

    // How long ExCmd and JspExCmd wait for their reply.
    static constexpr int kExCmdWaitMs = 3000;
    static constexpr int kJspExCmdWaitMs = 10000;

    // Fires an event to every connected sink (window thread only).
    void fire(EventId event, const std::vector<Variant>& args);

protected:
    HResult invokeMember(const platform::component::MemberInfo& member, platform::component::InvokeKind kind,
                         std::vector<Variant>& args, Variant& result) override;

private:
    ~VidorraControl() override;

    void wireSession();
    void wireDisplay();
    void wireAudio();
    // The context menu, status bar, keys and recording sheet (VidorraUi.cpp).
    void wireUi();
    void prepareContextMenu(ContextMenu& menu);
    // F11, "Image Recording(F11)..." and RecordDialog: stop the image
    // recording, or open the recording sheet and start what it chose.
    void recordCommand();
    // The picture save through the file dialog, with `picture` as save buffer.
    void savePictureDialog(Frame picture);
    // The last picture of the current cell (the newest one shown).
    Frame currentPicture() const;
    // 1 while an AVI recording with a measured rate runs: the sound goes in.
    void updateRecordSound();
    HResult getProperty(Dispid d, Variant& result);
    HResult putProperty(Dispid d, const Variant& value);
    HResult callMethod(Dispid d, std::vector<Variant>& args);
    HResult putCameraMirrored(Dispid d, int32_t v);
    HResult putBackColor(uint32_t color);
    // DISP_E_EXCEPTION with the control's error object.
    static HResult refuse(std::string_view text);
    bool isAdmin() const { return loginLevel() == 2; }
    void launch(Command c, std::string path, int delayMs = 0);
    void resetCameraState();
    void paneChanged(int pane, const std::string& text);
    void buildSubmenus();
    void checkSubmenu(QMenu* menu, int32_t index);
    HResult connect(const std::string& url);
    HResult answer(const recording::PutResult& r);
    void showRecordingWarning();

    platform::component::RefCount m_refs;
    platform::component::ConnectionPoint m_events;
    platform::component::HostSite* m_site = nullptr;
    bool m_dirty = false;

    VidorraSettings m_settings;
    CameraMirror m_camera;
    CapabilityMenus m_menus;
    std::unique_ptr<QMenu> m_resolutionMenu;
    std::unique_ptr<QMenu> m_qualityMenu;
    std::string m_welcomeText = "I am...";
    int64_t m_picturesShown = 0;
    // The pane texts the host last heard of.
    std::array<std::string, Session::kPaneCount> m_hostPanes;
    std::vector<uint8_t> m_currentPicture;
    bool m_recordSheetOpen = false;

    std::shared_ptr<StatusShared> m_statusShared = std::make_shared<StatusShared>();
    std::shared_ptr<ControlCredentials> m_credentials;
    std::shared_ptr<PostBox> m_postBox;
    // Destroyed in reverse order: the commands and the connection stop
    // before the view they report to goes.
    Display m_display;
    RecordingBridge m_recordingHost;
    std::unique_ptr<recording::Recorder> m_recorder;
    std::unique_ptr<Session> m_session;
    std::shared_ptr<std::atomic<int>> m_recordSound = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<RecordingSoundBlock> m_soundBlock = std::make_shared<RecordingSoundBlock>();
    std::unique_ptr<AudioPlayer> m_audio;
    std::unique_ptr<CommandRunner> m_commands;
};

} // namespace strovix
