#pragma once

#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QRect>

#include <array>

class CameraIcon;
class QLabel;
class QWidget;

// The 16 camera icons `CamerPic1(i)` and their home places `CameraImg1(i)`
// (two columns of eight, each with the camera number below) on the e-map
// window's desk, and the mechanics of dragging one. An icon is at home, on the
// map (at a desk point, only its part inside the viewport shown) or hidden.
// Which icon goes where is the window's business. Desk coordinates
// throughout. GUI thread only.
class IconBoard : public QObject {
    Q_OBJECT
public:
    static constexpr int kIcons = 16;

    // Builds the home places from `homeTopLeft` on, every icon at home.
    // `viewport` is the map viewport's place on `desk`.
    IconBoard(QWidget* desk, QRect viewport, QPoint homeTopLeft, const QPixmap& homePicture,
              const QPixmap& iconPicture);

    // The size the home places take on the desk.
    static QSize homeArea();

    void setPicture(int slot, const QPixmap& picture);
    QPoint homeOf(int slot) const;
    void sendHome(int slot);
    // On the map with its top left corner at `corner`.
    void putAt(int slot, QPoint corner);
    void hide(int slot);
    bool isOnMap(int slot) const { return m_where[static_cast<size_t>(slot)] == Where::OnMap; }
    // The icon being dragged, -1 when none.
    int dragging() const { return m_dragging; }

    // Icon `slot` follows the mouse from `global` (its screen position) until
    // the left button comes up. While the button is held the mouse cannot take
    // the icon out of the desk.
    void startDrag(int slot, QPoint global);
    // Forgets a drag in progress (the window is closing); the icon stays
    // where it is until placed.
    void cancelDrag();

signals:
    // A mouse button went down on icon `slot`; the window decides what follows.
    void pressed(int slot, Qt::MouseButton button, QPoint global);
    // A dragged icon was let go with its top left corner at `corner`; it
    // stays there until the window places it.
    void dropped(int slot, QPoint corner);

private:
    enum class Where { Home, OnMap, Hidden };

    void dragTo(int slot, QPoint global);
    void drop(int slot, QPoint global);
    // Shows only the part of an icon that lies inside the viewport.
    void clip(int slot);

    QWidget* m_desk;
    QRect m_viewport;
    std::array<CameraIcon*, kIcons> m_icon{};
    std::array<QLabel*, kIcons> m_home{};
    std::array<Where, kIcons> m_where{};
    int m_dragging = -1;
    // Where the mouse holds the dragged icon, from its top left corner.
    QPoint m_grip;
};
