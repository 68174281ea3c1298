#include "app/mainwindow/ButtonConsole.h"

#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/CameraWindow.h"
#include "app/dialogs/AppDialogs.h"

#include <QComboBox>
#include <QToolButton>

namespace {

constexpr int kSelectPicture = 70; // SlctBtn1 .. SlctBtn16: 70 + UID
constexpr int kRecordPicture = 88; // RecBtn1 .. RecBtn16
constexpr int kStartRecPicture = 24;
constexpr int kAudioPicture = 66; // pressed face: sound off

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
    {"Scr1Btn", 16, "Single Screen", "1", Command::None},
    {"Scr4Btn", 17, "2x2 Screen", "4", Command::None},
    {"Scr9Btn", 19, "3x3 Screen", "9", Command::None},
    {"Scr16Btn", 20, "4x4 Screen", "16", Command::None},
};

static const ButtonConsole::Row kCommandRows[] = {
    {"StartRecBtn", kStartRecPicture, "Record", "Record", Command::Record},
    {"StopAllRecBtn", 25, "Stop All Record", "Stop All Record", Command::StopAllRec},
    {"SnapshotBtn", 27, "Snapshot", "Snapshot", Command::None},
    {"PlaybackBtn", 28, "Playback", "Playback", Command::None},
    {"Rotate180Btn", 32, "Rotate 180", "Rotate 180", Command::Rotate},
    {"CamCfgBtn", 33, "Camera Configuration", "Camera Configuration", Command::None},
    {"AppCfgBtn", 35, "Application Configuration", "Application Configuration", Command::None},
    {"eLayoutBtn", 36, "eMap", "eMap", Command::None},
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
    , m_area(area)
    , m_camSlctr(new QComboBox(area))
    , m_alertCmb(new QComboBox(area))
{
    m_camSlctr->setObjectName("CamSlctr");
    m_alertCmb->setObjectName("alertCmb");

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
    case Command::Record:
        if (focused)
            m_window.startRec(focused->getUID());
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

void ButtonConsole::focusCamera(int16_t uid)
{
    Camera* camera = m_cameras.getCamera(uid);
    if (!camera || uid == m_selected)
        return;
    m_select[static_cast<size_t>(m_selected)]->setPressedState(false);
    m_select[static_cast<size_t>(uid)]->setPressedState(true);
    m_selected = uid;
    m_focused.setFocusedCamera(camera);
    m_startRec->setPressedState(camera->isRecording());
    showAudioToggle();
}

void ButtonConsole::updateRecBtn(int16_t uid)
{
    Camera* camera = m_cameras.existingCamera(uid);
    if (!camera)
        return;
    const bool recording = camera->isRecording();
    m_record[static_cast<size_t>(uid)]->setPressedState(recording);
    Camera* focused = m_focused.getFocusedCamera();
    m_startRec->setPressedState(recording && focused && focused->getUID() == uid);
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
