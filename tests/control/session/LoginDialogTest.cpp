#include "control/session/LoginDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace strovix;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "login-dialog-tests";
    static char* argv[] = {name, nullptr};
    static auto* a = new QApplication(argc, argv);
    return *a;
}

LoginDialog* openDialog(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<LoginDialog*>(w); d && d->isVisible())
                return d;
    }
    return nullptr;
}

} // namespace

TEST(LoginDialog, WorkerGetsTheOperatorsAnswer)
{
    app();
    auto target = std::make_shared<MessageTarget>();
    DialogCredentialsProvider provider(target);
    std::atomic<int> cancel{0};
    auto answer = std::async(std::launch::async, [&] { return provider.ask("10.0.0.5:80", "cam", cancel); });
    LoginDialog* dlg = openDialog(3000);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->windowTitle(), "Camera login");
    dlg->findChild<QLineEdit*>("userTxt")->setText("administrator");
    dlg->findChild<QLineEdit*>("passwordTxt")->setText("admin");
    dlg->findChild<QCheckBox*>("rememberChk")->setChecked(true);
    dlg->accept();
    const auto result = answer.get();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->user, "administrator");
    EXPECT_EQ(result->password, "admin");
    EXPECT_TRUE(result->remember);
    target->close();
}

TEST(LoginDialog, CancelEndsTheWaitAndClosesTheDialog)
{
    app();
    auto target = std::make_shared<MessageTarget>();
    DialogCredentialsProvider provider(target);
    std::atomic<int> cancel{0};
    // Dismissed by the operator: no credentials.
    auto dismissed = std::async(std::launch::async, [&] { return provider.ask("h:1", "", cancel); });
    LoginDialog* dlg = openDialog(3000);
    ASSERT_NE(dlg, nullptr);
    dlg->reject();
    EXPECT_FALSE(dismissed.get());
    QApplication::processEvents();

    // The worker is asked to stop while the dialog is open.
    auto stopped = std::async(std::launch::async, [&] { return provider.ask("h:2", "", cancel); });
    ASSERT_NE(openDialog(3000), nullptr);
    cancel = 1;
    // The wait ends at the next look at the flag; the bound only catches a
    // worker that never looks.
    EXPECT_EQ(stopped.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(stopped.get());
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(openDialog(50), nullptr);
    target->close();
}

TEST(LoginDialog, ClosingTheControlsTargetClosesItsDialogAndEndsTheQuestions)
{
    app();
    auto target = std::make_shared<MessageTarget>();
    DialogCredentialsProvider provider(target);
    std::atomic<int> cancel{0};
    auto open = std::async(std::launch::async, [&] { return provider.ask("h:3", "", cancel); });
    ASSERT_NE(openDialog(3000), nullptr);
    // The control goes while the operator has not answered: its dialog must
    // not stay behind, asking for a camera nobody watches any more.
    target->close();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(openDialog(50), nullptr);
    ASSERT_EQ(open.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_FALSE(open.get());
    // A question after the close has no answer and opens nothing.
    EXPECT_FALSE(std::async(std::launch::async, [&] { return provider.ask("h:4", "", cancel); }).get());
    EXPECT_EQ(openDialog(50), nullptr);
}

TEST(LoginDialog, NamesTheCameraAsTheOperatorKnowsIt)
{
    app();
    EXPECT_EQ(loginPrompt("Camera 3 (Gate)", "127.0.0.1:24315", "realm"),
              QString::fromUtf8("Camera 3 (Gate) at 127.0.0.1:24315 \u2014 realm"));
    EXPECT_EQ(loginPrompt("Camera 3 (Gate)", "127.0.0.1:24315", ""), "Camera 3 (Gate) at 127.0.0.1:24315");
    EXPECT_EQ(loginPrompt("", "127.0.0.1:24315", "realm"), QString::fromUtf8("127.0.0.1:24315 \u2014 realm"));

    // The name is read as the dialog is made, so a renamed view shows its new name.
    auto target = std::make_shared<MessageTarget>();
    std::string name = "Camera 1 (Yard)";
    DialogCredentialsProvider provider(target, [&name] { return name; });
    name = "Camera 3 (<b>Gate</b>)";
    std::atomic<int> cancel{0};
    auto answer = std::async(std::launch::async, [&] { return provider.ask("127.0.0.1:24315", "realm", cancel); });
    LoginDialog* dlg = openDialog(3000);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(dlg->prompt(), QString::fromUtf8("Camera 3 (<b>Gate</b>) at 127.0.0.1:24315 \u2014 realm"));
    const auto* label = dlg->findChild<QLabel*>("promptLbl");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << "a camera's name is no markup";
    dlg->reject();
    EXPECT_FALSE(answer.get());
    target->close();
}
