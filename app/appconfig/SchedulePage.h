#pragma once

#include "app/appconfig/AppCfgFields.h"

#include <QWidget>

#include <array>
#include <functional>

class AppCfgGO;
class Camera;
class QComboBox;
class QLineEdit;
class QListWidget;
class ScheduleItem;

// The "Scheduling" tab of the configuration window: the selected camera's
// recording rules as one summary line each, and the fields that make and
// change a rule. Added, changed and removed rules are live in the camera's
// running schedule at once; they reach config.ini only through Save.
// GUI thread only.
class SchedulePage : public QWidget {
    Q_OBJECT
public:
    // The camera the buttons act on; null after the operator was told that
    // none is selected.
    using CameraChoice = std::function<Camera*()>;

    // `config` gives the file Save writes to; it must outlive the page.
    SchedulePage(CameraChoice camera, AppCfgGO& config, QWidget* parent = nullptr);

    // Fills the list with the summary of every rule of the camera, keeping
    // the selected line when it is still there.
    void showScheduleItems(Camera& camera);
    // Puts the texts of the camera's rule shown on `row` into the fields.
    void showItemFields(int row);
    // Checks the fields in order (minute, hour, day, month, duration); the
    // first refused one tells the operator and the item stays as it was.
    // Otherwise the item takes the five values and the weekday. Returns
    // whether it did.
    bool readItemFields(ScheduleItem& item);

    // The buttons Add, Modify, Remove and Save.
    void addItem();
    void modifyItem();
    void removeItem();
    void saveSchedule();

    QListWidget* list() const { return m_list; }
    QComboBox* weekDayChoice() const { return m_weekDay; }
    QLineEdit* field(appcfg::ScheduleField which) const { return m_fields[which]; }

private:
    CameraChoice m_camera;
    AppCfgGO& m_config;
    std::array<QLineEdit*, appcfg::kScheduleFieldCount> m_fields{};
    QComboBox* m_weekDay;
    QListWidget* m_list;
    // The camera whose rules the list shows.
    Camera* m_shown = nullptr;
};
