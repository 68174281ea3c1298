#pragma once

#include <QWidget>

#include <array>

// The area of the main window that holds the 16 viewers: one cell per slot
// in a 4x4 grid, cell i holding viewer i. A cell takes the viewer's window
// and keeps it filling the cell.
class ViewerGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCells = 16;

    explicit ViewerGrid(QWidget* parent = nullptr);

    QWidget* cell(int index) const;
    // Makes `window` (a viewer's window created inside cell `index`) fill it.
    void adopt(int index, QWidget* window);

private:
    std::array<QWidget*, kCells> m_cells{};
};
