#include "app/recordlist/VideoSearchPage.h"

#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/dialogs/AppDialogs.h"
#include "app/recordlist/CalendarFrm.h"
#include "app/recordlist/ControlTable.h"
#include "app/recordlist/ExportDialog.h"
#include "app/recordlist/RecListNames.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

using namespace RecListNames;

const QColor VideoSearchPage::kHighlight(192, 255, 255);

namespace {

// Columns: caption, date, calendar button, hour, minute, Search, a stretch,
// then the result commands at the right edge.
constexpr ControlRow kSearchRows[] = {
    {kCamNoLbl, ControlKind::Label, "Camera", 0, 0},
    {kCamNo, ControlKind::Text, "", 0, 1},
    {kCamNoHintLbl, ControlKind::Label, "Use * for all", 0, 2, 1, 5},
    {kOnlyMotionChk, ControlKind::Check, "Only Motion", 0, 7},
    {kStartDateLbl, ControlKind::Label, "Start Date", 1, 0},
    {kSeleFTxt, ControlKind::ReadOnly, "", 1, 1},
    {kSelectCalStartBtn, ControlKind::PicButton, "Choose the start date", 1, 2},
    {kStartHourLbl, ControlKind::Label, "Hour", 1, 3},
    {kHourTxtCbo, ControlKind::Choice, "Select Hour", 1, 4},
    {kStartMinLbl, ControlKind::Label, "Minute", 1, 5},
    {kMinTxtCbo, ControlKind::Choice, "Select Minute", 1, 6},
    {kEndDateLbl, ControlKind::Label, "End Date", 2, 0},
    {kSelectETxt, ControlKind::ReadOnly, "", 2, 1},
    {kSelectCalEndBtn, ControlKind::PicButton, "Choose the end date", 2, 2},
    {kEndHourLbl, ControlKind::Label, "Hour", 2, 3},
    {kHourTxt2Cbo, ControlKind::Choice, "Select Hour", 2, 4},
    {kEndMinLbl, ControlKind::Label, "Minute", 2, 5},
    {kMinTxt2Cbo, ControlKind::Choice, "Select Minute", 2, 6},
    {kSearchCmd, ControlKind::Button, "Search", 2, 7},
    {kDataMSFGrid, ControlKind::Grid, "", 3, 0, 1, 12},
    {kSearchNoteLbl, ControlKind::Label, "", 4, 0, 1, 9},
    {kVsPlayBtn, ControlKind::Button, "Play", 4, 9},
    {kVsExportBtn, ControlKind::Button, "Export...", 4, 10},
    {kVsDelBtn, ControlKind::Button, "Delete", 4, 11},
    {kText1, ControlKind::Text, "", 5, 0},
};


// Grid columns: titles and widths in pixels.
constexpr const char* kTitles[] = {"Camera No", "File Name", "Start Time", "End Time"};
constexpr int kWidths[] = {90, 380, 150, 150};

constexpr char kDateFormat[] = "yyyy-MM-dd";
// How date and time appear in the grid.
constexpr char kDateTimeFormat[] = "yyyy-MM-dd HH:mm:ss";

QDate dateOf(const QLineEdit* field)
{
    return QDate::fromString(field->text(), QString::fromLatin1(kDateFormat));
}

// The number a choice list shows; nothing when it shows none.
std::optional<int> numberOf(const QComboBox* list)
{
    bool ok = false;
    const int n = list->currentText().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

VideoSearchPage::VideoSearchPage(CameraGO& cameras, RecordingSearch& search, QWidget* parent)
    : QWidget(parent), m_cameras(cameras), m_search(search)
{
    auto* grid = new QGridLayout(this);
    buildControls(this, grid, kSearchRows);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(8, 1);
    m_camNo = child<QLineEdit>(this, kCamNo);
    m_startDate = child<QLineEdit>(this, kSeleFTxt);
    m_endDate = child<QLineEdit>(this, kSelectETxt);
    m_hour = child<QComboBox>(this, kHourTxtCbo);
    m_minute = child<QComboBox>(this, kMinTxtCbo);
    m_hour2 = child<QComboBox>(this, kHourTxt2Cbo);
    m_minute2 = child<QComboBox>(this, kMinTxt2Cbo);
    m_searchCmd = child<QPushButton>(this, kSearchCmd);
    m_onlyMotion = child<QCheckBox>(this, kOnlyMotionChk);
    m_grid = child<QTableWidget>(this, kDataMSFGrid);
    m_note = child<QLabel>(this, kSearchNoteLbl);
    child<QLineEdit>(this, kText1)->hide();
    m_camNo->setMaxLength(2);
    m_camNo->setMaximumWidth(60);
    for (QLineEdit* date : {m_startDate, m_endDate})
        date->setFixedWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 16);
    for (QComboBox* list : {m_hour, m_minute, m_hour2, m_minute2})
        list->setMinimumContentsLength(9); // room for the hint while nothing is chosen
    m_note->setWordWrap(true);

    // The grid has no selection of its own: the selected row is coloured.
    m_grid->setColumnCount(4);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->setFocusPolicy(Qt::NoFocus);
    m_grid->setWordWrap(false);
    m_grid->setTextElideMode(Qt::ElideLeft); // the file's name stays visible
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setMouseTracking(true);
    m_grid->viewport()->setCursor(Qt::PointingHandCursor);
    DataTitle();

    m_calendar = new CalendarFrm(this);
    connect(m_calendar, &CalendarFrm::dateChosen, this, [this](const QDate& d) { dateChosen(d); });
    connect(child<QAbstractButton>(this, kSelectCalStartBtn), &QAbstractButton::clicked, this, [this] { chooseDate(true); });
    connect(child<QAbstractButton>(this, kSelectCalEndBtn), &QAbstractButton::clicked, this, [this] { chooseDate(false); });
    connect(m_hour2, &QComboBox::activated, this, [this] { endHourChanged(); });
    connect(m_searchCmd, &QPushButton::clicked, this, [this] { this->search(); });
    connect(m_grid, &QTableWidget::cellClicked, this, [this](int row, int) { selectRow(row); });
    connect(child<QPushButton>(this, kVsPlayBtn), &QPushButton::clicked, this, [this] { playSelected(); });
    connect(child<QPushButton>(this, kVsDelBtn), &QPushButton::clicked, this, [this] { deleteSelected(); });
    connect(child<QPushButton>(this, kVsExportBtn), &QPushButton::clicked, this, [this] { exportSelected(); });
}

VideoSearchPage::~VideoSearchPage() = default;

void VideoSearchPage::setOpener(std::function<void(const std::string& path)> open)
{
    m_open = std::move(open);
}

void VideoSearchPage::DataTitle()
{
    QStringList titles;
    for (const char* t : kTitles)
        titles << QString::fromLatin1(t);
    m_grid->setHorizontalHeaderLabels(titles);
    for (int c = 0; c < 4; ++c)
        m_grid->setColumnWidth(c, kWidths[c]);
}

void VideoSearchPage::resetGrid()
{
    m_grid->clear();
    m_grid->setRowCount(0);
    DataTitle();
}

void VideoSearchPage::activate()
{
    if (m_hour->count() < 24) {
        for (QComboBox* list : {m_hour, m_minute, m_hour2, m_minute2})
            list->clear();
        for (int h = 0; h < 24; ++h)
            for (QComboBox* list : {m_hour, m_hour2})
                list->addItem(QString::number(h));
        for (int m = 0; m < 60; ++m)
            for (QComboBox* list : {m_minute, m_minute2})
                list->addItem(QString::number(m));
        for (QComboBox* list : {m_hour, m_minute, m_hour2, m_minute2})
            list->setCurrentIndex(-1);
    }
    if (!m_searching)
        resetGrid();
}

void VideoSearchPage::inform(const char* text)
{
    AppDialogs::current().ask(window(), {kRecListBoxCaption, text, AppDialogs::Icon::Information,
                                         AppDialogs::Buttons::Ok});
}

bool VideoSearchPage::search()
{
    if (m_searching)
        return false;
    if (m_startDate->text().isEmpty() || m_endDate->text().isEmpty()) {
        inform("Please select day.");
        return false;
    }
    const QDate startDate = dateOf(m_startDate);
    const QDate endDate = dateOf(m_endDate);
    if (startDate > endDate)
        inform("Are you sure?");
    const auto camera = parseCameraField(m_camNo->text().toStdString());
    if (!camera) {
        inform("Please input a number between 1 and 16 or * for all Camera.");
        return false;
    }
    const auto hour = numberOf(m_hour), hour2 = numberOf(m_hour2);
    if (!hour || !hour2) {
        inform("Please select hour.");
        return false;
    }
    const auto minute = numberOf(m_minute), minute2 = numberOf(m_minute2);
    if (!minute || !minute2) {
        inform("Please select Minute.");
        return false;
    }
    const QDateTime from(startDate, QTime(*hour, *minute, 0));
    const QDateTime to(endDate, QTime(*hour2, *minute2, 0));

    m_searching = true;
    m_searchCmd->setEnabled(false);
    m_counter = 0;
    m_cleared = false;
    m_hits.clear();
    m_unreadable = 0;
    m_unreadableList.clear();
    m_note->clear();
    m_note->setToolTip(QString());
    m_search.search(*camera, [this](int16_t slot) {
        const Camera* cam = m_cameras.getCamera(slot);
        return cam ? cam->getRecPath() : std::string();
    }, from, to, *this, SearchFilter{m_onlyMotion->isChecked()});
    showHits();
    if (m_unreadable > 0) {
        const QString text = m_unreadable == 1
            ? QStringLiteral("1 recording was left out because its playing time cannot be read: %1").arg(m_unreadableList)
            : QStringLiteral("%1 recordings were left out because their playing time cannot be read: %2")
                  .arg(m_unreadable)
                  .arg(m_unreadableList);
        m_note->setText(text);
        m_note->setToolTip(m_unreadableList);
    }
    m_searching = false;
    m_searchCmd->setEnabled(true);
    return true;
}

void VideoSearchPage::fileExamined()
{
    // The first file a search examines clears the earlier results.
    if (!m_cleared) {
        m_cleared = true;
        resetGrid();
    }
}

void VideoSearchPage::matched(const SearchHit& hit)
{
    ++m_counter;
    m_hits.push_back(hit);
}

void VideoSearchPage::showHits()
{
    if (m_hits.empty())
        return;
    // In one step: the rows made at once and the grid drawn once, however
    // many recordings matched.
    m_grid->setUpdatesEnabled(false);
    const int first = m_grid->rowCount();
    m_grid->setRowCount(first + static_cast<int>(m_hits.size()));
    const QString format = QString::fromLatin1(kDateTimeFormat);
    for (size_t i = 0; i < m_hits.size(); ++i) {
        const SearchHit& hit = m_hits[i];
        const int row = first + static_cast<int>(i);
        const QString path = QString::fromStdString(hit.path);
        auto* file = new QTableWidgetItem(path);
        file->setToolTip(path);
        m_grid->setItem(row, 0, new QTableWidgetItem(QStringLiteral("camera%1").arg(hit.camera + 1)));
        m_grid->setItem(row, 1, file);
        m_grid->setItem(row, 2, new QTableWidgetItem(hit.started.toString(format)));
        m_grid->setItem(row, 3, new QTableWidgetItem(hit.end.toString(format)));
    }
    m_hits.clear();
    m_grid->setUpdatesEnabled(true);
}

void VideoSearchPage::unreadable(int16_t camera, const std::string& path, media::AviError why)
{
    ++m_unreadable;
    if (m_unreadable <= 3)
        m_unreadableList += QStringLiteral("%1camera%2 %3 (%4)")
                                .arg(m_unreadable > 1 ? QStringLiteral("; ") : QString())
                                .arg(camera + 1)
                                .arg(QFileInfo(QString::fromStdString(path)).fileName())
                                .arg(QString::fromLatin1(media::aviErrorText(why)));
    else if (m_unreadable == 4)
        m_unreadableList += QStringLiteral("; ...");
}

void VideoSearchPage::selectRow(int row)
{
    if (row < 0 || row >= m_grid->rowCount() || !m_grid->item(row, 1))
        return;
    const auto paint = [this](int r, const QBrush& brush) {
        for (int c = 1; c < 4; ++c)
            if (QTableWidgetItem* item = m_grid->item(r, c))
                item->setBackground(brush);
    };
    if (m_selectedRow >= 0 && m_selectedRow < m_grid->rowCount())
        paint(m_selectedRow, QBrush());
    paint(row, kHighlight);
    m_selectedPath = m_grid->item(row, 1)->text().toStdString();
    m_selectedRow = row;
}

void VideoSearchPage::playSelected()
{
    if (m_selectedPath.empty()) {
        inform(kSelectAnItem);
        return;
    }
    if (m_open)
        m_open(m_selectedPath);
}

void VideoSearchPage::exportSelected()
{
    if (m_selectedPath.empty()) {
        inform(kSelectAnItem);
        return;
    }
    exportRecording(window(), m_selectedPath);
}

void VideoSearchPage::deleteSelected()
{
    if (m_selectedPath.empty())
        return;
    // The row is found by its file: after a deletion or a new search the
    // selected row number may belong to another recording.
    int row = -1;
    for (int r = 0; r < m_grid->rowCount() && row < 0; ++r)
        if (const QTableWidgetItem* item = m_grid->item(r, 1); item && item->text().toStdString() == m_selectedPath)
            row = r;
    if (row < 0)
        return;
    const AppDialogs::Box box{kRecListBoxCaption, "Are you sure?", AppDialogs::Icon::Question, AppDialogs::Buttons::YesNo};
    if (AppDialogs::current().ask(window(), box) != AppDialogs::Answer::Yes)
        return;
    // Only the row goes; the recording stays on disk.
    m_grid->removeRow(row);
    m_grid->viewport()->update();
}

void VideoSearchPage::chooseDate(bool start)
{
    m_calendarForStart = start;
    m_calendar->showAt();
}

void VideoSearchPage::dateChosen(const QDate& date)
{
    const QString text = date.toString(QString::fromLatin1(kDateFormat));
    if (m_calendarForStart) {
        m_startDate->setText(text);
        m_calendar->hide();
        return;
    }
    if (m_startDate->text().isEmpty() || dateOf(m_startDate) > date) {
        inform("Please check your select date.");
        return;
    }
    m_endDate->setText(text);
    m_calendar->hide();
}

void VideoSearchPage::endHourChanged()
{
    const auto hour = numberOf(m_hour), hour2 = numberOf(m_hour2);
    if (!m_startDate->text().isEmpty() && m_startDate->text() == m_endDate->text() && hour && hour2 && *hour2 < *hour)
        inform("Please check your select date.");
}
