#include "app/mainwindow/Form4.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

Form4::Form4(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName("Form4");
    setWindowTitle("oculon");
    m_label = new QLabel(kWaitText, this);
    m_label->setObjectName("Label1");
    m_label->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(m_label);
    // Alone on the screen while the main window is hidden: a fixed size in
    // the middle of the primary screen, without a close button.
    setFixedSize(sizeHint().expandedTo(QSize(420, 100)));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
