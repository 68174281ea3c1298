#include "app/recordlist/PlayerWindow.h"

#include "app/recordlist/ExportDialog.h"
#include "app/recordlist/PictureView.h"
#include "app/storage/RecordingDetails.h"
#include "media/jpeg/JpegDecoder.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

namespace {

QPushButton* button(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const char* tip)
{
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(QString::fromLatin1(tip));
    b->setFocusPolicy(Qt::NoFocus); // the keys belong to the window
    b->setEnabled(false);
    return b;
}

int64_t wholeSeconds(double seconds)
{
    return static_cast<int64_t>(std::nearbyint(seconds));
}

// A span end as mm:ss.t: the span's ends fall between whole seconds.
QString spanTime(double seconds)
{
    const auto tenths = static_cast<int64_t>(std::nearbyint(seconds * 10));
    return QStringLiteral("%1:%2.%3")
        .arg(tenths / 600, 2, 10, QLatin1Char('0'))
        .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

} // namespace

PlayerWindow::PlayerWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_view(new PictureView(this)),
      m_playBtn(button(this, "PlayBtn", QStyle::SP_MediaPlay, "Play or pause (Space)")),
      m_backBtn(button(this, "StepBackBtn", QStyle::SP_MediaSeekBackward, "Previous frame (Left)")),
      m_forwardBtn(button(this, "StepForwardBtn", QStyle::SP_MediaSeekForward, "Next frame (Right)")),
      m_fromBtn(button(this, "SpanFromBtn", QStyle::SP_MediaSkipBackward, "Export from the current frame")),
      m_toBtn(button(this, "SpanToBtn", QStyle::SP_MediaSkipForward, "Export up to the current frame")),
      m_exportBtn(button(this, "ExportBtn", QStyle::SP_DialogSaveButton, "Export the span as an MP4 file")),
      m_slider(new QSlider(Qt::Horizontal, this)), m_timeLbl(new QLabel(this)), m_noteLbl(new QLabel(this)),
      m_timer(new QTimer(this))
{
    setObjectName(QStringLiteral("PlayerWindow"));
    setWindowTitle(QStringLiteral("Player"));
    setFocusPolicy(Qt::StrongFocus);
    m_view->setObjectName(QStringLiteral("PictureImg"));
    m_slider->setObjectName(QStringLiteral("PositionSld"));
    m_slider->setFocusPolicy(Qt::NoFocus);
    m_slider->setEnabled(false);
    m_timeLbl->setObjectName(QStringLiteral("TimeLbl"));
    m_timeLbl->setText(QStringLiteral("00:00 / 00:00"));
    m_noteLbl->setObjectName(QStringLiteral("NoteLbl"));
    m_noteLbl->setWordWrap(true);
    m_noteLbl->hide();

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_playBtn);
    controls->addWidget(m_backBtn);
    controls->addWidget(m_forwardBtn);
    controls->addWidget(m_slider, 1);
    controls->addWidget(m_timeLbl);
    m_exportBtn->setText(QStringLiteral("Export..."));
    m_fromBtn->setText(QStringLiteral("From 00:00.0"));
    m_toBtn->setText(QStringLiteral("To 00:00.0"));
    auto* span = new QHBoxLayout;
    span->addWidget(m_fromBtn);
    span->addWidget(m_toBtn);
    span->addStretch(1);
    span->addWidget(m_exportBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(controls);
    layout->addLayout(span);
    layout->addWidget(m_noteLbl);

    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] { tick(); });
    connect(m_playBtn, &QPushButton::clicked, this, [this] { togglePlay(); });
    connect(m_backBtn, &QPushButton::clicked, this, [this] { stepBack(); });
    connect(m_forwardBtn, &QPushButton::clicked, this, [this] { stepForward(); });
    connect(m_fromBtn, &QPushButton::clicked, this, [this] { markSpanStart(); });
    connect(m_toBtn, &QPushButton::clicked, this, [this] { markSpanEnd(); });
    connect(m_exportBtn, &QPushButton::clicked, this, [this] { exportSpanToMp4(); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        if (m_reader && static_cast<uint32_t>(value) != m_frame)
            seekFrame(static_cast<uint32_t>(value));
    });
    m_soundFactory = [] { return media::makeDefaultAudioOutput(media::NoDevicePolicy::Fail); };
}

