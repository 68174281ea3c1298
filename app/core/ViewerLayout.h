#pragma once

#include "app/core/Twips.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

// The main window's 16 viewers as a viewer layout sees them. The main window
// implements it over the viewer controls' windows (converting twips to
// pixels with the screen's logical dpi). GUI thread only.
class ViewerSurface {
public:
    virtual ~ViewerSurface() = default;

    // The whole primary screen, in twips.
    virtual TwipSize screenSize() const = 0;
    virtual void setViewerVisible(int16_t index, bool visible) = 0;
    // Position and size in the main window's client area, in twips.
    virtual void setViewerGeometry(int16_t index, const TwipRect& rect) = 0;
};

// One of the four split layouts of the viewers: n x n cells (n = 1..4)
// filled from a first shown viewer onwards, left to right, top to bottom.
// The grid is designed for a 1024 x 768 pixel screen and its cells grow by
// an n-th of any extra screen width and height. Stateless.
class ViewerLayout {
public:
    static constexpr int16_t kViewerCount = 16;
    static constexpr double kReferenceWidth = 15360;  // 1024 pixels
    static constexpr double kReferenceHeight = 11520; // 768 pixels
    static constexpr double kGridLeft = 180;
    static constexpr double kGridTop = 630;

    using Arrangement = std::array<std::optional<TwipRect>, kViewerCount>;

    virtual ~ViewerLayout() = default;

    // Columns (= rows) of the grid.
    virtual int gridSize() const = 0;
    // The number of views, as the VIEWER_LAYOUT setting names the layout.
    int16_t views() const { return static_cast<int16_t>(gridSize() * gridSize()); }

    // The first viewer shown around the camera of interest `index`: the
    // index itself for one view, clamped from above so that the grid stays
    // full for 2x2 and 3x3, and 0 for 4x4 (the index is ignored).
    int16_t firstShown(int16_t index) const;
    // The size of one cell on a screen of `screen`; a screen smaller than the
    // reference keeps the reference cells.
    TwipSize cellSize(TwipSize screen) const;
    // Where each viewer goes: a rectangle for every shown viewer, nothing for
    // a hidden one. An index outside 0..15 shows no viewer in one view.
    Arrangement arrange(int16_t index, TwipSize screen) const;

    // Applies the arrangement to the surface in index order. A viewer is
    // hidden before it is moved and shown only at its new place, so it never
    // appears half way.
    void layout(int16_t index, ViewerSurface& surface) const;
};

class ViewerLayout1 final : public ViewerLayout {
public:
    int gridSize() const override { return 1; }
};

class ViewerLayout4 final : public ViewerLayout {
public:
    int gridSize() const override { return 2; }
};

class ViewerLayout9 final : public ViewerLayout {
public:
    int gridSize() const override { return 3; }
};

class ViewerLayout16 final : public ViewerLayout {
public:
    int gridSize() const override { return 4; }
};

// The layout for a VIEWER_LAYOUT value: 1, 4 or 9 views, and 16 for any
// other value.
std::shared_ptr<ViewerLayout> makeViewerLayout(int16_t views);
