#pragma once

#include "app/appconfig/FieldText.h"
#include "app/schedule/ScheduleDAO.h"

#include <QString>

#include <array>
#include <optional>
#include <string>
#include <variant>

class AppCfgGO;
class Camera;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QLineEdit;
class QWidget;

// The tables the application configuration window is built from: every
// control's object name and caption, the setting a field shows and the range
// and message of its check. The pages create their controls from these
// tables and the form layout puts the captions on them, so a name or a
// caption is written once, here.
namespace appcfg {

// A control with a fixed caption (buttons, check boxes, frames, labels).
struct Caption {
    const char* name;
    const char* text;
};

// One edit field with its label. `setting` gives the text the field shows
// for its source; `range` (when set) is what the field accepts and `message`
// the box shown when it refuses the text.
template <class Source>
struct Field {
    const char* name;
    const char* labelName;
    const char* caption;
    QString (*setting)(const Source&);
    std::optional<fieldtext::Range> range;
    const char* message;
};

// The camera tab's edit fields.
enum CameraField {
    kIp, kPort, kDisplayLocation, kRecPath, kRecFrameRate, kRecNumFrame, kSnapshotPath, kMotionHold, kCameraFieldCount
};
extern const std::array<Field<Camera>, kCameraFieldCount> kCameraFields;

// The schedule tab's edit fields, in the order of their rows (the weekday
// choice sits between month and duration), shown from an item's field texts.
using ScheduleTexts = ScheduleDAO::FieldTexts;
enum ScheduleField { kMinute, kHour, kDay, kMonth, kDuration, kScheduleFieldCount };
extern const std::array<Field<ScheduleTexts>, kScheduleFieldCount> kScheduleFields;

// The application tab's alert fields.
enum AlertField { kAlertPercent, kAlertSpace, kAlertLineNum, kAlertFieldCount };
extern const std::array<Field<AppCfgGO>, kAlertFieldCount> kAlertFields;

// Buttons and check boxes, frames and plain labels of every tab.
enum Button {
    kOk, kApply, kRecBrowse, kSnapshotBrowse, kRecAtStart, kRecOnMotion, kRestore, kSaveCamera,
    kAddItem, kModifyItem, kRemoveItem, kSaveSchedule, kCircular, kButtonCount
};
extern const std::array<Caption, kButtonCount> kButtons;

// The camera tab's check boxes and the camera setting each shows.
enum CameraCheck { kAtStartCheck, kOnMotionCheck, kCameraCheckCount };
struct CheckField {
    Button box;
    bool (*setting)(const Camera&);
};
extern const std::array<CheckField, kCameraCheckCount> kCameraChecks;

// The camera tab's rows from the top: an edit field or a check box each, so
// that the motion check box sits above the hold it switches on.
using CameraRow = std::variant<CameraField, CameraCheck>;
inline constexpr size_t kCameraRowCount = size_t{kCameraFieldCount} + size_t{kCameraCheckCount};
extern const std::array<CameraRow, kCameraRowCount> kCameraRows;
enum Frame { kCamListFrame, kScheduleFrame, kFrameCount };
extern const std::array<Caption, kFrameCount> kFrames;
enum Label { kViewerLayoutLabel, kWeekDayLabel, kWildcardHint, kExportLabel, kImportLabel, kLabelCount };
extern const std::array<Caption, kLabelCount> kLabels;
// The tabs of SSTab1, by index.
extern const std::array<const char*, 4> kTabs;

// Texts of the lists and boxes.
inline constexpr char kWindowCaption[] = "Application Configuration";
inline constexpr char kSelectOne[] = "Select One";
inline constexpr char kAppConfigEntry[] = "Application Configuration";
inline constexpr char kEMapEntry[] = "eMap";
inline constexpr std::array<const char*, 4> kViewerLayouts = {"16", "9", "4", "1"};
inline constexpr char kBoxCaption[] = "oculon";
inline constexpr char kWaitText[] = "Please wait for a moment...";
inline constexpr char kSelectCamera[] = "Please select a camera.";
inline constexpr char kInvalidPath[] = "Please input a valid path.";
inline constexpr char kFolderPrompt[] = "請選取資料夾";
inline constexpr char kNoRoot[] = "Please don't use root, try to choose a folder.";
inline constexpr char kSelectWeekDay[] = "Please select a week day.";
inline constexpr char kSelectItem[] = "Please select an item.";
inline constexpr char kAreYouSure[] = "Are you sure?";
inline constexpr char kCheckFile[] = "Please check your file..";
inline constexpr char kIniFilter[] = "Configuration files (*.ini)";

// The caption of a named control of the tables above; empty for another name.
QString captionOf(const QString& name);

// A message box with the window's caption and an OK button.
void tell(QWidget* owner, const std::string& text);
// A Yes/No question; true for Yes.
bool confirm(QWidget* owner, const std::string& text);

// New controls named as the tables say; their captions come with the form
// layout.
QPushButton* newButton(Button which);
QCheckBox* newCheckBox(Button which);
QGroupBox* newFrame(Frame which);
QLabel* newLabel(Label which);

// Adds a label and an edit as row `row` of `grid` (label in column 0, edit in
// column 1), named as a field table says, and returns the edit. The caption
// comes with the form layout.
QLineEdit* addFieldRow(QGridLayout& grid, int row, const char* name, const char* labelName);

} // namespace appcfg
