#include "app/mainwindow/Form4.h"

#include <QLabel>
#include <QVBoxLayout>

Form4::Form4(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName("Form4");
    setWindowTitle("oculon");
    m_label = new QLabel(kWaitText, this);
    m_label->setObjectName("Label1");
    m_label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(m_label);
}
