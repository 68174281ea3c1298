#pragma once

#include <QPoint>
#include <QSize>

#include <string>

namespace strovix {

// What the control window tells the display that made it. GUI thread only.
class WindowHost {
public:
    virtual ~WindowHost() = default;

    // Pane 3 shows the new split ("2 X 2").
    virtual void windowPaneText(int pane, const std::string& text) = 0;
    // The cells were rebuilt: `cellCount` cells now.
    virtual void windowLayoutChanged(int cellCount) = 0;
    // Size to picture gave the window `pixels` (`himetric` in hundredths of a
    // millimetre); the window has its new size already.
    virtual void windowExtent(QSize pixels, QSize himetric) = 0;
    // The window has a new size (the status bar follows it).
    virtual void windowResized(QSize size) = 0;
    // A left press at (x, y) pixels of the window.
    virtual void windowClicked(int x, int y) = 0;
    // A right press in cell `cell` at a screen position.
    virtual void windowContextMenu(int cell, QPoint globalPos) = 0;
    // The pointer rested over a cell, at a screen position.
    virtual void windowHover(QPoint globalPos) = 0;
    // A key pressed in a cell (Qt::Key value).
    virtual void windowKey(int key) = 0;
};

} // namespace strovix
