#pragma once

#include "app/recordlist/TimelineView.h"
#include "app/storage/RecordingSearch.h"

#include <QDate>
#include <QWidget>

#include <functional>
#include <string>

class CalendarFrm;
class CameraGO;
class QLabel;
class QLineEdit;

// The "Timeline" tab: the recordings of all 16 cameras on one day chosen
// with the calendar (today when the tab first opens), as bars on the hours
// of the day. A click on a bar plays that recording from the clicked moment.
// GUI thread only.
class TimelinePage : public QWidget, private SearchSink {
    Q_OBJECT
public:
    // What a click on a bar does: play `path` from `seconds` into it.
    using Opener = std::function<void(const std::string& path, double seconds)>;

    // `cameras` gives each camera's recording folder and location, `search`
    // reads the folders; both must outlive the page.
    TimelinePage(CameraGO& cameras, RecordingSearch& search, QWidget* parent = nullptr);
    ~TimelinePage() override;

    // The tab became the current one: the day shown (today the first time)
    // is read again, so recordings made since appear.
    void activate();
    // Shows `day`: reads the recordings of every camera that overlap it.
    void showDay(const QDate& day);

    void setOpener(Opener open);

    TimelineView& view() const { return *m_view; }
    CalendarFrm* calendar() const { return m_calendar; }
    // Why files could not be shown; empty when all could.
    QString note() const;

private:
    void fileExamined() override {}
    void matched(const SearchHit& hit) override;
    void unreadable(int16_t camera, const std::string& path, media::AviError why) override;
    void setBusy(bool busy);

    CameraGO& m_cameras;
    RecordingSearch& m_search;
    TimelineView* m_view;
    QLineEdit* m_dayField;
    QLabel* m_note;
    CalendarFrm* m_calendar;
    Opener m_open;
    // The reading in progress (events are processed during it).
    std::vector<TimelineBar> m_found;
    int m_unreadable = 0;
    bool m_reading = false;
    bool m_opened = false; // the tab has been shown once
};
