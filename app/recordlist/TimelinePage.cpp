#include "app/recordlist/TimelinePage.h"

#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/recordlist/CalendarFrm.h"
#include "app/recordlist/ControlTable.h"
#include "app/recordlist/RecListNames.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace RecListNames;

namespace {

// The day and its commands in the top row; the colour key at the right.
constexpr ControlRow kTimelineRows[] = {
    {kTimelineDayLbl, ControlKind::Label, "Day", 0, 0},
    {kTimelineDay, ControlKind::ReadOnly, "", 0, 1},
    {kTimelineCalBtn, ControlKind::PicButton, "Choose the day", 0, 2},
    {kTimelinePrevBtn, ControlKind::Button, "Previous Day", 0, 3},
    {kTimelineNextBtn, ControlKind::Button, "Next Day", 0, 4},
    {kTimelineKeyLbl, ControlKind::Label, "", 0, 6},
    {kTimelineMotionKeyLbl, ControlKind::Label, "", 0, 7},
    {kTimelineNoteLbl, ControlKind::Label, "", 2, 0, 1, 8},
};

constexpr char kDateFormat[] = "yyyy-MM-dd";

QString colourKey(const QColor& colour, const char* text)
{
    return QStringLiteral("<span style=\"background-color:%1\">&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;%2")
        .arg(colour.name(), QString::fromLatin1(text));
}

} // namespace

TimelinePage::TimelinePage(CameraGO& cameras, RecordingSearch& search, QWidget* parent)
    : QWidget(parent), m_cameras(cameras), m_search(search)
{
    auto* grid = new QGridLayout(this);
    buildControls(this, grid, kTimelineRows);
    m_view = new TimelineView(this);
    m_view->setObjectName(kTimelineView);
    grid->addWidget(m_view, 1, 0, 1, 8);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(5, 1);
    m_dayField = child<QLineEdit>(this, kTimelineDay);
    m_dayField->setFixedWidth(m_dayField->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 16);
    m_note = child<QLabel>(this, kTimelineNoteLbl);
    m_note->setWordWrap(true);
    child<QLabel>(this, kTimelineKeyLbl)->setText(colourKey(TimelineView::kRecordingColour, "Recording"));
    child<QLabel>(this, kTimelineMotionKeyLbl)->setText(colourKey(TimelineView::kMotionColour, "Recording on motion"));

    m_calendar = new CalendarFrm(this);
    connect(m_calendar, &CalendarFrm::dateChosen, this, [this](const QDate& day) {
        m_calendar->hide();
        showDay(day);
    });
    connect(child<QAbstractButton>(this, kTimelineCalBtn), &QAbstractButton::clicked, this,
            [this] { m_calendar->showAt(m_view->day()); });
    connect(child<QPushButton>(this, kTimelinePrevBtn), &QPushButton::clicked, this,
            [this] { showDay(m_view->day().addDays(-1)); });
    connect(child<QPushButton>(this, kTimelineNextBtn), &QPushButton::clicked, this,
            [this] { showDay(m_view->day().addDays(1)); });
    connect(m_view, &TimelineView::barClicked, this, [this](const std::string& path, double seconds) {
        if (m_open)
            m_open(path, seconds);
    });
}

TimelinePage::~TimelinePage() = default;

void TimelinePage::setOpener(Opener open)
{
    m_open = std::move(open);
}

QString TimelinePage::note() const
{
    return m_note->text();
}

void TimelinePage::activate()
{
    showDay(m_opened ? m_view->day() : QDate::currentDate());
    m_opened = true;
}

void TimelinePage::setBusy(bool busy)
{
    m_reading = busy;
    for (const char* name : {kTimelineCalBtn, kTimelinePrevBtn, kTimelineNextBtn})
        findChild<QAbstractButton*>(QString::fromLatin1(name))->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TimelinePage::showDay(const QDate& day)
{
    if (m_reading || !day.isValid())
        return;
    m_opened = true;
    m_dayField->setText(day.toString(QString::fromLatin1(kDateFormat)));
    QStringList captions;
    for (int16_t slot = 0; slot < TimelineView::kRows; ++slot) {
        const Camera* cam = m_cameras.getCamera(slot);
        const QString location = cam ? QString::fromStdString(cam->getDisplayLocation()) : QString();
        captions << (QString::number(slot + 1) + QLatin1Char(' ') + location).trimmed();
    }
    m_view->setRowCaptions(captions);

    setBusy(true);
    m_found.clear();
    m_unreadable = 0;
    // The same files and times as the search, over the whole day: a
    // recording that began the day before or ends the day after is drawn
    // up to the day's edge.
    m_search.search(kAllCameras, [this](int16_t slot) {
        const Camera* cam = m_cameras.getCamera(slot);
        return cam ? cam->getRecPath() : std::string();
    }, QDateTime(day, QTime(0, 0)), QDateTime(day.addDays(1), QTime(0, 0)), *this);
    m_view->setDay(day);
    m_view->setBars(std::move(m_found));
    m_found.clear();
    m_note->setText(m_unreadable == 0 ? QString()
                    : m_unreadable == 1
                        ? QStringLiteral("1 recording is not shown because its playing time cannot be read.")
                        : QStringLiteral("%1 recordings are not shown because their playing time cannot be read.")
                              .arg(m_unreadable));
    setBusy(false);
}

void TimelinePage::matched(const SearchHit& hit)
{
    const std::string name = QFileInfo(QString::fromStdString(hit.path)).fileName().toStdString();
    m_found.push_back({hit.camera, hit.path, hit.started, hit.end, SearchFilter{true}.admits(name)});
}

void TimelinePage::unreadable(int16_t, const std::string&, media::AviError)
{
    ++m_unreadable;
}
