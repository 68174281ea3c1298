#include "app/mainwindow/MainForm.h"

MainForm::MainForm(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("MainForm");
    setWindowTitle("oculon");
    resize(1024, 768);
}
