#include "app/mainwindow/ButtonConsole.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/CameraWindow.h"
#include "app/core/LayoutGO.h"
#include "app/core/PanelLayout.h"
#include "app/core/ViewerLayout.h"
#include "app/dialogs/AppDialogs.h"
#include "app/storage/FileExtGO.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QSignalBlocker>
#include <QToolButton>
#include <QUrl>

namespace {

constexpr int kSelectPicture = 70; // SlctBtn1 .. SlctBtn16: 70 + UID
constexpr int kRecordPicture = 88; // RecBtn1 .. RecBtn16
constexpr int kStartRecPicture = 24;
constexpr int kAudioPicture = 66; // pressed face: sound off
// The camera selector's item after the 16 cameras.
constexpr int kSelectAllItem = 16;

} // namespace

// A button drawn by its picture alone. Its state picture is the one it shows
// at rest; a button that follows the mouse shows its pressed picture while
// held down. Without a picture it shows its text.
class PictureButton : public QToolButton {
public:
    PictureButton(ImageGO& images, int number, const QString& text, bool followsMouse, QWidget* parent)
        : QToolButton(parent)
        , m_images(images)
        , m_number(number)
        , m_text(text)
    {
        setAutoRaise(true);
        setFocusPolicy(Qt::NoFocus);
        setStyleSheet("QToolButton { border: none; padding: 0; color: #dee2e8; }");
        if (followsMouse) {
            connect(this, &QAbstractButton::pressed, this,
                    [this] { draw(ImageGO::buttonPicture(m_number, true)); });
            connect(this, &QAbstractButton::released, this, [this] { draw(m_state); });
        }
        setState(ImageGO::buttonPicture(m_number, false));
    }

    void setState(const std::string& picture)
    {
        m_state = picture;
        draw(picture);
    }
    void setPressedState(bool pressed) { setState(ImageGO::buttonPicture(m_number, pressed)); }

private:
    void draw(const std::string& picture)
    {
        const QIcon& icon = m_images.getImage(picture);
        setProperty("picture", QString::fromStdString(picture));
        if (icon.isNull()) {
            setIcon({});
            setText(m_text);
            setToolButtonStyle(Qt::ToolButtonTextOnly);
            return;
        }
        QSize size = icon.availableSizes().value(0);
        for (const QSize& available : icon.availableSizes())
            if (available.width() < size.width())
                size = available;
        setIcon(icon);
        setIconSize(size);
        setText({});
        setToolButtonStyle(Qt::ToolButtonIconOnly);
    }

    ImageGO& m_images;
    int m_number;
    QString m_text;
    std::string m_state;
};

using Command = ButtonConsole::Command;

static const ButtonConsole::Row kLayoutRows[] = {
    {"Scr1Btn", 16, "Single Screen", "1", Command::Layout1},
    {"Scr4Btn", 17, "2x2 Screen", "4", Command::Layout4},
    {"Scr9Btn", 19, "3x3 Screen", "9", Command::Layout9},
    {"Scr16Btn", 20, "4x4 Screen", "16", Command::Layout16},
};

static const ButtonConsole::Row kCommandRows[] = {
    {"StartRecBtn", kStartRecPicture, "Record", "Record", Command::Record},
    {"StopAllRecBtn", 25, "Stop All Record", "Stop All Record", Command::StopAllRec},
    {"SnapshotBtn", 27, "Snapshot", "Snapshot", Command::Snapshot},
    {"PlaybackBtn", 28, "Playback", "Playback", Command::Playback},
    {"Rotate180Btn", 32, "Rotate 180", "Rotate 180", Command::Rotate},
    {"CamCfgBtn", 33, "Camera Configuration", "Camera Configuration", Command::CameraConfig},
    {"AppCfgBtn", 35, "Application Configuration", "Application Configuration", Command::AppConfig},
    {"eLayoutBtn", 36, "eMap", "eMap", Command::EMap},
};

