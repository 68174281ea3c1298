#pragma once

#include "app/appconfig/AppCfgFields.h"

#include <QWidget>

#include <array>

class AppCfgGO;
class QCheckBox;
class QComboBox;
class QLineEdit;

// The "Application" tab of the configuration window: the disk alert
// settings and the choices that export and import the configuration files.
// GUI thread only.
class ApplicationPage : public QWidget {
    Q_OBJECT
public:
    // `config` holds the settings; it must outlive the page.
    explicit ApplicationPage(AppCfgGO& config, QWidget* parent = nullptr);

    // The fields := the current alert settings.
    void showSettings();
    // Checks and sets the alert settings in this order: percentage (1..99),
    // free space (1..999 megabytes, kept as typed), cyclic recording, alert
    // lines (1..99). A refused field shows the current setting again, the
    // operator is told, and the later settings stay as they were. Memory
    // only; returns whether every field was taken.
    bool applyAlertSettings();

    QLineEdit* field(appcfg::AlertField which) const { return m_fields[which]; }
    QCheckBox* circularBox() const { return m_circular; }
    QComboBox* exportChoice() const { return m_export; }
    QComboBox* importChoice() const { return m_import; }

private:
    bool refuse(appcfg::AlertField which);

    AppCfgGO& m_config;
    std::array<QLineEdit*, appcfg::kAlertFieldCount> m_fields{};
    QCheckBox* m_circular;
    QComboBox* m_export;
    QComboBox* m_import;
};
