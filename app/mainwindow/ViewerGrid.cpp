#include "app/mainwindow/ViewerGrid.h"

#include <QGridLayout>
#include <QVBoxLayout>

ViewerGrid::ViewerGrid(QWidget* parent)
    : QWidget(parent)
{
    setObjectName("ViewerGrid");
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    for (int index = 0; index < kCells; ++index) {
        auto* cell = new QWidget(this);
        cell->setObjectName(QString("ViewerCell%1").arg(index + 1));
        auto* fill = new QVBoxLayout(cell);
        fill->setContentsMargins(0, 0, 0, 0);
        grid->addWidget(cell, index / 4, index % 4);
        m_cells[size_t(index)] = cell;
    }
    for (int i = 0; i < 4; ++i) {
        grid->setRowStretch(i, 1);
        grid->setColumnStretch(i, 1);
    }
}

QWidget* ViewerGrid::cell(int index) const
{
    return index >= 0 && index < kCells ? m_cells[size_t(index)] : nullptr;
}

void ViewerGrid::adopt(int index, QWidget* window)
{
    if (QWidget* target = cell(index); target && window)
        target->layout()->addWidget(window);
}
