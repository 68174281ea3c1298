// The Application tab and the two main buttons: the alert checks in their
// order, OK storing [App] and the viewer layout, Apply storing nothing, and
// Apply reconnecting a real viewer to camsim's other camera.
#include "FormFixture.h"

#include "app/appconfig/ApplicationPage.h"
#include "app/host/ViewerHost.h"
#include "support/CamsimProcess.h"
#include "support/EventWait.h"

#include <QCheckBox>
#include <QKeyEvent>

#include <chrono>
#include <functional>
#include <thread>

namespace {

using OkAndApply = FormFixture;

TEST_F(OkAndApply, TheApplicationTabShowsTheAlertSettings)
{
    form->tabs()->setCurrentIndex(AppCfgForm::kApplicationTab);
    EXPECT_EQ(edit("percentTest")->text(), "7");
    EXPECT_EQ(edit("spaceText")->text(), "80");
    EXPECT_EQ(edit("alertLineTxt")->text(), "20");
    EXPECT_TRUE(child<QCheckBox>("circularCheck")->isChecked());
    EXPECT_EQ(child<QCheckBox>("circularCheck")->text(), "Cycle Recording");
    EXPECT_EQ(child<QLabel>("percentLbl")->text(), "Alert Free Persentage (%)");
    EXPECT_EQ(child<QLabel>("spaceLbl")->text(), "Alert Free Space [MB]");
    EXPECT_EQ(child<QLabel>("alertLineLbl")->text(), "Message Numbers");
    EXPECT_EQ(child<QLabel>("selectExpLbl")->text(), "Export Configuration");
    EXPECT_EQ(child<QLabel>("selectImpLbl")->text(), "Import Configuration");
    for (const char* name : {"selectExpCob", "selectImpCob"}) {
        QComboBox* choice = child<QComboBox>(name);
        ASSERT_EQ(choice->count(), 2);
        EXPECT_EQ(choice->itemText(0), "Application Configuration");
        EXPECT_EQ(choice->itemText(1), "eMap");
        EXPECT_EQ(choice->currentIndex(), -1);
        EXPECT_EQ(choice->placeholderText(), "Select One");
    }
    screenshot("application-tab");
    form->tabs()->setCurrentIndex(AppCfgForm::kInitialSetupTab);
    screenshot("initial-setup-tab");
}

TEST_F(OkAndApply, RefusedAlertSettingsEndOkShowTheSettingAgainAndStoreNothing)
{
    const std::string before = configText();
    form->show();
    struct Case {
        const char* field;
        const char* typed;
        const char* shownAgain;
        std::string message;
    };
    const std::vector<Case> refused = {
        {"percentTest", "0", "7", "Please input a number between 1 and 99 for all alert percent."},
        {"percentTest", "100", "7", "Please input a number between 1 and 99 for all alert percent."},
        {"spaceText", "0", "80", "Please input a number between 1 and 999 for all alert free."},
        {"spaceText", "1000", "80", "Please input a number between 1 and 999 for all alert free."},
        {"alertLineTxt", "0", "20", "Please input a line numbers between 1 and 99 for all alert msg."},
        {"alertLineTxt", "100", "20", "Please input a line numbers between 1 and 99 for all alert msg."},
    };
    for (const Case& c : refused) {
        dialogs.asked.clear();
        host.calls.clear();
        type("percentTest", "9");
        type("spaceText", "90");
        type("alertLineTxt", "25");
        child<QCheckBox>("circularCheck")->setChecked(false);
        type(c.field, c.typed);
        click("fBtn1");
        EXPECT_EQ(dialogs.texts(), std::vector<std::string>{c.message}) << c.field << " " << c.typed;
        EXPECT_EQ(edit(c.field)->text(), c.shownAgain) << "the current setting again";
        EXPECT_EQ(host.calls, (std::vector<std::string>{"wait:Please wait for a moment...", "unwait"}));
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(configText(), before);
        // Reset what the earlier, accepted fields set in memory.
        config.loadAppCfg();
    }

    // The order: the percentage is reported before a bad line number, and
    // the settings before the refused one were taken in memory.
    dialogs.asked.clear();
    type("percentTest", "100");
    type("alertLineTxt", "0");
    click("fBtn1");
    EXPECT_EQ(dialogs.texts().size(), 1u);
    EXPECT_EQ(edit("alertLineTxt")->text(), "0");
    type("percentTest", "12");
    type("spaceText", "300");
    child<QCheckBox>("circularCheck")->setChecked(false);
    click("fBtn1");
    EXPECT_EQ(config.getAlertPercent(), 12);
    EXPECT_EQ(config.getAlertSpace(), "300");
    EXPECT_EQ(config.getCircularMode(), 0);
    EXPECT_EQ(config.getAlertLineNum(), 20);
}

TEST_F(OkAndApply, OkStoresTheApplicationSettingsAndTheViewerLayoutThenHides)
{
    openOn(AppCfgForm::kCameraTab);
    form->show();
    QComboBox* views = form->viewerLayoutChoice();
    views->setCurrentIndex(2);
    emit views->activated(2);
    EXPECT_EQ(config.getViewerLayout(), 4) << "in memory at once";
    type("camTxt6", "Front door");
    type("percentTest", "1");
    type("spaceText", "999");
    type("alertLineTxt", "99");
    child<QCheckBox>("circularCheck")->setChecked(false);

    click("fBtn1");
    EXPECT_TRUE(dialogs.texts().empty());
    EXPECT_EQ(stored("App", "VIEWER_LAYOUT"), "4");
    EXPECT_EQ(stored("App", "SET_PERCENT"), "1");
    EXPECT_EQ(stored("App", "SET_ALERT_SPACE"), "999");
    EXPECT_EQ(stored("App", "SET_CIRCULAR_MODE"), "0");
    EXPECT_EQ(stored("App", "SET_LINE_NUM"), "99");
    EXPECT_EQ(stored("App", "APP_CFG_FORM_LAYOUT"), "default");
    // The camera's fields were applied to the running camera, which is
    // stored with all the others.
    EXPECT_EQ(cameras->getCamera(0)->getDisplayLocation(), "Front door");
    EXPECT_EQ(stored("Camera1", "DISPLAY_LOCATION"), "Front door");
    EXPECT_EQ(stored("Camera16", "PORT"), "80");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"wait:Please wait for a moment...", "layout:4", "unwait"}));
    EXPECT_FALSE(form->isVisible());

    // Shown again, the fields are as they were left.
    form->showWindow();
    EXPECT_EQ(edit("spaceText")->text(), "999");
    EXPECT_EQ(form->tabs()->currentIndex(), AppCfgForm::kCameraTab);
}

