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
#include <QKeyEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QToolButton>
#include <QUrl>

#include <vector>

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
// held down. Without a picture it shows its text. Tab reaches it; it shows
// the keyboard focus with a dotted frame and acts on Space and Enter.
class PictureButton : public QToolButton {
public:
    PictureButton(ImageGO& images, int number, const QString& text, bool followsMouse, QWidget* parent)
        : QToolButton(parent)
        , m_images(images)
        , m_number(number)
        , m_text(text)
    {
        setAutoRaise(true);
        // Tab, not a click: a click leaves the focus where the operator had it.
        setFocusPolicy(Qt::TabFocus);
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
    void setPressedState(bool pressed)
    {
        setState(ImageGO::buttonPicture(m_number, pressed));
        setAccessibleDescription(pressed ? m_pressedWords : m_restWords);
    }
    // What a screen reader says of the button's state, pressed and at rest.
    void setStateWords(const QString& pressed, const QString& rest)
    {
        m_pressedWords = pressed;
        m_restWords = rest;
        setAccessibleDescription(rest);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
            animateClick();
            return;
        }
        QToolButton::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent* event) override
    {
        QToolButton::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter p(this);
        p.setPen(QPen(QColor(0xde, 0xe2, 0xe8), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }

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

    QString m_pressedWords;
    QString m_restWords;
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
    {"ZoomInBtn", 41, "Zoom In", "Zoom In", Command::ZoomIn},
    {"ZoomOffBtn", 43, "Zoom Off", "Zoom Off", Command::ZoomOff},
    {"ZoomOnBtn", 42, "Zoom On", "Zoom On", Command::ZoomOn},
    {"ZoomOutBtn", 40, "Zoom Out", "Zoom Out", Command::ZoomOut},
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

// The console's keys (the user guide lists them): the layouts, the commands
// an operator reaches for, and Exit. Camera n is chosen with Ctrl+n, camera
// 10 with Ctrl+0 and cameras 11 to 16 with Ctrl+Alt+1 to 6 (cameraKeys).
struct KeyRow {
    const char* name;
    const char* keys;
};
static const KeyRow kKeyRows[] = {
    {"Scr1Btn", "Alt+1"},     {"Scr4Btn", "Alt+2"},     {"Scr9Btn", "Alt+3"},     {"Scr16Btn", "Alt+4"},
    {"StartRecBtn", "Ctrl+R"}, {"SnapshotBtn", "Ctrl+S"}, {"PlaybackBtn", "Ctrl+P"}, {"ExitBtn", "Ctrl+Q"},
};

static QKeySequence cameraKeys(int16_t uid)
{
    if (uid < 9)
        return QKeySequence(QString("Ctrl+%1").arg(uid + 1));
    if (uid == 9)
        return QKeySequence(QStringLiteral("Ctrl+0"));
    return QKeySequence(QString("Ctrl+Alt+%1").arg(uid - 9));
}

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

    // Tab walks the console in its order: layouts, selector, commands,
    // pan/tilt, the cameras' buttons, sound and Exit.
    std::vector<QWidget*> chain;
    for (const Row& row : kLayoutRows)
        chain.push_back(addButton(row, m_area, true));
    chain.push_back(m_selector);
    for (const Row& row : kCommandRows)
        chain.push_back(addButton(row, m_area, true));
    for (const Row& row : kZoomRows)
        chain.push_back(addButton(row, m_area, true));
    for (const PadRow& entry : kPadRows) {
        PictureButton* button = addButton(entry.row, m_area, true);
        button->setAccessibleName("Move " + QString::fromUtf8(entry.row.text).toLower());
        connect(button, &QAbstractButton::clicked, this, [this, move = entry.move] {
            if (Camera* focused = m_focused.getFocusedCamera())
                m_panTilt.moveCamera(focused->getIP(), focused->getPort(), move);
        });
        chain.push_back(button);
    }

    for (int16_t uid = 0; uid < CameraGO::kCount; ++uid) {
        const QByteArray number = QByteArray::number(uid + 1);
        const QByteArray select = "SlctBtn" + number;
        const QByteArray record = "RecBtn" + number;
        const QByteArray selectText = "Camera " + number;
        const QByteArray recordText = "REC " + number;
        const Row selectRow{select.constData(), kSelectPicture + uid, "", selectText.constData(), Command::None};
        const Row recordRow{record.constData(), kRecordPicture, "", recordText.constData(), Command::None};
        PictureButton* selectButton = addButton(selectRow, m_area, false);
        PictureButton* recordButton = addButton(recordRow, m_area, false);
        m_select[static_cast<size_t>(uid)] = selectButton;
        m_record[static_cast<size_t>(uid)] = recordButton;
        selectButton->setStateWords("selected", "");
        selectButton->setShortcut(cameraKeys(uid));
        recordButton->setAccessibleName("Record camera " + QString::fromLatin1(number));
        recordButton->setStateWords("recording", "not recording");
        connect(selectButton, &QAbstractButton::clicked, this, [this, uid] { focusCamera(uid); });
        connect(recordButton, &QAbstractButton::clicked, this, [this, uid] { m_window.startRec(uid); });
        chain.push_back(selectButton);
        chain.push_back(recordButton);
    }
    chain.push_back(addButton(kAudioRow, m_area, false));
    chain.push_back(addButton(kExitRow, m_area, true));
    m_startRec->setStateWords("recording", "");
    m_audio->setStateWords("sound off", "sound on");
    for (const KeyRow& keys : kKeyRows) {
        if (auto* button = m_area->findChild<QAbstractButton*>(keys.name, Qt::FindDirectChildrenOnly))
            button->setShortcut(QKeySequence(QString::fromLatin1(keys.keys)));
    }
    for (size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);

    // Slot 0 is focused at start, its select button drawn selected.
    m_select[0]->setPressedState(true);
}

PictureButton* ButtonConsole::addButton(const Row& row, QWidget* parent, bool followsMouse)
{
    auto* button = new PictureButton(m_images, row.picture, QString::fromUtf8(row.tooltip[0] ? row.tooltip : row.text),
                                     followsMouse, parent);
    button->setObjectName(row.name);
    button->setToolTip(row.tooltip);
    // Named for a screen reader by its tooltip, or its caption where it has none.
    button->setAccessibleName(QString::fromUtf8(row.tooltip[0] ? row.tooltip : row.text));
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
    // The focused viewer's digital zoom; a split view refuses it.
    case Command::ZoomIn:
        if (focused)
            focused->getViewer().zoomIn();
        return;
    case Command::ZoomOut:
        if (focused)
            focused->getViewer().zoomOut();
        return;
    case Command::ZoomOn:
        if (focused)
            focused->getViewer().setZoomMode(1);
        return;
    case Command::ZoomOff:
        if (focused)
            focused->getViewer().zoomOff();
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
