#include "app/mainwindow/ViewerGrid.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace {
struct Dpi {
    double x = 96;
    double y = 96;
};

Dpi logicalDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return {screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY()};
}
} // namespace

ViewerGrid::ViewerGrid(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("ViewerGrid");
    for (int index = 0; index < kCells; ++index) {
        auto* cell = new QWidget(this);
        cell->setObjectName(QString("ViewerCell%1").arg(index + 1));
        auto* fill = new QVBoxLayout(cell);
        fill->setContentsMargins(0, 0, 0, 0);
        m_cells[size_t(index)] = cell;
    }
    placeEvenly();
}

QWidget* ViewerGrid::cell(int index) const
{
    return index >= 0 && index < kCells ? m_cells[size_t(index)] : nullptr;
}

void ViewerGrid::adopt(int index, QWidget* window)
{
    if (QWidget* target = cell(index); target && window)
        target->layout()->addWidget(window);
}

TwipSize ViewerGrid::screenSize() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize pixels = screen ? screen->size() : QSize(1024, 768);
    const Dpi dpi = logicalDpi();
    return twipSizeFromPixels(pixels, dpi.x, dpi.y);
}

void ViewerGrid::setViewerVisible(int16_t index, bool visible)
{
    if (QWidget* target = cell(index))
        target->setVisible(visible);
}

void ViewerGrid::setViewerGeometry(int16_t index, const TwipRect& rect)
{
    QWidget* target = cell(index);
    if (!target)
        return;
    const Dpi dpi = logicalDpi();
    target->setGeometry(pixelRectFromTwips(rect, dpi.x, dpi.y));
    m_laidOut = true;
    updateGeometry();
}

QSize ViewerGrid::sizeHint() const
{
    if (!m_laidOut)
        return {640, 480};
    QRect used;
    for (QWidget* c : m_cells) {
        if (!c->isHidden())
            used |= c->geometry();
    }
    return {used.right() + 1, used.bottom() + 1};
}

void ViewerGrid::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_laidOut)
        placeEvenly();
}

void ViewerGrid::placeEvenly()
{
    const int w = width() / 4;
    const int h = height() / 4;
    for (int index = 0; index < kCells; ++index)
        m_cells[size_t(index)]->setGeometry((index % 4) * w, (index / 4) * h, w - 2, h - 2);
}
