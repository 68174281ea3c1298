#include "app/recordlist/RecordFilesPage.h"

#include "app/core/RecFileName.h"
#include "app/dialogs/AppDialogs.h"
#include "app/recordlist/ControlTable.h"
#include "app/recordlist/ExportDialog.h"
#include "app/recordlist/RecListNames.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/RecordingDetails.h"
#include "app/storage/RecordingSearch.h"

#include <QApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

using namespace RecListNames;

namespace {

// The list spans the left column; details and, under them, the commands
// sit at its right.
constexpr ControlRow kVideoRows[] = {
    {kVFile1, ControlKind::FileList, "", 0, 0, 7, 1},
    {kVLbl1, ControlKind::Label, "Location", 0, 1, 1, 2},
    {kVLbl2, ControlKind::Label, "Alerts", 1, 1, 1, 2},
    {kVLbl3, ControlKind::Label, "Start Time", 2, 1, 1, 2},
    {kVLbl4, ControlKind::Label, "Duration", 3, 1, 1, 2},
    {kVBtn1, ControlKind::Button, "Play", 4, 1},
    {kVBtn2, ControlKind::Button, "Delete", 4, 2},
    {kVExportBtn, ControlKind::Button, "Export...", 5, 1},
};
constexpr ControlRow kSnapshotRows[] = {
    {kSFile1, ControlKind::FileList, "", 0, 0, 7, 1},
    {kSLbl1, ControlKind::Label, "Location", 0, 1, 1, 2},
    {kSLbl2, ControlKind::Label, "Alerts", 1, 1, 1, 2},
    {kSLbl3, ControlKind::Label, "At Time", 2, 1, 1, 2},
    {kSBtn1, ControlKind::Button, "Show", 4, 1},
    {kSBtn2, ControlKind::Button, "Delete", 4, 2},
};

} // namespace

