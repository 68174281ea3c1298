#pragma once

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One recording on the timeline: when it started and ended (the search's
// file times) and whether it was made on motion.
struct TimelineBar {
    int16_t camera = 0; // slot 0..15
    std::string path;
    QDateTime start;
    QDateTime end;
    bool motion = false;
};

// The recordings of one day, one row per camera and the hours ruled across;
// each recording a bar from its start to its end (clipped to the day),
// recordings on motion in the second colour. Hovering a bar shows its file
// name and times; a click on one asks to play it from the clicked moment.
// GUI thread only.
class TimelineView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRows = 16;
    static const QColor kRecordingColour;
    static const QColor kMotionColour;

    explicit TimelineView(QWidget* parent = nullptr);

    // The day shown (local midnight to the next midnight, whatever its
    // length), the row captions and the bars. Bars outside the day, or of a
    // camera outside 0..15, are not drawn.
    void setDay(const QDate& day);
    void setRowCaptions(const QStringList& captions);
    void setBars(std::vector<TimelineBar> bars);

    QDate day() const { return m_day; }
    const std::vector<TimelineBar>& bars() const { return m_bars; }

    // What lies under a point of the widget: the bar (its index in bars())
    // and the moment of the recording there, in seconds from its start.
    struct Hit {
        size_t bar = 0;
        double seconds = 0.0;
    };
    std::optional<Hit> hitAt(const QPoint& point) const;
    // The x of a moment of the day, and the y range of a camera's row (for
    // tests and hit checks).
    int xOf(const QDateTime& moment) const;
    QRect rowRect(int camera) const;
    // The text shown when hovering bar `index`.
    QString toolTipOf(size_t index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void barClicked(const std::string& path, double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where the hours are drawn: right of the captions, below the hour row.
    QRect chart() const;
    int captionWidth() const;
    double secondsPerPixel() const;
    void indexBars();

    QDate m_day;
    qint64 m_dayStart = 0; // seconds since the epoch
    qint64 m_dayEnd = 0;
    QStringList m_captions;
    std::vector<TimelineBar> m_bars;
    // Per bar, its span in seconds since the epoch; per row, its bars by start.
    struct Span {
        qint64 start;
        qint64 end;
    };
    std::vector<Span> m_spans;
    std::vector<size_t> m_rowBars[kRows];
};
