#pragma once

#include "control/display/DisplayOwner.h"
#include "control/display/ViewState.h"
#include "control/display/WindowHost.h"
#include "control/session/LinkState.h"
#include "control/stream/Frame.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QTimer;
class QWidget;

namespace strovix {

class ControlUi;
class ControlWindow;

// The live view of one control: its display settings, its window with the
// view cells, and the handler that turns an announced picture into a painted
// cell. The control object owns one Display for its whole life; the window
// comes and goes with in-place activation. Window thread only.
//
// Property setters return false where the control interface answers S_FALSE
// (a quiet refusal that changes nothing) and true for S_OK.
class Display : private WindowHost {
public:
    Display();
    ~Display() override;
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // The owner sets itself once, before creating the window; null: nobody
    // is told.
    void setOwner(DisplayOwner* owner) { m_owner = owner; }
    DisplayOwner* owner() const { return m_owner; }

    // The context menu, status bar and keys of the window. It receives the
    // window's right presses, hovers, keys and resizes.
    ControlUi& ui() { return *m_ui; }

    // Creates the control window inside the host's `parent` (a top-level
    // window when null) with the stored cell count; replaces an earlier one.
    QWidget* createWindow(QWidget* parent);
    void destroyWindow();
    ControlWindow* window() const { return m_window.data(); }

    // WM_VID_NEWFRAME: takes `picture` (the newest) into the next cell, sets
    // its orientation and overlay, decodes it (once the cell can be seen),
    // and writes the pane-5 frame rate when framesAnnounced mod N is 3 and R
    // is not 0. Returns 0 when the picture was handled (the owner then hands
    // it to the recording), 1 when there is no window, no cell or no picture.
    // `rateTimes100` is R, `rateWindow` is N (0: no text).
    int handleNewFrame(const PicturePtr& picture, uint32_t framesAnnounced, uint32_t rateTimes100,
                       uint32_t rateWindow);
    int handleNewFrame(const SharedFrame& shared, uint32_t framesAnnounced, uint32_t rateTimes100,
                       uint32_t rateWindow)
    {
        return handleNewFrame(shared.latest(), framesAnnounced, rateTimes100, rateWindow);
    }
    // The times from a picture's last byte to its first paint (milliseconds)
    // since the last call.
    std::vector<float> takeLatencies() { return std::exchange(m_state.latencyMs, {}); }

    // Layout: n in 1..4 gives n x n cells (one in actual-size mode); the
    // getter returns the cell count, not n.
    int layout() const { return m_state.cellCount; }
    bool setLayout(int n);
    // The Splits menu: n x n cells unless that is the count already or
    // actual-size mode is on.
    void chooseSplit(int n);

    // CamWidth: the control's width; a put sizes the control to w x 0.75 w
    // (plus the status bar). Refused for w <= 0 and in actual-size mode.
    int camWidth() const;
    bool setCamWidth(int width);
    // CamHeight: accepted and without effect.
    bool setCamHeight(int) { return true; }

    // Rotate: any value is kept; 1, 2, 3 orient the next picture of each
    // cell, anything else shows it upright.
    int rotate() const { return m_state.rotate; }
    void setRotate(int value) { m_state.rotate = value; }

    // --- Digital zoom of a one-cell view ---
    //
    // Acts on the picture as oriented on the screen; while zoomed the cell
    // decodes at full size and shows the part of the picture; the overlay
    // text, the indicators and the status bar stay as they are. A split of
    // more than one cell shows whole pictures: there every zoom request is
    // refused (false) and a change to such a split drops the zoom.
    //
    // Zoom: the factor in percent, 100 (the whole picture) to 800; a put out
    // of that range is refused. The centre is kept where the edges allow.
    int zoomPercent() const { return m_state.zoom.percent(); }
    double zoomFactor() const { return m_state.zoom.factor(); }
    bool setZoomPercent(int percent);
    // One step of 1.25 in (which also enters zoom mode) or out, up to 8x and
    // down to 1x, around the centre of the part shown; false when the factor
    // did not change.
    bool zoomIn();
    bool zoomOut();
    // Zoom mode: the mouse wheel zooms at the pointer and a drag with the left
    // button pans; a click that does not drag is a click as before.
    bool zoomMode() const { return m_state.zoomMode; }
    bool setZoomMode(bool on);
    // The whole picture again and zoom mode left; false when that was so.
    bool zoomOff();

    // ShowText -1..2: stored, the local clock is used again (offset 0).
    // 3 or 4: the camera clock is requested (clockWanted), then stored.
    int showText() const { return m_state.showText; }
    bool setShowText(int mode);

    int dateFormat() const { return m_state.dateFormat; }
    bool setDateFormat(int format); // 0..9
    int timeFormat() const { return m_state.timeFormat; }
    bool setTimeFormat(int format); // 0..3

