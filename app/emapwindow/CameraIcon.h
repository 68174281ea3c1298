#pragma once

#include <QLabel>

// The icon of one camera on the e-map: its picture, sized to the picture. Away
// from its home place (which has the number below it) it carries the camera
// number (slot + 1) in its lower right corner, so that icons on a map can be
// told apart without hovering. It only reports the mouse; others move it.
// GUI thread only.
class CameraIcon : public QLabel {
    Q_OBJECT
public:
    // `slot` is the camera slot 0..15.
    CameraIcon(int slot, QWidget* parent);

    int slot() const { return m_slot; }
    // Shows `picture` and takes its size.
    void setPicture(const QPixmap& picture);
    // Whether the camera number is drawn on the picture.
    void setNumbered(bool numbered);

signals:
    // A mouse button went down on the icon; `global` is the mouse position on
    // the screen.
    void pressed(int slot, Qt::MouseButton button, QPoint global);
    // The mouse moved with the left button held.
    void dragged(int slot, QPoint global);
    // The left button came up.
    void dropped(int slot, QPoint global);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_slot;
    bool m_numbered = false;
};
