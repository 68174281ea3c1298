#include "app/recordlist/TimelineView.h"

#include <QFileInfo>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cmath>

const QColor TimelineView::kRecordingColour(52, 116, 196);
const QColor TimelineView::kMotionColour(222, 110, 30);

namespace {

constexpr int kHourRowPad = 8;   // above and below the hour numbers
constexpr int kMinRowHeight = 16;
constexpr int kBarInset = 3;     // between a bar and its row's edges
constexpr int kHitSlack = 2;     // pixels a narrow bar can be missed by
constexpr char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss";

} // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(QStringLiteral("Recordings of the day"));
    setDay(QDate::currentDate());
}

void TimelineView::setDay(const QDate& day)
{
    m_day = day;
    m_dayStart = QDateTime(day, QTime(0, 0)).toSecsSinceEpoch();
    m_dayEnd = QDateTime(day.addDays(1), QTime(0, 0)).toSecsSinceEpoch();
    if (m_dayEnd <= m_dayStart)
        m_dayEnd = m_dayStart + 24 * 3600;
    indexBars();
}

void TimelineView::setRowCaptions(const QStringList& captions)
{
    m_captions = captions;
    updateGeometry();
    update();
}

void TimelineView::setBars(std::vector<TimelineBar> bars)
{
    m_bars = std::move(bars);
    m_spans.clear();
    m_spans.reserve(m_bars.size());
    for (const TimelineBar& bar : m_bars)
        m_spans.push_back({bar.start.toSecsSinceEpoch(), std::max(bar.start, bar.end).toSecsSinceEpoch()});
    indexBars();
}

void TimelineView::indexBars()
{
    for (auto& row : m_rowBars)
        row.clear();
    for (size_t i = 0; i < m_bars.size(); ++i) {
        const int camera = m_bars[i].camera;
        if (camera < 0 || camera >= kRows || m_spans[i].end <= m_dayStart || m_spans[i].start >= m_dayEnd)
            continue;
        m_rowBars[camera].push_back(i);
    }
    for (auto& row : m_rowBars)
        std::stable_sort(row.begin(), row.end(), [this](size_t a, size_t b) { return m_spans[a].start < m_spans[b].start; });
    update();
}

int TimelineView::captionWidth() const
{
    const QFontMetrics fm = fontMetrics();
    int width = fm.horizontalAdvance(QStringLiteral("16 Camera"));
    for (const QString& caption : m_captions)
        width = std::max(width, fm.horizontalAdvance(caption));
    return std::clamp(width + 16, 60, 200);
}

QRect TimelineView::chart() const
{
    const int top = fontMetrics().height() + kHourRowPad;
    const int left = captionWidth();
    // Room on the right for the last hour's number over the end rule.
    const int right = fontMetrics().horizontalAdvance(QStringLiteral("00")) / 2 + 4;
    return QRect(left, top, std::max(1, width() - left - right), std::max(1, height() - top - 1));
}

double TimelineView::secondsPerPixel() const
{
    return static_cast<double>(m_dayEnd - m_dayStart) / chart().width();
}

int TimelineView::xOf(const QDateTime& moment) const
{
    const qint64 s = std::clamp(moment.toSecsSinceEpoch(), m_dayStart, m_dayEnd);
    return chart().left() + static_cast<int>(std::lround((s - m_dayStart) / secondsPerPixel()));
}

QRect TimelineView::rowRect(int camera) const
{
    const QRect c = chart();
    const int top = c.top() + c.height() * camera / kRows;
    const int bottom = c.top() + c.height() * (camera + 1) / kRows;
    return QRect(0, top, width(), bottom - top);
}

QSize TimelineView::sizeHint() const
{
    return QSize(captionWidth() + 24 * 36, fontMetrics().height() + kHourRowPad + kRows * 24);
}

QSize TimelineView::minimumSizeHint() const
{
    return QSize(captionWidth() + 24 * 12, fontMetrics().height() + kHourRowPad + kRows * kMinRowHeight);
}

