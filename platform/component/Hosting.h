#pragma once

#include "platform/component/Unknown.h"

#include <cstdint>
#include <vector>
#include <string>

// The widget toolkit stays out of the platform library: the host's parent
// window crosses as a pointer to an incomplete type.
class QWidget;

namespace platform::component {

// What a host offers the control it embeds. The host owns it and keeps it
// alive until it has given the control a null site. Called on the host's
// user-interface thread only.
class HostSite {
public:
    virtual ~HostSite() = default;
    // Asks the container's permission to change a property (false refuses).
    virtual bool requestEdit(int32_t dispid) { (void)dispid; return true; }
    // A property changed; the control's persistent state is dirty.
    virtual void onChanged(int32_t dispid) { (void)dispid; }
    // The control wants a new size for its window (pixels).
    virtual void onResizeRequest(int width, int height) { (void)width; (void)height; }
    // A status-bar pane of the control shows a new text.
    virtual void onPaneText(int pane, const std::string& text) { (void)pane; (void)text; }
    // Answers a camera's credentials prompt for "host:port" without asking
    // the operator. False leaves the prompt to the control. Unlike the other
    // calls this one comes from the control's worker threads: it must be
    // thread-safe. It may wait for the host's user-interface thread (to ask
    // its own operator there, say): the control holds no lock while it runs,
    // and a setSite or release meanwhile waits for it while that thread goes
    // on handling its events. Never called after setSite has returned with
    // another site or null.
    virtual bool credentials(const std::string& hostPort, std::string& user, std::string& password)
    {
        (void)hostPort; (void)user; (void)password;
        return false;
    }
};

// In-place hosting of a control with a window. Creating and destroying the
// window are steps of their own, apart from releasing the object.
class OleControl : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{5952D8BE-CAC4-4776-97F1-7C85A471865F}");

    // The host's site, or null to detach (before the host goes away).
    virtual HResult setSite(HostSite* site) = 0;
    // Creates the control's window inside `parent` with the given size in
    // pixels. E_UNEXPECTED when the window already exists.
    virtual HResult createWindow(QWidget* parent, int width, int height) = 0;
    // Destroys the control's window (the object stays alive). S_FALSE when
    // there is none.
    virtual HResult destroyWindow() = 0;
    // The control's window, or null.
    virtual QWidget* window() const = 0;
    virtual HResult setExtent(int width, int height) = 0;
};

// Counters a view control keeps about what it showed.
class ViewStatistics : public Unknown {
public:
    static constexpr Guid iid = Guid::fromString("{0D3F58C0-7931-46CA-BFD8-4952313D5B97}");
    // Pictures decoded and shown since the object was created.
    virtual int64_t picturesShown() const = 0;
    // Appends the milliseconds from the arrival of a picture's last byte to
    // its first paint, for every picture painted since the last call.
    virtual void takeLatencies(std::vector<float>& intoMs) = 0;
    // The words over the view while its camera sends no pictures (why, or
    // since when none came); empty while pictures come.
    virtual std::string notice() const = 0;
    // Recordings stopped by an error since the object was created; the
    // last one's caption and text into `lastWords` ("caption: text").
    virtual uint64_t recordingFailures(std::string& lastWords) const = 0;
};

} // namespace platform::component
