#include "app/emapwindow/CameraIcon.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

CameraIcon::CameraIcon(int slot, QWidget* parent) : QLabel(parent), m_slot(slot)
{
    setCursor(Qt::OpenHandCursor);
    setToolTip(QString("Camera %1").arg(slot + 1));
}

void CameraIcon::setPicture(const QPixmap& picture)
{
    setPixmap(picture);
    resize(picture.isNull() ? QSize(32, 32) : picture.deviceIndependentSize().toSize());
}

void CameraIcon::setNumbered(bool numbered)
{
    if (numbered == m_numbered)
        return;
    m_numbered = numbered;
    update();
}

void CameraIcon::mousePressEvent(QMouseEvent* event)
{
    emit pressed(m_slot, event->button(), event->globalPosition().toPoint());
}

void CameraIcon::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        emit dragged(m_slot, event->globalPosition().toPoint());
}

void CameraIcon::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit dropped(m_slot, event->globalPosition().toPoint());
}

void CameraIcon::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!m_numbered)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(11);
    // The number in white with a dark outline reads on any map.
    QPainterPath path;
    const QString number = QString::number(m_slot + 1);
    const QFontMetrics metrics(font);
    const QPoint baseline(width() - metrics.horizontalAdvance(number) - 1, height() - metrics.descent() - 1);
    path.addText(baseline, font, number);
    painter.setPen(QPen(QColor(20, 20, 20), 2.5));
    painter.drawPath(path);
    painter.fillPath(path, Qt::white);
}
