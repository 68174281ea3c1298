#include "app/core/LayoutGO.h"

#include "app/core/ViewerLayout.h"

#include <utility>

std::shared_ptr<ViewerLayout> LayoutGO::setViewerLayout(std::shared_ptr<ViewerLayout> layout)
{
    m_viewerLayout = std::move(layout);
    return m_viewerLayout;
}

std::shared_ptr<PanelLayout> LayoutGO::setPanelLayout(std::shared_ptr<PanelLayout> layout)
{
    m_panelLayout = std::move(layout);
    return m_panelLayout;
}

std::shared_ptr<AppCfgFormLayout> LayoutGO::setAppCfgFormLayout(std::shared_ptr<AppCfgFormLayout> layout)
{
    m_appCfgFormLayout = std::move(layout);
    return m_appCfgFormLayout;
}

std::shared_ptr<ViewerLayout> LayoutGO::switchViewerLayout(int16_t views, int16_t focusedUid, ViewerSurface& surface)
{
    const int16_t wanted = (views == 1 || views == 4 || views == 9) ? views : int16_t{16};
    if (!m_viewerLayout || m_viewerLayout->views() != wanted)
        m_viewerLayout = makeViewerLayout(wanted);
    m_viewerLayout->layout(focusedUid, surface);
    return m_viewerLayout;
}