RecordFilesPage::RecordFilesPage(Kind kind, QWidget* parent) : QWidget(parent), m_kind(kind)
{
    const bool video = kind == Kind::Recordings;
    auto* grid = new QGridLayout(this);
    if (video)
        buildControls(this, grid, kVideoRows);
    else
        buildControls(this, grid, kSnapshotRows);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    // Details and commands stay together at the top; the room below is empty.
    grid->setRowStretch(6, 1);
    grid->setVerticalSpacing(8);

    // In the order refresh() puts the files: by their time, not as text.
    m_list = child<QListWidget>(this, video ? kVFile1 : kSFile1);
    const char* labels[] = {video ? kVLbl1 : kSLbl1, video ? kVLbl2 : kSLbl2, video ? kVLbl3 : kSLbl3, kVLbl4};
    for (int i = 0; i < (video ? 4 : 3); ++i) {
        m_labels[i] = child<QLabel>(this, labels[i]);
        m_labels[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_labels[i]->setMinimumWidth(220);
    }
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { showDetails(); });
    connect(child<QPushButton>(this, video ? kVBtn1 : kSBtn1), &QPushButton::clicked, this, [this] { openSelected(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { openSelected(); });
    connect(child<QPushButton>(this, video ? kVBtn2 : kSBtn2), &QPushButton::clicked, this,
            [this] { deleteSelected(); });
    if (video)
        connect(child<QPushButton>(this, kVExportBtn), &QPushButton::clicked, this, [this] { exportSelected(); });
}

void RecordFilesPage::setOpener(std::function<void(const std::string& path)> open)
{
    m_open = std::move(open);
}

void RecordFilesPage::setFolder(const std::string& folder)
{
    m_folder = folder;
    m_list->clear();
    refresh();
    clearDetails();
}

void RecordFilesPage::refresh()
{
    const QString selected = m_list->currentItem() ? m_list->currentItem()->text() : QString();
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    if (!m_folder.empty())
        m_list->addItems(listedFiles());
    if (!selected.isEmpty()) {
        const auto found = m_list->findItems(selected, Qt::MatchExactly);
        if (!found.isEmpty())
            m_list->setCurrentItem(found.front());
        else
            clearDetails();
    }
}

QStringList RecordFilesPage::listedFiles() const
{
    // The folder's own files and those of the numbered sub-folders the
    // recorder makes after its file limit (shown as "sub-folder/name");
    // hidden files (a recording still being written) are not listed.
    const std::string kind = m_kind == Kind::Recordings ? "r-" : "s-";
    const QStringList patterns{m_kind == Kind::Recordings ? QStringLiteral("*.avi") : QStringLiteral("*.jpg")};
    const QDir dir(QString::fromStdString(m_folder));
    QStringList names = dir.entryList(patterns, QDir::Files);
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (isNumberedFolder(sub.toStdString(), kind))
            for (const QString& name : QDir(dir.filePath(sub)).entryList(patterns, QDir::Files))
                names.append(sub + u'/' + name);

    // Newest first by the time in the name (file names sort "..._10_..."
    // before "..._9_..."); names that tell no time follow, by name.
    struct Listed {
        std::optional<std::array<int16_t, 7>> when;
        QString name;
    };
    std::vector<Listed> listed;
    for (const QString& name : names) {
        const auto parsed = parseRecFileName(name.section(u'/', -1).toStdString(), kind);
        listed.push_back({parsed ? std::optional(parsed->fields) : std::nullopt, name});
    }
    std::stable_sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
        if (a.when.has_value() != b.when.has_value())
            return a.when.has_value();
        if (a.when && *a.when != *b.when)
            return *a.when > *b.when;
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    QStringList ordered;
    for (const Listed& l : listed)
        ordered.append(l.name);
    return ordered;
}

std::string RecordFilesPage::selectedPath() const
{
    const QListWidgetItem* item = m_list->currentItem();
    if (!item || m_folder.empty())
        return {};
    return QDir(QString::fromStdString(m_folder)).filePath(item->text()).toStdString();
}

bool RecordFilesPage::selectFile(const QString& name)
{
    const auto found = m_list->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    m_list->setCurrentItem(found.front());
    return true;
}

void RecordFilesPage::clearDetails()
{
    const bool video = m_kind == Kind::Recordings;
    const char* captions[] = {"Location", "Alerts", video ? "Start Time" : "At Time", "Duration"};
    for (int i = 0; i < 4; ++i)
        if (m_labels[i])
            m_labels[i]->setText(QString::fromLatin1(captions[i]));
}

void RecordFilesPage::showDetails()
{
    const QListWidgetItem* item = m_list->currentItem();
    clearDetails();
    if (!item)
        return;
    // The details come from the file's own name, without its sub-folder.
    const std::string name = item->text().section(u'/', -1).toStdString();
    if (m_kind == Kind::Recordings) {
        // The playing time comes from the file's own headers: no player.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        media::AviError why = media::AviError::None;
        const auto seconds = mediaDuration(selectedPath(), &why);
        QApplication::restoreOverrideCursor();
        m_labels[3]->setText(QStringLiteral("Duration: ")
                             + QString::fromStdString(seconds ? durationText(*seconds) : media::aviErrorText(why)));
    }
    const bool video = m_kind == Kind::Recordings;
    const auto details = recordingDetails(name, video ? "r-" : "s-", video ? "Start Time" : "At Time");
    if (!details)
        return;
    m_labels[0]->setText(QString::fromStdString(details->location));
    m_labels[1]->setText(QString::fromStdString(details->alerts));
    m_labels[2]->setText(QString::fromStdString(details->time));
}

void RecordFilesPage::openSelected()
{
    const std::string path = selectedPath();
    if (!path.empty() && m_open)
        m_open(path);
}

void RecordFilesPage::exportSelected()
{
    const std::string path = selectedPath();
    if (path.empty()) {
        AppDialogs::current().ask(window(), {kRecListBoxCaption, kSelectAnItem, AppDialogs::Icon::Information,
                                             AppDialogs::Buttons::Ok});
        return;
    }
    exportRecording(window(), path);
}

void RecordFilesPage::deleteSelected()
{
    const std::string path = selectedPath();
    if (path.empty())
        return;
    const AppDialogs::Box box{kRecListBoxCaption, "Are you sure?", AppDialogs::Icon::Question, AppDialogs::Buttons::YesNo};
    if (AppDialogs::current().ask(window(), box) != AppDialogs::Answer::Yes)
        return;
    FileExtGO::deleteFile(path); // a failure leaves the file listed
    refresh();
}
