#include "app/mainwindow/MainForm.h"

#include <QApplication>
#include <QTimer>

#include <cstdlib>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("oculon");
    MainForm form;
    form.show();
    // OCULON_QUIT_AFTER_MS lets a smoke test open and close the window unattended.
    if (const char* ms = std::getenv("OCULON_QUIT_AFTER_MS"))
        QTimer::singleShot(std::atoi(ms), &form, &QWidget::close);
    return app.exec();
}
