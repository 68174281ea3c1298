// The "Image Recording" sheet over the recording settings, and the picture
// save through the file dialog.
#include "tests/control/display/CapturingDialogs.h"
#include "support/TempDir.h"

#include "control/recording/RecordingDialog.h"
#include "control/recording/RecordingSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace strovix;
using namespace strovix::recording;

namespace {

QApplication& app()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "recording_ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// The members the sheet reaches, over the settings, with a log of the writes.
struct SettingsProperties final : RecordingProperties {
    RecordingSettings s;
    std::vector<std::string> writes;

    int32_t getInt(const char* n) override
    {
        const std::string name(n);
        if (name == "DownType") return s.DownType();
        if (name == "DownloadNum") return s.DownloadNum();
        if (name == "DownloadSize") return s.DownloadSize();
        if (name == "DownloadTime") return s.DownloadTime();
        if (name == "SaveIntervalNum") return s.SaveIntervalNum();
        if (name == "DownAviType") return s.DownAviType();
        if (name == "AviDownNum") return s.AviDownNum();
        if (name == "AviTotalSize") return s.AviTotalSize();
        if (name == "AviTotalTime") return s.AviTotalTime();
        if (name == "AviFrame") return s.AviFrame();
        if (name == "AutoFrame") return s.AutoFrame();
        if (name == "AviSaveIntervalNum") return s.AviSaveIntervalNum();
        if (name == "JpgNumInAvi") return s.JpgNumInAvi();
        ADD_FAILURE() << "unknown number " << name;
        return 0;
    }
    std::string getText(const char* n) override
    {
        const std::string name(n);
        if (name == "DownloadPath") return s.DownloadPath();
        if (name == "DownloadPrefix") return s.DownloadPrefix();
        if (name == "AviPath") return s.AviPath();
        if (name == "AviPre") return s.AviPre();
        ADD_FAILURE() << "unknown text " << name;
        return {};
    }
    bool putInt(const char* n, int32_t v) override
    {
        const std::string name(n);
        writes.push_back(name + "=" + std::to_string(v));
        PutResult r;
        if (name == "DownType") r = s.putDownType(v);
        else if (name == "DownloadNum") r = s.putDownloadNum(v);
        else if (name == "DownloadSize") r = s.putDownloadSize(v);
        else if (name == "DownloadTime") r = s.putDownloadTime(v);
        else if (name == "SaveIntervalNum") r = s.putSaveIntervalNum(v);
        else if (name == "DownAviType") r = s.putDownAviType(v);
        else if (name == "AviDownNum") r = s.putAviDownNum(v);
        else if (name == "AviTotalSize") r = s.putAviTotalSize(v);
        else if (name == "AviTotalTime") r = s.putAviTotalTime(v);
        else if (name == "AviFrame") r = s.putAviFrame(v);
        else if (name == "AutoFrame") r = s.putAutoFrame(v);
        else if (name == "AviSaveIntervalNum") r = s.putAviSaveIntervalNum(v);
        else if (name == "JpgNumInAvi") r = s.putJpgNumInAvi(v);
        else ADD_FAILURE() << "unknown number " << name;
        return r.kind == PutResult::Kind::Ok;
    }
    bool putText(const char* n, const std::string& v) override
    {
        const std::string name(n);
        writes.push_back(name + "=" + v);
        if (name == "DownloadPath") s.putDownloadPath(v);
        else if (name == "DownloadPrefix") s.putDownloadPrefix(v);
        else if (name == "AviPath") s.putAviPath(v);
        else if (name == "AviPre") s.putAviPre(v);
        else ADD_FAILURE() << "unknown text " << name;
        return true;
    }
};

class RecordingSheet : public ::testing::Test {
protected:
    void SetUp() override { app(); }

