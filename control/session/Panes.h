#pragma once

namespace strovix::pane {

// The control's status-bar panes, numbered as the status bar and the host's
// pane text notifications know them.
constexpr int kStatus = 0;     // camera open or closed
constexpr int kResolution = 1;
constexpr int kQuality = 2;
constexpr int kLayout = 3;     // the split view
constexpr int kRotate = 4;
constexpr int kRate = 5;       // frames per second, and the reconnection attempts
constexpr int kMisc = 6;       // connecting and disconnecting, recording progress
constexpr int kCount = 7;

} // namespace strovix::pane
