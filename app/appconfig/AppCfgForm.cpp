#include "app/appconfig/AppCfgForm.h"

#include "app/appconfig/AppCfgFields.h"
#include "app/appconfig/AppCfgHost.h"
#include "app/appconfig/ApplicationPage.h"
#include "app/appconfig/CameraPage.h"
#include "app/appconfig/ConfigFiles.h"
#include "app/appconfig/DefaultAppCfgFormLayout.h"
#include "app/appconfig/SchedulePage.h"
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/dialogs/AppDialogs.h"
#include "app/storage/VolumeInfo.h"
#include "platform/fs/AtomicFile.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>
#include <QKeyEvent>

#include <filesystem>
#include <system_error>

using namespace appcfg;

AppCfgForm::AppCfgForm(CameraGO& cameras, QWidget* parent, std::shared_ptr<const VolumeInfo> volumes)
    : QWidget(parent, Qt::Window), m_cameras(cameras), m_camList(new QListWidget), m_tabs(new QTabWidget),
      m_viewerLayout(new QComboBox)
{
    setObjectName(QStringLiteral("AppCfgForm"));
    if (!volumes)
        volumes = std::make_shared<SystemVolumes>();

    QGroupBox* listFrame = newFrame(kCamListFrame);
    m_camList->setObjectName(QStringLiteral("fCamList"));
    (new QVBoxLayout(listFrame))->addWidget(m_camList);
    // Wide enough for "16 Camera"; the tabs take the rest.
    m_camList->setFixedWidth(m_camList->fontMetrics().horizontalAdvance(QStringLiteral("16 Camera")) + 48);

    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->addTab(makeInitialSetupTab(), {});
    m_cameraPage = new CameraPage([this] { return selectedCamera(); }, [this](const std::string& start) {
        return selectTreeView(start);
    }, volumes);
    m_tabs->addTab(m_cameraPage, {});
    m_schedulePage = new SchedulePage([this] { return selectedCamera(); }, config());
    m_tabs->addTab(m_schedulePage, {});
    m_applicationPage = new ApplicationPage(config());
    m_tabs->addTab(m_applicationPage, {});

    auto* body = new QHBoxLayout;
    body->addWidget(listFrame);
    body->addWidget(m_tabs, 1);
    auto* window = new QVBoxLayout(this);
    window->addLayout(body, 1);
    window->addLayout(makeMainButtons());

    connect(m_tabs, &QTabWidget::currentChanged, this, &AppCfgForm::tabShown);
    connect(m_camList, &QListWidget::currentRowChanged, this, &AppCfgForm::cameraClicked);
    connect(m_viewerLayout, &QComboBox::activated, this, &AppCfgForm::viewerLayoutChosen);
    connect(m_applicationPage->exportChoice(), &QComboBox::activated, this, &AppCfgForm::exportChosen);
    connect(m_applicationPage->importChoice(), &QComboBox::activated, this, &AppCfgForm::importChosen);

    // OK stores the application settings with every camera section: those
    // are written from the running cameras, so a camera saved from the
    // Camera tab meanwhile is never overwritten by an older copy.
    config().setCameraSource([&cameras](int16_t uid) -> CameraSlot* { return cameras.getCamera(uid); });

    DefaultAppCfgFormLayout().layout(*this);
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(kInitialSetupTab);
    }
    tabShown(kInitialSetupTab);
    resize(sizeHint().expandedTo(QSize(760, 480)));
}

QWidget* AppCfgForm::makeInitialSetupTab()
{
    auto* setup = new QWidget;
    auto* grid = new QGridLayout(setup);
    m_viewerLayout->setObjectName(QStringLiteral("appCombo1"));
    m_viewerLayout->setPlaceholderText(QString::fromLatin1(kSelectOne));
    grid->addWidget(newLabel(kViewerLayoutLabel), 0, 0);
    grid->addWidget(m_viewerLayout, 0, 1);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(1, 1);
    return setup;
}

