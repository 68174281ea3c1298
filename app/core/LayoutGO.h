#pragma once

#include <cstdint>
#include <memory>

class AppCfgFormLayout;
class PanelLayout;
class ViewerLayout;
class ViewerSurface;

// The program's current layout objects: the viewer layout of the main
// window's grid, the panel layout of its skin and the layout of the
// application configuration form. Each setter replaces the object and
// returns the one now current. GUI thread only.
class LayoutGO {
public:
    std::shared_ptr<ViewerLayout> getViewerLayout() const { return m_viewerLayout; }
    std::shared_ptr<ViewerLayout> setViewerLayout(std::shared_ptr<ViewerLayout> layout);
    std::shared_ptr<PanelLayout> getPanelLayout() const { return m_panelLayout; }
    std::shared_ptr<PanelLayout> setPanelLayout(std::shared_ptr<PanelLayout> layout);
    std::shared_ptr<AppCfgFormLayout> getAppCfgFormLayout() const { return m_appCfgFormLayout; }
    std::shared_ptr<AppCfgFormLayout> setAppCfgFormLayout(std::shared_ptr<AppCfgFormLayout> layout);

    // A layout button: unless the current viewer layout already shows
    // `views` views, a new layout of that kind becomes current (1, 4, 9, and
    // 16 for any other value); then it is applied around `focusedUid`. The
    // VIEWER_LAYOUT setting is left as it is. Returns the current layout.
    std::shared_ptr<ViewerLayout> switchViewerLayout(int16_t views, int16_t focusedUid, ViewerSurface& surface);

private:
    std::shared_ptr<ViewerLayout> m_viewerLayout;
    std::shared_ptr<PanelLayout> m_panelLayout;
    std::shared_ptr<AppCfgFormLayout> m_appCfgFormLayout;
};
