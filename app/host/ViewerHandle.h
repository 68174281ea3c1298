#pragma once

#include "platform/component/Dispatch.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A typed handle over one viewer control's dispatch interface, so that the
// application reads `viewer.setAvi(-1)` where it means the property write.
// The dispatch identifiers are looked up by name once, from the type
// information, when the handle is bound; the application never compiles in
// the control's numbers. An empty handle (no control) accepts every call and
// does nothing: reads give 0 or "". Copies share the control. GUI thread only.
class ViewerHandle {
public:
    // The members the application uses. The names are checked against the
    // control's type information when a handle is bound.
    enum class Member : uint8_t {
        BackColor,
        URL,
        ReconnectTryNum,
        DownloadNum,
        Rotate,
        DownloadPath,
        DownloadPrefix,
        AviFrame,
        AviPath,
        Download,
        JpgNumInAvi,
        AviPre,
        GetTime,
        Avi,
        ShowText,
        DownType,
        DownAviType,
        Audio,
        DelMenu,
        FontColor,
        StatusBarCtrl,
        MotionDetect,
        Zoom,
        ZoomMode,
        ZoomIn,
        ZoomOut,
        ZoomOff,
        Count
    };
    static constexpr size_t kMemberCount = static_cast<size_t>(Member::Count);
    static const char* nameOf(Member member);

    ViewerHandle() = default;
    // Binds the control and looks its members up. A member the control does
    // not have is listed by missingMembers() and its calls give
    // DISP_E_MEMBERNOTFOUND.
    explicit ViewerHandle(platform::component::ComPtr<platform::component::Dispatch> control);

    bool isBound() const { return static_cast<bool>(m_control); }
    platform::component::Dispatch* dispatch() const { return m_control.get(); }
    std::vector<std::string> missingMembers() const;
    // Two handles are the same viewer when they hold the same control.
    bool operator==(const ViewerHandle& other) const { return m_control.get() == other.m_control.get(); }

    // Property writes return the control's result (S_OK, S_FALSE or an
    // error); an empty handle gives S_FALSE.
    platform::component::HResult setUrl(const std::string& url);
    std::string url() const;
    platform::component::HResult setAvi(int32_t on);
    int32_t avi() const;
    platform::component::HResult setDownload(int32_t on);
    int32_t download() const;
    platform::component::HResult setAudio(int32_t on);
    int32_t audio() const;
    platform::component::HResult setRotate(int32_t rotate);
    int32_t rotate() const;
    platform::component::HResult setBackColor(uint32_t bgr);
    platform::component::HResult setFontColor(uint32_t bgr);
    platform::component::HResult setReconnectTryNum(int32_t tries);
    platform::component::HResult setShowText(int32_t mode);
    platform::component::HResult setStatusBarCtrl(int32_t mode);
    platform::component::HResult setDownloadPath(const std::string& folder);
    platform::component::HResult setDownloadPrefix(const std::string& prefix);
    platform::component::HResult setDownloadNum(int32_t count);
    platform::component::HResult setDownType(int32_t mode);
    platform::component::HResult setDownAviType(int32_t mode);
    platform::component::HResult setAviPath(const std::string& folder);
    platform::component::HResult setAviPre(const std::string& prefix);
    platform::component::HResult setAviFrame(int32_t framesPerSecond);
    platform::component::HResult setJpgNumInAvi(int32_t frames);
    // The camera's motion detection switch: the write sends the command to
    // the camera and gives S_FALSE unless the login is an administrator's;
    // the read gives the switch the camera last reported (-1 unknown).
    platform::component::HResult setMotionDetect(int32_t on);
    int32_t motionDetect() const;

    // The digital zoom of the view: the factor in percent (100 the whole
    // picture, up to 800) and zoom mode (the wheel zooms, a drag pans).
    int32_t zoom() const;
    platform::component::HResult setZoomMode(int32_t on);
    int32_t zoomMode() const;

    // Methods.
    platform::component::HResult delMenu(int32_t menu, int32_t submenu);
    platform::component::HResult getTime();
    // One zoom step in (entering zoom mode) or out; back to the whole picture
    // and out of zoom mode. S_FALSE when nothing changed.
    platform::component::HResult zoomIn();
    platform::component::HResult zoomOut();
    platform::component::HResult zoomOff();

private:
    platform::component::HResult put(Member member, platform::component::Variant value);
    platform::component::Variant get(Member member) const;
    platform::component::HResult call(Member member, std::vector<platform::component::Variant> args);

    platform::component::ComPtr<platform::component::Dispatch> m_control;
    std::shared_ptr<const std::array<int32_t, kMemberCount>> m_dispids;
};
