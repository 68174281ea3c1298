#include "control/recording/RecordingDialog.h"

#include "control/display/ControlDialogs.h"
#include "control/recording/PictureFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdlib>
#include <limits>
#include <string_view>

namespace strovix::recording {

namespace {

// Paths and prefixes are read as at most 256 characters.
constexpr int kMaxText = 256;

QString num(int32_t v) { return QString::number(v); }

} // namespace

RecordingDialog::RecordingDialog(RecordingProperties& properties, int mode, QWidget* parent)
    : QDialog(parent), m_props(properties)
{
    setWindowTitle(QStringLiteral("Image Recording"));
    setModal(true);
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("DownLoad"));
    tabs->addTab(page, QStringLiteral("DownLoad"));
    auto* pageLayout = new QVBoxLayout(page);

    auto* select = new QGroupBox(QStringLiteral("Select"));
    select->setObjectName(QStringLiteral("308"));
    auto* selectLayout = new QHBoxLayout(select);
    m_jpegBox = new QCheckBox(QStringLiteral("Save as JPEG"));
    m_jpegBox->setObjectName(QStringLiteral("306"));
    m_aviBox = new QCheckBox(QStringLiteral("Save as AVI"));
    m_aviBox->setObjectName(QStringLiteral("307"));
    selectLayout->addWidget(m_jpegBox);
    selectLayout->addWidget(m_aviBox);
    pageLayout->addWidget(select);

    // JPEG group.
    m_jpegGroup = new QGroupBox(QStringLiteral("JPEG"));
    m_jpegGroup->setObjectName(QStringLiteral("215"));
    auto* jg = new QGridLayout(m_jpegGroup);
    m_jpegRadio[0] = radio(335, "No Limit", JpegNoLimit);
    m_jpegRadio[1] = radio(329, "Number", JpegNumber);
    m_jpegRadio[2] = radio(330, "Size", JpegSize);
    m_jpegRadio[3] = radio(331, "Time", JpegTime);
    m_jpegLimit[1] = numberEdit(207);
    m_jpegLimit[2] = numberEdit(332);
    m_jpegLimit[3] = numberEdit(333);
    const char* jpegUnits[] = {"", "Frames", "KBytes", "Seconds"};
    const Field jpegRows[] = {JpegNoLimit, JpegNumber, JpegSize, JpegTime};
    for (int i = 0; i < 4; ++i) {
        jg->addWidget(m_jpegRadio[i], i, 0);
        if (m_jpegLimit[i]) {
            jg->addWidget(m_jpegLimit[i], i, 1);
            jg->addWidget(new QLabel(QString::fromUtf8(jpegUnits[i])), i, 2);
            markOnEdit(m_jpegLimit[i], jpegRows[i]);
        }
    }
    m_jpegInterval = numberEdit(343);
    markOnEdit(m_jpegInterval, JpegInterval);
    jg->addWidget(new QLabel(QStringLiteral("Save interval")), 4, 0);
    jg->addWidget(m_jpegInterval, 4, 1);
    m_jpegPath = new QLineEdit;
    m_jpegPath->setObjectName(QStringLiteral("210"));
    m_jpegPath->setReadOnly(true);
    m_jpegSaveAs = new QPushButton(QStringLiteral("SaveAs"));
    m_jpegSaveAs->setObjectName(QStringLiteral("216"));
    m_jpegSaveAs->setAutoDefault(false);
    jg->addWidget(new QLabel(QStringLiteral("Save Path")), 5, 0);
    jg->addWidget(m_jpegPath, 5, 1);
    jg->addWidget(m_jpegSaveAs, 5, 2);
    m_jpegPrefix = new QLineEdit;
    m_jpegPrefix->setObjectName(QStringLiteral("211"));
    m_jpegPrefix->setMaxLength(kMaxText);
    markOnEdit(m_jpegPrefix, JpegPrefix);
    jg->addWidget(new QLabel(QStringLiteral("Pre Name")), 6, 0);
    jg->addWidget(m_jpegPrefix, 6, 1);
    pageLayout->addWidget(m_jpegGroup);

