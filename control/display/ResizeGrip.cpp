#include "control/display/ResizeGrip.h"

#include "control/display/ControlWindow.h"

#include <QMouseEvent>
#include <QPainter>

namespace strovix {

ResizeGrip::ResizeGrip(ControlWindow& window) : QWidget(&window), m_window(window)
{
    setObjectName(QStringLiteral("ResizeGrip"));
    setCursor(Qt::SizeFDiagCursor);
    resize(kSize, kSize);
}

void ResizeGrip::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Dark));
    for (int i = 3; i < kSize; i += 4)
        p.drawLine(kSize - 1, i, i, kSize - 1);
}

void ResizeGrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_pressX = int(event->globalPosition().x());
    m_pressWidth = m_window.width();
}

void ResizeGrip::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const int width = m_pressWidth + int(event->globalPosition().x()) - m_pressX;
    if (width > kSize && width != m_window.width())
        m_window.dragResize(width);
}

void ResizeGrip::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

} // namespace strovix