QLayout* AppCfgForm::makeMainButtons()
{
    QPushButton* ok = newButton(kOk);
    QPushButton* apply = newButton(kApply);
    connect(ok, &QPushButton::clicked, this, &AppCfgForm::pressOk);
    connect(apply, &QPushButton::clicked, this, &AppCfgForm::pressApply);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(apply);
    return buttons;
}

void AppCfgForm::keyPressEvent(QKeyEvent* event)
{
    // Escape leaves the window as its close button does: nothing is stored.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

AppCfgForm::~AppCfgForm()
{
    config().setCameraSource(nullptr);
}

AppCfgGO& AppCfgForm::config() const
{
    return m_cameras.config();
}

void AppCfgForm::showWindow()
{
    show();
    raise();
    activateWindow();
}

void AppCfgForm::showCamera(int16_t uid)
{
    showWindow();
    if (uid >= 0 && uid < m_camList->count()) {
        const QSignalBlocker quiet(m_camList);
        m_camList->setCurrentRow(uid);
    }
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(kCameraTab);
    }
    tabShown(kCameraTab);
}

void AppCfgForm::refreshCamList()
{
    const int row = m_camList->currentRow();
    const QSignalBlocker quiet(m_camList);
    m_camList->clear();
    for (int slot = 1; slot <= CameraGO::kCount; ++slot)
        m_camList->addItem(QStringLiteral("%1 Camera").arg(slot));
    if (row >= 0 && row < m_camList->count())
        m_camList->setCurrentRow(row);
}

void AppCfgForm::refreshViewerLayoutList()
{
    const int index = m_viewerLayout->currentIndex();
    m_viewerLayout->clear();
    for (const char* views : kViewerLayouts)
        m_viewerLayout->addItem(QString::fromLatin1(views));
    m_viewerLayout->setCurrentIndex(index < m_viewerLayout->count() ? index : -1);
    for (QComboBox* choice : {m_applicationPage->exportChoice(), m_applicationPage->importChoice()}) {
        choice->clear();
        choice->addItem(QString::fromLatin1(kAppConfigEntry));
        choice->addItem(QString::fromLatin1(kEMapEntry));
        choice->setCurrentIndex(-1);
    }
}

std::string AppCfgForm::selectTreeView(const std::string& start)
{
    return AppDialogs::current().folderName(this, kFolderPrompt, start).value_or(std::string());
}

void AppCfgForm::ExportCfgFile(const std::string& source)
{
    const auto chosen = AppDialogs::current().saveFileName(this, kLabels[kExportLabel].text, kIniFilter);
    if (!chosen)
        return;
    std::error_code ec;
    if (std::filesystem::exists(*chosen, ec) && !confirm(this, kAreYouSure))
        return;
    if (const auto failed = configfiles::copyFile(source, *chosen))
        tell(this, *failed);
}

void AppCfgForm::ImportCfgFile(const std::string& target)
{
    const auto chosen = AppDialogs::current().openFileName(this, kLabels[kImportLabel].text, kIniFilter);
    if (!chosen)
        return;
    std::error_code ec;
    if (!std::filesystem::exists(target, ec)) {
        // Nothing to lose: the file is taken as it is.
        if (const auto failed = configfiles::copyFile(*chosen, target))
            tell(this, *failed);
        return;
    }
    if (!confirm(this, kAreYouSure))
        return;
    std::string contents;
    std::string whyNot;
    if (platform::fs::readFile(*chosen, contents, whyNot) != platform::fs::ReadStatus::Read) {
        tell(this, "The file " + *chosen + " could not be read: " + (whyNot.empty() ? std::strerror(ENOENT) : whyNot)
                       + ".");
        return;
    }
    const std::string joined = configfiles::joinedLines(contents);
    const bool valid = target == config().getConfigFile() ? configfiles::isAppConfiguration(joined)
                                                          : configfiles::isEMapLayout(joined);
    if (!valid) {
        tell(this, kCheckFile);
        return;
    }
    // The running program keeps what it loaded; the file counts from the next start.
    if (const auto failed = configfiles::writeCopy(contents, target))
        tell(this, *failed);
}

