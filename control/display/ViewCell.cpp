#include "control/display/ViewCell.h"

#include "media/jpeg/JpegDecoder.h"
#include "control/display/OverlayText.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace strovix {

namespace {

QColor fromColorRef(uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

} // namespace

QRectF bitmapPart(const QRectF& part, int orientation)
{
    const bool flipX = orientation == 1 || orientation == 2;
    const bool flipY = orientation == 1 || orientation == 3;
    return QRectF(flipX ? 1 - part.right() : part.left(), flipY ? 1 - part.bottom() : part.top(), part.width(),
                  part.height());
}

void drawOriented(QPainter& painter, const QImage& picture, const QRect& target, int orientation, const QRectF& part)
{
    const qreal w = target.width();
    const qreal h = target.height();
    const bool whole = part == QRectF(0, 0, 1, 1);
    const QRectF fraction = bitmapPart(part, orientation);
    const QRectF source(fraction.left() * picture.width(), fraction.top() * picture.height(),
                        fraction.width() * picture.width(), fraction.height() * picture.height());
    QTransform t;
    switch (orientation) {
    case 1: t = QTransform(-1, 0, 0, -1, target.left() + w, target.top() + h); break;
    case 2: t = QTransform(-1, 0, 0, 1, target.left() + w, target.top()); break;
    case 3: t = QTransform(1, 0, 0, -1, target.left(), target.top() + h); break;
    default:
        if (whole)
            painter.drawImage(target, picture);
        else
            painter.drawImage(QRectF(target), picture, source);
        return;
    }
    painter.save();
    painter.setTransform(t, true);
    if (whole)
        painter.drawImage(QRectF(0, 0, w, h), picture);
    else
        painter.drawImage(QRectF(0, 0, w, h), picture, source);
    painter.restore();
}

QColor ViewCell::backgroundColor() { return QColor(0x80, 0x80, 0x80); }

ViewCell::ViewCell(int index, CellHost& host, QWidget* parent)
    : QWidget(parent), m_index(index), m_host(host)
{
    setObjectName(QString::asprintf("0x%X", unsigned(kFirstId + index)));
    // The cell paints every pixel itself: nothing to erase, nothing to flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    m_staticText.setTextFormat(Qt::PlainText);
    m_staticText.setPerformanceHint(QStaticText::AggressiveCaching);
    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(kHoverMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, [this] { m_host.cellHover(*this, m_hoverGlobal); });
    updateFont();
    resize(100, 100);
}

const Frame& ViewCell::lastFrame() const
{
    static const Frame kNone;
    return m_lastFrame ? m_lastFrame->bytes : kNone;
}

bool ViewCell::decode(const Frame& picture)
{
    media::DecodeOutcome outcome;
    const bool ok = media::decodeJpeg(picture.data(), picture.size(), m_bitmap, decodeSize(), &outcome);
    m_buffersMade += outcome.newBuffer ? 1 : 0;
    if (!outcome.pictureSize.isEmpty()) {
        m_pictureSize = outcome.pictureSize;
        m_scaleEighths = outcome.scaleEighths;
    }
    m_bitmapIsLastFrame = ok;
    return ok;
}

QSize ViewCell::decodeSize() const { return zoomed() ? QSize() : size(); }

void ViewCell::setZoom(const QRectF& part, bool input)
{
    if (input != m_zoomInput) {
        m_zoomInput = input;
        m_pressPending = m_dragging = false;
        showZoomCursor();
    }
    if (part == m_part)
        return;
    m_part = part;
    // Zooming in from a reduced decode, or back to the whole picture from a
    // full one: the bitmap follows at once, the camera may send nothing new.
    if (m_bitmapIsLastFrame && m_lastFrame
        && media::scaleEighthsFor(m_pictureSize, decodeSize()) != m_scaleEighths)
        decode(m_lastFrame->bytes);
    update();
}

void ViewCell::showZoomCursor()
{
    if (!m_zoomInput)
        unsetCursor();
    else
        setCursor(m_dragging ? Qt::ClosedHandCursor : Qt::OpenHandCursor);
}

bool ViewCell::showPicture(PicturePtr picture)
{
    if (!picture)
        return false;
    if (!isVisible()) {
        m_waiting = std::move(picture);
        return false;
    }
    m_waiting.reset();
    if (!decode(picture->bytes))
        return false;
    m_lastFrame = std::move(picture);
    m_firstPaintDue = true;
    update();
    return true;
}

void ViewCell::showEvent(QShowEvent*)
{
    if (!m_waiting)
        return;
    showPicture(std::move(m_waiting));
    // It waited for the view, not for the road: its time is no latency.
    m_firstPaintDue = false;
}

void ViewCell::setOverlayText(std::string text)
{
    if (text == m_text)
        return;
    m_text = std::move(text);
    // One line: every white space character shows as a space.
    QString line = QString::fromStdString(m_text);
    for (QChar& c : line) {
        if (c.isSpace())
            c = QLatin1Char(' ');
    }
    m_staticText.setText(line);
    dropTextImages();
}

void ViewCell::dropTextImages()
{
    for (auto& t : m_textImages)
        t.image = QImage();
}

// Margin around the laid-out text so that antialiased glyph edges that reach
// past its advance are kept.
constexpr int kTextMargin = 2;

const QImage& ViewCell::textImage(const QColor& color)
{
    const qreal ratio = devicePixelRatioF();
    for (auto& t : m_textImages) {
        if (!t.image.isNull() && t.color == color && t.image.devicePixelRatio() == ratio)
            return t.image;
    }
    TextImage& t = m_textImages[m_nextTextImage];
    m_nextTextImage = (m_nextTextImage + 1) % m_textImages.size();
    m_staticText.prepare(QTransform(), m_font);
    const QSizeF text = m_staticText.size();
    const QSize logical(int(std::ceil(text.width())) + 2 * kTextMargin, int(std::ceil(text.height())) + kTextMargin);
    t.color = color;
    t.image = QImage(logical * ratio, QImage::Format_ARGB32_Premultiplied);
    t.image.setDevicePixelRatio(ratio);
    t.image.fill(Qt::transparent);
    QPainter p(&t.image);
    p.setFont(m_font);
    p.setPen(color);
    p.drawStaticText(QPointF(kTextMargin, 0), m_staticText);
    return t.image;
}

void ViewCell::updateOverlay()
{
    if (!m_text.empty())
        update(0, 0, width(), m_fontHeight + m_fontHeight / 2 + 2);
}

void ViewCell::setOverlayColor(uint32_t colorRef)
{
    m_colorRef = colorRef;
    m_color = fromColorRef(colorRef);
}

void ViewCell::setFontHeight(int height)
{
    if (height == m_fontHeight)
        return;
    m_fontHeight = height;
    updateFont();
}

void ViewCell::setFontWeight(int weight)
{
    if (weight == m_fontWeight)
        return;
    m_fontWeight = weight;
    updateFont();
}

// The height counts the whole line, ascent plus descent, as the cell's font
// heights are meant; the em size is scaled down to fit it.
void ViewCell::updateFont()
{
    QFont f(QStringLiteral("Arial"));
    f.setWeight(QFont::Weight(m_fontWeight));
    int pixelSize = std::max(1, m_fontHeight);
    f.setPixelSize(pixelSize);
    const int lineHeight = QFontMetrics(f).height();
    if (lineHeight > m_fontHeight) {
        pixelSize = std::max(1, m_fontHeight * pixelSize / lineHeight);
        f.setPixelSize(pixelSize);
        // Rounding in the metrics can leave one pixel too many.
        while (pixelSize > 1 && QFontMetrics(f).height() > m_fontHeight)
            f.setPixelSize(--pixelSize);
    }
    m_font = f;
    dropTextImages();
}

void ViewCell::setNotice(const QString& words)
{
    if (words == m_notice)
        return;
    m_notice = words;
    update();
}

// The picture stays recognisable under the dimming; the backing keeps the
// words readable over a bright or busy picture.
constexpr int kNoticeDimAlpha = 110;
constexpr int kNoticeBackingAlpha = 190;
constexpr int kNoticeSmallestPx = 7;

void ViewCell::paintNotice(QPainter& p)
{
    const QRect area = rect();
    p.fillRect(area, QColor(0, 0, 0, kNoticeDimAlpha));

    // The overlay's font, bold; in a large view it grows with the view, up
    // to twice the overlay's size, so that it is read from across a room.
    QFont font = m_font;
    font.setWeight(QFont::Bold);
    const int overlayPx = std::max(1, m_font.pixelSize());
    font.setPixelSize(std::clamp(height() / 16, overlayPx, 2 * overlayPx));
    const int padX = std::max(4, font.pixelSize() / 2);
    const int padY = std::max(2, font.pixelSize() / 4);
    const QRect room = area.adjusted(padX + 2, padY + 2, -padX - 2, -padY - 2);
    if (room.width() <= 0 || room.height() <= 0)
        return;
    constexpr int flags = Qt::AlignCenter | Qt::TextWordWrap;
    QRect words = QFontMetrics(font).boundingRect(room, flags, m_notice);
    while ((words.width() > room.width() || words.height() > room.height()) && font.pixelSize() > kNoticeSmallestPx) {
        font.setPixelSize(font.pixelSize() - 1);
        words = QFontMetrics(font).boundingRect(room, flags, m_notice);
    }

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, kNoticeBackingAlpha));
    const qreal radius = padY + 1;
    p.drawRoundedRect(QRectF(words.adjusted(-padX, -padY, padX, padY)), radius, radius);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(room, flags, m_notice);
    p.restore();
}