void TimelineView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.base());
    const QRect c = chart();
    const QFontMetrics fm = fontMetrics();

    // Rows: every other one shaded, the camera's number and location at the left.
    const QColor shade = pal.alternateBase().color();
    for (int row = 0; row < kRows; ++row) {
        const QRect r = rowRect(row);
        if (row % 2 == 1)
            p.fillRect(r, shade);
        const QString caption = row < m_captions.size() ? m_captions[row] : QString::number(row + 1);
        p.setPen(pal.text().color());
        p.drawText(QRect(6, r.top(), c.left() - 12, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   fm.elidedText(caption, Qt::ElideRight, c.left() - 12));
    }

    // Hours: a rule at each, numbered as often as the width allows.
    const int hours = static_cast<int>((m_dayEnd - m_dayStart + 1800) / 3600);
    const double hourWidth = static_cast<double>(c.width()) / std::max(1, hours);
    int every = 1;
    for (int step : {1, 2, 3, 4, 6, 12}) {
        every = step;
        if (hourWidth * step >= fm.horizontalAdvance(QStringLiteral("00")) + 8)
            break;
    }
    const QColor rule = pal.mid().color();
    for (int h = 0; h <= hours; ++h) {
        const int x = c.left() + static_cast<int>(std::lround(h * hourWidth));
        const bool numbered = h % every == 0;
        p.setPen(numbered ? rule : rule.lighter(130));
        p.drawLine(x, c.top() - (numbered ? 3 : 0), x, c.bottom());
        if (numbered && h < hours) {
            const QString text = QStringLiteral("%1").arg(h % 24, 2, 10, QLatin1Char('0'));
            p.setPen(pal.text().color());
            p.drawText(QRect(x - 20, 0, 40, c.top() - 3), Qt::AlignHCenter | Qt::AlignBottom, text);
        }
    }
    p.setPen(rule);
    p.drawLine(c.left(), c.top(), c.right(), c.top());

    // Bars: a run of touching bars of one colour is one rectangle, so a
    // day of ten thousand short recordings costs a few hundred.
    const double spp = secondsPerPixel();
    const auto xAt = [&](qint64 s) {
        return c.left() + static_cast<int>(std::floor((std::clamp(s, m_dayStart, m_dayEnd) - m_dayStart) / spp));
    };
    for (int row = 0; row < kRows; ++row) {
        const QRect r = rowRect(row).adjusted(0, kBarInset, 0, -kBarInset);
        int runStart = 0, runEnd = -1;
        bool runMotion = false;
        const auto flush = [&] {
            if (runEnd >= runStart)
                p.fillRect(QRect(runStart, r.top(), runEnd - runStart + 1, r.height()),
                           runMotion ? kMotionColour : kRecordingColour);
        };
        for (size_t index : m_rowBars[row]) {
            const int x0 = xAt(m_spans[index].start);
            const int x1 = std::max(x0, xAt(m_spans[index].end) - 1);
            const bool motion = m_bars[index].motion;
            if (runEnd >= runStart && motion == runMotion && x0 <= runEnd + 1) {
                runEnd = std::max(runEnd, x1);
                continue;
            }
            flush();
            runStart = x0;
            runEnd = x1;
            runMotion = motion;
        }
        flush();
    }
}

std::optional<TimelineView::Hit> TimelineView::hitAt(const QPoint& point) const
{
    const QRect c = chart();
    if (point.x() < c.left() - kHitSlack || point.x() > c.right() + kHitSlack || point.y() < c.top())
        return std::nullopt;
    int row = -1;
    for (int r = 0; r < kRows; ++r)
        if (rowRect(r).contains(QPoint(0, point.y())))
            row = r;
    if (row < 0)
        return std::nullopt;
    const double spp = secondsPerPixel();
    const double t = m_dayStart + (point.x() - c.left() + 0.5) * spp;
    const double slack = kHitSlack * spp;
    // The bar under the pointer; else the nearest one within the slack, so a
    // recording of a few seconds can still be hit.
    std::optional<Hit> best;
    double bestDistance = slack;
    for (size_t index : m_rowBars[row]) {
        const Span& s = m_spans[index];
        if (s.start > t + slack)
            break;
        const double distance = t < s.start ? s.start - t : (t > s.end ? t - s.end : 0.0);
        if (distance <= bestDistance) {
            bestDistance = distance;
            best = Hit{index, std::clamp(t - s.start, 0.0, static_cast<double>(s.end - s.start))};
            if (distance == 0.0)
                break;
        }
    }
    return best;
}

QString TimelineView::toolTipOf(size_t index) const
{
    const TimelineBar& bar = m_bars.at(index);
    const QString format = QString::fromLatin1(kTimeFormat);
    QString text = QFileInfo(QString::fromStdString(bar.path)).fileName() + QLatin1Char('\n')
        + QStringLiteral("Start Time: ") + bar.start.toString(format) + QLatin1Char('\n')
        + QStringLiteral("End Time: ") + bar.end.toString(format);
    if (bar.motion)
        text += QStringLiteral("\nAlerts: [Motion]");
    return text;
}

bool TimelineView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (const auto hit = hitAt(help->pos()))
            QToolTip::showText(help->globalPos(), toolTipOf(hit->bar), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void TimelineView::mouseMoveEvent(QMouseEvent* event)
{
    setCursor(hitAt(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    QWidget::mouseMoveEvent(event);
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (const auto hit = hitAt(event->position().toPoint())) {
            emit barClicked(m_bars[hit->bar].path, hit->seconds);
            return;
        }
    }
    QWidget::mouseReleaseEvent(event);
}
