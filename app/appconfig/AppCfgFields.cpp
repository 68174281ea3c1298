#include "app/appconfig/AppCfgFields.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraSettings.h"
#include "app/dialogs/AppDialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>

namespace appcfg {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }
QString number(int64_t value) { return QString::number(value); }

} // namespace

const std::array<Field<Camera>, kCameraFieldCount> kCameraFields = {{
    {"camTxt1", "camLbl1", "IP", [](const Camera& c) { return text(c.getIP()); }, std::nullopt, nullptr},
    {"camTxt2", "camLbl2", "Port", [](const Camera& c) { return number(c.getPort()); }, fieldtext::Range{1, 65535},
     "Please input a number between 1 and 65535 for all Port."},
    {"camTxt6", "camLbl6", "Display Location", [](const Camera& c) { return text(c.getDisplayLocation()); },
     std::nullopt, "Please input a Display Location without \"/\" or control characters."},
    {"camTxt3", "camLbl3", "Record Path", [](const Camera& c) { return text(c.getRecPath()); }, std::nullopt,
     kInvalidPath},
    {"camTxt4", "camLbl4", "Record Frame Rate", [](const Camera& c) { return number(c.getRecFrameRate()); },
     fieldtext::Range{1, 30}, "Please input a number between 1 and 30 for all Frame rate."},
    {"camTxt5", "camLbl5", "Record Number of Frame", [](const Camera& c) { return number(c.getRecNumFrame()); },
     fieldtext::Range{1, 99999}, "Please input a number between 1 and 99999 for all Number of rate."},
    {"camTxt7", "camLbl7", "Snapshot Path", [](const Camera& c) { return text(c.getSnapshotPath()); }, std::nullopt,
     kInvalidPath},
    {"camTxt8", "camLbl8", "Motion Hold (Sec)", [](const Camera& c) { return number(c.getMotionHold()); },
     fieldtext::Range{kMinMotionHold, kMaxMotionHold}, "Please input a number between 1 and 3600 for all Motion hold."},
}};

const std::array<CheckField, kCameraCheckCount> kCameraChecks = {{
    {kRecAtStart, [](const Camera& c) { return c.isRecAtStart(); }},
    {kRecOnMotion, [](const Camera& c) { return c.isRecOnMotion(); }},
}};

const std::array<CameraRow, kCameraRowCount> kCameraRows = {
    kIp, kPort, kDisplayLocation, kRecPath, kRecFrameRate, kRecNumFrame, kSnapshotPath,
    kAtStartCheck, kOnMotionCheck, kMotionHold,
};

const std::array<Field<ScheduleTexts>, kScheduleFieldCount> kScheduleFields = {{
    {"schTxt1", "schLbl1", "Minute (0-59)", [](const ScheduleTexts& t) { return text(t.minute); }, fieldtext::Range{0, 59},
     "Please input a number between 0 and 59 or * for all minutes."},
    {"schTxt2", "schLbl2", "Hour (0-23)", [](const ScheduleTexts& t) { return text(t.hour); }, fieldtext::Range{0, 23},
     "Please input a number between 0 and 23 or * for all hours."},
    {"schTxt3", "schLbl3", "Day (1-31)", [](const ScheduleTexts& t) { return text(t.day); }, fieldtext::Range{1, 31},
     "Please input a number between 1 and 31 or * for all days."},
    {"schTxt4", "schLbl4", "Month (1-12)", [](const ScheduleTexts& t) { return text(t.month); }, fieldtext::Range{1, 12},
     "Please input a number between 1 and 12 or * for all months."},
    {"schTxt5", "schLbl6", "Duration (Sec)", [](const ScheduleTexts& t) { return text(t.duration); },
     fieldtext::Range{0, INT32_MAX}, "Please input a number of seconds over 0."},
}};

