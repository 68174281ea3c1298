#pragma once

#include <QDate>
#include <QDialog>

class QCalendarWidget;

// The date chooser of the search tab: a month calendar (`CalendarCtl`) and
// an OK button (`ClickCmd`). OK does not close it by itself: the window that
// opened it checks the date and closes it (or keeps it open to have the date
// corrected). GUI thread only.
class CalendarFrm : public QDialog {
    Q_OBJECT
public:
    explicit CalendarFrm(QWidget* parent = nullptr);

    // Shows the window with the calendar at today's date.
    void showAt(const QDate& today = QDate::currentDate());
    QDate selectedDate() const;
    void setSelectedDate(const QDate& date);

signals:
    // OK was pressed with this date.
    void dateChosen(const QDate& date);

private:
    QCalendarWidget* m_calendar;
};
