#pragma once

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace strovix::recording {

// The control's recording members as the sheet reaches them: by member name,
// through the same interface a host uses, so every value passes the same
// checks. A put answers true when the control accepted the value.
class RecordingProperties {
public:
    virtual ~RecordingProperties() = default;
    virtual int32_t getInt(const char* name) = 0;
    virtual std::string getText(const char* name) = 0;
    virtual bool putInt(const char* name, int32_t value) = 0;
    virtual bool putText(const char* name, const std::string& value) = 0;
};

// The sheet "Image Recording" with its one page "DownLoad": which recordings
// to start, their limit modes and limits, the save intervals, the AVI frame
// rate and frames per file, and the folder and prefix of each kind. Controls
// carry their identifiers as object names ("306", "207", ...); the buttons
// are "Start" and "Cancel". GUI thread only.
class RecordingDialog : public QDialog {
    Q_OBJECT
public:
    // Which choice boxes the sheet offers.
    enum Mode { Both = -1, JpegOnly = 0, AviOnly = 1 };
    // Selection bits after "Start".
    static constexpr int kJpegChosen = 1;
    static constexpr int kAviChosen = 2;

    RecordingDialog(RecordingProperties& properties, int mode, QWidget* parent = nullptr);

    int selection() const { return m_selection; }
    // "Start": writes the changed fields in order. True (and the sheet is
    // accepted) when every written value was taken; false when a refusal
    // keeps the sheet open.
    bool apply();

private:
    enum Field {
        JpegNoLimit, JpegNumber, JpegSize, JpegTime, JpegInterval, JpegPath, JpegPrefix,
        AviNoLimit, AviSize, AviTime, AviNumber, AviRate, AviInterval, AviPerFile, AviPath, AviPrefix,
        FieldCount
    };

    void fill();
    void updateEnabled();
    void pickPath(bool avi);
    QLineEdit* numberEdit(int id, bool digitsOnly = true);
    QRadioButton* radio(int id, const char* text, Field field);
    void markOnEdit(QLineEdit* edit, Field field);
    void refuse(const char* text, QLineEdit* field, const char* caption = "Invalid Value");
    bool changed(Field f) const { return m_changed[f]; }
    static int32_t readNumber(const QLineEdit* edit);

    RecordingProperties& m_props;
    int m_selection = 0;
    bool m_changed[FieldCount] = {};

    QCheckBox* m_jpegBox = nullptr;
    QCheckBox* m_aviBox = nullptr;
    QGroupBox* m_jpegGroup = nullptr;
    QGroupBox* m_aviGroup = nullptr;
    // JPEG
    QRadioButton* m_jpegRadio[4] = {}; // No Limit, Number, Size, Time
    QLineEdit* m_jpegLimit[4] = {};    // null, 207, 332, 333
    QLineEdit* m_jpegInterval = nullptr;
    QLineEdit* m_jpegPath = nullptr;
    QPushButton* m_jpegSaveAs = nullptr;
    QLineEdit* m_jpegPrefix = nullptr;
    // AVI
    QRadioButton* m_aviRadio[4] = {}; // No Limit, Number, Size, Time
    QLineEdit* m_aviLimit[4] = {};    // null, 346, 340, 341
    QLineEdit* m_aviRate = nullptr;
    QCheckBox* m_auto = nullptr;
    QLineEdit* m_aviInterval = nullptr;
    QLineEdit* m_perFile = nullptr;
    QLineEdit* m_aviPath = nullptr;
    QPushButton* m_aviSaveAs = nullptr;
    QLineEdit* m_aviPrefix = nullptr;
};

// Opens the sheet modally; 1 when "Start" closed it with every value taken
// (then `selection` holds the chosen kinds), otherwise 2.
int OpenRecordingDialog(RecordingProperties& properties, int mode, QWidget* parent, int& selection);

// Splits a chosen file path into its folder (with the trailing "/") and the
// file name without its extension.
void splitChosenPath(const std::string& path, std::string& folder, std::string& prefix);

// The picture save: asks for a file name (as the JPEG "SaveAs" does) and
// writes `buffer` there with its first FF E1 changed to FF E7. Cancel, an
// empty buffer or a file that cannot be written end silently (false).
bool saveCurrentPictureAs(std::vector<uint8_t>& buffer, QWidget* owner);

} // namespace strovix::recording
