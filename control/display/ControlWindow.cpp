#include "control/display/ControlWindow.h"

#include "control/display/OverlayText.h"
#include "control/display/ResizeGrip.h"
#include "control/session/Panes.h"

#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace strovix {

namespace {

QColor fromColorRef(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QPixmap indicatorIcon(int resource)
{
    if (resource == 0)
        return {};
    return QPixmap(QStringLiteral(":/strovix/indicators/%1.png").arg(resource));
}

} // namespace

ControlWindow::ControlWindow(ViewState& state, WindowHost& host, QWidget* parent)
    : QWidget(parent), m_state(state), m_host(host)
{
    setObjectName(QStringLiteral("Vidorra"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_grip = new ResizeGrip(*this);
    m_grip->setVisible(m_state.resizable);
    const int stored = m_state.cellCount;
    setSplit((stored == 1 || stored == 4 || stored == 9 || stored == 16) ? stored : 1);
}

ControlWindow::~ControlWindow() = default;

int ControlWindow::pictureAreaHeight() const
{
    return std::max(0, height() - m_state.statusBarSpace());
}

QRect ControlWindow::gridRect(int index) const
{
    const int w = width() / m_side;
    const int h = pictureAreaHeight() / m_side;
    return QRect((index % m_side) * w, (index / m_side) * h, w, h);
}

void ControlWindow::setSplit(int cellCount)
{
    if (m_state.actualSize)
        cellCount = 1;
    // Old cells go at the next turn of the event loop: the split may change
    // from inside one of their own event handlers (a menu opened by a click).
    for (ViewCell* cell : m_cells) {
        cell->hide();
        cell->deleteLater();
    }
    m_cells.clear();
    m_side = int(std::lround(std::sqrt(double(cellCount))));
    m_splitMode = true;
    m_zoomed = -1;
    if (cellCount > 1)
        m_state.dropZoom();
    m_cells.reserve(size_t(cellCount));
    for (int i = 0; i < cellCount; ++i) {
        auto* cell = new ViewCell(i, *this, this);
        cell->setGeometry(gridRect(i));
        cell->show();
        m_cells.push_back(cell);
    }
    m_grip->raise();
    m_state.cellCount = cellCount;
    m_state.picturesShown = 0;
    applyIndicators();
    applyNotice();
    applyZoom();
    m_host.windowPaneText(pane::kLayout, std::to_string(m_side) + " X " + std::to_string(m_side));
    m_host.windowLayoutChanged(cellCount);
}

void ControlWindow::relayout()
{
    if (m_side <= 0)
        return;
    for (ViewCell* cell : m_cells) {
        cell->setGeometry(gridRect(cell->index()));
        cell->setFontWeight(ViewCell::kGridWeight);
    }
    if (!m_splitMode && m_zoomed >= 0 && m_zoomed < int(m_cells.size()))
        zoomCell(m_zoomed);
    placeGrip();
}

void ControlWindow::zoomCell(int index)
{
    if (index < 0 || index >= int(m_cells.size()))
        return;
    ViewCell* cell = m_cells[size_t(index)];
    const int areaHeight = pictureAreaHeight();
    cell->setGeometry(0, 0, width(), areaHeight);
    for (ViewCell* c : m_cells)
        c->hide();
    cell->show();
    cell->setFontHeight(zoomedFontHeight(areaHeight, cell->fontHeight()));
    cell->setFontWeight(ViewCell::kZoomedWeight);
    m_splitMode = false;
    m_zoomed = index;
}

void ControlWindow::restoreSplit(int index)
{
    if (index >= 0 && index < int(m_cells.size())) {
        ViewCell* cell = m_cells[size_t(index)];
        cell->setGeometry(gridRect(index));
        cell->setFontWeight(ViewCell::kGridWeight);
    }
    for (ViewCell* c : m_cells)
        c->show();
    m_splitMode = true;
    m_zoomed = -1;
}

void ControlWindow::sizeToPicture(int width)
{
    if (width == 0 && m_state.actualSize)
        width = widthForResolution(m_state.resolutionIndex, m_state.cameraVersionFlag);
    if (width == 0)
        width = this->width();
    const int height = int(width * 0.75) + m_state.statusBarSpace();
    resize(width, height);
    update();
    const QSize himetric(pixelsToHimetric(width, logicalDpiX()), pixelsToHimetric(height, logicalDpiY()));
    m_host.windowExtent(QSize(width, height), himetric);
}

void ControlWindow::setActualSize(bool on)
{
    m_state.actualSize = on;
    if (on && m_cells.size() > 1)
        setSplit(1);
    sizeToPicture();
}

void ControlWindow::setResizable(bool on)
{
    m_state.resizable = on;
    m_grip->setVisible(on);
    placeGrip();
    sizeToPicture();
}

void ControlWindow::dragResize(int newWidth)
{
    sizeToPicture(newWidth);
}

void ControlWindow::applyIndicators()
{
    if (m_cells.empty())
        return;
    ViewCell* last = m_cells.back();
    for (int slot = 0; slot < 2; ++slot)
        last->setIndicator(slot, indicatorIcon(m_state.indicators[size_t(slot)]));
}

void ControlWindow::applyNotice()
{
    const QString words = QString::fromStdString(m_state.notice);
    for (ViewCell* cell : m_cells)
        cell->setNotice(words);
}

void ControlWindow::applyZoom()
{
    const QRectF part = m_state.zoom.shownPart();
    for (ViewCell* cell : m_cells)
        cell->setZoom(part, m_state.zoomMode);
}

void ControlWindow::placeGrip()
{
    m_grip->move(width() - ResizeGrip::kSize, height() - ResizeGrip::kSize);
    m_grip->raise();
}

void ControlWindow::resizeEvent(QResizeEvent*)
{
    relayout();
    m_host.windowResized(size());
}

// Only the strip the cells leave uncovered shows through.
void ControlWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), fromColorRef(m_state.backColor));
}

void ControlWindow::cellLeftPress(ViewCell& cell, QPoint posInCell)
{
    m_host.windowClicked(cell.x() + posInCell.x(), cell.y() + posInCell.y());
}

void ControlWindow::cellDoubleClick(ViewCell& cell)
{
    if (m_cells.size() <= 1)
        return;
    if (m_splitMode)
        zoomCell(cell.index());
    else
        restoreSplit(cell.index());
}

void ControlWindow::cellRightPress(ViewCell& cell, QPoint globalPos)
{
    m_host.windowContextMenu(cell.index(), globalPos);
}

void ControlWindow::cellHover(ViewCell&, QPoint globalPos)
{
    m_host.windowHover(globalPos);
}

void ControlWindow::cellKey(ViewCell&, int key)
{
    m_host.windowKey(key);
}

void ControlWindow::cellPan(ViewCell& cell, QPoint by)
{
    if (cell.width() <= 0 || cell.height() <= 0)
        return;
    if (m_state.zoom.pan(QPointF(double(by.x()) / cell.width(), double(by.y()) / cell.height())))
        applyZoom();
}

void ControlWindow::cellWheel(ViewCell& cell, QPoint at, int angle)
{
    if (angle == 0 || cell.width() <= 0 || cell.height() <= 0)
        return;
    const QPointF where(double(at.x()) / cell.width(), double(at.y()) / cell.height());
    if (m_state.zoom.zoomAt(where, std::pow(ViewZoom::kStep, angle / 120.0)))
        applyZoom();
}

void ControlWindow::cellPictureOnScreen(ViewCell&, float ms)
{
    m_state.addLatency(ms);
}

} // namespace strovix
