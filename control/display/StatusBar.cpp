#include "control/display/StatusBar.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace strovix {

namespace {

// Pane shares of W in hundredths.
constexpr std::array<int, StatusBar::kPaneCount> kSharePercent = {10, 15, 8, 10, 12, 13, 39};

QColor fromColorRef(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace

std::array<int, StatusBar::kPaneCount> StatusBar::paneWidths(int controlWidth)
{
    const int64_t base = std::max(controlWidth, kMinimumBase);
    std::array<int, kPaneCount> widths{};
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] = int(base * kSharePercent[i] / 100);
    return widths;
}

const std::array<const char*, StatusBar::kPaneCount>& StatusBar::initialTexts()
{
    static const std::array<const char*, kPaneCount> texts = {"Status", "Res",   "Qua", "Layout",
                                                              "Rotate 0", "Index", "Misc"};
    return texts;
}

StatusBar::StatusBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::number(kControlId));
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f = font();
    f.setPixelSize(kFontHeight);
    setFont(f);
    for (size_t i = 0; i < m_texts.size(); ++i)
        m_texts[i] = initialTexts()[i];
    fitToWidth(parent ? parent->width() : 0);
}

void StatusBar::setPaneText(int pane, const std::string& text)
{
    if (pane < 0 || pane >= kPaneCount || m_texts[size_t(pane)] == text)
        return;
    m_texts[size_t(pane)] = text;
    update();
}

std::string StatusBar::paneText(int pane) const
{
    return pane >= 0 && pane < kPaneCount ? m_texts[size_t(pane)] : std::string();
}

void StatusBar::fitToWidth(int controlWidth)
{
    m_widths = paneWidths(controlWidth);
    update();
}

int StatusBar::paneAt(int x) const
{
    int left = 0;
    for (int i = 0; i < kPaneCount; ++i) {
        const int right = left + m_widths[size_t(i)];
        if (x >= left && x < right)
            return i;
        left = right;
    }
    return 0;
}

int StatusBar::barHeight() const { return kFontHeight + 8; }

void StatusBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor back = fromColorRef(kBackColor);
    p.fillRect(rect(), back);
    p.setFont(font());
    int left = 0;
    for (int i = 0; i < kPaneCount; ++i) {
        const int w = m_widths[size_t(i)];
        const QRect pane(left, 1, w - 2, height() - 2);
        // A sunken pane: dark upper-left edge, light lower-right edge.
        p.setPen(back.darker(150));
        p.drawLine(pane.topLeft(), pane.topRight());
        p.drawLine(pane.topLeft(), pane.bottomLeft());
        p.setPen(back.lighter(140));
        p.drawLine(pane.bottomLeft(), pane.bottomRight());
        p.drawLine(pane.topRight(), pane.bottomRight());
        p.setPen(Qt::black);
        p.drawText(pane.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   QString::fromStdString(m_texts[size_t(i)]));
        left += w;
    }
}

void StatusBar::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (paneClicked)
        paneClicked(paneAt(pos.x()), event->globalPosition().toPoint());
}

void StatusBar::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // A pane's own pop-up menu takes the focus while it is open.
    if (event->reason() == Qt::PopupFocusReason)
        return;
    if (focusLost)
        focusLost();
}

} // namespace strovix
