#include "app/emapwindow/IconBoard.h"

#include "app/emapwindow/CameraIcon.h"

#include <QLabel>

#include <algorithm>

namespace {

constexpr int kColumns = 2;
constexpr QSize kCell(48, 58);
constexpr int kPictureSide = 32;

QString arrayName(const char* name, int index)
{
    return QString("%1(%2)").arg(QLatin1String(name)).arg(index);
}

} // namespace

IconBoard::IconBoard(QWidget* desk, QRect viewport, QPoint homeTopLeft, const QPixmap& homePicture,
                     const QPixmap& iconPicture)
    : QObject(desk)
    , m_desk(desk)
    , m_viewport(viewport)
{
    m_where.fill(Where::Home);
    for (int i = 0; i < kIcons; ++i) {
        const QString tip = QString("Camera %1").arg(i + 1);
        const QPoint cell = homeTopLeft + QPoint((i % kColumns) * kCell.width(), (i / kColumns) * kCell.height());
        const QPoint place = cell + QPoint((kCell.width() - kPictureSide) / 2, 0);

        auto* home = new QLabel(desk);
        home->setObjectName(arrayName("CameraImg1", i));
        home->setPixmap(homePicture);
        home->setGeometry(QRect(place, QSize(kPictureSide, kPictureSide)));
        home->setToolTip(tip);
        m_home[static_cast<size_t>(i)] = home;

        auto* number = new QLabel(QString::number(i + 1), desk);
        number->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        number->setGeometry(cell.x(), place.y() + kPictureSide + 1, kCell.width(), 14);
        number->setToolTip(tip);

        auto* icon = new CameraIcon(i, desk);
        icon->setObjectName(arrayName("CamerPic1", i));
        icon->setPicture(iconPicture);
        icon->move(place);
        connect(icon, &CameraIcon::pressed, this, &IconBoard::pressed);
        connect(icon, &CameraIcon::dragged, this, &IconBoard::dragTo);
        connect(icon, &CameraIcon::dropped, this, &IconBoard::drop);
        m_icon[static_cast<size_t>(i)] = icon;
    }
}

QSize IconBoard::homeArea()
{
    return {kColumns * kCell.width(), (kIcons + kColumns - 1) / kColumns * kCell.height()};
}

void IconBoard::setPicture(int slot, const QPixmap& picture)
{
    m_icon[static_cast<size_t>(slot)]->setPicture(picture);
    if (isOnMap(slot))
        clip(slot);
}

QPoint IconBoard::homeOf(int slot) const
{
    return m_home[static_cast<size_t>(slot)]->pos();
}

void IconBoard::sendHome(int slot)
{
    CameraIcon* icon = m_icon[static_cast<size_t>(slot)];
    icon->clearMask();
    icon->setNumbered(false);
    icon->move(homeOf(slot));
    icon->show();
    icon->raise();
    m_where[static_cast<size_t>(slot)] = Where::Home;
}

void IconBoard::putAt(int slot, QPoint corner)
{
    m_icon[static_cast<size_t>(slot)]->move(corner);
    m_icon[static_cast<size_t>(slot)]->setNumbered(true);
    m_where[static_cast<size_t>(slot)] = Where::OnMap;
    clip(slot);
}

void IconBoard::hide(int slot)
{
    m_icon[static_cast<size_t>(slot)]->hide();
    m_where[static_cast<size_t>(slot)] = Where::Hidden;
}

void IconBoard::startDrag(int slot, QPoint global)
{
    CameraIcon* icon = m_icon[static_cast<size_t>(slot)];
    m_dragging = slot;
    m_grip = global - icon->mapToGlobal(QPoint(0, 0));
    icon->clearMask();
    icon->setNumbered(true);
    icon->show();
    icon->raise();
    icon->setCursor(Qt::ClosedHandCursor);
}

void IconBoard::cancelDrag()
{
    if (m_dragging >= 0)
        m_icon[static_cast<size_t>(m_dragging)]->setCursor(Qt::OpenHandCursor);
    m_dragging = -1;
}

void IconBoard::dragTo(int slot, QPoint global)
{
    if (slot != m_dragging)
        return;
    // A mouse position outside the desk counts as the nearest point on its edge.
    const QPoint inside = m_desk->mapFromGlobal(global);
    const QPoint mouse(std::clamp(inside.x(), 0, m_desk->width() - 1), std::clamp(inside.y(), 0, m_desk->height() - 1));
    m_icon[static_cast<size_t>(slot)]->move(mouse - m_grip);
}

void IconBoard::drop(int slot, QPoint global)
{
    if (slot != m_dragging)
        return;
    dragTo(slot, global);
    m_dragging = -1;
    CameraIcon* icon = m_icon[static_cast<size_t>(slot)];
    icon->setCursor(Qt::OpenHandCursor);
    emit dropped(slot, icon->pos());
}

void IconBoard::clip(int slot)
{
    CameraIcon* icon = m_icon[static_cast<size_t>(slot)];
    const QRect place = icon->geometry();
    const QRect visible = place.intersected(m_viewport);
    if (visible.isEmpty()) {
        icon->hide();
        return;
    }
    if (visible == place)
        icon->clearMask();
    else
        icon->setMask(QRegion(visible.translated(-place.topLeft())));
    icon->show();
    icon->raise();
}