TEST_F(OkAndApply, ACameraSavedBetweenTwoOksKeepsItsSavedSection)
{
    openOn(AppCfgForm::kCameraTab, 1);
    form->show();
    click("fBtn1");
    form->showWindow();
    type("camTxt6", "Stairs");
    click("camBtn2");
    EXPECT_EQ(stored("Camera2", "DISPLAY_LOCATION"), "Stairs");
    form->camList()->setCurrentRow(0);
    click("fBtn1");
    EXPECT_EQ(stored("Camera2", "DISPLAY_LOCATION"), "Stairs");
}

TEST_F(OkAndApply, ApplyChangesTheRunningCameraAndWritesNothing)
{
    const std::string before = configText();
    openOn(AppCfgForm::kCameraTab);
    form->show();
    type("camTxt1", "127.0.0.1");
    type("camTxt2", "8081");
    type("percentTest", "50");
    click("fBtn2");
    EXPECT_TRUE(dialogs.texts().empty());
    EXPECT_EQ(viewer->text("URL"), "http://127.0.0.1:8081");
    EXPECT_EQ(config.getAlertPercent(), 7) << "Apply leaves the alert settings";
    EXPECT_EQ(host.calls, (std::vector<std::string>{"wait:Please wait for a moment...", "unwait"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(configText(), before);

    // A refused field still ends Apply with the wait window gone.
    host.calls.clear();
    type("camTxt4", "0");
    click("fBtn2");
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please input a number between 1 and 30 for all Frame rate."});
    EXPECT_EQ(host.calls.back(), "unwait");
}

TEST(ApplyAgainstCamsim, ANewPortReconnectsTheViewerToTheOtherCamera)
{
    testApp();
    if (!CamsimProcess::available())
        GTEST_SKIP() << "camsim is not built";
    TempDir registry;
    ::setenv("STROVIX_REGISTRY", registry.path().c_str(), 1);
    CamsimProcess cams({"--cameras", "2", "--audio-off", "--no-auth"});
    ASSERT_TRUE(cams.started());

    TempDir home;
    std::filesystem::create_directories(home.file("etc"));
    std::filesystem::create_directories(home.file("rec"));
    std::filesystem::create_directories(home.file("snap"));
    home.write("etc/config.ini", "[Camera1]\nIP=127.0.0.1\nPORT=" + std::to_string(cams.port(0)) +
                                     "\nREC_PATH=" + home.file("rec") + "\nSNAPSHOT_PATH=" + home.file("snap") + "\n");
    const std::string before = home.read("etc/config.ini");
    AppCfgGO config;
    config.initConfig(home.path());
    {
        QWidget parent;
        host::ViewerHost controls(std::string(std::getenv("OCULON_BUILD_BIN")) + "/libstrovix.so");
        ASSERT_EQ(controls.create(1), platform::component::S_OK);
        ASSERT_EQ(controls.createWindow(0, &parent, 320, 240), platform::component::S_OK);
        parent.show();
        ViewerGO viewers;
        viewers.setViewers(controls.viewers());
        CameraGO cameras(config, viewers);
        Camera& camera = *cameras.getCamera(0);
        camera.connect();
        ASSERT_TRUE(pumpUntil([&] { return cams.countRequests("/GetData.cgi", 0) > 0; }, 60000)) << "first camera";

        CapturedDialogs dialogs;
        CapturedDialogs::Installed installed(dialogs);
        AppCfgForm form(cameras);
        form.camList()->setCurrentRow(0);
        form.tabs()->setCurrentIndex(AppCfgForm::kCameraTab);
        form.findChild<QLineEdit*>("camTxt2")->setText(QString::number(cams.port(1)));
        form.pressApply();
        EXPECT_TRUE(dialogs.texts().empty());
        EXPECT_EQ(camera.getViewer().url(), cams.url(1));
        EXPECT_TRUE(camera.isConnecting());
        EXPECT_TRUE(pumpUntil([&] { return cams.countRequests("/GetData.cgi", 1) > 0; }, 60000)) << "second camera";

        controls.shutdown();
        viewers.clear();
        cameras.releaseViewers();
    }
    EXPECT_EQ(home.read("etc/config.ini"), before);
    ::unsetenv("STROVIX_REGISTRY");
}

} // namespace

namespace {

// The Camera tab's fields belong to the camera chosen in the list, on any
// tab: OK or Apply after choosing another camera on the Scheduling or the
// Application tab store exactly what that camera showed.
TEST_F(OkAndApply, AnotherCameraChosenOnAnyTabGetsOnlyItsOwnFields)
{
    openOn(AppCfgForm::kCameraTab, 0);
    form->show();
    EXPECT_EQ(edit("camTxt6")->text(), "Gate");

    // Scheduling tab, camera 5, OK: camera 5 keeps its own address and name.
    form->tabs()->setCurrentIndex(AppCfgForm::kSchedulingTab);
    form->camList()->setCurrentRow(4);
    click("fBtn1");
    EXPECT_EQ(cameras->getCamera(4)->getIP(), "");
    // OK stores every camera as it runs: camera 5 with its own empty values.
    EXPECT_EQ(stored("Camera5", "DISPLAY_LOCATION"), "");
    EXPECT_EQ(stored("Camera5", "IP"), "");
    EXPECT_EQ(stored("Camera1", "IP"), "10.0.0.5");
    EXPECT_EQ(cameras->getCamera(0)->getDisplayLocation(), "Gate");

    // Application tab, camera 1 again, Apply: camera 1's own fields, as shown.
    form->showWindow();
    form->tabs()->setCurrentIndex(AppCfgForm::kApplicationTab);
    form->camList()->setCurrentRow(4);
    form->camList()->setCurrentRow(0);
    EXPECT_EQ(edit("camTxt6")->text(), "Gate");
    click("fBtn2");
    EXPECT_EQ(cameras->getCamera(0)->getIP(), "10.0.0.5");
    EXPECT_EQ(cameras->getCamera(0)->getRecPath(), home.file("rec"));
    EXPECT_EQ(cameras->getCamera(4)->getDisplayLocation(), "");
    EXPECT_TRUE(dialogs.texts().empty()) << dialogs.texts().front();
}

// Escape and the close button leave the window without storing anything.
TEST_F(OkAndApply, EscapeAndCloseStoreNothing)
{
    const std::string before = configText();
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Escape" : "close");
        openOn(AppCfgForm::kCameraTab, 0);
        form->showWindow();
        type("camTxt6", "Back yard");
        type("percentTest", "50");
        if (escape) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(form.get(), &press);
        } else {
            form->close();
        }
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(configText(), before);
        EXPECT_EQ(cameras->getCamera(0)->getDisplayLocation(), "Gate");
        EXPECT_EQ(config.getAlertPercent(), 7);
        EXPECT_TRUE(host.calls.empty());
    }
}

// "Cycle Recording" is ticked exactly when cycling is on (the value 1).
class CycleValues : public OkAndApply {
protected:
    std::string initialConfig() const override
    {
        std::string text = OkAndApply::initialConfig();
        text.replace(text.find("SET_CIRCULAR_MODE=1"), 19, "SET_CIRCULAR_MODE=2");
        return text;
    }
};
TEST_F(CycleValues, OnlyTheValueOneTicksCycleRecordingAndOkKeepsAnOtherOffValue)
{
    form->tabs()->setCurrentIndex(AppCfgForm::kApplicationTab);
    EXPECT_FALSE(child<QCheckBox>("circularCheck")->isChecked());
    click("fBtn1");
    EXPECT_EQ(stored("App", "SET_CIRCULAR_MODE"), "2") << "OK switched cycling on";
}

} // namespace
