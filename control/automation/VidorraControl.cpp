#include "control/automation/VidorraControl.h"

#include "control/automation/ControlCredentials.h"
#include "control/automation/HttpCommandRequest.h"
#include "control/automation/MemberTable.h"
#include "control/automation/VidorraIdentity.h"
#include "control/automation/WorkerBridges.h"
#include "control/display/ControlUi.h"
#include "control/automation/ViewName.h"
#include "control/session/ConnectionLimits.h"
#include "control/session/LoginDialog.h"
#include "control/session/Panes.h"
#include "control/session/VidMessages.h"
#include "platform/registry/Registry.h"


#include <QVariant>
#include <QWidget>

#include <cstdlib>
#include <string_view>

namespace strovix {

using namespace platform::component;

VidorraControl::VidorraControl() : VidorraControl(RequestFactory{}) { }

VidorraControl::VidorraControl(RequestFactory requests)
    : m_events(kIidIVidorraEvents), m_session(std::make_unique<Session>()), m_windowTarget(m_session->messageTarget())
{
    ModuleCount::objectCreated();
    m_recorder = std::make_unique<recording::Recorder>(m_recordingHost);
    // The login dialog names the view as the operator knows it; asked on the
    // window thread, through the session's target, which closes before the
    // display and the recorder go.
    m_credentials = std::make_shared<ControlCredentials>(
        std::make_shared<DialogCredentialsProvider>(m_session->messageTarget(), [this] { return viewName(); }));
    m_session->setCredentialsProvider(m_credentials);

    MessagePort port;
    port.target = m_session->messageTarget();
    port.startWorker = [this](std::function<void(uint64_t)> body) {
        return m_session->workers().start(std::move(body));
    };
    if (!requests) {
        requests = [this]() -> std::unique_ptr<CommandRequest> {
            auto r = std::make_shared<HttpRequest>();
            r->setCredentials(m_session->credentialsProvider(), m_session->credentialStore());
            m_session->addCommandRequest(r);
            return std::make_unique<HttpCommandRequest>(r);
        };
    }
    m_commands = std::make_unique<CommandRunner>(std::move(requests), std::move(port));
    wireAudio();

    m_parts.session = m_session.get();
    m_parts.display = &m_display;
    m_parts.recorder = m_recorder.get();
    m_parts.audio = m_audio.get();
    m_parts.commands = m_commands.get();
    m_parts.recordingHost = &m_recordingHost;
    m_parts.owner = this;
    m_ui = std::make_unique<OperatorUi>(m_parts, *this);
    m_parts.ui = m_ui.get();
    m_reports = std::make_unique<CameraReports>(m_parts);

    wireSession();
    m_display.setOwner(this);
    m_ui->wire();
    platform::registry::Registry registry;
    writeConnectionLimits(registry);
}

void VidorraControl::wireAudio()
{
    auto audioOwner = std::make_shared<AudioBridge>(m_session->messageTarget(), m_display);
    auto link = [this, audioOwner] {
        AudioLink l = audioLinkOf(m_session->audioConnection());
        l.audio = m_session->audioValue();
        l.recordSound = m_parts.recordSound;
        l.soundBlock = m_soundBlock;
        l.target = m_session->messageTarget();
        l.owner = audioOwner;
        // A host without an operator (strovixctl, the tests) asks for silence
        // instead of a warning when the machine has no sound device at all.
        l.makeOutput = [] {
            const char* fallback = std::getenv("STROVIX_NULL_AUDIO");
            return media::makeDefaultAudioOutput(fallback && std::string_view(fallback) == "1" ? media::NoDevicePolicy::UseNullOutput
                                                                                        : media::NoDevicePolicy::Fail);
        };
        return l;
    };
    m_audio = std::make_unique<AudioPlayer>(m_session->audioValue(), m_session->audioFormatValue(), link);
    m_session->setMessageHandler(WM_VID_RECAUDIO, [this](const VidMessageArgs&) -> long {
        const auto block = m_soundBlock->copy();
        m_recorder->AddAudio(block);
        return 0;
    });
}

VidorraControl::~VidorraControl()
{
    m_destroying = true;
    // Every worker is asked to stop (unless the window's destruction did so)
    // and all are waited for against the one deadline of that request. The
    // session's stop of the worker list waits for the command threads.
    m_commands->stop();
    m_audio->requestStop();
    const auto deadline = m_session->stopDeadline();
    m_credentials->setSite(nullptr);
    m_audio->stopBy(deadline);
    m_audio.reset();
    m_session.reset();
    m_parts.session = nullptr; // the recorder's last texts go nowhere
    // The AVI file being written is finished.
    m_recorder->FinalClose();
    m_events.clear();
    m_display.destroyWindow();
    ModuleCount::objectDestroyed();
}

void VidorraControl::wireSession()
{
    Session& s = *m_session;
    s.setOwner(this);
    s.setMessageHandler(WM_VID_NEWFRAME, [this](const VidMessageArgs&) -> long { return takePicture(); });
    m_reports->wire();

    // The connection thread reads the status blocks; what changed comes to
    // the window thread as messages or as requests run there.
    s.setStatusInterpreterFactory(
        [shared = m_parts.statusShared, owner = std::make_shared<StatusBridge>(s.messageTarget(), *m_reports)] {
            return std::make_unique<CameraStatusInterpreter>(shared, owner);
        });
}

// The pane texts go to the host and, while it exists, to the status bar.
void VidorraControl::paneTextChanged(int pane, const std::string& text)
{
    paneChanged(pane, text);
    m_display.ui().setPaneText(pane, text);
}

// The view says why its camera sends no pictures.
void VidorraControl::linkStateChanged(LinkState state, int attempt) { m_display.setLinkState(state, attempt); }

void VidorraControl::connectReset() { m_reports->resetForConnect(); }

// The session stops the sound at reconnect and in its own destruction, by
// which time the player may have gone already.
void VidorraControl::startAudio()
{
    if (m_audio)
        m_audio->start();
}

void VidorraControl::stopAudio()
{
    if (m_audio)
        m_audio->stop();
}

// After each login: the overlay shows the camera's clock, and the camera
// name is read.
void VidorraControl::loggedIn()
{
    m_windowTarget->invoke([this] {
        std::vector<Variant> args{Variant(3)};
        invoke(id(Dispid::ShowText), InvokeKind::PropertyPut, args, nullptr, nullptr);
        m_reports->requestCamName();
    });
}

// The control's own interpreter reads every status block: the session's
// plain one, which reports here, is never made.
void VidorraControl::statusBlock(std::string_view) { }

void VidorraControl::paneText(int pane, const std::string& text) { m_session->setPaneText(pane, text); }
void VidorraControl::layoutChanged(int cells) { fire(EventId::Layout, {Variant(int32_t(cells))}); }
void VidorraControl::clickImage(int x, int y) { fire(EventId::ClickImage, {Variant(int32_t(x)), Variant(int32_t(y))}); }
void VidorraControl::clockWanted() { m_reports->requestTime(); }
int VidorraControl::pictureIntervalMs() { return m_session ? m_session->showIntervalTime() : 0; }

void VidorraControl::hostExtent(QSize pixels, QSize)
{
    if (m_parts.site)
        m_parts.site->onResizeRequest(pixels.width(), pixels.height());
}

void RecordingBridge::showRecordingText(const std::string& text)
{
    if (m_parts.session) // gone when the writer finishes the last file
        m_parts.session->setPaneText(pane::kMisc, text);
}

void RecordingBridge::setIndicator(int slot, int iconId)
{
    m_parts.display->setIndicator(slot, iconId);
}

void RecordingBridge::postRecordingError()
{
    // Shown from the window thread's queue: the recorder is inside a frame now.
    OperatorUi* ui = m_parts.ui;
    if (m_parts.session)
        m_parts.session->messageTarget()->invoke([ui] { ui->showRecordingWarning(); });
}

// The picture road: the newest complete picture, made once by the connection
// thread, goes to the view and then to the recording stages, all sharing it.
long VidorraControl::takePicture()
{
    // Held here: the recording may open a message box, and with it a nested
    // event loop in which the cells take newer pictures.
    const PicturePtr picture = m_session->frame()->latest();
    const int r = m_display.handleNewFrame(picture, m_session->framesAnnounced(), m_session->frameRateX100(),
                                           m_session->frameRateWindow());
    if (r != 0)
        return r;
    ++m_picturesShown;
    // Every handled picture, decoded well or not: the stages decide
    // themselves what to keep.
    m_recorder->handleFrame(picture->bytes);
    m_parts.updateRecordSound(); // a limit may have ended the AVI session
    return 0;
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

void VidorraControl::takeLatencies(std::vector<float>& intoMs)
{
    const std::vector<float> taken = m_display.takeLatencies();
    intoMs.insert(intoMs.end(), taken.begin(), taken.end());
}

std::string VidorraControl::notice() const { return m_display.notice(); }

uint64_t VidorraControl::recordingFailures(std::string& lastWords) const
{
    const uint64_t n = m_recorder->warningsPosted();
    if (n > 0)
        lastWords = m_recorder->warning().caption + ": " + m_recorder->warning().text;
    return n;
}

HResult VidorraControl::invokeMember(const MemberInfo& member, InvokeKind kind, std::vector<Variant>& args,
                                     Variant& result)
{
    STROVIX_CHECK_OWNER_THREAD(m_windowThread);
    return MemberTable::invoke(m_parts, member.dispid, kind, args, result);
}

std::string_view VidorraControl::errorSource() const { return kProgId; }

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
    // Events handled while the destruction waits for a host's credentials
    // callback reach no sink (nor could the reference below be taken).
    if (m_destroying)
        return;
    // A sink may release the control while being called.
    addRef();
    m_events.fire(id(event), args);
    release();
}

HResult VidorraControl::isDirty() { return m_parts.dirty ? S_OK : S_FALSE; }

HResult VidorraControl::load(std::span<const uint8_t> stream)
{
    const HResult hr = loadPropertyStream(*this, kPersistedProperties, stream);
    if (succeeded(hr))
        m_parts.dirty = false;
    return hr;
}

HResult VidorraControl::save(std::vector<uint8_t>& out, bool clearDirty)
{
    const HResult hr = savePropertyStream(*this, kPersistedProperties, out);
    if (succeeded(hr) && clearDirty)
        m_parts.dirty = false;
    return hr;
}

HResult VidorraControl::setSite(HostSite* site)
{
    m_parts.site = site;
    m_credentials->setSite(site);
    return S_OK;
}

HResult VidorraControl::createWindow(QWidget* parent, int width, int height)
{
    if (m_display.window())
        return E_UNEXPECTED;
    QWidget* w = m_display.createWindow(parent);
    if (!w)
        return E_FAIL;
    w->resize(width, height);
    w->show();
    m_session->setWindowReady(true);
    return S_OK;
}

HResult VidorraControl::destroyWindow()
{
    if (!m_display.window())
        return S_FALSE;
    // The workers begin to stop now; the release waits for them.
    m_commands->stop();
    m_audio->requestStop();
    m_session->setWindowReady(false);
    m_display.destroyWindow();
    return S_OK;
}

QWidget* VidorraControl::window() const { return m_display.window(); }

HResult VidorraControl::setExtent(int width, int height)
{
    if (!m_display.window())
        return E_UNEXPECTED;
    m_display.window()->resize(width, height);
    return S_OK;
}

void VidorraControl::paneChanged(int pane, const std::string& text)
{
    if (pane < 0 || pane >= Session::kPaneCount || m_hostPanes[size_t(pane)] == text)
        return;
    m_hostPanes[size_t(pane)] = text;
    if (m_parts.site)
        m_parts.site->onPaneText(pane, text);
}

std::string VidorraControl::viewName() const
{
    std::optional<int> index;
    if (const QWidget* w = m_display.window()) {
        bool ok = false;
        const int i = w->property("index").toInt(&ok);
        if (ok)
            index = i;
    }
    return strovix::viewName(index, m_recorder->settings().AviPre());
}

HResult VidorraControl::connect(const std::string& url)
{
    // The connect sequence then stops the worker list, command threads included.
    m_commands->stop();
    return m_session->setUrl(url) == 0 ? S_OK : S_FALSE;
}

} // namespace strovix
