#include "app/mainwindow/ViewerGrid.h"

#include <QVBoxLayout>

ViewerGrid::ViewerGrid(const ScreenMetrics& screen, QWidget* parent)
    : QWidget(parent)
    , m_screen(screen)
{
    setObjectName("ViewerGrid");
    for (int index = 0; index < kCells; ++index) {
        auto* cell = new QWidget(this);
        cell->setObjectName(QString("ViewerCell%1").arg(index + 1));
        auto* fill = new QVBoxLayout(cell);
        fill->setContentsMargins(0, 0, 0, 0);
        m_cells[size_t(index)] = cell;
    }
    ViewerLayout16().layout(0, *this);
}

QWidget* ViewerGrid::cell(int index) const
{
    return index >= 0 && index < kCells ? m_cells[size_t(index)] : nullptr;
}

bool ViewerGrid::inViewer(const QWidget* widget) const
{
    if (!widget)
        return false;
    for (const QWidget* cell : m_cells)
        if (cell && cell->isVisible() && (cell == widget || cell->isAncestorOf(widget)))
            return true;
    return false;
}

void ViewerGrid::adopt(int index, QWidget* window)
{
    if (QWidget* target = cell(index); target && window)
        target->layout()->addWidget(window);
}

TwipSize ViewerGrid::screenSize() const
{
    return m_screen.twipSize();
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
    target->setGeometry(m_screen.toPixels(rect));
}
