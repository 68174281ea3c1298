#include "app/core/ViewerGO.h"

void ViewerGO::setLoader(std::function<void()> loader)
{
    m_loader = std::move(loader);
}

void ViewerGO::setViewers(Viewers viewers)
{
    m_viewers = std::move(viewers);
    m_set = true;
}

void ViewerGO::clear()
{
    m_viewers = {};
    m_set = false;
    // The window is gone for good: it is not loaded again.
    m_loader = nullptr;
}

void ViewerGO::ensureLoaded()
{
    if (!m_set && m_loader) {
        // A loader that re-enters (the window asks for its viewers while it is
        // being made) must not run twice.
        auto loader = std::exchange(m_loader, nullptr);
        loader();
    }
}

const ViewerGO::Viewers& ViewerGO::getViewers()
{
    ensureLoaded();
    return m_viewers;
}

ViewerHandle ViewerGO::getViewerAt(int16_t index)
{
    if (index < 0 || index >= kCount)
        return {};
    ensureLoaded();
    return m_viewers[static_cast<size_t>(index)];
}
