#pragma once

// A display owner that records what it is told.

#include "control/display/Display.h"
#include "control/display/DisplayOwner.h"

#include <QSize>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace strovix::test {

// Records every report of a display, whose owner it is until it goes (made
// after the display). GUI thread only.
class RecordingDisplayOwner : public DisplayOwner {
public:
    explicit RecordingDisplayOwner(Display& display) : m_display(display) { display.setOwner(this); }
    ~RecordingDisplayOwner() override { m_display.setOwner(nullptr); }
    RecordingDisplayOwner(const RecordingDisplayOwner&) = delete;
    RecordingDisplayOwner& operator=(const RecordingDisplayOwner&) = delete;

    void paneText(int pane, const std::string& text) override { panes[pane] = text; }
    void layoutChanged(int cellCount) override { layoutEvents.push_back(cellCount); }
    void clickImage(int x, int y) override { clicks.emplace_back(x, y); }
    void clockWanted() override { ++clockRequests; }
    void hostExtent(QSize pixels, QSize himetric) override { extents.emplace_back(pixels, himetric); }
    int pictureIntervalMs() override { return intervalMs; }

    std::map<int, std::string> panes; // the last text of each pane
    std::vector<int> layoutEvents;
    std::vector<std::pair<int, int>> clicks;
    std::vector<std::pair<QSize, QSize>> extents;
    int clockRequests = 0;
    // What pictureIntervalMs answers.
    int intervalMs = 0;

protected:
    Display& m_display;
};

} // namespace strovix::test
