#include "control/display/Display.h"

#include "control/display/ControlUi.h"
#include "control/display/ControlWindow.h"
#include "control/display/OverlayText.h"
#include "control/session/Panes.h"

#include <QTimer>

#include <chrono>
#include <ctime>

// The indicator icons are compiled into this static layer; their resources
// are registered by hand because nothing else refers to them.
static void registerIndicatorIcons()
{
    Q_INIT_RESOURCE(indicators);
}

namespace strovix {

Display::Display()
    : m_now([] { return int64_t(std::time(nullptr)); }),
      m_tickMs([] {
          return int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count());
      }),
      m_ui(std::make_unique<ControlUi>(*this))
{
    static const bool registered = (registerIndicatorIcons(), true);
    (void)registered;
}

Display::~Display()
{
    destroyWindow();
}

QWidget* Display::createWindow(QWidget* parent)
{
    destroyWindow();
    m_window = new ControlWindow(m_state, *this, parent);
    m_ui->windowCreated(m_window.data());
    if (m_pendingWidth > 0) {
        m_window->sizeToPicture(m_pendingWidth);
        m_pendingWidth = 0;
    }
    return m_window.data();
}

void Display::destroyWindow()
{
    delete m_window.data();
    m_window.clear();
}

void Display::windowPaneText(int pane, const std::string& text)
{
    if (m_owner)
        m_owner->paneText(pane, text);
}

void Display::windowLayoutChanged(int cellCount)
{
    if (m_owner)
        m_owner->layoutChanged(cellCount);
}

void Display::windowExtent(QSize pixels, QSize himetric)
{
    if (m_owner)
        m_owner->hostExtent(pixels, himetric);
}

void Display::windowClicked(int x, int y)
{
    if (m_owner)
        m_owner->clickImage(x, y);
}

void Display::windowResized(QSize size) { m_ui->windowResized(size); }
void Display::windowContextMenu(int cell, QPoint globalPos) { m_ui->openContextMenu(cell, globalPos); }
void Display::windowHover(QPoint globalPos) { m_ui->hover(globalPos); }
void Display::windowKey(int key) { m_ui->key(key); }

int Display::handleNewFrame(const PicturePtr& picture, uint32_t framesAnnounced, uint32_t rateTimes100,
                            uint32_t rateWindow)
{
    if (!m_window || m_window->cells().empty() || !picture)
        return 1;
    const auto& cells = m_window->cells();
    const int count = int(cells.size());
    const int current = int(m_state.picturesShown % count);

    // The cell that showed the previous picture drops to black text; only
    // its text is drawn again.
    if (count > 1) {
        const int previous = m_state.picturesShown == 0 ? 0 : (current == 0 ? count - 1 : current - 1);
        cells[size_t(previous)]->setOverlayColor(0);
        cells[size_t(previous)]->updateOverlay();
    }

    ViewCell* cell = cells[size_t(current)];
    cell->setOrientation(orientationForRotate(m_state.rotate));
    const int64_t now = m_now();
    m_lastDateTime = dateTimeText(now + m_state.clockOffsetSec, m_state.dateFormat, m_state.timeFormat);
    cell->setOverlayColor(m_state.fontColor);
    cell->setOverlayText(overlayText(m_state.showText, m_state.cameraName, m_lastDateTime));

    // Decoded at the size the cell shows it; on success the cell keeps the
    // picture as its last one and repaints.
    cell->showPicture(picture);
    ++m_state.picturesShown;

    // The camera sends again (a picture that would not decode included).
    m_lastPictureMs = m_tickMs();
    m_lastPictureSec = now;
    if (!m_picturesCome) {
        m_picturesCome = true;
        showNotice({});
        startPictureCheck();
    }

    if (rateWindow != 0 && framesAnnounced % rateWindow == 3 && rateTimes100 != 0 && m_owner)
        m_owner->paneText(pane::kRate, frameRateText(rateTimes100));
    return 0;
}

bool Display::setLayout(int n)
{
    if (n < 1 || n > 4)
        return false;
    if (m_window)
        m_window->setSplit(n * n);
    else
        m_state.cellCount = m_state.actualSize ? 1 : n * n;
    if (m_state.cellCount > 1)
        m_state.dropZoom();
    m_state.picturesShown = 0;
    return true;
}

void Display::chooseSplit(int n)
{
    if (n < 1 || n > 4 || n * n == m_state.cellCount || m_state.actualSize)
        return;
    setLayout(n);
}

int Display::camWidth() const
{
    return m_window ? m_window->width() : m_pendingWidth;
}

bool Display::setCamWidth(int width)
{
    if (width <= 0 || m_state.actualSize)
        return false;
    if (m_window)
        m_window->sizeToPicture(width);
    else
        m_pendingWidth = width;
    return true;
}

void Display::applyZoom()
{
    if (m_window)
        m_window->applyZoom();
}

