#pragma once

#include "control/display/ViewCell.h"
#include "control/display/ViewState.h"
#include "control/display/WindowHost.h"

#include <QWidget>

#include <vector>

namespace strovix {

class ResizeGrip;

// The control's window: its client area split into 1, 4, 9 or 16 view cells
// (child windows), zoom and restore of one cell, actual-size mode and the
// resizable frame. It reads and writes the control's ViewState, which
// outlives it. GUI thread only.
class ControlWindow : public QWidget, private CellHost {
    Q_OBJECT
public:
    ControlWindow(ViewState& state, WindowHost& host, QWidget* parent);
    ~ControlWindow() override;

    const std::vector<ViewCell*>& cells() const { return m_cells; }
    int gridSide() const { return m_side; }
    bool splitMode() const { return m_splitMode; }
    int zoomedCell() const { return m_zoomed; }

    // Rebuilds the grid with k cells (forced to 1 in actual-size mode), empty,
    // writes pane 3 and fires Layout. Leaves no cell zoomed and starts the
    // picture count again; more than one cell drops the digital zoom.
    void setSplit(int cellCount);
    // Places the cells again after a size change.
    void relayout();
    // Zoom the cell over the whole picture area, or put it back in the grid.
    void zoomCell(int index);
    void restoreSplit(int index);
    // Sizes the control to `width` (0: the camera's width in actual-size mode,
    // else the current width) and width x 0.75 plus the status bar.
    void sizeToPicture(int width = 0);
    // Turns actual-size mode on (one cell) or off, then sizes to picture.
    void setActualSize(bool on);
    // Shows or hides the resizable frame, then sizes to picture.
    void setResizable(bool on);
    // Applies the remembered indicators to the grid's last cell.
    void applyIndicators();
    // Gives every cell the words of ViewState::notice.
    void applyNotice();
    // Gives every cell the part of its picture ViewState::zoom shows and the
    // zoom mode.
    void applyZoom();
    // Height of the area the cells share (the status bar takes the rest).
    int pictureAreaHeight() const;

    // Called by the frame grip while the operator drags it.
    void dragResize(int newWidth);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void cellLeftPress(ViewCell& cell, QPoint posInCell) override;
    void cellDoubleClick(ViewCell& cell) override;
    void cellRightPress(ViewCell& cell, QPoint globalPos) override;
    void cellHover(ViewCell& cell, QPoint globalPos) override;
    void cellKey(ViewCell& cell, int key) override;
    void cellPan(ViewCell& cell, QPoint by) override;
    void cellWheel(ViewCell& cell, QPoint at, int angle) override;
    void cellPictureOnScreen(ViewCell& cell, float ms) override;

    QRect gridRect(int index) const;
    void placeGrip();

    ViewState& m_state;
    WindowHost& m_host;
    std::vector<ViewCell*> m_cells; // children, owned through Qt
    int m_side = 0;                 // grid side n, 0 before the first split
    bool m_splitMode = true;        // false while one cell is zoomed
    int m_zoomed = -1;
    ResizeGrip* m_grip = nullptr;
};

// A pixel count in hundredths of a millimetre at `dpi` dots per inch.
inline int pixelsToHimetric(int pixels, int dpi)
{
    return dpi > 0 ? int((int64_t(pixels) * 2540 + dpi / 2) / dpi) : 0;
}

} // namespace strovix