const std::array<Field<AppCfgGO>, kAlertFieldCount> kAlertFields = {{
    {"percentTest", "percentLbl", "Alert Free Persentage (%)", [](const AppCfgGO& c) { return number(c.getAlertPercent()); },
     fieldtext::Range{1, 99}, "Please input a number between 1 and 99 for all alert percent."},
    {"spaceText", "spaceLbl", "Alert Free Space [MB]", [](const AppCfgGO& c) { return text(c.getAlertSpace()); },
     fieldtext::Range{1, 999}, "Please input a number between 1 and 999 for all alert free."},
    {"alertLineTxt", "alertLineLbl", "Message Numbers", [](const AppCfgGO& c) { return number(c.getAlertLineNum()); },
     fieldtext::Range{1, 99}, "Please input a line numbers between 1 and 99 for all alert msg."},
}};

const std::array<Caption, kButtonCount> kButtons = {{
    {"fBtn1", "OK"},
    {"fBtn2", "Apply"},
    {"camTxt3cmd", "..."},
    {"camTxt7cmd", "..."},
    {"camChk1", "Recording at Start"},
    {"camChk2", "Record on Motion"},
    {"camBtn1", "Restore"},
    {"camBtn2", "Save"},
    {"schBtn1", "Add"},
    {"schBtn2", "Modify"},
    {"schBtn3", "Remove"},
    {"schBtn4", "Save"},
    {"circularCheck", "Cycle Recording"},
}};

const std::array<Caption, kFrameCount> kFrames = {{
    {"Frame1", "Camera List"},
    {"schFrame1", "Schedule Items"},
}};

const std::array<Caption, kLabelCount> kLabels = {{
    {"appLbl1", "Viewer Layout"},
    {"schLbl5", "Weekday"},
    {"schLbl7", "Use * for all"},
    {"selectExpLbl", "Export Configuration"},
    {"selectImpLbl", "Import Configuration"},
}};

const std::array<const char*, 4> kTabs = {"Initial Setup", "Camera", "Scheduling", "Application"};

namespace {

template <class Table>
const char* captionIn(const Table& table, const QString& name)
{
    for (const Caption& c : table)
        if (name == QLatin1String(c.name))
            return c.text;
    return nullptr;
}

template <class Table>
const char* labelIn(const Table& table, const QString& name)
{
    for (const auto& field : table)
        if (name == QLatin1String(field.labelName))
            return field.caption;
    return nullptr;
}

} // namespace

QString captionOf(const QString& name)
{
    for (const char* caption : {captionIn(kButtons, name), captionIn(kFrames, name), captionIn(kLabels, name),
                                labelIn(kCameraFields, name), labelIn(kScheduleFields, name), labelIn(kAlertFields, name)})
        if (caption)
            return QString::fromUtf8(caption);
    return {};
}

void tell(QWidget* owner, const std::string& text)
{
    AppDialogs::current().ask(owner, {kBoxCaption, text, AppDialogs::Icon::Warning, AppDialogs::Buttons::Ok});
}

bool confirm(QWidget* owner, const std::string& text)
{
    return AppDialogs::current().ask(owner, {kBoxCaption, text, AppDialogs::Icon::Question, AppDialogs::Buttons::YesNo})
           == AppDialogs::Answer::Yes;
}

namespace {

template <class Widget>
Widget* named(const Caption& caption)
{
    auto* widget = new Widget;
    widget->setObjectName(QString::fromLatin1(caption.name));
    return widget;
}

} // namespace

QPushButton* newButton(Button which) { return named<QPushButton>(kButtons[which]); }
QCheckBox* newCheckBox(Button which) { return named<QCheckBox>(kButtons[which]); }
QGroupBox* newFrame(Frame which) { return named<QGroupBox>(kFrames[which]); }
QLabel* newLabel(Label which) { return named<QLabel>(kLabels[which]); }

QLineEdit* addFieldRow(QGridLayout& grid, int row, const char* name, const char* labelName)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(labelName));
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    label->setBuddy(edit);
    grid.addWidget(label, row, 0);
    grid.addWidget(edit, row, 1);
    return edit;
}

} // namespace appcfg
