#pragma once

#include "media/export/Mp4Export.h"

#include <QDialog>

#include <atomic>
#include <string>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// The progress of one export to MP4: the files, a bar of the frames done and
// Cancel. The export runs on a thread of its own; the window thread only
// looks at its progress, so every window stays responsive meanwhile. At the
// end the dialog closes itself and a box says where the file went or why
// there is none. Closing the dialog cancels the export. Deletes itself when
// it has reported. GUI thread only.
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(std::string source, std::string target, media::ExportSpan span, QWidget* parent);
    ~ExportDialog() override;

    // Starts the export and shows the dialog.
    void start();
    void cancel();

    bool isFinished() const { return m_finished.load(std::memory_order_acquire); }
    QProgressBar& bar() const { return *m_bar; }

    // The texts of the box at the end.
    static std::string successText(const std::string& target);
    static std::string failureText(const std::string& why);

signals:
    // The export ended (the box is up); `ok` when the file was written.
    void exportEnded(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void poll();
    void finish();

    const std::string m_source;
    const std::string m_target;
    const media::ExportSpan m_span;
    QLabel* m_text;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer* m_timer;
    media::ExportProgress m_progress;
    media::ExportResult m_result; // written by the export thread before m_finished
    std::atomic<bool> m_finished{false};
    bool m_reported = false;
    std::thread m_thread;
};

// The Export command for the recording `source`: asks for the target file
// (suggested: the recording's name with ".mp4", in its folder), then runs
// the export with its progress dialog. Returns the dialog, or null when the
// operator chose no file. GUI thread only.
ExportDialog* exportRecording(QWidget* owner, const std::string& source, const media::ExportSpan& span = {});
