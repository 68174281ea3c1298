#pragma once

#include <QWidget>

namespace strovix {

class ControlWindow;

// The resizable frame of the control window: a handle in its bottom-right
// corner. Dragging it gives the control a new width; the control keeps its
// picture shape (size to picture). GUI thread only.
class ResizeGrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSize = 12;

    explicit ResizeGrip(ControlWindow& window);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ControlWindow& m_window;
    bool m_dragging = false;
    int m_pressX = 0;
    int m_pressWidth = 0;
};

} // namespace strovix
