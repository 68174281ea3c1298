// Export... in the player: the span chosen with From and To, the save
// dialog, the progress dialog with its Cancel and the box at the end.
#include "RecListTestSupport.h"

#include "app/recordlist/ExportDialog.h"
#include "app/recordlist/PlayerWindow.h"
#include "support/CapturedDialogs.h"
#include "support/ExportTestSupport.h"
#include "support/GuideShots.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace reclist_test;

namespace {

class ExportDialogTest : public ::testing::Test {
protected:
    void SetUp() override { guiApp(); }

    // Waits until the export of `dialog` has reported and the dialog is gone.
    static bool waitForEnd(QPointer<ExportDialog>& dialog)
    {
        return QTest::qWaitFor([&] { return dialog.isNull(); }, 60000);
    }
    QAbstractButton* button(const QWidget& w, const char* name) const
    {
        return w.findChild<QAbstractButton*>(QString::fromLatin1(name));
    }

    TempDir dir;
    CapturedDialogs dialogs;
    CapturedDialogs::Installed installed{dialogs};
};

TEST_F(ExportDialogTest, ThePlayerExportsTheSpanBetweenFromAndTo)
{
    const std::string avi = dir.file("gate.avi");
    export_test::writeRecording(avi, 30, 10.0f, true);
    PlayerWindow player;
    player.setSoundOutputFactory([] { return std::unique_ptr<media::AudioOutput>(); });
    ASSERT_TRUE(player.openFile(avi));
    QAbstractButton* from = button(player, "SpanFromBtn");
    QAbstractButton* to = button(player, "SpanToBtn");
    QAbstractButton* exportBtn = button(player, "ExportBtn");
    ASSERT_TRUE(from && to && exportBtn);
    EXPECT_EQ(exportBtn->text(), "Export...");
    // A new file: the whole recording.
    EXPECT_EQ(from->text(), "From 00:00.0");
    EXPECT_EQ(to->text(), "To 00:03.0");
    EXPECT_EQ(player.spanFirst(), 0u);
    EXPECT_EQ(player.spanEnd(), 30u);

    // From at frame 12, To at frame 21 (its last frame): frames 12..21.
    player.seekFrame(12);
    from->click();
    player.seekFrame(21);
    to->click();
    EXPECT_EQ(from->text(), "From 00:01.2");
    EXPECT_EQ(to->text(), "To 00:02.2");
    EXPECT_EQ(player.spanFirst(), 12u);
    EXPECT_EQ(player.spanEnd(), 22u);
    // A To before From loses From; a From after To loses To.
    player.seekFrame(5);
    to->click();
    EXPECT_EQ(player.spanFirst(), 0u);
    EXPECT_EQ(player.spanEnd(), 6u);
    player.seekFrame(8);
    from->click();
    EXPECT_EQ(player.spanFirst(), 8u);
    EXPECT_EQ(player.spanEnd(), 30u);
    player.seekFrame(21);
    to->click();
    EXPECT_EQ(from->text(), "From 00:00.8");
    EXPECT_EQ(to->text(), "To 00:02.2");

    player.resize(520, 420);
    player.show();
    QApplication::processEvents();
    const QString shot = saveScreenshot(player, "player-export");
    std::fprintf(stderr, "screenshot: %s\n", shot.toLocal8Bit().constData());

    // The save dialog suggests the recording's name; a name without an
    // extension gets ".mp4".
    dialogs.files.push_back(dir.file("span"));
    exportBtn->click();
    ASSERT_EQ(dialogs.suggestions, std::vector<std::string>{dir.file("gate.mp4")});
    QPointer<ExportDialog> dialog = player.findChild<ExportDialog*>("ExportDlg");
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(waitForEnd(dialog));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].box.text, "The recording was exported to " + dir.file("span.mp4") + ".");
    EXPECT_EQ(dialogs.shown[0].box.icon, AppDialogs::Icon::Information);
    const export_test::MediaFacts facts = export_test::readMedia(dir.file("span.mp4"));
    EXPECT_EQ(facts.videoPackets, 14);
    EXPECT_NEAR(facts.soundSeconds, 1.4, 0.1);

    // The save dialog cancelled: nothing is exported.
    exportBtn->click();
    EXPECT_FALSE(player.findChild<ExportDialog*>("ExportDlg"));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(ExportDialogTest, TheProgressDialogFollowsTheExportAndCancelStopsItWithoutAFile)
{
    const std::string avi = dir.file("long.avi");
    export_test::writeRecording(avi, 300, 25.0f, true, 640, 480);
    QWidget owner;
    dialogs.files.push_back(dir.file("long.mp4"));
    QPointer<ExportDialog> dialog = exportRecording(&owner, avi);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    // The window thread keeps running meanwhile: the bar moves while the
    // export runs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog && dialog->bar().value() > 10; }, 30000));
    EXPECT_EQ(dialog->bar().maximum(), 300);
    const QString shot = saveScreenshot(*dialog, "export-progress");
    EXPECT_TRUE(guide_shots::guideShot(dialog->grab().toImage(), "export-progress"));
    std::fprintf(stderr, "screenshot: %s\n", shot.toLocal8Bit().constData());
    EXPECT_NE(dialog->findChild<QLabel*>("ExportLbl")->text().indexOf("long.avi"), -1);

    QAbstractButton* cancel = button(*dialog, "ExportCancelBtn");
    ASSERT_TRUE(cancel);
    cancel->click();
    ASSERT_TRUE(waitForEnd(dialog));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].box.text, "The recording was not exported. The export was cancelled.");
    EXPECT_EQ(dialogs.shown[0].box.icon, AppDialogs::Icon::Warning);
    EXPECT_EQ(recording_test::filesIn(dir.path()), std::vector<std::string>{"long.avi"});

    // A failure says its reason; closing the dialog also cancels.
    dir.write("bad.avi", "RIFF");
    dialogs.files.push_back(dir.file("bad.mp4"));
    dialog = exportRecording(&owner, dir.file("bad.avi"));
    ASSERT_TRUE(waitForEnd(dialog));
    EXPECT_EQ(dialogs.shown.at(1).box.text,
              "The recording was not exported. bad.avi is not a readable recording: The file's header is damaged.");
    dialogs.files.push_back(dir.file("closed.mp4"));
    dialog = exportRecording(&owner, avi);
    ASSERT_TRUE(dialog);
    dialog->close();
    ASSERT_TRUE(waitForEnd(dialog));
    EXPECT_EQ(dialogs.shown.at(2).box.text, "The recording was not exported. The export was cancelled.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("closed.mp4")));
}

} // namespace