std::optional<std::string> AppCfgForm::fileOfChoice(QComboBox* choice, int index)
{
    if (index < 0) {
        tell(this, kSelectOne);
        return std::nullopt;
    }
    const bool appConfig = choice->itemText(index) == QLatin1String(kAppConfigEntry);
    // The choice reads "Select One" again, ready for the next transfer.
    choice->setCurrentIndex(-1);
    return appConfig ? config().getConfigFile() : config().getEMapFile();
}

void AppCfgForm::exportChosen(int index)
{
    if (const auto file = fileOfChoice(m_applicationPage->exportChoice(), index))
        ExportCfgFile(*file);
}

void AppCfgForm::importChosen(int index)
{
    if (const auto file = fileOfChoice(m_applicationPage->importChoice(), index))
        ImportCfgFile(*file);
}

void AppCfgForm::pressOk()
{
    if (m_host)
        m_host->showWaitWindow(kWaitText);
    // The camera's fields are applied whatever their outcome, to the camera
    // they show; the camera itself is stored by its own Save.
    if (Camera* camera = m_cameraPage->shownCamera())
        m_cameraPage->applyCameraFields(*camera);
    if (!m_applicationPage->applyAlertSettings() || !storeSettings()) {
        if (m_host)
            m_host->hideWaitWindow();
        return;
    }
    if (m_host)
        m_host->applyViewerLayout(config().getViewerLayout());
    hide();
    if (m_host)
        m_host->hideWaitWindow();
}

bool AppCfgForm::storeSettings()
{
    if (config().saveAppCfg())
        return true;
    // The settings stay in memory and the window stays open, so the operator
    // can make room and press OK again.
    tell(this, "The configuration could not be written to " + config().getConfigFile() + ".");
    return false;
}

void AppCfgForm::pressApply()
{
    if (m_host)
        m_host->showWaitWindow(kWaitText);
    if (Camera* camera = m_cameraPage->shownCamera())
        m_cameraPage->applyCameraFields(*camera);
    if (m_host)
        m_host->hideWaitWindow();
}

Camera* AppCfgForm::selectedCamera(bool tellWhenNone)
{
    const int row = m_camList->currentRow();
    if (row < 0 || row >= CameraGO::kCount) {
        if (tellWhenNone)
            tell(this, kSelectCamera);
        return nullptr;
    }
    return m_cameras.getCamera(static_cast<int16_t>(row));
}

void AppCfgForm::tabShown(int index)
{
    if (index == kInitialSetupTab) {
        m_camList->setEnabled(false);
        return;
    }
    m_camList->setEnabled(true);
    if (m_camList->currentRow() < 0 && m_camList->count() > 0) {
        const QSignalBlocker quiet(m_camList);
        m_camList->setCurrentRow(0);
    }
    Camera* camera = selectedCamera(false);
    if (!camera)
        return;
    if (index == kSchedulingTab)
        m_schedulePage->showScheduleItems(*camera);
    m_cameraPage->showCameraFields(*camera);
}

void AppCfgForm::cameraClicked()
{
    Camera* camera = selectedCamera(false);
    if (!camera)
        return;
    // On any tab: the Camera tab's fields always belong to the camera chosen,
    // so that OK or Apply never give one camera another's settings.
    m_cameraPage->showCameraFields(*camera);
    if (m_tabs->currentIndex() == kSchedulingTab)
        m_schedulePage->showScheduleItems(*camera);
}

void AppCfgForm::viewerLayoutChosen(int index)
{
    if (index < 0)
        return;
    // Takes effect in memory at once; OK stores it.
    config().setViewerLayout(static_cast<int16_t>(m_viewerLayout->itemText(index).toInt()));
}
