#pragma once

#include <QMainWindow>

// The operator's main window.
class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(QWidget* parent = nullptr);
};
