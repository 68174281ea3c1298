// The program's start-up and shut-down run inside the test: the exit button
// ends the event loop after hiding the windows opened beside the main window.
#include "app/mainwindow/Application.h"
#include "app/mainwindow/SecondaryWindows.h"
#include "platform/component/Creation.h"
#include "support/CapturedDialogs.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace {

void ensureApp()
{
    static int argc = 1;
    static char name[] = "app_mainwindow_tests";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv);
}

QWidget* mainForm()
{
    for (QWidget* each : QApplication::topLevelWidgets())
        if (each->objectName() == "MainForm" && each->isVisible())
            return each;
    return nullptr;
}

TEST(ApplicationShutDown, ExitButtonHidesTheWindowsOpenedBesideTheMainWindow)
{
    ensureApp();
    TempDir home;
    TempDir registry;
    ::setenv("OCULON_HOME", home.path().c_str(), 1);
    ::setenv("STROVIX_REGISTRY", registry.path().c_str(), 1);
    // The control library is found through the registry (it does not lie
    // beside the test program).
    ASSERT_FALSE(platform::component::failed(
        platform::component::registerLibrary(std::string(std::getenv("OCULON_BUILD_BIN")) + "/libstrovix.so")));
    CapturedDialogs dialogs;
    CapturedDialogs::Installed captured(dialogs);

    CommandLine options;
    options.quitAfterSeconds = 120; // bounds a test that goes wrong
    Application program(options);
    std::map<std::string, QPointer<QWidget>> opened;
    bool exitClicked = false;
    // Acts once the main window is on screen (start-up may let events run earlier).
    QTimer operatorHand;
    operatorHand.setInterval(20);
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        QWidget* form = mainForm();
        if (!form)
            return;
        operatorHand.stop();
        for (const char* name : {"PlaybackBtn", "AppCfgBtn", "eLayoutBtn"}) {
            auto* button = form->findChild<QAbstractButton*>(name);
            if (!button)
                continue;
            button->click();
            for (QWidget* each : QApplication::topLevelWidgets())
                if (each->isVisible() && each != form && each->parentWidget() == form)
                    opened[each->windowTitle().toStdString()] = each;
        }
        if (auto* exit = form->findChild<QAbstractButton*>("ExitBtn")) {
            exitClicked = true;
            exit->click();
        }
    });
    operatorHand.start();
    EXPECT_EQ(program.run(), 0);
    ::unsetenv("OCULON_HOME");
    ::unsetenv("STROVIX_REGISTRY");

    ASSERT_TRUE(exitClicked) << "the main window did not come up";
    EXPECT_TRUE(dialogs.texts().empty());
    ASSERT_EQ(opened.size(), 3u);
    for (const char* title : {"Record List", "Application Configuration", "eMap"}) {
        ASSERT_TRUE(opened.count(title)) << title;
        ASSERT_FALSE(opened[title].isNull()) << title;
        EXPECT_FALSE(opened[title]->isVisible()) << title << " stayed on screen";
    }
}

} // namespace