void ViewCell::setIndicator(int slot, const QPixmap& icon)
{
    if (slot < 0 || slot > 1)
        return;
    m_indicators[size_t(slot)] = icon;
    update();
}

void ViewCell::paintEvent(QPaintEvent*)
{
    // The backing store is the off-screen picture: everything below lands on
    // the screen in one transfer.
    QPainter p(this);
    const QRect area = rect();
    if (!m_bitmap.isNull()) {
        drawOriented(p, m_bitmap, area, m_orientation, m_part);
    } else {
        p.fillRect(area, backgroundColor());
        p.setPen(Qt::black);
        p.drawRect(area.adjusted(0, 0, -1, -1));
    }
    if (!m_text.empty())
        p.drawImage(area.topLeft() - QPoint(kTextMargin, 0), textImage(m_color));
    // The overlay's time is the old picture's: it is dimmed with it.
    if (!m_notice.isEmpty())
        paintNotice(p);
    const int w = width();
    const int h = height();
    if (!m_indicators[0].isNull())
        p.drawPixmap(QRect(w - 28, h - 28, 16, 16), m_indicators[0]);
    if (!m_indicators[1].isNull())
        p.drawPixmap(QRect(w - 48, h - 28, 16, 16), m_indicators[1]);
    if (m_firstPaintDue && m_lastFrame) {
        m_firstPaintDue = false;
        const auto since = std::chrono::steady_clock::now() - m_lastFrame->arrived;
        m_host.cellPictureOnScreen(*this, std::chrono::duration<float, std::milli>(since).count());
    }
}

