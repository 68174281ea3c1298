#pragma once

#include "app/core/ViewerLayout.h"
#include "app/mainwindow/ScreenMetrics.h"

#include <QWidget>

#include <array>

// The area of the main window that holds the 16 viewers: one cell per slot,
// cell i holding viewer i. A cell takes the viewer's window and keeps it
// filling the cell. Where the cells go and which are shown is the current
// viewer layout's business: the grid is its surface, turning the layout's
// twips into pixels with the screen's logical dpi. The grid covers the
// window's client area, so the layout's places are the window's. Until a
// layout is applied the cells sit where the 4x4 layout puts them.
class ViewerGrid : public QWidget, public ViewerSurface {
    Q_OBJECT
public:
    static constexpr int kCells = 16;

    // `screen` must outlive the grid.
    explicit ViewerGrid(const ScreenMetrics& screen, QWidget* parent = nullptr);

    QWidget* cell(int index) const;
    // Whether `widget` is a shown cell or lies inside one (a viewer's own
    // window, whose right click opens the viewer's menu).
    bool inViewer(const QWidget* widget) const;
    // Makes `window` (a viewer's window created inside cell `index`) fill it.
    void adopt(int index, QWidget* window);

    // ViewerSurface
    TwipSize screenSize() const override;
    void setViewerVisible(int16_t index, bool visible) override;
    void setViewerGeometry(int16_t index, const TwipRect& rect) override;

private:
    const ScreenMetrics& m_screen;
    std::array<QWidget*, kCells> m_cells{};
};
