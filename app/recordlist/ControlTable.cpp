#include "app/recordlist/ControlTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>

namespace {

// A small calendar sheet: the picture of the date buttons.
QIcon calendarIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 5, 26, 24), 3, 3);
    p.fillRect(QRectF(4, 6, 24, 7), QColor(200, 40, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 90, 90));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(7 + col * 5.5, 15 + row * 4.5, 3, 3));
    return QIcon(pixmap);
}

QWidget* makeControl(QWidget* page, const ControlRow& row)
{
    const QString caption = QString::fromUtf8(row.caption);
    switch (row.kind) {
    case ControlKind::Label:
        return new QLabel(caption, page);
    case ControlKind::Button: {
        auto* b = new QPushButton(caption, page);
        b->setAutoDefault(false);
        return b;
    }
    case ControlKind::Check:
        return new QCheckBox(caption, page);
    case ControlKind::PicButton: {
        auto* b = new QToolButton(page);
        b->setIcon(calendarIcon());
        b->setIconSize(QSize(20, 20));
        b->setToolTip(caption);
        return b;
    }
    case ControlKind::Text:
    case ControlKind::ReadOnly: {
        auto* t = new QLineEdit(page);
        t->setPlaceholderText(caption);
        t->setReadOnly(row.kind == ControlKind::ReadOnly);
        return t;
    }
    case ControlKind::Choice: {
        auto* c = new QComboBox(page);
        c->setPlaceholderText(caption);
        c->setMinimumContentsLength(6);
        return c;
    }
    case ControlKind::FileList:
        return new QListWidget(page);
    case ControlKind::Grid: {
        auto* g = new QTableWidget(page);
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        g->verticalHeader()->hide();
        return g;
    }
    }
    return new QWidget(page);
}

} // namespace

void buildControls(QWidget* page, QGridLayout* grid, std::span<const ControlRow> rows)
{
    for (const ControlRow& row : rows) {
        QWidget* w = makeControl(page, row);
        w->setObjectName(QString::fromLatin1(row.name));
        grid->addWidget(w, row.row, row.column, row.rowSpan, row.columnSpan);
    }
}
