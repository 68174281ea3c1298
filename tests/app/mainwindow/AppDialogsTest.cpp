// The application's dialog service: boxes repeated by a periodic check, and
// the boxes the program answers itself when it ends unattended.
#include "app/dialogs/AppDialogs.h"
#include "support/CapturedDialogs.h"
#include "support/GuiApp.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "support/TempDir.h"

namespace {

class Captured : public ::testing::Test {
protected:
    void SetUp() override { AppDialogs::install(&dialogs); }
    void TearDown() override { AppDialogs::install(nullptr); }
    CapturedDialogs dialogs;
};

using RepeatedBoxesTest = Captured;

TEST_F(RepeatedBoxesTest, ABoxIsNotShownAgainWhileItsTextIsOnScreen)
{
    const AppDialogs::Box disk{"oculon", "Can't get the message from the Disk.", AppDialogs::Icon::Warning,
                               AppDialogs::Buttons::Ok};
    const AppDialogs::Box other{"oculon", "Please check the snapshot path.", AppDialogs::Icon::Warning,
                                AppDialogs::Buttons::Ok};
    RepeatedBoxes boxes;

    // Three ticks while the first box stays up: one box.
    EXPECT_TRUE(boxes.show(nullptr, disk));
    EXPECT_FALSE(boxes.show(nullptr, disk));
    EXPECT_FALSE(boxes.show(nullptr, disk));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].box.text, disk.text);
    EXPECT_EQ(dialogs.shown[0].box.icon, AppDialogs::Icon::Warning);
    EXPECT_TRUE(boxes.isShowing(disk.text));

    // Another text is another box.
    EXPECT_TRUE(boxes.show(nullptr, other));
    ASSERT_EQ(dialogs.shown.size(), 2u);

    // Once the operator closed it, the next tick shows it again.
    dialogs.close(0);
    EXPECT_FALSE(boxes.isShowing(disk.text));
    EXPECT_TRUE(boxes.isShowing(other.text));
    EXPECT_TRUE(boxes.show(nullptr, disk));
    EXPECT_EQ(dialogs.shown.size(), 3u);
    EXPECT_TRUE(dialogs.asked.empty()) << "a tick never waits for an answer";
}

TEST_F(RepeatedBoxesTest, ABoxClosedAfterItsGuardWentIsHarmless)
{
    {
        RepeatedBoxes boxes;
        boxes.show(nullptr, {"oculon", "gone", AppDialogs::Icon::Warning, AppDialogs::Buttons::Ok});
    }
    dialogs.close(0);
    SUCCEED();
}

// The platform boxes under the offscreen platform: what --quit-after relies on.
class PlatformBoxes : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        ::setenv("OCULON_BOX_LOG", log.file("boxes.log").c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("OCULON_BOX_LOG");
        AppDialogs::current().closeAll();
    }
    std::vector<std::string> logged()
    {
        std::ifstream in(log.file("boxes.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    TempDir log;
};

TEST_F(PlatformBoxes, CloseAllAnswersEveryOpenBoxWithItsDefaultButton)
{
    AppDialogs& dialogs = AppDialogs::current();
    std::vector<AppDialogs::Answer> answers;
    dialogs.open(nullptr, {"Stop", "Stop all recordings?", AppDialogs::Icon::Question, AppDialogs::Buttons::YesNo},
                 [&](AppDialogs::Answer a) { answers.push_back(a); });
    dialogs.open(nullptr, {"Note", "Done.", AppDialogs::Icon::Information, AppDialogs::Buttons::OkCancel},
                 [&](AppDialogs::Answer a) { answers.push_back(a); });

    // A modal box is open while the program decides to end: its caller gets
    // the default answer and goes on.
    QTimer::singleShot(0, [&] { dialogs.closeAll(); });
    const auto modal = dialogs.ask(nullptr, {"Exit", "Really?", AppDialogs::Icon::Question, AppDialogs::Buttons::YesNo});
    EXPECT_EQ(modal, AppDialogs::Answer::Yes);
    QApplication::processEvents();
    EXPECT_EQ(answers, (std::vector<AppDialogs::Answer>{AppDialogs::Answer::Yes, AppDialogs::Answer::Ok}));
    for (QWidget* top : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox*>(top) && top->isVisible()) << "a box is still up";

    EXPECT_EQ(logged(), (std::vector<std::string>{"question|yes-no|Stop|Stop all recordings?",
                                                   "information|ok-cancel|Note|Done.",
                                                   "question|yes-no|Exit|Really?"}));
}

} // namespace
