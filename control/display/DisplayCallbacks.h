#pragma once

#include "control/stream/Frame.h"

#include <QPoint>
#include <QSize>

#include <functional>
#include <string>

namespace strovix {

// What the display tells its owner. Every callback is optional and is called
// on the window thread; the owner installs them once.
struct DisplayCallbacks {
    // A status-bar pane text: pane 3 "1 X 1".."4 X 4", pane 5 "12.05fps".
    std::function<void(int pane, const std::string& text)> paneText;
    // Event Layout: the cells were rebuilt; the argument is the cell count.
    std::function<void(int cellCount)> layoutChanged;
    // Event ClickImage: a left press at (x, y) of the control window.
    std::function<void(int x, int y)> clickImage;
    // ShowText 3 or 4 was written: request the camera clock as GetTime does.
    // Called before the new mode is stored.
    std::function<void()> clockWanted;
    // Size to picture computed a new extent: pixels and hundredths of a
    // millimetre. The control has resized its own window already.
    std::function<void(QSize pixels, QSize himetric)> hostExtent;
    // A right press in a cell (context menu) at a screen position.
    std::function<void(int cell, QPoint globalPos)> contextMenu;
    // The pointer rested over a cell, at a screen position (status-bar auto-show).
    std::function<void(QPoint globalPos)> hover;
    // The control window has a new size (the status bar follows it).
    std::function<void(QSize size)> resized;
    // A key pressed in a cell (Qt::Key value; F11 and F12 matter).
    std::function<void(int key)> key;
    // ShowIntervalTime in ms, the pacing of the pictures: the check for
    // pictures that stopped waits three intervals when they are long. Asked
    // every half second while pictures come; none counts as 0.
    std::function<int()> pictureIntervalMs;
};

} // namespace strovix
