#include "app/core/ViewerLayout.h"

#include <algorithm>

namespace {
// Cell sizes at the reference screen for n = 1..4. The 4x4 cell is not a
// quarter of the single view's height: the 4x4 grid is 9480 twips tall.
constexpr double kBaseCellWidth[] = {12600, 6300, 4200, 3150};
constexpr double kBaseCellHeight[] = {9450, 4725, 3150, 2370};
} // namespace

int16_t ViewerLayout::firstShown(int16_t index) const
{
    const int n = gridSize();
    if (n == 1)
        return index;
    return static_cast<int16_t>(std::min<int>(index, kViewerCount - n * n));
}

TwipSize ViewerLayout::cellSize(TwipSize screen) const
{
    const int n = gridSize();
    TwipSize cell{kBaseCellWidth[n - 1], kBaseCellHeight[n - 1]};
    if (screen.width > kReferenceWidth)
        cell.width += (screen.width - kReferenceWidth) / n;
    if (screen.height > kReferenceHeight)
        cell.height += (screen.height - kReferenceHeight) / n;
    return cell;
}

ViewerLayout::Arrangement ViewerLayout::arrange(int16_t index, TwipSize screen) const
{
    const int n = gridSize();
    const TwipSize cell = cellSize(screen);
    const int first = firstShown(index);
    const int last = first + n * n; // one past the shown range

    Arrangement places;
    int j = 0; // position among the shown viewers
    for (int i = 0; i < kViewerCount; ++i) {
        if (i < first || i >= last)
            continue;
        places[i] = TwipRect{kGridLeft + (j % n) * cell.width, kGridTop + (j / n) * cell.height, cell.width,
                             cell.height};
        ++j;
    }
    return places;
}

void ViewerLayout::layout(int16_t index, ViewerSurface& surface) const
{
    const Arrangement places = arrange(index, surface.screenSize());
    for (int16_t i = 0; i < kViewerCount; ++i) {
        surface.setViewerVisible(i, false);
        if (places[i]) {
            surface.setViewerGeometry(i, *places[i]);
            surface.setViewerVisible(i, true);
        }
    }
}

std::shared_ptr<ViewerLayout> makeViewerLayout(int16_t views)
{
    switch (views) {
    case 1:
        return std::make_shared<ViewerLayout1>();
    case 4:
        return std::make_shared<ViewerLayout4>();
    case 9:
        return std::make_shared<ViewerLayout9>();
    default:
        return std::make_shared<ViewerLayout16>();
    }
}