    // AVI group.
    m_aviGroup = new QGroupBox(QStringLiteral("AVI"));
    auto* ag = new QGridLayout(m_aviGroup);
    m_aviRadio[0] = radio(342, "No Limit", AviNoLimit);
    m_aviRadio[1] = radio(345, "Number", AviNumber);
    m_aviRadio[2] = radio(338, "Size ", AviSize);
    m_aviRadio[3] = radio(339, "Time", AviTime);
    m_aviLimit[1] = numberEdit(346, false);
    m_aviLimit[2] = numberEdit(340);
    m_aviLimit[3] = numberEdit(341);
    const Field aviRows[] = {AviNoLimit, AviNumber, AviSize, AviTime};
    for (int i = 0; i < 4; ++i) {
        ag->addWidget(m_aviRadio[i], i, 0);
        if (m_aviLimit[i]) {
            ag->addWidget(m_aviLimit[i], i, 1);
            ag->addWidget(new QLabel(QString::fromUtf8(jpegUnits[i])), i, 2);
            markOnEdit(m_aviLimit[i], aviRows[i]);
        }
    }
    m_aviRate = numberEdit(217);
    markOnEdit(m_aviRate, AviRate);
    m_auto = new QCheckBox(QStringLiteral("Auto"));
    m_auto->setObjectName(QStringLiteral("344"));
    connect(m_auto, &QCheckBox::clicked, this, [this] {
        m_changed[AviRate] = true;
        updateEnabled();
    });
    ag->addWidget(new QLabel(QStringLiteral("Frame Rate")), 4, 0);
    ag->addWidget(m_aviRate, 4, 1);
    ag->addWidget(m_auto, 4, 2);
    m_aviInterval = numberEdit(347, false);
    markOnEdit(m_aviInterval, AviInterval);
    ag->addWidget(new QLabel(QStringLiteral("Save interval")), 5, 0);
    ag->addWidget(m_aviInterval, 5, 1);
    m_perFile = numberEdit(218);
    markOnEdit(m_perFile, AviPerFile);
    ag->addWidget(new QLabel(QStringLiteral("Maximum Number of Frame in Each File")), 6, 0);
    ag->addWidget(m_perFile, 6, 1);
    m_aviPath = new QLineEdit;
    m_aviPath->setObjectName(QStringLiteral("221"));
    m_aviPath->setReadOnly(true);
    m_aviSaveAs = new QPushButton(QStringLiteral("SaveAs"));
    m_aviSaveAs->setObjectName(QStringLiteral("223"));
    m_aviSaveAs->setAutoDefault(false);
    ag->addWidget(new QLabel(QStringLiteral("Save Path")), 7, 0);
    ag->addWidget(m_aviPath, 7, 1);
    ag->addWidget(m_aviSaveAs, 7, 2);
    m_aviPrefix = new QLineEdit;
    m_aviPrefix->setObjectName(QStringLiteral("220"));
    m_aviPrefix->setMaxLength(kMaxText);
    markOnEdit(m_aviPrefix, AviPrefix);
    ag->addWidget(new QLabel(QStringLiteral("Pre Name")), 8, 0);
    ag->addWidget(m_aviPrefix, 8, 1);
    pageLayout->addWidget(m_aviGroup);

    auto* buttons = new QDialogButtonBox;
    QPushButton* start = buttons->addButton(QStringLiteral("Start"), QDialogButtonBox::AcceptRole);
    start->setObjectName(QStringLiteral("Start"));
    start->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(start, &QPushButton::clicked, this, [this] { apply(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);

    connect(m_jpegBox, &QCheckBox::toggled, this, [this](bool on) {
        m_selection = on ? (m_selection | kJpegChosen) : (m_selection & ~kJpegChosen);
        updateEnabled();
    });
    connect(m_aviBox, &QCheckBox::toggled, this, [this](bool on) {
        m_selection = on ? (m_selection | kAviChosen) : (m_selection & ~kAviChosen);
        updateEnabled();
    });
    connect(m_jpegSaveAs, &QPushButton::clicked, this, [this] { pickPath(false); });
    connect(m_aviSaveAs, &QPushButton::clicked, this, [this] { pickPath(true); });

    m_jpegBox->setEnabled(mode != AviOnly);
    m_aviBox->setEnabled(mode != JpegOnly);
    fill();
    updateEnabled();
}

QLineEdit* RecordingDialog::numberEdit(int id, bool digitsOnly)
{
    auto* e = new QLineEdit;
    e->setObjectName(QString::number(id));
    if (digitsOnly)
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), e));
    return e;
}

QRadioButton* RecordingDialog::radio(int id, const char* text, Field field)
{
    auto* r = new QRadioButton(QString::fromUtf8(text));
    r->setObjectName(QString::number(id));
    connect(r, &QRadioButton::clicked, this, [this, field] {
        m_changed[field] = true;
        updateEnabled();
    });
    return r;
}

void RecordingDialog::markOnEdit(QLineEdit* edit, Field field)
{
    connect(edit, &QLineEdit::textEdited, this, [this, field] { m_changed[field] = true; });
}