static const ButtonConsole::Row kZoomRows[] = {
    {"ZoomInBtn", 41, "Zoom In", "Zoom In", Command::None},
    {"ZoomOffBtn", 43, "Zoom Off", "Zoom Off", Command::None},
    {"ZoomOnBtn", 42, "Zoom On", "Zoom On", Command::None},
    {"ZoomOutBtn", 40, "Zoom Out", "Zoom Out", Command::None},
};

// Pan/tilt pad: each button and the move it sends.
struct PadRow {
    ButtonConsole::Row row;
    PanTiltChannel::MoveType move;
};
static const PadRow kPadRows[] = {
    {{"MoveUpBtn", 46, "", "Up", Command::None}, PanTiltChannel::MoveUp},
    {{"MoveLeftBtn", 49, "", "Left", Command::None}, PanTiltChannel::MoveLeft},
    {{"MoveHomeBtn", 50, "", "Home", Command::None}, PanTiltChannel::MoveHome},
    {{"MoveRightBtn", 51, "", "Right", Command::None}, PanTiltChannel::MoveRight},
    {{"MoveDownBtn", 53, "", "Down", Command::None}, PanTiltChannel::MoveDown},
};

static const ButtonConsole::Row kAudioRow = {"AudioToggle", kAudioPicture, "", "Sound", Command::Audio};
static const ButtonConsole::Row kExitRow = {"ExitBtn", 62, "", "Exit", Command::Exit};

ButtonConsole::ButtonConsole(CameraGO& cameras, CameraWindow& window, ImageGO& images, QWidget* area)
    : QObject(area)
    , m_cameras(cameras)
    , m_window(window)
    , m_images(images)
    , m_focused(cameras)
    , m_panTilt([this](const std::string& text) {
        AppDialogs::current().ask(m_area->window(), {"oculon", text, AppDialogs::Icon::None, AppDialogs::Buttons::Ok});
    })
    , m_secondary(area)
    , m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , m_area(area)
{
    // Filled without reacting: camera 1 is focused at start anyway, and its
    // camera must not be made before the viewers exist.
    m_selector = new QComboBox(m_area);
    m_selector->setObjectName(PanelNames::kCamSlctr);
    m_selector->setPlaceholderText(PanelLayout::cameraSelectorText());
    {
        const QSignalBlocker quiet(m_selector);
        m_selector->addItems(PanelLayout::cameraSelectorItems(true));
        m_selector->setCurrentIndex(0);
    }
    connect(m_selector, &QComboBox::currentIndexChanged, this, &ButtonConsole::onSelectorChosen);
    m_alertCmb = new QComboBox(m_area);
    m_alertCmb->setObjectName("alertCmb");
    m_alertCmb->hide();

    for (const Row& row : kLayoutRows)
        addButton(row, m_area, true);
    for (const Row& row : kCommandRows)
        addButton(row, m_area, true);
    for (const Row& row : kZoomRows)
        addButton(row, m_area, true);
    for (const PadRow& entry : kPadRows) {
        PictureButton* button = addButton(entry.row, m_area, true);
        connect(button, &QAbstractButton::clicked, this, [this, move = entry.move] {
            if (Camera* focused = m_focused.getFocusedCamera())
                m_panTilt.moveCamera(focused->getIP(), focused->getPort(), move);
        });
    }

    for (int16_t uid = 0; uid < CameraGO::kCount; ++uid) {
        const QByteArray number = QByteArray::number(uid + 1);
        const QByteArray select = "SlctBtn" + number;
        const QByteArray record = "RecBtn" + number;
        const QByteArray selectText = "Camera " + number;
        const QByteArray recordText = "REC " + number;
        const Row selectRow{select.constData(), kSelectPicture + uid, "", selectText.constData(), Command::None};
        const Row recordRow{record.constData(), kRecordPicture, "", recordText.constData(), Command::None};
        m_select[static_cast<size_t>(uid)] = addButton(selectRow, m_area, false);
        m_record[static_cast<size_t>(uid)] = addButton(recordRow, m_area, false);
        connect(m_select[static_cast<size_t>(uid)], &QAbstractButton::clicked, this, [this, uid] { focusCamera(uid); });
        connect(m_record[static_cast<size_t>(uid)], &QAbstractButton::clicked, this, [this, uid] {
            m_window.startRec(uid);
        });
    }
    addButton(kAudioRow, m_area, false);
    addButton(kExitRow, m_area, true);

    // Slot 0 is focused at start, its select button drawn selected.
    m_select[0]->setPressedState(true);
}

