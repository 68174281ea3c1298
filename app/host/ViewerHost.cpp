#include "app/host/ViewerHost.h"

#include "app/host/ViewerCreation.h"
#include "platform/component/ClassFactory.h"

using namespace platform::component;

namespace host {

// The event sink of one viewer: passes its events to the host with the
// viewer's index. The control holds a reference until it is disconnected;
// a host that went away leaves a sink that ignores everything.
class ViewerEvents final : public EventSink {
public:
    ViewerEvents(ViewerHost* host, int16_t index) : m_host(host), m_index(index) { }

    void detach() { m_host = nullptr; }

    HResult queryInterface(const Guid& iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == Unknown::iid || iid == EventSink::iid) {
            *out = static_cast<EventSink*>(this);
            addRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t addRef() override { return m_refs.add(); }
    uint32_t release() override
    {
        const uint32_t left = m_refs.drop();
        if (left == 0)
            delete this;
        return left;
    }

    HResult invoke(int32_t dispid, const std::vector<Variant>& args) override
    {
        if (m_host)
            m_host->onEvent(m_index, dispid, args);
        return S_OK;
    }

private:
    ~ViewerEvents() override = default;

    RefCount m_refs;
    ViewerHost* m_host;
    int16_t m_index;
};

ViewerHost::ViewerHost(std::string library)
    : m_library(std::move(library))
{
}

ViewerHost::~ViewerHost()
{
    shutdown();
}

void ViewerHost::setStatusHandler(StatusHandler handler)
{
    m_onStatus = std::move(handler);
}

void ViewerHost::setMotionHandler(MotionHandler handler)
{
    m_onMotion = std::move(handler);
}

HResult ViewerHost::create(int16_t count)
{
    for (int16_t index = this->count(); index < count; ++index) {
        ComPtr<Dispatch> control;
        const HResult hr = createViewer(m_library, control);
        if (failed(hr))
            return hr;
        Viewer viewer;
        viewer.handle = ViewerHandle(control);
        viewer.ole = control.query<OleControl>();
        if (viewer.ole)
            viewer.ole->setSite(&m_site);
        // The event identifiers come from the class's type information.
        const auto info = control.query<ProvideClassInfo>();
        const InterfaceInfo* events = info ? info->classInfo().eventInterface : nullptr;
        viewer.events = control.query<ConnectionPointContainer>();
        if (events && viewer.events) {
            if (const MemberInfo* status = events->findName("Status"))
                m_statusDispid = status->dispid;
            if (const MemberInfo* motion = events->findName("MotionDetect"))
                m_motionDispid = motion->dispid;
            viewer.eventIid = events->iid;
            viewer.sink = ComPtr<ViewerEvents>::adopt(new ViewerEvents(this, index));
            if (failed(viewer.events->advise(viewer.eventIid, viewer.sink.get(), &viewer.cookie)))
                viewer.cookie = 0;
        }
        m_viewers.push_back(std::move(viewer));
    }
    return S_OK;
}

ViewerHandle ViewerHost::viewer(int16_t index) const
{
    if (index < 0 || index >= count())
        return {};
    return m_viewers[static_cast<size_t>(index)].handle;
}

ViewerGO::Viewers ViewerHost::viewers() const
{
    ViewerGO::Viewers handles;
    for (int16_t index = 0; index < count() && index < ViewerGO::kCount; ++index)
        handles[size_t(index)] = viewer(index);
    return handles;
}

HResult ViewerHost::createWindow(int16_t index, QWidget* parent, int width, int height)
{
    if (index < 0 || index >= count() || !m_viewers[static_cast<size_t>(index)].ole)
        return E_INVALIDARG;
    return m_viewers[static_cast<size_t>(index)].ole->createWindow(parent, width, height);
}

QWidget* ViewerHost::window(int16_t index) const
{
    if (index < 0 || index >= count() || !m_viewers[static_cast<size_t>(index)].ole)
        return nullptr;
    return m_viewers[static_cast<size_t>(index)].ole->window();
}

void ViewerHost::onEvent(int16_t index, int32_t dispid, const std::vector<Variant>& args)
{
    if (dispid == m_statusDispid && m_onStatus)
        m_onStatus(index, args.empty() ? 0 : args[0].i4());
    else if (dispid == m_motionDispid && m_onMotion)
        m_onMotion(index);
}

void ViewerHost::shutdown()
{
    for (Viewer& viewer : m_viewers) {
        if (viewer.sink)
            viewer.sink->detach();
        if (viewer.events && viewer.cookie)
            viewer.events->unadvise(viewer.eventIid, viewer.cookie);
        viewer.cookie = 0;
    }
    // All windows first: each control begins to stop its workers when its
    // window goes, so the waits of the 16 controls run side by side.
    for (Viewer& viewer : m_viewers)
        if (viewer.ole)
            viewer.ole->destroyWindow();
    for (Viewer& viewer : m_viewers)
        if (viewer.ole)
            viewer.ole->setSite(nullptr);
    // The library stays loaded: events the controls posted before they went
    // may still be waiting in the event loop.
    m_viewers.clear();
}

} // namespace host
