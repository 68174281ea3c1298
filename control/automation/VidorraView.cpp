#include "control/automation/VidorraView.h"

#include <QPainter>

namespace strovix {

VidorraView::VidorraView(QWidget* parent) : QWidget(parent) { setObjectName("Vidorra"); }

void VidorraView::setBackColor(uint32_t bgr)
{
    m_backColor = bgr;
    update();
}

void VidorraView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(int(m_backColor & 0xFF), int(m_backColor >> 8 & 0xFF), int(m_backColor >> 16 & 0xFF)));
}

} // namespace strovix