    // FontColor and BackColor as COLORREF 0x00BBGGRR.
    uint32_t fontColor() const { return m_state.fontColor; }
    void setFontColor(uint32_t colorRef) { m_state.fontColor = colorRef; }
    uint32_t backColor() const { return m_state.backColor; }
    void setBackColor(uint32_t colorRef);

    // The camera name of the overlay (CamName; the camera's reply fills it).
    const std::string& cameraName() const { return m_state.cameraName; }
    void setCameraName(std::string name) { m_state.cameraName = std::move(name); }

    // Camera clock offset in seconds, added to the local clock for the overlay.
    int64_t clockOffset() const { return m_state.clockOffsetSec; }
    void setClockOffset(int64_t seconds) { m_state.clockOffsetSec = seconds; }
    // A GetTime reply: sets the offset from its Sec1970 and TimeZone lines
    // (unchanged when there is no TimeZone line or the camera time is 0).
    void applyTimeReply(std::string_view reply);

    // View options of the context menu; each ends with size to picture.
    bool actualSize() const { return m_state.actualSize; }
    void setActualSize(bool on);
    bool resizable() const { return m_state.resizable; }
    void setResizable(bool on);
    void sizeToPicture();

    // The status bar's share of the control (it is placed by its owner).
    void setStatusBarArea(bool shown, int heightPx);
    // The camera's resolution index (actual-size mode follows it) and the
    // camera-version flag (index 6 is 1280 wide when it is 0).
    void setResolutionIndex(int index);
    void setCameraVersionFlag(int flag) { m_state.cameraVersionFlag = flag; }

    // Indicator icon `resource` (450 AVI recording, 451 stopped, 452 JPEG
    // recording; 0 hides) in `slot` 0 or 1 of the grid's last cell (the
    // recording host's order).
    void setIndicator(int slot, int resource);

    // What the frame handler keeps.
    int64_t picturesShown() const { return m_state.picturesShown; }
    const std::string& lastDateTimeText() const { return m_lastDateTime; }
    // The last picture decoded into `cell` (empty when none or no such cell).
    Frame cellLastFrame(int cell) const;

    const ViewState& state() const { return m_state; }

    // --- A view never shows a frozen picture as live ---
    //
    // While the camera sends no pictures every cell shows why, in words over
    // its dimmed last picture or its empty area; the next picture clears
    // them.
    static constexpr int kNoPictureMs = 3000;     // pictures stopped after this long without one
    static constexpr int kPictureCheckMs = 500;   // how often that is looked at

    // What the connection reported (Idle: nothing to say). The words stay
    // until the next picture or the next report.
    void setLinkState(LinkState state, int attempt);
    // The words over the view now; empty while pictures come.
    const std::string& notice() const { return m_state.notice; }
    // Run every kPictureCheckMs by one timer while pictures come: after more
    // than kNoPictureMs without one (three ShowIntervalTime intervals when
    // that is longer) the view says since when. Tests call it directly.
    void checkPictureAge();
    bool pictureCheckRunning() const;

    // Seconds since 1970 for the overlay clock; tests fix it.
    void setClock(std::function<int64_t()> now) { m_now = std::move(now); }
    // Milliseconds of a steady clock for the age of the last picture; tests
    // fix it.
    void setTickClock(std::function<int64_t()> nowMs) { m_tickMs = std::move(nowMs); }

private:
    // WindowHost: the owner's reports go on to the owner, the pointer and
    // key input to the control's user interface.
    void windowPaneText(int pane, const std::string& text) override;
    void windowLayoutChanged(int cellCount) override;
    void windowExtent(QSize pixels, QSize himetric) override;
    void windowResized(QSize size) override;
    void windowClicked(int x, int y) override;
    void windowContextMenu(int cell, QPoint globalPos) override;
    void windowHover(QPoint globalPos) override;
    void windowKey(int key) override;

    void showNotice(std::string words);
    // Zoom requests are refused while more than one cell is shown.
    bool zoomAllowed() const { return m_state.cellCount == 1; }
    void applyZoom();
    void startPictureCheck();
    void stopPictureCheck();

    ViewState m_state;
    DisplayOwner* m_owner = nullptr;
    QPointer<ControlWindow> m_window;
    std::string m_lastDateTime;
    std::function<int64_t()> m_now;
    std::function<int64_t()> m_tickMs;
    // The last picture: when it came (steady ms, and the time of day for
    // the words); whether pictures came since the last report.
    int64_t m_lastPictureMs = 0;
    int64_t m_lastPictureSec = 0;
    bool m_picturesCome = false;
    std::unique_ptr<QTimer> m_pictureCheck; // made at the first picture
    int m_pendingWidth = 0; // CamWidth written before the window exists
    std::unique_ptr<ControlUi> m_ui;
};

} // namespace strovix
