#pragma once

#include "app/core/ViewerLayout.h"

#include <QWidget>

#include <array>

// The area of the main window that holds the 16 viewers: one cell per slot,
// cell i holding viewer i. A cell takes the viewer's window and keeps it
// filling the cell. Where the cells go and which are shown is the current
// viewer layout's business: the grid is its surface, turning the layout's
// twips into pixels with the primary screen's logical dpi. Until a layout is
// applied the cells sit in a plain 4x4 grid.
class ViewerGrid : public QWidget, public ViewerSurface {
    Q_OBJECT
public:
    static constexpr int kCells = 16;

    explicit ViewerGrid(QWidget* parent = nullptr);

    QWidget* cell(int index) const;
    // Makes `window` (a viewer's window created inside cell `index`) fill it.
    void adopt(int index, QWidget* window);

    // ViewerSurface
    TwipSize screenSize() const override;
    void setViewerVisible(int16_t index, bool visible) override;
    void setViewerGeometry(int16_t index, const TwipRect& rect) override;

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The plain grid used before any layout is applied.
    void placeEvenly();

    std::array<QWidget*, kCells> m_cells{};
    bool m_laidOut = false;
};
