#pragma once

#include "app/core/ViewerGO.h"
#include "app/host/ViewerHandle.h"
#include "platform/component/Events.h"
#include "platform/component/Hosting.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QWidget;

namespace host {

class ViewerEvents;

// Hosts the viewer controls of the main window: creates them through the
// component layer, is their site, receives their events and takes them down.
// The windows of the controls are created inside parents the main window
// gives; this class itself makes no widget. GUI thread only.
class ViewerHost {
public:
    // A viewer raised its Status event with the reported open state.
    using StatusHandler = std::function<void(int16_t index, int32_t status)>;
    // A viewer raised its MotionDetect event: its camera reported motion.
    using MotionHandler = std::function<void(int16_t index)>;

    explicit ViewerHost(std::string library);
    ~ViewerHost();
    ViewerHost(const ViewerHost&) = delete;
    ViewerHost& operator=(const ViewerHost&) = delete;

    void setStatusHandler(StatusHandler handler);
    void setMotionHandler(MotionHandler handler);

    // Creates `count` controls (index 0..count-1) and connects to their
    // events. Stops at the first control that cannot be created and returns
    // that result; the controls made so far stay.
    platform::component::HResult create(int16_t count);
    int16_t count() const { return static_cast<int16_t>(m_viewers.size()); }

    // The typed handle of viewer `index`; empty for an index not created.
    ViewerHandle viewer(int16_t index) const;
    // The handles of all viewers, by index, as ViewerGO holds them.
    ViewerGO::Viewers viewers() const;
    // Creates the window of viewer `index` inside `parent` (pixels).
    platform::component::HResult createWindow(int16_t index, QWidget* parent, int width, int height);
    // The control's window, or null.
    QWidget* window(int16_t index) const;

    // Takes every control down: disconnects the events, destroys every
    // window first (each control starts stopping its work then, so their
    // stop waits overlap), and only then detaches the site and releases the
    // controls. A control is freed (and finishes its recording) when the
    // last handle to it goes: the cameras and ViewerGO let go of theirs
    // after this. Called by the destructor; a second call does nothing.
    void shutdown();

private:
    friend class ViewerEvents;
    void onEvent(int16_t index, int32_t dispid, const std::vector<platform::component::Variant>& args);

    struct Viewer {
        ViewerHandle handle;
        platform::component::ComPtr<platform::component::OleControl> ole;
        platform::component::ComPtr<platform::component::ConnectionPointContainer> events;
        platform::component::ComPtr<ViewerEvents> sink;
        platform::component::Guid eventIid;
        uint32_t cookie = 0;
    };

    std::string m_library;
    platform::component::HostSite m_site;
    StatusHandler m_onStatus;
    MotionHandler m_onMotion;
    int32_t m_statusDispid = -1;
    int32_t m_motionDispid = -1;
    std::vector<Viewer> m_viewers;
};

} // namespace host
