#pragma once

#include "app/host/ViewerHandle.h"

#include <array>
#include <cstdint>
#include <functional>
#include <utility>

// The main window's 16 viewer controls, `viewers`: the viewer of slot UID is
// element UID. The window that hosts the controls fills it; until then every
// element is an empty handle, which does nothing. GUI thread only.
class ViewerGO {
public:
    static constexpr int16_t kCount = 16;
    using Viewers = std::array<ViewerHandle, kCount>;

    // Run at the first access while no viewer is set yet: the main window
    // is created then and hands over its viewers.
    void setLoader(std::function<void()> loader);
    void setViewers(Viewers viewers);
    // Forgets every control (the window is going).
    void clear();

    const Viewers& getViewers();
    // The viewer of `index` (0..15); an empty handle for any other index.
    ViewerHandle getViewerAt(int16_t index);

private:
    void ensureLoaded();

    Viewers m_viewers;
    bool m_set = false;
    std::function<void()> m_loader;
};