PlayerWindow::~PlayerWindow()
{
    m_sound.reset();
}

void PlayerWindow::setSoundOutputFactory(SoundPlayback::OutputFactory factory)
{
    m_soundFactory = std::move(factory);
}

uint32_t PlayerWindow::frameCount() const
{
    return m_reader ? m_reader->info().frameCount : 0;
}

const QImage& PlayerWindow::picture() const
{
    return m_view->image();
}

QString PlayerWindow::note() const
{
    return m_noteLbl->isHidden() ? QString() : m_noteLbl->text();
}

QString PlayerWindow::timeText() const
{
    return m_timeLbl->text();
}

void PlayerWindow::setNote(const QString& text)
{
    m_noteLbl->setText(text);
    m_noteLbl->setVisible(!text.isEmpty());
}

std::array<QWidget*, 7> PlayerWindow::controls() const
{
    return {m_playBtn, m_backBtn, m_forwardBtn, m_slider, m_fromBtn, m_toBtn, m_exportBtn};
}

bool PlayerWindow::openFile(const std::string& path)
{
    pause();
    m_sound.reset();
    m_reader.reset();
    const QString name = QFileInfo(QString::fromStdString(path)).fileName();
    setWindowTitle(QStringLiteral("Player - %1").arg(name));
    m_path = path;
    for (QWidget* w : controls())
        w->setEnabled(false);
    auto reader = std::make_shared<media::AviReader>();
    const media::AviError error = reader->open(path);
    if (error != media::AviError::None || !reader->info().durationSeconds()) {
        const char* why = error != media::AviError::None ? media::aviErrorText(error) : "The file gives no frame rate.";
        m_view->setText(QStringLiteral("%1 cannot be played.\n%2").arg(name, QString::fromLatin1(why)));
        setNote(QString());
        m_timeLbl->setText(QStringLiteral("00:00 / 00:00"));
        return false;
    }
    m_reader = std::move(reader);
    const media::AviInfo& info = m_reader->info();
    m_soundUsable = false;
    setNote(QString());
    if (info.hasSound) {
        if (!SoundPlayback::canPlay(info))
            setNote(QStringLiteral("The sound of this recording is in a format the player does not play."));
        else {
            m_sound = std::make_unique<SoundPlayback>(m_reader, m_soundFactory);
            m_soundUsable = true;
        }
    }
    for (QWidget* w : controls())
        w->setEnabled(true);
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setRange(0, static_cast<int>(info.frameCount - 1));
        m_slider->setPageStep(std::max(1, static_cast<int>(std::lround(info.frameRate()))));
    }
    m_frame = 0;
    m_spanFirst = 0;
    m_spanEnd = info.frameCount;
    updateSpan();
    m_bitmap = QImage();
    showFrame(0);
    // Room for the picture at its natural size, within the screen.
    const QSize picture = m_view->image().isNull() ? QSize(int(info.width), int(info.height)) : m_view->image().size();
    const QSize chrome = sizeHint() - m_view->sizeHint();
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableSize() * 9 / 10 : QSize(1200, 900);
    resize((picture + chrome).boundedTo(room).expandedTo(QSize(360, 280)));
    return true;
}

QImage PlayerWindow::decodeFrame(uint32_t k) const
{
    QImage image;
    if (!m_reader || m_reader->readFrame(k, m_jpeg) != media::AviError::None)
        return {};
    if (!media::decodeJpeg(m_jpeg.data(), m_jpeg.size(), image))
        return {};
    return image;
}

void PlayerWindow::showFrame(uint32_t frame)
{
    if (!m_reader)
        return;
    m_frame = std::min(frame, frameCount() - 1);
    // A frame that cannot be read or decoded leaves the last picture up.
    if (m_reader->readFrame(m_frame, m_jpeg) == media::AviError::None && !m_jpeg.empty()
        && media::decodeJpeg(m_jpeg.data(), m_jpeg.size(), m_bitmap))
        m_view->setImage(m_bitmap);
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(static_cast<int>(m_frame));
    }
    updateTime();
}