bool Display::setZoomPercent(int percent)
{
    if (!zoomAllowed() || percent < ViewZoom::kMinPercent || percent > ViewZoom::kMaxPercent)
        return false;
    if (m_state.zoom.setFactor(percent / 100.0))
        applyZoom();
    return true;
}

bool Display::zoomIn()
{
    if (!zoomAllowed())
        return false;
    const bool stepped = m_state.zoom.stepIn();
    m_state.zoomMode = true;
    applyZoom();
    return stepped;
}

bool Display::zoomOut()
{
    if (!zoomAllowed() || !m_state.zoom.stepOut())
        return false;
    applyZoom();
    return true;
}

bool Display::setZoomMode(bool on)
{
    if (on && !zoomAllowed())
        return false;
    m_state.zoomMode = on;
    applyZoom();
    return true;
}

bool Display::zoomOff()
{
    if (!m_state.zoom.zoomed() && !m_state.zoomMode)
        return false;
    m_state.dropZoom();
    applyZoom();
    return true;
}

bool Display::setShowText(int mode)
{
    if (mode < -1 || mode > 4)
        return false;
    if (mode <= 2) {
        m_state.clockOffsetSec = 0;
    } else if (m_owner) {
        m_owner->clockWanted();
    }
    m_state.showText = mode;
    return true;
}

bool Display::setDateFormat(int format)
{
    if (format < 0 || format >= kDateFormatCount)
        return false;
    m_state.dateFormat = format;
    return true;
}

bool Display::setTimeFormat(int format)
{
    if (format < 0 || format >= kTimeFormatCount)
        return false;
    m_state.timeFormat = format;
    return true;
}

void Display::setBackColor(uint32_t colorRef)
{
    m_state.backColor = colorRef;
    if (m_window)
        m_window->update();
}

void Display::applyTimeReply(std::string_view reply)
{
    const int64_t now = m_now();
    if (const auto cameraTime = cameraClockFromReply(reply, localZoneWestMinutes(now)))
        m_state.clockOffsetSec = *cameraTime - now;
}

void Display::setActualSize(bool on)
{
    if (m_window) {
        m_window->setActualSize(on);
    } else {
        m_state.actualSize = on;
        if (on)
            m_state.cellCount = 1;
    }
}

void Display::setResizable(bool on)
{
    if (m_window)
        m_window->setResizable(on);
    else
        m_state.resizable = on;
}

void Display::sizeToPicture()
{
    if (m_window)
        m_window->sizeToPicture();
}

void Display::setStatusBarArea(bool shown, int heightPx)
{
    m_state.statusBarShown = shown;
    m_state.statusBarHeight = std::max(0, heightPx);
    if (m_window)
        m_window->relayout();
}

void Display::setResolutionIndex(int index)
{
    const bool changed = index != m_state.resolutionIndex;
    m_state.resolutionIndex = index;
    if (changed && m_state.actualSize && m_window)
        m_window->sizeToPicture();
}

void Display::setIndicator(int slot, int resource)
{
    if (slot < 0 || slot > 1)
        return;
    m_state.indicators[size_t(slot)] = resource;
    if (m_window)
        m_window->applyIndicators();
}

void Display::setLinkState(LinkState state, int attempt)
{
    m_picturesCome = false;
    stopPictureCheck();
    showNotice(linkNotice(state, attempt));
}

void Display::checkPictureAge()
{
    if (!m_picturesCome) {
        stopPictureCheck();
        return;
    }
    const int interval = m_owner ? m_owner->pictureIntervalMs() : 0;
    const int64_t bound = std::max<int64_t>(kNoPictureMs, 3 * int64_t(std::max(0, interval)));
    if (m_tickMs() - m_lastPictureMs <= bound)
        return;
    m_picturesCome = false;
    stopPictureCheck();
    showNotice(noPictureSinceText(m_lastPictureSec));
}

bool Display::pictureCheckRunning() const
{
    return m_pictureCheck && m_pictureCheck->isActive();
}

void Display::showNotice(std::string words)
{
    if (words == m_state.notice)
        return;
    m_state.notice = std::move(words);
    if (m_window)
        m_window->applyNotice();
}

void Display::startPictureCheck()
{
    if (!m_pictureCheck) {
        m_pictureCheck = std::make_unique<QTimer>();
        m_pictureCheck->setInterval(kPictureCheckMs);
        QObject::connect(m_pictureCheck.get(), &QTimer::timeout, m_pictureCheck.get(), [this] { checkPictureAge(); });
    }
    m_pictureCheck->start();
}

void Display::stopPictureCheck()
{
    if (m_pictureCheck)
        m_pictureCheck->stop();
}

Frame Display::cellLastFrame(int cell) const
{
    if (!m_window || cell < 0 || cell >= int(m_window->cells().size()))
        return {};
    return m_window->cells()[size_t(cell)]->lastFrame();
}

} // namespace strovix
