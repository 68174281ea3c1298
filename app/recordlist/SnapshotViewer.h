#pragma once

#include <QWidget>

#include <string>

class PictureView;
class QPushButton;
class QScrollArea;

// Shows one snapshot picture: fitted to the window, or at its actual size
// with scroll bars. Escape closes it. GUI thread only.
class SnapshotViewer : public QWidget {
    Q_OBJECT
public:
    explicit SnapshotViewer(QWidget* parent = nullptr);

    // Loads the picture; false (and the reason in the window) when it cannot
    // be read.
    bool openFile(const std::string& path);
    // Fit to the window (true) or actual size (false).
    void setFitToWindow(bool fit);
    bool fitToWindow() const { return m_fit; }
    const PictureView& view() const { return *m_view; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    PictureView* m_view;
    QScrollArea* m_scroll;
    QPushButton* m_fitBtn;
    QPushButton* m_actualBtn;
    bool m_fit = true;
};