PictureButton* ButtonConsole::addButton(const Row& row, QWidget* parent, bool followsMouse)
{
    auto* button = new PictureButton(m_images, row.picture, QString::fromUtf8(row.tooltip[0] ? row.tooltip : row.text),
                                     followsMouse, parent);
    button->setObjectName(row.name);
    button->setToolTip(row.tooltip);
    if (row.command == Command::Record)
        m_startRec = button;
    else if (row.command == Command::Audio)
        m_audio = button;
    if (row.command != Command::None)
        connect(button, &QAbstractButton::clicked, this, [this, command = row.command] { run(command); });
    return button;
}

void ButtonConsole::run(Command command)
{
    Camera* focused = m_focused.getFocusedCamera();
    switch (command) {
    case Command::None:
        return;
    case Command::Layout1:
        return switchLayout(1);
    case Command::Layout4:
        return switchLayout(4);
    case Command::Layout9:
        return switchLayout(9);
    case Command::Layout16:
        return switchLayout(16);
    case Command::Record:
        if (m_allView) {
            // Every camera toggles: those recording stop, the others start.
            for (int16_t uid = 0; uid < CameraGO::kCount; ++uid)
                m_window.startRec(uid);
            // Each toggle left StartRecBtn idle unless it was the focused
            // camera's; show the focused camera as it now is.
            m_startRec->setPressedState(focused && focused->isRecording());
        } else if (focused) {
            m_window.startRec(focused->getUID());
        }
        return;
    case Command::StopAllRec: {
        const AppDialogs::Box question{"oculon", "This will stop all recording tasks. Are you sure?",
                                       AppDialogs::Icon::Question, AppDialogs::Buttons::YesNo};
        if (AppDialogs::current().ask(m_area->window(), question) == AppDialogs::Answer::No)
            return;
        m_cameras.stopAllRec();
        m_startRec->setPressedState(false);
        return;
    }
    case Command::Snapshot:
        return snapshot();
    case Command::Playback:
        m_secondary.show(SecondaryWindows::Kind::RecordList);
        return;
    case Command::CameraConfig:
        return openCameraPages();
    case Command::AppConfig:
        m_secondary.show(SecondaryWindows::Kind::AppConfig);
        return;
    case Command::EMap:
        m_secondary.show(SecondaryWindows::Kind::EMap);
        return;
    case Command::Rotate:
        if (focused) {
            ViewerHandle viewer = focused->getViewer();
            viewer.setRotate(viewer.rotate() != 0 ? 0 : 1);
        }
        return;
    case Command::Audio:
        if (focused) {
            ViewerHandle viewer = focused->getViewer();
            viewer.setAudio(viewer.audio() != 0 ? 0 : 1);
        }
        showAudioToggle();
        return;
    case Command::Exit:
        emit exitRequested();
        return;
    }
}

void ButtonConsole::setViewerLayouts(LayoutGO& layouts, ViewerSurface& surface)
{
    m_layouts = &layouts;
    m_surface = &surface;
}

void ButtonConsole::focusCamera(int16_t uid)
{
    if (uid < 0 || uid >= CameraGO::kCount)
        return;
    // The selector reacts to the change; the same item changes nothing.
    m_selector->setCurrentIndex(uid);
}

void ButtonConsole::onSelectorChosen(int index)
{
    if (index == kSelectAllItem) {
        beginAllView();
        return;
    }
    if (index < 0 || index >= CameraGO::kCount)
        return;
    if (m_allView)
        endAllView();
    showFocus(static_cast<int16_t>(index));
}

