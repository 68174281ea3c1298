#pragma once

#include "control/automation/CameraInfo.h"
#include "control/automation/CommandRunner.h"
#include "control/automation/VidorraMembers.h"
#include "control/automation/VidorraState.h"
#include "platform/component/ClassFactory.h"
#include "platform/component/Dispatch.h"
#include "platform/component/Events.h"
#include "platform/component/Hosting.h"
#include "platform/component/Persistence.h"

#include <QPointer>
#include <array>
#include <memory>
#include <string>

class QObject;
class QWidget;

namespace strovix {

class PostBox;

// The component object of the camera view control: its automation members,
// events, hosting, persistence and class information. Created, called and
// destroyed on the host's user-interface thread (the control's window
// thread); worker threads reach it only through posted messages.
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

    // The control's default request objects (the HTTP request layer).
    VidorraControl();
    // With the request objects of `requests` (tests give recording ones).
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
    HResult destroyWindow() override;
    QWidget* window() const override;
    HResult setExtent(int width, int height) override;
    // ProvideClassInfo
    const platform::component::CoClassInfo& classInfo() const override;
    // ViewStatistics
    int64_t picturesShown() const override;

    // C++ side, window thread: the state behind the members, for the layers
    // that share the control and for tests.
    const VidorraSettings& settings() const { return m_settings; }
    const CameraMirror& camera() const { return m_camera; }
    const std::string& paneText(int pane) const { return m_panes.at(size_t(pane)); }
    // The Resolution and Quality submenus of the last capability reply.
    const CapabilityMenus& capabilityMenus() const { return m_menus; }
    // The context-menu text of "I am..." after login.
    const std::string& welcomeText() const { return m_welcomeText; }
    void setPaneText(int pane, const std::string& text);

    // Window-thread handlers of the camera's reports.
    // The user name that the login request returned.
    void setUserName(const std::string& name);
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

    // The picture that SaveCurrentJpg writes: the current cell's last one.
    void setCurrentPicture(std::vector<uint8_t> jpeg) { m_currentPicture = std::move(jpeg); }
    void countPictureShown() { ++m_picturesShown; }
    // Command threads not yet ended and reaped.
    size_t running() const { return m_commands->running(); }

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

    HResult getProperty(Dispid d, Variant& result);
    HResult putProperty(Dispid d, const Variant& value);
    HResult callMethod(Dispid d, std::vector<Variant>& args);
    HResult putCameraMirrored(Dispid d, int32_t v);
    HResult putBackColor(uint32_t color);
    // DISP_E_EXCEPTION with the control's error object.
    static HResult refuse(std::string_view text);
    bool isAdmin() const { return m_camera.loginLevel == 2; }
    void launch(Command c, std::string path, int delayMs = 0);
    void resetCameraState();
    // Disconnects, stores the new address and connects.
    HResult connect(const std::string& url);
    HResult saveCurrentJpg(const std::string& fileName);

    platform::component::RefCount m_refs;
    platform::component::ConnectionPoint m_events;
    platform::component::HostSite* m_site = nullptr;
    bool m_dirty = false;

    VidorraSettings m_settings;
    CameraMirror m_camera;
    std::array<std::string, 7> m_panes;
    CapabilityMenus m_menus;
    std::string m_welcomeText = "I am...";
    int64_t m_picturesShown = 0;
    bool m_actualSize = false;
    std::vector<uint8_t> m_currentPicture;

    QPointer<QWidget> m_window;
    std::shared_ptr<PostBox> m_postBox;
    std::unique_ptr<CommandRunner> m_commands;
};

} // namespace strovix
