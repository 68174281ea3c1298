#include "app/recordlist/PictureView.h"

#include <QPainter>

PictureView::PictureView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(160, 120);
}

void PictureView::setImage(const QImage& image)
{
    const bool resized = image.size() != m_image.size();
    m_image = image;
    if (!image.isNull())
        m_text.clear();
    if (resized)
        updateGeometry();
    update();
}

void PictureView::setText(const QString& text)
{
    m_text = text;
    m_image = QImage();
    update();
}

QRect PictureView::pictureRect() const
{
    if (m_image.isNull())
        return {};
    QSize shown = m_image.size();
    if (shown.width() > width() || shown.height() > height())
        shown.scale(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

QSize PictureView::sizeHint() const
{
    return m_image.isNull() ? QSize(640, 480) : m_image.size();
}

void PictureView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (m_image.isNull()) {
        p.setPen(Qt::white);
        p.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, m_text);
        return;
    }
    const QRect target = pictureRect();
    p.setRenderHint(QPainter::SmoothPixmapTransform, target.size() != m_image.size());
    p.drawImage(target, m_image);
}
