#include "app/host/ViewerHandle.h"

using namespace platform::component;

namespace {

// In the order of ViewerHandle::Member.
constexpr std::array<const char*, ViewerHandle::kMemberCount> kNames = {
    "BackColor", "URL",         "ReconnectTryNum", "DownloadNum", "Rotate",    "DownloadPath", "DownloadPrefix",
    "AviFrame",  "AviPath",     "Download",        "JpgNumInAvi", "AviPre",    "GetTime",      "Avi",
    "ShowText",  "DownType",    "DownAviType",     "Audio",       "DelMenu",   "FontColor",    "StatusBarCtrl",
    "MotionDetect", "Zoom",        "ZoomMode",        "ZoomIn",      "ZoomOut",   "ZoomOff",
};

size_t indexOf(ViewerHandle::Member member)
{
    return static_cast<size_t>(member);
}

} // namespace

const char* ViewerHandle::nameOf(Member member)
{
    return kNames[indexOf(member)];
}

ViewerHandle::ViewerHandle(ComPtr<Dispatch> control)
    : m_control(std::move(control))
{
    if (!m_control)
        return;
    auto dispids = std::make_shared<std::array<int32_t, kMemberCount>>();
    for (size_t i = 0; i < kMemberCount; ++i)
        (*dispids)[i] = m_control->idOfName(kNames[i]);
    m_dispids = std::move(dispids);
}

std::vector<std::string> ViewerHandle::missingMembers() const
{
    std::vector<std::string> missing;
    if (!m_dispids)
        return missing;
    for (size_t i = 0; i < kMemberCount; ++i)
        if ((*m_dispids)[i] == kDispidUnknown)
            missing.emplace_back(kNames[i]);
    return missing;
}

HResult ViewerHandle::put(Member member, Variant value)
{
    if (!m_control)
        return S_FALSE;
    const int32_t dispid = (*m_dispids)[indexOf(member)];
    if (dispid == kDispidUnknown)
        return DISP_E_MEMBERNOTFOUND;
    std::vector<Variant> args{std::move(value)};
    // A refusal concerns nobody but the caller: the error object is dropped.
    ErrorInfo error;
    return m_control->invoke(dispid, InvokeKind::PropertyPut, args, nullptr, &error);
}

Variant ViewerHandle::get(Member member) const
{
    if (!m_control)
        return {};
    const int32_t dispid = (*m_dispids)[indexOf(member)];
    if (dispid == kDispidUnknown)
        return {};
    std::vector<Variant> args;
    Variant value;
    ErrorInfo error;
    if (failed(m_control->invoke(dispid, InvokeKind::PropertyGet, args, &value, &error)))
        return {};
    return value;
}

HResult ViewerHandle::call(Member member, std::vector<Variant> args)
{
    if (!m_control)
        return S_FALSE;
    const int32_t dispid = (*m_dispids)[indexOf(member)];
    if (dispid == kDispidUnknown)
        return DISP_E_MEMBERNOTFOUND;
    ErrorInfo error;
    return m_control->invoke(dispid, InvokeKind::Method, args, nullptr, &error);
}

HResult ViewerHandle::setUrl(const std::string& url) { return put(Member::URL, Variant(url)); }
std::string ViewerHandle::url() const { return get(Member::URL).text(); }
HResult ViewerHandle::setAvi(int32_t on) { return put(Member::Avi, Variant(on)); }
int32_t ViewerHandle::avi() const { return get(Member::Avi).i4(); }
HResult ViewerHandle::setDownload(int32_t on) { return put(Member::Download, Variant(on)); }
int32_t ViewerHandle::download() const { return get(Member::Download).i4(); }
HResult ViewerHandle::setAudio(int32_t on) { return put(Member::Audio, Variant(on)); }
int32_t ViewerHandle::audio() const { return get(Member::Audio).i4(); }
HResult ViewerHandle::setRotate(int32_t rotate) { return put(Member::Rotate, Variant(rotate)); }
int32_t ViewerHandle::rotate() const { return get(Member::Rotate).i4(); }
HResult ViewerHandle::setBackColor(uint32_t bgr) { return put(Member::BackColor, Variant::color(bgr)); }
HResult ViewerHandle::setFontColor(uint32_t bgr) { return put(Member::FontColor, Variant::color(bgr)); }
HResult ViewerHandle::setReconnectTryNum(int32_t tries) { return put(Member::ReconnectTryNum, Variant(tries)); }
HResult ViewerHandle::setShowText(int32_t mode) { return put(Member::ShowText, Variant(mode)); }
HResult ViewerHandle::setStatusBarCtrl(int32_t mode) { return put(Member::StatusBarCtrl, Variant(mode)); }
HResult ViewerHandle::setDownloadPath(const std::string& folder) { return put(Member::DownloadPath, Variant(folder)); }
HResult ViewerHandle::setDownloadPrefix(const std::string& prefix) { return put(Member::DownloadPrefix, Variant(prefix)); }
HResult ViewerHandle::setDownloadNum(int32_t count) { return put(Member::DownloadNum, Variant(count)); }
HResult ViewerHandle::setDownType(int32_t mode) { return put(Member::DownType, Variant(mode)); }
HResult ViewerHandle::setDownAviType(int32_t mode) { return put(Member::DownAviType, Variant(mode)); }
HResult ViewerHandle::setAviPath(const std::string& folder) { return put(Member::AviPath, Variant(folder)); }
HResult ViewerHandle::setAviPre(const std::string& prefix) { return put(Member::AviPre, Variant(prefix)); }
HResult ViewerHandle::setAviFrame(int32_t framesPerSecond) { return put(Member::AviFrame, Variant(framesPerSecond)); }
HResult ViewerHandle::setJpgNumInAvi(int32_t frames) { return put(Member::JpgNumInAvi, Variant(frames)); }
HResult ViewerHandle::setMotionDetect(int32_t on) { return put(Member::MotionDetect, Variant(on)); }
int32_t ViewerHandle::motionDetect() const { return get(Member::MotionDetect).i4(); }

HResult ViewerHandle::delMenu(int32_t menu, int32_t submenu)
{
    return call(Member::DelMenu, {Variant(menu), Variant(submenu)});
}

HResult ViewerHandle::getTime()
{
    return call(Member::GetTime, {});
}

int32_t ViewerHandle::zoom() const { return get(Member::Zoom).i4(); }
HResult ViewerHandle::setZoomMode(int32_t on) { return put(Member::ZoomMode, Variant(on)); }
int32_t ViewerHandle::zoomMode() const { return get(Member::ZoomMode).i4(); }
HResult ViewerHandle::zoomIn() { return call(Member::ZoomIn, {}); }
HResult ViewerHandle::zoomOut() { return call(Member::ZoomOut, {}); }
HResult ViewerHandle::zoomOff() { return call(Member::ZoomOff, {}); }