void ButtonConsole::showFocus(int16_t uid)
{
    Camera* camera = m_cameras.getCamera(uid);
    if (!camera)
        return;
    m_select[static_cast<size_t>(m_selected)]->setPressedState(false);
    m_select[static_cast<size_t>(uid)]->setPressedState(true);
    m_selected = uid;
    if (m_layouts && m_surface)
        if (const auto layout = m_layouts->getViewerLayout())
            layout->layout(uid, *m_surface);
    m_focused.setFocusedCamera(camera);
    m_startRec->setPressedState(camera->isRecording());
    showAudioToggle();
}

void ButtonConsole::beginAllView()
{
    for (PictureButton* select : m_select)
        select->setPressedState(true);
    Camera* focused = m_focused.getFocusedCamera();
    m_startRec->setPressedState(focused && focused->isRecording());
    m_allView = true;
}

void ButtonConsole::endAllView()
{
    for (PictureButton* select : m_select)
        select->setPressedState(false);
    m_allView = false;
}

void ButtonConsole::switchLayout(int16_t views)
{
    if (m_layouts && m_surface)
        m_layouts->switchViewerLayout(views, focusedUid(), *m_surface);
}

int16_t ButtonConsole::focusedUid()
{
    const Camera* focused = m_focused.getFocusedCamera();
    return focused ? focused->getUID() : int16_t{0};
}

void ButtonConsole::startRec(int16_t uid)
{
    Camera* camera = m_cameras.getCamera(uid);
    if (!camera)
        return;
    if (camera->isRecording()) {
        camera->stopRec();
    } else {
        // The operator is told of short space (or old recordings make room),
        // but the recording starts all the same.
        if (m_files)
            m_files->checkRecordSpace(camera->getRecPath());
        camera->startRec();
    }
    updateRecBtn(uid);
}

void ButtonConsole::snapshot()
{
    Camera* focused = m_focused.getFocusedCamera();
    if (!focused)
        return;
    if (m_files && m_files->checkSnapshotSpace(focused->getSnapshotPath()) != FileExtGO::SnapshotCheck::Take)
        return;
    // A camera that is not connected takes none.
    focused->snapshot();
}

void ButtonConsole::setUrlOpener(UrlOpener opener)
{
    m_openUrl = std::move(opener);
}

void ButtonConsole::openCameraPages()
{
    const Camera* focused = m_focused.getFocusedCamera();
    if (!focused || focused->getIP().empty())
        return;
    // The camera's own pages take over from its root; one it cannot reach
    // simply fails to load in the browser.
    const QUrl url(QString::fromStdString(focused->getURL() + "/"));
    if (url.isValid() && m_openUrl)
        m_openUrl(url);
}

void ButtonConsole::addAlertLine(const std::string& line)
{
    m_alerts.add(line, m_cameras.config().getAlertLineNum());
    m_alertCmb->clear();
    for (const std::string& each : m_alerts.lines())
        m_alertCmb->addItem(QString::fromStdString(each));
    m_alertCmb->setCurrentIndex(0);
    m_alertCmb->show();
}

void ButtonConsole::updateRecBtn(int16_t uid)
{
    Camera* camera = m_cameras.existingCamera(uid);
    if (!camera)
        return;
    const bool recording = camera->isRecording();
    m_record[static_cast<size_t>(uid)]->setPressedState(recording);
    // The Record button always tells the focused camera's state, whichever
    // camera changed.
    Camera* focused = m_focused.getFocusedCamera();
    m_startRec->setPressedState(focused && focused->isRecording());
    if (m_recordingShown)
        m_recordingShown(uid, recording);
}

void ButtonConsole::setRecBtnPicture(int16_t index, const std::string& picture)
{
    if (index >= 0 && index < CameraGO::kCount)
        m_record[static_cast<size_t>(index)]->setState(picture);
}

void ButtonConsole::showAudioToggle()
{
    Camera* focused = m_focused.getFocusedCamera();
    showAudioToggle(focused && focused->getViewer().audio() != 0);
}

void ButtonConsole::showAudioToggle(bool on)
{
    // The pressed face says the sound is off.
    m_audio->setPressedState(!on);
}
