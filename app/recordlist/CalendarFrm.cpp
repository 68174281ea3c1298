#include "app/recordlist/CalendarFrm.h"

#include "app/recordlist/RecListNames.h"

#include <QCalendarWidget>
#include <QPushButton>
#include <QVBoxLayout>

CalendarFrm::CalendarFrm(QWidget* parent) : QDialog(parent), m_calendar(new QCalendarWidget(this))
{
    setObjectName(RecListNames::kCalendarFrm);
    setWindowTitle(QStringLiteral("Select Date"));
    m_calendar->setObjectName(RecListNames::kCalendarCtl);
    m_calendar->setGridVisible(true);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(RecListNames::kClickCmd);
    ok->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_calendar);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, [this] { emit dateChosen(m_calendar->selectedDate()); });
    connect(m_calendar, &QCalendarWidget::activated, this, [this](const QDate& d) { emit dateChosen(d); });
}

void CalendarFrm::showAt(const QDate& today)
{
    m_calendar->setSelectedDate(today);
    show();
    raise();
    activateWindow();
}

QDate CalendarFrm::selectedDate() const
{
    return m_calendar->selectedDate();
}

void CalendarFrm::setSelectedDate(const QDate& date)
{
    m_calendar->setSelectedDate(date);
}
