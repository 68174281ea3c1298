#include "app/recordlist/RecListForm.h"

#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/dialogs/AppDialogs.h"
#include "app/recordlist/PlayerWindow.h"
#include "app/recordlist/RecListNames.h"
#include "app/recordlist/RecordFilesPage.h"
#include "app/recordlist/SnapshotViewer.h"
#include "app/recordlist/TimelinePage.h"
#include "app/recordlist/VideoSearchPage.h"
#include "app/storage/DiskFO.h"
#include "app/storage/FileExtGO.h"
#include "app/storage/RecordingSearch.h"
#include "app/storage/VolumeInfo.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace RecListNames;

namespace {

const VolumeInfo& machineVolumes()
{
    static const SystemVolumes volumes;
    return volumes;
}

constexpr int kSearchTab = 2;
constexpr int kTimelineTab = 3;

} // namespace

RecListForm::RecListForm(CameraGO& cameras, QWidget* parent) : RecListForm(cameras, machineVolumes(), parent) {}

RecListForm::RecListForm(CameraGO& cameras, const VolumeInfo& volumes, QWidget* parent)
    : QWidget(parent, Qt::Window), m_cameras(cameras), m_volumes(volumes)
{
    setObjectName(kForm);
    setWindowTitle(QStringLiteral("Record List"));
    m_disk = std::make_unique<DiskFO>(cameras.config(), volumes, [this](const std::string& text) {
        AppDialogs::current().ask(this, {kRecListBoxCaption, text, AppDialogs::Icon::Warning, AppDialogs::Buttons::Ok});
    });
    m_files = std::make_unique<FileExtGO>(cameras.config(), *m_disk);
    m_searcher = std::make_unique<RecordingSearch>(*m_files);
    m_searcher->setPendingEvents([] { QApplication::processEvents(); });

    m_combo = new QComboBox(this);
    m_combo->setObjectName(kCombo1);
    m_combo->setMinimumContentsLength(12);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(kSSTab1);
    m_video = new RecordFilesPage(RecordFilesPage::Kind::Recordings);
    m_snapshots = new RecordFilesPage(RecordFilesPage::Kind::Snapshots);
    m_search = new VideoSearchPage(cameras, *m_searcher);
    m_tabs->addTab(m_video, QStringLiteral("Video List"));
    m_tabs->addTab(m_snapshots, QStringLiteral("Snapshot List"));
    m_tabs->addTab(m_search, QStringLiteral("Video Search"));
    m_timeline = new TimelinePage(cameras, *m_searcher);
    m_tabs->addTab(m_timeline, QStringLiteral("Timeline"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(kCommand1);
    close->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(m_combo);
    top->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);
    resize(920, 580);

    m_video->setOpener([this](const std::string& path) { openRecording(path); });
    m_search->setOpener([this](const std::string& path) { openRecording(path); });
    m_snapshots->setOpener([this](const std::string& path) { openPicture(path); });
    m_timeline->setOpener([this](const std::string& path, double seconds) { openRecording(path, seconds); });
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_combo, &QComboBox::activated, this, [this](int index) { changeCamera(index); });
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { tabChanged(index); });

    m_tabs->setCurrentIndex(0);
    DefaultPanelLayout().layoutRecListForm(*this);
    changeCamera(0);
}

RecListForm::~RecListForm() = default;

bool RecListForm::IsReqVerOfWMP(int) const
{
    return true;
}

void RecListForm::setAlertSink(AlertSink sink)
{
    m_alertSink = std::move(sink);
}

void RecListForm::setPlayerOpener(PlayerOpener open)
{
    m_playerOpener = std::move(open);
}

void RecListForm::setPictureOpener(Opener open)
{
    m_pictureOpener = std::move(open);
}

void RecListForm::fillCameraSelector(const QString& text, const QStringList& items)
{
    const QSignalBlocker quiet(m_combo);
    m_combo->clear();
    m_combo->addItems(items);
    m_combo->setPlaceholderText(text);
    m_combo->setCurrentIndex(-1);
}

void RecListForm::alert(int index)
{
    if (m_alertSink)
        m_alertSink(QString::fromLatin1(kCheckPathsAlert).arg(index + 1).toStdString());
}

void RecListForm::changeCamera(int index)
{
    if (index < 0 || index >= CameraGO::kCount)
        return;
    Camera* camera = m_cameras.getCamera(static_cast<int16_t>(index));
    if (!camera)
        return;
    const auto usable = [this](const std::string& path) {
        const auto kind = m_volumes.kind(path);
        return kind && *kind == VolumeKind::Usable;
    };
    std::string recordings = camera->getRecPath();
    if (!usable(recordings)) {
        recordings = m_cameras.getDefaultRecPath(*camera);
        alert(index);
    }
    m_video->setFolder(recordings);
    std::string snapshots = camera->getSnapshotPath();
    if (!usable(snapshots)) {
        snapshots = m_cameras.getDefaultSnapshotPath(*camera);
        alert(index);
    }
    m_snapshots->setFolder(snapshots);
    // The chooser names the camera whose files are listed, also when another
    // window chose it.
    if (index < m_combo->count()) {
        const QSignalBlocker quiet(m_combo);
        m_combo->setCurrentIndex(index);
    }
}

void RecListForm::tabChanged(int index)
{
    // The search has its own camera field and the timeline shows every
    // camera: the chooser goes and the tabs take its room.
    m_combo->setVisible(index != kSearchTab && index != kTimelineTab);
    if (index == kSearchTab)
        m_search->activate();
    if (index == kTimelineTab)
        m_timeline->activate();
}

void RecListForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_video->refresh();
        m_snapshots->refresh();
    }
}

void RecListForm::openRecording(const std::string& path, double seconds)
{
    if (!IsReqVerOfWMP(9)) {
        hide();
        AppDialogs::current().ask(nullptr, {kRecListBoxCaption, "Please install Windows Media Player 9",
                                            AppDialogs::Icon::Information, AppDialogs::Buttons::Ok});
        return;
    }
    if (m_playerOpener) {
        m_playerOpener(path, seconds);
        return;
    }
    // One player: Play again replaces the file it plays.
    if (!m_player) {
        m_player = new PlayerWindow(this);
        m_player->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (m_player->openFile(path) && seconds > 0.0)
        m_player->seekTime(seconds);
    m_player->show();
    m_player->raise();
    m_player->activateWindow();
}

void RecListForm::openPicture(const std::string& path)
{
    if (m_pictureOpener) {
        m_pictureOpener(path);
        return;
    }
    auto* viewer = new SnapshotViewer(this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->openFile(path);
    viewer->show();
}