void RecordingDialog::fill()
{
    const int32_t downType = m_props.getInt("DownType");
    if (downType >= 0 && downType <= 3)
        m_jpegRadio[downType]->setChecked(true);
    const int32_t downloadNum = m_props.getInt("DownloadNum");
    m_jpegLimit[1]->setText(downloadNum > 0 ? num(downloadNum) : QString());
    m_jpegLimit[2]->setText(num(m_props.getInt("DownloadSize")));
    m_jpegLimit[3]->setText(num(m_props.getInt("DownloadTime")));
    m_jpegInterval->setText(num(m_props.getInt("SaveIntervalNum")));
    m_jpegPath->setText(QString::fromStdString(m_props.getText("DownloadPath")));
    m_jpegPrefix->setText(QString::fromStdString(m_props.getText("DownloadPrefix")));

    const int32_t aviType = m_props.getInt("DownAviType");
    if (aviType >= 0 && aviType <= 3)
        m_aviRadio[aviType]->setChecked(true);
    m_aviLimit[1]->setText(num(m_props.getInt("AviDownNum")));
    m_aviLimit[2]->setText(num(m_props.getInt("AviTotalSize")));
    m_aviLimit[3]->setText(num(m_props.getInt("AviTotalTime")));
    m_aviRate->setText(num(m_props.getInt("AviFrame")));
    m_auto->setChecked(m_props.getInt("AutoFrame") == 1);
    m_aviInterval->setText(num(m_props.getInt("AviSaveIntervalNum")));
    m_perFile->setText(num(m_props.getInt("JpgNumInAvi")));
    m_aviPath->setText(QString::fromStdString(m_props.getText("AviPath")));
    m_aviPrefix->setText(QString::fromStdString(m_props.getText("AviPre")));
}

// A group is greyed until its choice box is checked; inside it only the
// limit edit of the checked radio is editable.
void RecordingDialog::updateEnabled()
{
    const bool jpeg = (m_selection & kJpegChosen) != 0;
    const bool avi = (m_selection & kAviChosen) != 0;
    for (int i = 0; i < 4; ++i) {
        m_jpegRadio[i]->setEnabled(jpeg);
        m_aviRadio[i]->setEnabled(avi);
        if (m_jpegLimit[i]) {
            const bool editable = jpeg && m_jpegRadio[i]->isChecked();
            m_jpegLimit[i]->setEnabled(editable);
            m_jpegLimit[i]->setReadOnly(!editable);
        }
        if (m_aviLimit[i]) {
            const bool editable = avi && m_aviRadio[i]->isChecked();
            m_aviLimit[i]->setEnabled(editable);
            m_aviLimit[i]->setReadOnly(!editable);
        }
    }
    for (QWidget* w : {static_cast<QWidget*>(m_jpegInterval), static_cast<QWidget*>(m_jpegPath),
                       static_cast<QWidget*>(m_jpegSaveAs), static_cast<QWidget*>(m_jpegPrefix)})
        w->setEnabled(jpeg);
    for (QWidget* w : {static_cast<QWidget*>(m_aviRate), static_cast<QWidget*>(m_auto),
                       static_cast<QWidget*>(m_aviInterval), static_cast<QWidget*>(m_perFile),
                       static_cast<QWidget*>(m_aviPath), static_cast<QWidget*>(m_aviSaveAs),
                       static_cast<QWidget*>(m_aviPrefix)})
        w->setEnabled(avi);
    m_aviRate->setReadOnly(m_auto->isChecked());
}

void splitChosenPath(const std::string& path, std::string& folder, std::string& prefix)
{
    const size_t slash = path.rfind('/');
    folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    prefix = dot == std::string::npos ? name : name.substr(0, dot);
}

void RecordingDialog::pickPath(bool avi)
{
    const auto chosen =
        ControlDialogs::current().saveFileName(this, avi ? aviSaveRequest() : jpegSaveRequest());
    if (!chosen)
        return;
    std::string folder, prefix;
    splitChosenPath(*chosen, folder, prefix);
    (avi ? m_aviPath : m_jpegPath)->setText(QString::fromStdString(folder).left(kMaxText));
    (avi ? m_aviPrefix : m_jpegPrefix)->setText(QString::fromStdString(prefix).left(kMaxText));
    m_changed[avi ? AviPath : JpegPath] = true;
    m_changed[avi ? AviPrefix : JpegPrefix] = true;
}