void ViewCell::resizeEvent(QResizeEvent*)
{
    setFontHeight(cellFontHeight(height(), m_fontHeight));
    // A bitmap decoded small for a smaller cell is decoded again from the
    // picture's bytes when the cell grows past it (a zoom, a larger window),
    // so it is never stretched up while the camera sends nothing new.
    if (m_bitmapIsLastFrame && m_lastFrame && m_scaleEighths < 8
        && media::scaleEighthsFor(m_pictureSize, decodeSize()) > m_scaleEighths) {
        decode(m_lastFrame->bytes);
        update();
    }
}

void ViewCell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        setFocus(Qt::MouseFocusReason);
        if (m_zoomInput) {
            // A drag or a click: the release tells.
            m_pressPending = true;
            m_dragging = false;
            m_pressAt = m_dragLast = event->position().toPoint();
            return;
        }
        m_host.cellLeftPress(*this, event->position().toPoint());
    } else if (event->button() == Qt::RightButton) {
        setFocus(Qt::MouseFocusReason);
        m_host.cellRightPress(*this, event->globalPosition().toPoint());
    }
}

// The second press of a double click is a double click only, never a second
// left press.
void ViewCell::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_host.cellDoubleClick(*this);
}

// One hover report per visit: tracking starts at the first move and ends when
// the pointer leaves; the report comes once the pointer has rested.
void ViewCell::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressPending && (event->buttons() & Qt::LeftButton)) {
        const QPoint at = event->position().toPoint();
        if (!m_dragging && (at - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
            m_dragging = true;
            showZoomCursor();
        }
        if (m_dragging && at != m_dragLast) {
            m_host.cellPan(*this, at - m_dragLast);
            m_dragLast = at;
        }
    }
    m_hoverGlobal = event->globalPosition().toPoint();
    if (!m_tracking) {
        m_tracking = true;
        m_hoverTimer.start();
    } else if (m_hoverTimer.isActive()) {
        m_hoverTimer.start();
    }
}

void ViewCell::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressPending)
        return;
    const bool click = !m_dragging;
    m_pressPending = m_dragging = false;
    showZoomCursor();
    if (click)
        m_host.cellLeftPress(*this, m_pressAt);
}

void ViewCell::wheelEvent(QWheelEvent* event)
{
    if (!m_zoomInput) {
        event->ignore();
        return;
    }
    m_host.cellWheel(*this, event->position().toPoint(), event->angleDelta().y());
    event->accept();
}

void ViewCell::leaveEvent(QEvent*)
{
    m_tracking = false;
    m_hoverTimer.stop();
}

void ViewCell::keyPressEvent(QKeyEvent* event)
{
    setFocus(Qt::OtherFocusReason);
    m_host.cellKey(*this, event->key());
}

} // namespace strovix
