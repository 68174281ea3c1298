#pragma once

#include <QSize>

#include <string>

namespace strovix {

// What the display tells the control that owns it. Set once with
// Display::setOwner; a display without an owner tells nobody. All calls come
// on the window thread.
class DisplayOwner {
public:
    virtual ~DisplayOwner() = default;

    // A status-bar pane text: pane 3 "1 X 1".."4 X 4", pane 4 the Rotate
    // choice, pane 5 "12.05fps".
    virtual void paneText(int pane, const std::string& text) = 0;
    // Event Layout: the cells were rebuilt; `cellCount` cells now.
    virtual void layoutChanged(int cellCount) = 0;
    // Event ClickImage: a left press at (x, y) pixels of the control window.
    virtual void clickImage(int x, int y) = 0;
    // ShowText 3 or 4 was written: request the camera clock as GetTime does.
    // Called before the new mode is stored.
    virtual void clockWanted() = 0;
    // Size to picture computed a new extent: `pixels`, and `himetric` in
    // hundredths of a millimetre. The control has resized its own window
    // already.
    virtual void hostExtent(QSize pixels, QSize himetric) = 0;
    // ShowIntervalTime in ms, the pacing of the pictures: the check for
    // pictures that stopped waits three intervals when they are long. Asked
    // every half second while pictures come.
    virtual int pictureIntervalMs() = 0;
};

} // namespace strovix
