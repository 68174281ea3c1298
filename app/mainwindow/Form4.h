#pragma once

#include <QDialog>

class QLabel;

// The wait window shown while the program takes its cameras down. Its one
// label, Label1, carries the text from the moment the window is made, however
// it came to be made. It cannot be closed by the operator: the shut-down
// hides it when the cameras are down.
class Form4 : public QDialog {
    Q_OBJECT
public:
    static constexpr char kWaitText[] = "Disconnecting all connections, please wait for a moment...";

    explicit Form4(QWidget* parent = nullptr);

    QLabel* label() const { return m_label; }

protected:
    void reject() override { }

private:
    QLabel* m_label;
};