    void open(int mode = RecordingDialog::Both)
    {
        sheet = std::make_unique<RecordingDialog>(props, mode);
        sheet->show();
    }
    template <typename T = QWidget>
    T* item(const char* id)
    {
        T* w = sheet->findChild<T*>(QString::fromLatin1(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    // Types into an edit as the operator does.
    void type(const char* id, const char* text)
    {
        QLineEdit* e = item<QLineEdit>(id);
        e->selectAll();
        QTest::keyClicks(e, QString::fromLatin1(text));
    }
    void start() { item<QPushButton>("Start")->click(); }
    bool closedWithStart() const { return sheet->isHidden() && sheet->result() == QDialog::Accepted; }

    CapturingDialogs dialogs;
    SettingsProperties props;
    std::unique_ptr<RecordingDialog> sheet;
};

} // namespace

TEST_F(RecordingSheet, OpensWithTheSettingsAndGroupsGreyed)
{
    props.s.putDownType(1);
    props.s.putDownloadNum(7);
    props.s.putAutoFrame(1);
    props.s.putDownloadSize(300);
    open();
    EXPECT_EQ(sheet->windowTitle(), "Image Recording");
    EXPECT_TRUE(item<QRadioButton>("329")->isChecked());
    EXPECT_EQ(item<QLineEdit>("207")->text(), "7");
    EXPECT_EQ(item<QLineEdit>("332")->text(), "300");
    EXPECT_EQ(item<QLineEdit>("343")->text(), "1");
    EXPECT_TRUE(item<QCheckBox>("344")->isChecked());
    EXPECT_TRUE(item<QLineEdit>("217")->isReadOnly()) << "Auto makes the rate read-only";
    EXPECT_TRUE(item<QLineEdit>("210")->isReadOnly());
    EXPECT_TRUE(item<QLineEdit>("221")->isReadOnly());
    EXPECT_FALSE(item("335")->isEnabled());
    EXPECT_FALSE(item("216")->isEnabled());
    EXPECT_FALSE(item("207")->isEnabled());

    item<QCheckBox>("306")->click();
    EXPECT_EQ(sheet->selection(), RecordingDialog::kJpegChosen);
    EXPECT_TRUE(item("335")->isEnabled());
    EXPECT_TRUE(item("207")->isEnabled()) << "the checked radio's edit";
    EXPECT_FALSE(item("332")->isEnabled());
    item<QRadioButton>("330")->click();
    EXPECT_TRUE(item("332")->isEnabled());
    EXPECT_FALSE(item("207")->isEnabled());
    EXPECT_FALSE(item("342")->isEnabled()) << "the AVI group waits for its box";
    item<QCheckBox>("306")->click();
    EXPECT_EQ(sheet->selection(), 0);
    EXPECT_FALSE(item("332")->isEnabled());
}

TEST_F(RecordingSheet, ModesOfferTheirBoxesAndStartWithNothingChosen)
{
    props.s.putDownloadNum(0);
    open(RecordingDialog::JpegOnly);
    EXPECT_FALSE(item("307")->isEnabled());
    EXPECT_TRUE(item("306")->isEnabled());
    EXPECT_EQ(item<QLineEdit>("207")->text(), "") << "DownloadNum shows only above 0";
    start();
    EXPECT_TRUE(closedWithStart());
    EXPECT_EQ(sheet->selection(), 0);
    EXPECT_TRUE(props.writes.empty());

    open(RecordingDialog::AviOnly);
    EXPECT_FALSE(item("306")->isEnabled());
    EXPECT_TRUE(item("307")->isEnabled());
}

TEST_F(RecordingSheet, JpegNumberZeroIsRefusedRestoredAndKeepsTheSheetOpen)
{
    props.s.putDownloadNum(25);
    open();
    item<QCheckBox>("306")->click();
    item<QRadioButton>("329")->click();
    type("207", "0");
    start();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "Invalid Value");
    EXPECT_EQ(dialogs.boxes[0].text, "Down number should be greater than 0!");
    EXPECT_EQ(item<QLineEdit>("207")->text(), "25");
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(props.s.DownloadNum(), 25);
    // The mode was written before the refusal and stays after Cancel.
    item<QPushButton>("Cancel")->click();
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
    EXPECT_EQ(props.s.DownType(), 1);
}

TEST_F(RecordingSheet, WritesOnlyChangedFieldsInOrder)
{
    open();
    item<QCheckBox>("306")->click();
    item<QCheckBox>("307")->click();
    item<QRadioButton>("331")->click();
    type("333", "30");
    type("211", "front");
    item<QRadioButton>("338")->click();
    type("340", "512");
    type("218", "9999");
    start();
    EXPECT_TRUE(closedWithStart());
    EXPECT_EQ(sheet->selection(), 3);
    EXPECT_EQ(props.writes, (std::vector<std::string>{"DownType=3", "DownloadTime=30", "DownloadPrefix=front",
                                                      "DownAviType=2", "AviTotalSize=512", "JpgNumInAvi=9999"}));
    EXPECT_EQ(props.s.downloadTimeMs(), 30000);
    EXPECT_EQ(props.s.aviTotalSizeBytes(), 512 * 1024);
}

TEST_F(RecordingSheet, AviRefusalsAndTheReversedFrameBox)
{
    open();
    item<QCheckBox>("307")->click();
    item<QCheckBox>("344")->click(); // Auto off: the rate is editable
    EXPECT_FALSE(item<QLineEdit>("217")->isReadOnly());
    type("217", "0");
    start();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].caption, "frame should not be 0!");
    EXPECT_EQ(dialogs.boxes[0].text, "Invalid Value");
    EXPECT_EQ(item<QLineEdit>("217")->text(), "0") << "the rate field is not reset";
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(props.s.AutoFrame(), 1);

