#include "app/appconfig/CameraPage.h"

#include "app/core/Camera.h"
#include "app/storage/VolumeInfo.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <filesystem>
#include <system_error>

using namespace appcfg;

namespace {

int rowOf(CameraField field)
{
    return static_cast<int>(std::find(kCameraRows.begin(), kCameraRows.end(), CameraRow(field)) - kCameraRows.begin());
}

bool isFolder(const QString& path)
{
    std::error_code ec;
    return !path.isEmpty() && std::filesystem::is_directory(path.toStdString(), ec);
}

} // namespace

CameraPage::CameraPage(CameraChoice camera, FolderChoice folder, std::shared_ptr<const VolumeInfo> volumes,
                       QWidget* parent)
    : QWidget(parent), m_camera(std::move(camera)), m_folder(std::move(folder)), m_volumes(std::move(volumes))
{
    auto* grid = new QGridLayout;
    for (int row = 0; row < static_cast<int>(kCameraRows.size()); ++row) {
        if (const auto* field = std::get_if<CameraField>(&kCameraRows[row])) {
            m_fields[*field] = addFieldRow(*grid, row, kCameraFields[*field].name, kCameraFields[*field].labelName);
        } else {
            const CameraCheck check = std::get<CameraCheck>(kCameraRows[row]);
            m_checks[check] = newCheckBox(kCameraChecks[check].box);
            grid->addWidget(m_checks[check], row, 1);
        }
    }
    m_fields[kPort]->setText(QStringLiteral("80"));

    QPushButton* recBrowse = newButton(kRecBrowse);
    QPushButton* snapshotBrowse = newButton(kSnapshotBrowse);
    for (QPushButton* browse : {recBrowse, snapshotBrowse})
        browse->setFixedWidth(browse->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    grid->addWidget(recBrowse, rowOf(kRecPath), 2);
    grid->addWidget(snapshotBrowse, rowOf(kSnapshotPath), 2);
    connect(recBrowse, &QPushButton::clicked, this, &CameraPage::chooseRecPath);
    connect(snapshotBrowse, &QPushButton::clicked, this, &CameraPage::chooseSnapshotPath);
    // Double-clicking a folder field chooses a folder as its button does.
    m_fields[kRecPath]->installEventFilter(this);
    m_fields[kSnapshotPath]->installEventFilter(this);

    grid->setColumnStretch(1, 1);

    QPushButton* restore = newButton(kRestore);
    QPushButton* save = newButton(kSaveCamera);
    connect(restore, &QPushButton::clicked, this, [this] {
        if (Camera* chosen = m_camera())
            showCameraFields(*chosen);
    });
    connect(save, &QPushButton::clicked, this, [this] {
        if (Camera* chosen = m_camera())
            saveCamera(m_shown ? *m_shown : *chosen);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(restore);
    buttons->addWidget(save);

    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addStretch(1);
    page->addLayout(buttons);
}

void CameraPage::showCameraFields(Camera& camera)
{
    m_shown = &camera;
    for (int row = 0; row < kCameraFieldCount; ++row)
        m_fields[row]->setText(kCameraFields[row].setting(camera));
    for (int check = 0; check < kCameraCheckCount; ++check)
        m_checks[check]->setChecked(kCameraChecks[check].setting(camera));
}

bool CameraPage::refuseNumber(CameraField which, const Camera& camera)
{
    tell(window(), kCameraFields[which].message);
    m_fields[which]->setText(kCameraFields[which].setting(camera));
    return false;
}

bool CameraPage::applyCameraFields(Camera& camera)
{
    auto typed = [this](CameraField which) { return m_fields[which]->text(); };
    if (!isFolder(typed(kRecPath)) || !isFolder(typed(kSnapshotPath))) {
        tell(window(), kInvalidPath);
        return false;
    }

    const auto port = fieldtext::numberIn(typed(kPort), *kCameraFields[kPort].range);
    if (!port)
        return refuseNumber(kPort, camera);
    // The location names the camera's files too: nothing that cannot stand in a file name.
    const QString location = typed(kDisplayLocation);
    if (std::any_of(location.begin(), location.end(), [](QChar c) { return c == u'/' || c.category() == QChar::Other_Control; }))
        return refuseNumber(kDisplayLocation, camera);
    // A new address reconnects the camera; the same one leaves it alone.
    camera.connect(typed(kIp).trimmed().toStdString(), *port);
    camera.setDisplayLocation(location.toStdString());
    camera.setRecPath(typed(kRecPath).toStdString());

    const auto rate = fieldtext::numberIn(typed(kRecFrameRate), *kCameraFields[kRecFrameRate].range);
    if (!rate)
        return refuseNumber(kRecFrameRate, camera);
    camera.setRecFrameRate(static_cast<int16_t>(*rate));

    const auto frames = fieldtext::numberIn(typed(kRecNumFrame), *kCameraFields[kRecNumFrame].range);
    if (!frames)
        return refuseNumber(kRecNumFrame, camera);
    camera.setRecNumFrame(*frames);

    camera.setSnapshotPath(typed(kSnapshotPath).toStdString());
    camera.setRecAtStart(m_checks[kAtStartCheck]->isChecked());

    // A refused hold leaves both motion settings as they were.
    const auto hold = fieldtext::numberIn(typed(kMotionHold), *kCameraFields[kMotionHold].range);
    if (!hold)
        return refuseNumber(kMotionHold, camera);
    camera.setMotionHold(*hold);
    camera.setRecOnMotion(m_checks[kOnMotionCheck]->isChecked());
    return true;
}

void CameraPage::saveCamera(Camera& camera)
{
    applyCameraFields(camera);
    camera.save();
}

void CameraPage::chooseRecPath()
{
    const std::string chosen = m_folder(m_fields[kRecPath]->text().toStdString());
    if (!chosen.empty())
        m_fields[kRecPath]->setText(QString::fromStdString(chosen));
}

void CameraPage::chooseSnapshotPath()
{
    const std::string chosen = m_folder(m_fields[kSnapshotPath]->text().toStdString());
    if (chosen.empty())
        return;
    // Snapshots are single pictures by the thousand: they get a folder of
    // their own, never the top of a volume.
    if (isVolumeRoot(chosen)) {
        tell(window(), kNoRoot);
        return;
    }
    m_fields[kSnapshotPath]->setText(QString::fromStdString(chosen));
}

bool CameraPage::isVolumeRoot(const std::string& path) const
{
    std::string folder = std::filesystem::path(path).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    if (folder == "/")
        return true;
    return m_volumes && m_volumes->mountPoint(folder) == folder + "/";
}

bool CameraPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m_fields[kRecPath]) {
            chooseRecPath();
            return true;
        }
        if (watched == m_fields[kSnapshotPath]) {
            chooseSnapshotPath();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
