#include "control/automation/VidorraControl.h"

#include "control/automation/PostBox.h"
#include "control/automation/VidorraIdentity.h"
#include "control/automation/VidorraView.h"
#include "control/stream/KeyValueReader.h"
#include "platform/component/ErrorInfo.h"

#include <ctime>
#include <filesystem>
#include <fstream>

namespace strovix {

using namespace platform::component;

namespace {

std::string workingFolder()
{
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::string() : p.string();
}

} // namespace

VidorraControl::VidorraControl() : VidorraControl(RequestFactory{}) { }

VidorraControl::VidorraControl(RequestFactory requests) : m_events(kIidIVidorraEvents)
{
    ModuleCount::objectCreated();
    m_settings.downloadPath = workingFolder();
    m_settings.aviPath = m_settings.downloadPath;
    m_postBox = std::make_shared<PostBox>([this](ReplyMessage m, intptr_t w) { onReply(m, w); });
    MessagePort port;
    std::weak_ptr<PostBox> box = m_postBox;
    port.post = [box](ReplyMessage m, intptr_t w) {
        if (auto b = box.lock())
            b->post(m, w);
    };
    port.send = [box](ReplyMessage m, intptr_t w, const std::atomic<bool>& stop) {
        if (auto b = box.lock())
            b->send(m, w, stop);
    };
    m_commands = std::make_unique<CommandRunner>(std::move(requests), std::move(port));
}

VidorraControl::~VidorraControl()
{
    m_commands->stopAll(3000);
    m_postBox->close();
    m_events.clear();
    if (m_window)
        delete m_window.data();
    ModuleCount::objectDestroyed();
}

HResult VidorraControl::queryInterface(const Guid& iid, void** out)
{
    if (!out)
        return E_POINTER;
    void* p = nullptr;
    if (iid == Unknown::iid || iid == Dispatch::iid || iid == kIidIVidorra)
        p = static_cast<Dispatch*>(this);
    else if (iid == ConnectionPointContainer::iid)
        p = static_cast<ConnectionPointContainer*>(this);
    else if (iid == PersistStream::iid)
        p = static_cast<PersistStream*>(this);
    else if (iid == OleControl::iid)
        p = static_cast<OleControl*>(this);
    else if (iid == ProvideClassInfo::iid)
        p = static_cast<ProvideClassInfo*>(this);
    else if (iid == ViewStatistics::iid)
        p = static_cast<ViewStatistics*>(this);
    *out = p;
    if (!p)
        return E_NOINTERFACE;
    addRef();
    return S_OK;
}

uint32_t VidorraControl::addRef() { return m_refs.add(); }

uint32_t VidorraControl::release()
{
    const uint32_t n = m_refs.drop();
    if (n == 0)
        delete this;
    return n;
}

const InterfaceInfo& VidorraControl::typeInfo() const { return vidorraInterface(); }
const CoClassInfo& VidorraControl::classInfo() const { return vidorraClass(); }
int64_t VidorraControl::picturesShown() const { return m_picturesShown; }

HResult VidorraControl::advise(const Guid& eventIid, EventSink* sink, uint32_t* cookie)
{
    if (eventIid != kIidIVidorraEvents)
        return CONNECT_E_NOCONNECTION;
    return m_events.advise(sink, cookie);
}

HResult VidorraControl::unadvise(const Guid& eventIid, uint32_t cookie)
{
    if (eventIid != kIidIVidorraEvents)
        return CONNECT_E_NOCONNECTION;
    return m_events.unadvise(cookie);
}

void VidorraControl::fire(EventId event, const std::vector<Variant>& args)
{
    // A sink may release the control while being called.
    addRef();
    m_events.fire(id(event), args);
    release();
}

HResult VidorraControl::isDirty() { return m_dirty ? S_OK : S_FALSE; }

HResult VidorraControl::load(std::span<const uint8_t> stream)
{
    const HResult hr = loadPropertyStream(*this, kPersistedProperties, stream);
    if (succeeded(hr))
        m_dirty = false;
    return hr;
}

HResult VidorraControl::save(std::vector<uint8_t>& out, bool clearDirty)
{
    const HResult hr = savePropertyStream(*this, kPersistedProperties, out);
    if (succeeded(hr) && clearDirty)
        m_dirty = false;
    return hr;
}

HResult VidorraControl::setSite(HostSite* site)
{
    m_site = site;
    return S_OK;
}

HResult VidorraControl::createWindow(QWidget* parent, int width, int height)
{
    if (m_window)
        return E_UNEXPECTED;
    auto* view = new VidorraView(parent);
    view->setBackColor(m_settings.backColor);
    view->resize(width, height);
    view->show();
    m_window = view;
    return S_OK;
}

HResult VidorraControl::destroyWindow()
{
    if (!m_window)
        return S_FALSE;
    delete m_window.data();
    m_window.clear();
    return S_OK;
}

QWidget* VidorraControl::window() const { return m_window.data(); }

HResult VidorraControl::setExtent(int width, int height)
{
    if (!m_window)
        return E_UNEXPECTED;
    m_window->resize(width, height);
    return S_OK;
}

void VidorraControl::setPaneText(int pane, const std::string& text)
{
    if (pane < 0 || pane >= int(m_panes.size()) || m_panes[size_t(pane)] == text)
        return;
    m_panes[size_t(pane)] = text;
    if (m_site)
        m_site->onPaneText(pane, text);
}

HResult VidorraControl::refuse(std::string_view text) { return raiseError(text, kProgId, Guid{}); }

void VidorraControl::launch(Command c, std::string path, int delayMs)
{
    m_commands->launch(c, m_settings.url, std::move(path), delayMs);
}

void VidorraControl::requestCamName() { launch(Command::GetCamName, std::string(paths::fixed(Command::GetCamName)), 50); }

void VidorraControl::resetCameraState()
{
    m_camera = CameraMirror{};
    m_settings.cameraClockOffsetS = 0;
}

void VidorraControl::onReply(ReplyMessage message, intptr_t wParam)
{
    auto text = [this](Command c) { return Variant(m_commands->replyOf(c)); };
    switch (message) {
    case ReplyMessage::ThreadDone:
        m_commands->reap(uint32_t(wParam));
        break;
    case ReplyMessage::UserList: {
        const Command c = wParam == int(UserListKind::Set) ? Command::SetUser
            : wParam == int(UserListKind::Delete)         ? Command::DelUser
                                                          : Command::GetAllUser;
        fire(EventId::GetAllUser, {text(c)});
        break;
    }
    case ReplyMessage::MailSet:
        fire(EventId::GetMail, {text(Command::GetMail)});
        break;
    case ReplyMessage::MailSaved:
        break;
    case ReplyMessage::PppoeSet:
        fire(EventId::GetPPPoE, {text(Command::GetPPPoE)});
        break;
    case ReplyMessage::ModemSet:
        fire(EventId::GetModem, {text(Command::GetModem)});
        break;
    case ReplyMessage::FtpSet:
        fire(EventId::GetFtp, {text(Command::GetFtp)});
        break;
    case ReplyMessage::Log:
        fire(EventId::GetLog, {text(Command::GetLog)});
        break;
    case ReplyMessage::Time: {
        const std::string reply = m_commands->replyOf(Command::GetTime);
        if (auto offset = cameraClockOffset(reply, std::time(nullptr)))
            m_settings.cameraClockOffsetS = *offset;
        fire(EventId::GetTime, {Variant(reply)});
        break;
    }
    case ReplyMessage::IpSet:
        fire(EventId::GetIP, {text(Command::GetIP)});
        break;
    case ReplyMessage::ExCmdDone: {
        auto bytes = m_commands->lastExReply();
        fire(EventId::ExCmd, {Variant(wParam == 0 && bytes ? int32_t(bytes->size()) : -1)});
        break;
    }
    case ReplyMessage::CamName:
        onCamName(m_commands->replyOf(Command::GetCamName));
        break;
    case ReplyMessage::CamVer:
        onCamVer(lastValueOf(m_commands->replyOf(Command::GetCamVersion), "CamVer"));
        break;
    }
}

} // namespace strovix

namespace strovix {

HResult VidorraControl::connect(const std::string& url)
{
    m_commands->stopAll(3000);
    m_settings.url = url;
    resetCameraState();
    return S_OK;
}

HResult VidorraControl::saveCurrentJpg(const std::string& fileName)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path parent = fs::path(fileName).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        fs::create_directories(parent, ec);
        if (ec)
            return S_FALSE;
    }
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out)
        return S_FALSE;
    out.write(reinterpret_cast<const char*>(m_currentPicture.data()), std::streamsize(m_currentPicture.size()));
    out.close();
    return out ? S_OK : S_FALSE;
}

} // namespace strovix