    type("217", "12");
    type("218", "10000");
    start();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, "Max Jpeg Number is greater than 0 and less than 10000!");
    EXPECT_EQ(item<QLineEdit>("218")->text(), "10000");
    EXPECT_EQ(props.s.AviFrame(), 12);
    EXPECT_EQ(props.s.AutoFrame(), 0);
    EXPECT_EQ(props.s.JpgNumInAvi(), 500);

    item<QRadioButton>("338")->click();
    type("340", "2000000");
    start();
    ASSERT_EQ(dialogs.boxes.size(), 3u);
    EXPECT_EQ(dialogs.boxes[2].text, "Avi Down size should be less than 2000000 and greater than 0!");
    EXPECT_EQ(item<QLineEdit>("340")->text(), "100") << "the stored size comes back";
}

TEST_F(RecordingSheet, IntervalRefusalDoesNotStopTheApply)
{
    open();
    item<QCheckBox>("306")->click();
    item<QCheckBox>("307")->click();
    type("343", "0");
    type("211", "snap");
    type("347", "x"); // reads as 0: refused and ignored
    start();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "interval number should not be less than 0!");
    EXPECT_EQ(item<QLineEdit>("343")->text(), "1");
    EXPECT_EQ(props.s.DownloadPrefix(), "snap");
    EXPECT_EQ(props.s.AviSaveIntervalNum(), 1);
    EXPECT_TRUE(closedWithStart());
}

TEST_F(RecordingSheet, SaveAsSplitsTheChosenPath)
{
    open();
    item<QCheckBox>("306")->click();
    item<QCheckBox>("307")->click();
    dialogs.fileAnswers.push_back(std::string("/rec/cam1.jpg"));
    item<QPushButton>("216")->click();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].defaultSuffix, "jpg");
    EXPECT_EQ(dialogs.fileRequests[0].proposedName, "WebCamPic");
    EXPECT_EQ(dialogs.fileRequests[0].filter, "*.jpg");
    EXPECT_EQ(item<QLineEdit>("210")->text(), "/rec/");
    EXPECT_EQ(item<QLineEdit>("211")->text(), "cam1");

    item<QPushButton>("223")->click(); // cancelled: nothing changes
    EXPECT_EQ(dialogs.fileRequests.back().proposedName, "WebCamAvi");
    dialogs.fileAnswers.push_back(std::string("/media/d/v.1/night.avi"));
    item<QPushButton>("223")->click();
    EXPECT_EQ(item<QLineEdit>("221")->text(), "/media/d/v.1/");
    EXPECT_EQ(item<QLineEdit>("220")->text(), "night");
    start();
    EXPECT_EQ(props.s.DownloadPath(), "/rec/");
    EXPECT_EQ(props.s.DownloadPrefix(), "cam1");
    EXPECT_EQ(props.s.AviPath(), "/media/d/v.1/");
    EXPECT_EQ(props.s.AviPre(), "night");
}

TEST(PictureSave, ChangesTheFirstApp1AndIsSilentOtherwise)
{
    app();
    CapturingDialogs dialogs;
    TempDir dir;
    const std::vector<uint8_t> original = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x02, 0xFF, 0xE1, 0xFF, 0xD9};
    std::vector<uint8_t> buffer = original;
    EXPECT_FALSE(saveCurrentPictureAs(buffer, nullptr)) << "cancelled";
    EXPECT_EQ(buffer, original);

    const std::string name = dir.file("shot.jpg");
    dialogs.fileAnswers.push_back(name);
    ASSERT_TRUE(saveCurrentPictureAs(buffer, nullptr));
    std::ifstream in(name, std::ios::binary);
    const std::vector<uint8_t> written{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(written, (std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE7, 0x00, 0x02, 0xFF, 0xE1, 0xFF, 0xD9}));
    EXPECT_EQ(dialogs.fileRequests.back().proposedName, "WebCamPic");

    dialogs.fileAnswers.push_back(dir.file("no/such/folder/x.jpg"));
    EXPECT_FALSE(saveCurrentPictureAs(buffer, nullptr));
    EXPECT_TRUE(dialogs.boxes.empty());

    std::vector<uint8_t> empty;
    const size_t asked = dialogs.fileRequests.size();
    EXPECT_FALSE(saveCurrentPictureAs(empty, nullptr));
    EXPECT_EQ(dialogs.fileRequests.size(), asked) << "nothing to save: no dialog";
}

TEST(ChosenPath, FolderKeepsItsSlashAndNameLosesItsExtension)
{
    std::string folder, prefix;
    splitChosenPath("/rec/cam1.jpg", folder, prefix);
    EXPECT_EQ(folder, "/rec/");
    EXPECT_EQ(prefix, "cam1");
    splitChosenPath("plain", folder, prefix);
    EXPECT_EQ(folder, "");
    EXPECT_EQ(prefix, "plain");
    splitChosenPath("/a.b/c.d.avi", folder, prefix);
    EXPECT_EQ(folder, "/a.b/");
    EXPECT_EQ(prefix, "c.d");
}
