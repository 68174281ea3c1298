// The program's start-up and shut-down run inside the test: the exit button
// ends the event loop after hiding the windows opened beside the main window,
// and cameras that never answer hold up neither the first picture of the
// window nor its end.
#include "app/mainwindow/Application.h"
#include "app/mainwindow/SecondaryWindows.h"
#include "platform/component/Creation.h"
#include "support/CamsimProcess.h"
#include "support/CapturedDialogs.h"
#include "support/GuiApp.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

QWidget* mainForm()
{
    for (QWidget* each : QApplication::topLevelWidgets())
        if (each->objectName() == "MainForm" && each->isVisible())
            return each;
    return nullptr;
}

// A private application folder and registry for one run of the program; the
// control library is found through the registry (it does not lie beside the
// test program).
class ApplicationShutDown : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        ::setenv("OCULON_HOME", home.path().c_str(), 1);
        ::setenv("STROVIX_REGISTRY", registry.path().c_str(), 1);
        ASSERT_FALSE(platform::component::failed(platform::component::registerLibrary(
            std::string(std::getenv("OCULON_BUILD_BIN")) + "/libstrovix.so")));
    }
    void TearDown() override
    {
        ::unsetenv("OCULON_HOME");
        ::unsetenv("STROVIX_REGISTRY");
    }

    TempDir home;
    TempDir registry;
    CapturedDialogs dialogs;
    CapturedDialogs::Installed captured{dialogs};
};

TEST_F(ApplicationShutDown, ExitButtonHidesTheWindowsOpenedBesideTheMainWindow)
{

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

    ASSERT_TRUE(exitClicked) << "the main window did not come up";
    EXPECT_TRUE(dialogs.texts().empty());
    ASSERT_EQ(opened.size(), 3u);
    for (const char* title : {"Record List", "Application Configuration", "eMap"}) {
        ASSERT_TRUE(opened.count(title)) << title;
        ASSERT_FALSE(opened[title].isNull()) << title;
        EXPECT_FALSE(opened[title]->isVisible()) << title << " stayed on screen";
    }
}

TEST_F(ApplicationShutDown, SixteenSilentCamerasHoldUpNeitherTheWindowNorTheExit)
{
    CamsimProcess cams({"--cameras", "16", "--no-auth", "--fault", "silent"});
    ASSERT_TRUE(cams.started());
    std::string config = "[App]\nVIEWER_LAYOUT=16\n";
    for (int i = 0; i < 16; ++i)
        config += "[Camera" + std::to_string(i + 1) + "]\nIP=127.0.0.1\nPORT=" + std::to_string(cams.port(i)) + "\n";
    std::filesystem::create_directories(home.file("etc"));
    std::ofstream(home.file("etc/config.ini")) << config;

    CommandLine options;
    options.quitAfterSeconds = 120; // bounds a test that goes wrong
    Application program(options);
    QElapsedTimer sinceStart;
    qint64 shownAfter = -1, tickedAfter = -1, exitClickedAt = -1;
    QString firstClock;
    QTimer operatorEye;
    operatorEye.setInterval(10);
    QObject::connect(&operatorEye, &QTimer::timeout, [&] {
        QWidget* form = mainForm();
        const auto* clock = form ? form->findChild<QLabel*>("ClockLbl") : nullptr;
        if (!clock || clock->text().isEmpty())
            return;
        if (shownAfter < 0) {
            shownAfter = sinceStart.elapsed();
            firstClock = clock->text();
        } else if (clock->text() != firstClock && tickedAfter < 0) {
            tickedAfter = sinceStart.elapsed();
            operatorEye.stop();
            exitClickedAt = sinceStart.elapsed();
            form->findChild<QAbstractButton*>("ExitBtn")->click();
        }
    });
    sinceStart.start();
    operatorEye.start();
    EXPECT_EQ(program.run(), 0);
    const qint64 ended = sinceStart.elapsed();

    ASSERT_GE(tickedAfter, 0) << "the clock never ticked";
    std::printf("16 silent cameras: window shown after %lld ms, clock ticked after %lld ms, exit took %lld ms\n",
                static_cast<long long>(shownAfter), static_cast<long long>(tickedAfter),
                static_cast<long long>(ended - exitClickedAt));
    // Bounds for a loaded machine, well above the figures printed (a held-up
    // start or end takes the cameras' whole connection timeout).
    EXPECT_LT(shownAfter, 10000);
    EXPECT_LT(tickedAfter - shownAfter, 10000);
    EXPECT_LT(ended - exitClickedAt, 15000);
    EXPECT_FALSE(cams.requestLog().empty()) << "the cameras were never asked";
}

} // namespace
