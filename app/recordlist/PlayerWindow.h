#pragma once

#include "app/recordlist/SoundPlayback.h"
#include "media/avi/AviReader.h"
#include "media/export/Mp4Export.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

class PictureView;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

// The built-in player of recordings: the Motion-JPEG pictures at their
// natural size (scaled down to fit when the window is smaller), play and
// pause, a position slider that seeks, frame steps back and forward, the
// time as mm:ss of the total, and the sound when the recording has sound and
// the machine a sound device. Keys: space plays or pauses, left and right
// step a frame, escape closes. A file that cannot be read shows why in the
// window. GUI thread only.
//
// Export... writes a span of the recording as an MP4 file: "From" and "To"
// take the current position as its first frame and its last, their captions
// show the times; a new file starts with the whole recording.
//
// Playing follows the clock: at each tick the frame due at the elapsed time
// is shown, so a busy machine skips frames rather than slowing down.
class PlayerWindow : public QWidget {
    Q_OBJECT
public:
    explicit PlayerWindow(QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Makes the sound device; by default the machine's, or nothing when it
    // has none. Set before openFile.
    void setSoundOutputFactory(SoundPlayback::OutputFactory factory);

    // Opens the recording and shows its first frame, paused. False when the
    // file cannot be played; the window then shows the reason.
    bool openFile(const std::string& path);

    void play();
    void pause();
    void togglePlay();
    void seekFrame(uint32_t frame);
    // Shows the frame due `seconds` into the recording (the last one past its end).
    void seekTime(double seconds);
    void stepForward();
    void stepBack();

    bool isPlaying() const { return m_playing; }
    uint32_t currentFrame() const { return m_frame; }
    uint32_t frameCount() const;
    // The picture on screen (the decoded current frame).
    const QImage& picture() const;
    // The error or sound note shown under the picture; empty when none.
    QString note() const;
    QString timeText() const;

    // The span Export... writes: frames [first, end).
    uint32_t spanFirst() const { return m_spanFirst; }
    uint32_t spanEnd() const { return m_spanEnd; }
    // From and To: the current frame becomes the span's first or its last
    // (a span that would run backwards loses its other end).
    void markSpanStart();
    void markSpanEnd();
    // The span in seconds, as the export takes it.
    media::ExportSpan exportSpan() const;
    // Export...: the save dialog, then the export with its progress.
    void exportSpanToMp4();

    // Decodes frame `k` of the open file the way the window does (tests and
    // the benchmark compare with it). Null when it cannot be decoded.
    QImage decodeFrame(uint32_t k) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void tick();
    void showFrame(uint32_t frame);
    void updateTime();
    void setNote(const QString& text);
    void startClock();
    void updateSpan();
    // The controls usable only with a file open.
    std::array<QWidget*, 7> controls() const;

    PictureView* m_view;
    QPushButton* m_playBtn;
    QPushButton* m_backBtn;
    QPushButton* m_forwardBtn;
    QPushButton* m_fromBtn;
    QPushButton* m_toBtn;
    QPushButton* m_exportBtn;
    QSlider* m_slider;
    QLabel* m_timeLbl;
    QLabel* m_noteLbl;
    QTimer* m_timer;

    std::shared_ptr<media::AviReader> m_reader;
    std::unique_ptr<SoundPlayback> m_sound;
    SoundPlayback::OutputFactory m_soundFactory;
    bool m_soundUsable = false;
    mutable std::vector<uint8_t> m_jpeg;
    QImage m_bitmap;
    uint32_t m_frame = 0;
    std::string m_path;
    uint32_t m_spanFirst = 0;
    uint32_t m_spanEnd = 0;
    bool m_playing = false;
    // Position (seconds) when the clock started, and the clock.
    double m_clockStart = 0.0;
    QElapsedTimer m_clock;
};