void PlayerWindow::updateTime()
{
    const media::AviInfo& info = m_reader->info();
    m_timeLbl->setText(QString::fromStdString(durationText(wholeSeconds(info.frameTime(m_frame))) + " / "
                                              + durationText(wholeSeconds(*info.durationSeconds()))));
}

void PlayerWindow::startClock()
{
    m_clockStart = m_reader->info().frameTime(m_frame);
    m_clock.start();
    if (m_sound && m_soundUsable && !m_sound->start(m_clockStart)) {
        m_soundUsable = false;
        setNote(QStringLiteral("No sound device: playing without sound."));
    }
}

void PlayerWindow::play()
{
    if (!m_reader || m_playing)
        return;
    // From the end, play starts over.
    if (m_frame + 1 >= frameCount())
        showFrame(0);
    m_playing = true;
    m_playBtn->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    startClock();
    // Ticks at twice the frame rate, bounded, so a frame is never late by
    // more than half a frame time.
    const double rate = m_reader->info().frameRate();
    m_timer->start(std::clamp(static_cast<int>(500.0 / rate), 5, 40));
}

void PlayerWindow::pause()
{
    if (!m_playing)
        return;
    m_playing = false;
    m_timer->stop();
    if (m_sound)
        m_sound->stop();
    m_playBtn->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
}

void PlayerWindow::togglePlay()
{
    if (m_playing)
        pause();
    else
        play();
}

void PlayerWindow::seekFrame(uint32_t frame)
{
    if (!m_reader)
        return;
    showFrame(frame);
    if (m_playing) {
        if (m_sound)
            m_sound->stop();
        startClock();
    }
}

void PlayerWindow::seekTime(double seconds)
{
    if (!m_reader || !(seconds > 0.0))
        return seekFrame(0);
    const double frame = std::floor(seconds * m_reader->info().frameRate());
    seekFrame(frame < static_cast<double>(frameCount()) ? static_cast<uint32_t>(frame) : frameCount());
}

void PlayerWindow::stepForward()
{
    pause();
    if (m_reader && m_frame + 1 < frameCount())
        showFrame(m_frame + 1);
}

void PlayerWindow::stepBack()
{
    pause();
    if (m_reader && m_frame > 0)
        showFrame(m_frame - 1);
}

void PlayerWindow::tick()
{
    const double now = m_clockStart + static_cast<double>(m_clock.nsecsElapsed()) / 1e9;
    const uint32_t due = m_reader->frameAt(now);
    if (due != m_frame)
        showFrame(due);
    if (now >= *m_reader->info().durationSeconds()) {
        showFrame(frameCount() - 1);
        pause();
    }
}

void PlayerWindow::markSpanStart()
{
    if (!m_reader)
        return;
    m_spanFirst = m_frame;
    if (m_spanEnd <= m_spanFirst)
        m_spanEnd = frameCount();
    updateSpan();
}

void PlayerWindow::markSpanEnd()
{
    if (!m_reader)
        return;
    m_spanEnd = m_frame + 1;
    if (m_spanFirst >= m_spanEnd)
        m_spanFirst = 0;
    updateSpan();
}

void PlayerWindow::updateSpan()
{
    const media::AviInfo& info = m_reader->info();
    m_fromBtn->setText(QStringLiteral("From ") + spanTime(info.frameTime(m_spanFirst)));
    m_toBtn->setText(QStringLiteral("To ") + spanTime(info.frameTime(m_spanEnd)));
}

media::ExportSpan PlayerWindow::exportSpan() const
{
    if (!m_reader)
        return {};
    const media::AviInfo& info = m_reader->info();
    return {info.frameTime(m_spanFirst), info.frameTime(m_spanEnd)};
}

void PlayerWindow::exportSpanToMp4()
{
    if (!m_reader)
        return;
    pause();
    // The export outlives the player: a player closed meanwhile is deleted,
    // and its window's owner (the recording list) keeps the progress.
    exportRecording(parentWidget() ? parentWidget() : this, m_path, exportSpan());
}

void PlayerWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space: togglePlay(); return;
    case Qt::Key_Left: stepBack(); return;
    case Qt::Key_Right: stepForward(); return;
    case Qt::Key_Escape: close(); return;
    default: QWidget::keyPressEvent(event);
    }
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    pause();
    QWidget::closeEvent(event);
}