int32_t RecordingDialog::readNumber(const QLineEdit* edit)
{
    // A signed integer from the start of the text; anything else reads 0.
    const std::string text = edit->text().trimmed().toStdString();
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

void RecordingDialog::refuse(const char* text, QLineEdit* field, const char* caption)
{
    ControlDialogs::current().message(this, caption, text, ControlDialogs::Icon::None);
    field->setFocus(Qt::OtherFocusReason);
}

bool RecordingDialog::apply()
{
    // One limit row: its radio, the mode it writes, the member of its
    // value, the largest value its refusal text allows, and that text.
    struct LimitRow {
        Field field;
        int mode;
        const char* member;
        int32_t max;
        const char* refusal;
    };
    constexpr int32_t kNoMax = std::numeric_limits<int32_t>::max();
    // Only the checked radio's row is written: a radio clicked and then left
    // for another does not write its mode after the one that is shown.
    auto limitRows = [this](QRadioButton* const* radios, QLineEdit* const* edits, const char* typeMember,
                            Field noLimit, std::initializer_list<std::pair<int, LimitRow>> rows) {
        if (changed(noLimit) && radios[0]->isChecked())
            m_props.putInt(typeMember, 0);
        for (const auto& [index, row] : rows) {
            if (!changed(row.field) || !radios[index]->isChecked())
                continue;
            m_props.putInt(typeMember, row.mode);
            QLineEdit* edit = edits[index];
            const int32_t v = readNumber(edit);
            if (v > 0 && v < row.max && m_props.putInt(row.member, v))
                continue;
            refuse(row.refusal, edit);
            const int32_t stored = m_props.getInt(row.member);
            // DownloadNum is shown only above 0, as when the sheet opened.
            const bool blank = std::string_view(row.member) == "DownloadNum" && stored <= 0;
            edit->setText(blank ? QString() : num(stored));
            return false;
        }
        return true;
    };

    if (m_selection & kJpegChosen) {
        if (!limitRows(m_jpegRadio, m_jpegLimit, "DownType", JpegNoLimit,
                       {{1, {JpegNumber, 1, "DownloadNum", kNoMax, "Down number should be greater than 0!"}},
                        {2, {JpegSize, 2, "DownloadSize", 2000000,
                             "Down size should be less than 2000000 and greater than 0!"}},
                        {3, {JpegTime, 3, "DownloadTime", 2000000,
                             "Down time should be less than 2000000 and greater than 0!"}}}))
            return false;
        if (changed(JpegInterval) && !m_props.putInt("SaveIntervalNum", readNumber(m_jpegInterval))) {
            // Refused, but the apply goes on.
            refuse("interval number should not be less than 0!", m_jpegInterval);
            m_jpegInterval->setText(num(m_props.getInt("SaveIntervalNum")));
        }
        if (changed(JpegPath))
            m_props.putText("DownloadPath", m_jpegPath->text().left(kMaxText).toStdString());
        if (changed(JpegPrefix))
            m_props.putText("DownloadPrefix", m_jpegPrefix->text().left(kMaxText).toStdString());
    }

    if (m_selection & kAviChosen) {
        if (!limitRows(m_aviRadio, m_aviLimit, "DownAviType", AviNoLimit,
                       {{2, {AviSize, 2, "AviTotalSize", 2000000,
                             "Avi Down size should be less than 2000000 and greater than 0!"}},
                        {3, {AviTime, 3, "AviTotalTime", 2000000,
                             "Down time should be less than 2000000 and greater than 0!"}},
                        {1, {AviNumber, 1, "AviDownNum", kNoMax, "Down time should be greater than 0!"}}}))
            return false;
        if (changed(AviRate)) {
            if (!m_auto->isChecked()) {
                const int32_t rate = readNumber(m_aviRate);
                if (rate < 1 || !m_props.putInt("AviFrame", rate)) {
                    // Text and caption this way round; the field keeps its value.
                    refuse("Invalid Value", m_aviRate, "frame should not be 0!");
                    return false;
                }
            }
            m_props.putInt("AutoFrame", m_auto->isChecked() ? 1 : 0);
        }
        if (changed(AviInterval))
            m_props.putInt("AviSaveIntervalNum", readNumber(m_aviInterval)); // a refusal is ignored
        if (changed(AviPerFile) && !m_props.putInt("JpgNumInAvi", readNumber(m_perFile))) {
            refuse("Max Jpeg Number is greater than 0 and less than 10000!", m_perFile);
            return false;
        }
        if (changed(AviPath))
            m_props.putText("AviPath", m_aviPath->text().left(kMaxText).toStdString());
        if (changed(AviPrefix))
            m_props.putText("AviPre", m_aviPrefix->text().left(kMaxText).toStdString());
    }

    for (bool& flag : m_changed)
        flag = false;
    accept();
    return true;
}

int OpenRecordingDialog(RecordingProperties& properties, int mode, QWidget* parent, int& selection)
{
    RecordingDialog dialog(properties, mode, parent ? parent : QApplication::activeWindow());
    const int result = dialog.exec() == QDialog::Accepted ? 1 : 2;
    selection = result == 1 ? dialog.selection() : 0;
    return result;
}

bool saveCurrentPictureAs(std::vector<uint8_t>& buffer, QWidget* owner)
{
    if (buffer.empty())
        return false;
    const auto name = ControlDialogs::current().saveFileName(owner, jpegSaveRequest());
    if (!name || name->empty())
        return false;
    changeFirstApp1ToApp7(buffer);
    return writePictureFile(*name, buffer) == 0;
}

} // namespace strovix::recording
