// The configuration window's frame and its Camera tab: controls and captions,
// the camera list's rules, the camera fields' checks in their order, Save,
// Restore and the folder choices.
#include "FormFixture.h"
#include "support/GuideShots.h"

#include "app/appconfig/AppCfgFields.h"
#include "app/appconfig/CameraPage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>

namespace {

using Window = FormFixture;

TEST_F(Window, EveryControlCarriesItsNameAndCaptionAndTheListsAreFilled)
{
    EXPECT_EQ(form->windowTitle(), "Application Configuration");
    const std::vector<QString> tabs = {"Initial Setup", "Camera", "Scheduling", "Application"};
    ASSERT_EQ(form->tabs()->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->tabs()->tabText(i), tabs[static_cast<size_t>(i)]);
    EXPECT_EQ(form->tabs()->objectName(), "SSTab1");

    const std::vector<std::pair<const char*, QString>> captions = {
        {"fBtn1", "OK"}, {"fBtn2", "Apply"}, {"camChk1", "Recording at Start"}, {"camBtn1", "Restore"},
        {"camBtn2", "Save"}, {"camLbl1", "IP"}, {"camLbl2", "Port"}, {"camLbl6", "Display Location"},
        {"camLbl3", "Record Path"}, {"camLbl4", "Record Frame Rate"}, {"camLbl5", "Record Number of Frame"},
        {"camLbl7", "Snapshot Path"}, {"camChk2", "Record on Motion"}, {"camLbl8", "Motion Hold (Sec)"},
        {"appLbl1", "Viewer Layout"}, {"Frame1", "Camera List"}};
    for (const auto& [name, caption] : captions) {
        QWidget* control = child(name);
        ASSERT_NE(control, nullptr);
        QString shown;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            shown = button->text();
        else if (auto* label = qobject_cast<QLabel*>(control))
            shown = label->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(control))
            shown = frame->title();
        EXPECT_EQ(shown, caption) << name;
    }
    for (const char* name : {"camTxt1", "camTxt2", "camTxt3", "camTxt4", "camTxt5", "camTxt6", "camTxt7", "camTxt8"})
        EXPECT_NE(edit(name), nullptr);
    child<QAbstractButton>("camTxt3cmd");
    child<QAbstractButton>("camTxt7cmd");
    EXPECT_EQ(edit("camTxt2")->text(), "80") << "before any camera is shown";

    ASSERT_EQ(form->camList()->count(), 16);
    EXPECT_EQ(form->camList()->item(0)->text(), "1 Camera");
    EXPECT_EQ(form->camList()->item(15)->text(), "16 Camera");
    QComboBox* views = form->viewerLayoutChoice();
    ASSERT_EQ(views->count(), 4);
    EXPECT_EQ(views->itemText(0), "16");
    EXPECT_EQ(views->itemText(3), "1");
    EXPECT_EQ(views->currentText(), "9") << "the current viewer layout";
}

TEST_F(Window, TheCameraListFollowsTheTabsAndShowsTheChosenCamera)
{
    // Opening shows Initial Setup with the list off.
    EXPECT_EQ(form->tabs()->currentIndex(), AppCfgForm::kInitialSetupTab);
    EXPECT_FALSE(form->camList()->isEnabled());
    EXPECT_EQ(form->camList()->currentRow(), -1);

    // Another tab turns it on, selects the first camera and shows it.
    form->tabs()->setCurrentIndex(AppCfgForm::kCameraTab);
    EXPECT_TRUE(form->camList()->isEnabled());
    EXPECT_EQ(form->camList()->currentRow(), 0);
    EXPECT_EQ(edit("camTxt1")->text(), "10.0.0.5");
    EXPECT_EQ(edit("camTxt2")->text(), "8080");
    EXPECT_EQ(edit("camTxt6")->text(), "Gate");
    EXPECT_EQ(edit("camTxt3")->text().toStdString(), home.file("rec"));
    EXPECT_EQ(edit("camTxt4")->text(), "15");
    EXPECT_EQ(edit("camTxt5")->text(), "500");
    EXPECT_EQ(edit("camTxt7")->text().toStdString(), home.file("snap"));
    EXPECT_FALSE(child<QCheckBox>("camChk1")->isChecked());
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(guide_shots::guideShot(form->grab().toImage(), "config-camera-tab"));

    // Clicking another camera shows its fields (an unconfigured slot: the defaults).
    form->camList()->setCurrentRow(3);
    EXPECT_EQ(edit("camTxt1")->text(), "");
    EXPECT_EQ(edit("camTxt2")->text(), "80");
    EXPECT_EQ(edit("camTxt3")->text().toStdString(), config.getDefaultRecPath(3));

    // Back on Initial Setup the list is off again, its selection kept.
    form->tabs()->setCurrentIndex(AppCfgForm::kInitialSetupTab);
    EXPECT_FALSE(form->camList()->isEnabled());
    EXPECT_EQ(form->camList()->currentRow(), 3);

    // The e-map's entry opens the Camera tab on its camera.
    form->showCamera(5);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->tabs()->currentIndex(), AppCfgForm::kCameraTab);
    EXPECT_EQ(form->camList()->currentRow(), 5);
    EXPECT_EQ(edit("camTxt3")->text().toStdString(), config.getDefaultRecPath(5));
    screenshot("camera-tab");

    // Restore puts the camera's values back over typed ones.
    type("camTxt6", "typed");
    click("camBtn1");
    EXPECT_EQ(edit("camTxt6")->text(), "");

    // With no camera in the list, the buttons say so and do nothing.
    form->camList()->clear();
    click("camBtn2");
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please select a camera."});
}

TEST_F(Window, CameraFieldsAreCheckedAndAppliedInTheirOrder)
{
    openOn(AppCfgForm::kCameraTab);
    Camera& camera = *cameras->getCamera(0);
    CameraPage& page = *form->cameraPage();

    // A missing folder refuses everything, before any other field is looked at.
    type("camTxt2", "0");
    type("camTxt6", "Yard");
    type("camTxt7", QString::fromStdString(home.file("no-such-folder")));
    EXPECT_FALSE(page.applyCameraFields(camera));
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please input a valid path."});
    EXPECT_EQ(camera.getDisplayLocation(), "Gate");
    type("camTxt7", "");
    EXPECT_FALSE(page.applyCameraFields(camera));
    EXPECT_EQ(dialogs.texts().size(), 2u);
    type("camTxt7", QString::fromStdString(home.file("snap2")));

    // Ports 0, 65536 and "x" are refused and the field shows the camera's port again.
    for (const char* port : {"0", "65536", "x8"}) {
        dialogs.asked.clear();
        type("camTxt2", port);
        EXPECT_FALSE(page.applyCameraFields(camera)) << port;
        EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please input a number between 1 and 65535 for all Port."});
        EXPECT_EQ(edit("camTxt2")->text(), "8080");
        EXPECT_EQ(camera.getDisplayLocation(), "Gate") << "nothing after the port was applied";
    }

    // A bad frame rate stops after the address, the name and the recording
    // folder were applied; the field shows the camera's rate again.
    dialogs.asked.clear();
    type("camTxt1", "127.0.0.1");
    type("camTxt2", "65535");
    type("camTxt3", QString::fromStdString(home.file("rec2")));
    type("camTxt4", "31");
    EXPECT_FALSE(page.applyCameraFields(camera));
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please input a number between 1 and 30 for all Frame rate."});
    EXPECT_EQ(edit("camTxt4")->text(), "15");
    EXPECT_EQ(camera.getIP(), "127.0.0.1");
    EXPECT_EQ(camera.getPort(), 65535);
    EXPECT_EQ(viewer->text("URL"), "http://127.0.0.1:65535") << "the new address was connected";
    EXPECT_TRUE(camera.isConnecting());
    EXPECT_EQ(camera.getDisplayLocation(), "Yard");
    EXPECT_EQ(camera.getRecPath(), home.file("rec2"));
    EXPECT_EQ(camera.getRecFrameRate(), 15);
    EXPECT_EQ(camera.getSnapshotPath(), home.file("snap")) << "the snapshot folder comes last";

    // Frames per file: 0 and 100000 refused after the frame rate was set.
    for (const char* frames : {"0", "100000"}) {
        dialogs.asked.clear();
        type("camTxt4", "30");
        type("camTxt5", frames);
        EXPECT_FALSE(page.applyCameraFields(camera));
        EXPECT_EQ(dialogs.texts(),
                  std::vector<std::string>{"Please input a number between 1 and 99999 for all Number of rate."});
        EXPECT_EQ(edit("camTxt5")->text(), "500");
        EXPECT_EQ(camera.getRecFrameRate(), 30);
    }

    // Everything valid: all applied, the same address does not reconnect.
    dialogs.asked.clear();
    const int urlWrites = viewer->count("URL=http://127.0.0.1:65535");
    type("camTxt5", "99999");
    child<QCheckBox>("camChk1")->setChecked(true);
    EXPECT_TRUE(page.applyCameraFields(camera));
    EXPECT_TRUE(dialogs.texts().empty());
    EXPECT_EQ(camera.getRecNumFrame(), 99999);
    EXPECT_EQ(camera.getSnapshotPath(), home.file("snap2"));
    EXPECT_TRUE(camera.isRecAtStart());
    EXPECT_EQ(viewer->count("URL=http://127.0.0.1:65535"), urlWrites);
    EXPECT_EQ(viewer->text("AviPre"), "r-Yard_!0_");

    // Nothing of this reached the file.
    EXPECT_EQ(stored("Camera1", "PORT"), "8080");
}

TEST_F(Window, SaveStoresOnlyThatCameraSectionEvenWhenACheckFails)
{
    openOn(AppCfgForm::kCameraTab, 1);
    type("camTxt1", "10.0.0.9");
    type("camTxt2", "81");
    type("camTxt6", "Hall");
    type("camTxt4", "0");
    click("camBtn2");
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please input a number between 1 and 30 for all Frame rate."});
    // The steps before the failed check were applied and are stored.
    EXPECT_EQ(stored("Camera2", "IP"), "10.0.0.9");
    EXPECT_EQ(stored("Camera2", "PORT"), "81");
    EXPECT_EQ(stored("Camera2", "DISPLAY_LOCATION"), "Hall");
    EXPECT_EQ(stored("Camera2", "REC_FRAME_RATE"), "30");
    EXPECT_EQ(stored("Camera1", "DISPLAY_LOCATION"), "Gate");
    EXPECT_EQ(stored("Camera3", "IP"), "<absent>") << "other cameras are not written";
    EXPECT_EQ(stored("Camera2", "REC_ON_MOTION"), "<absent>") << "motion keys only when set";
    EXPECT_EQ(stored("Camera2", "MOTION_HOLD"), "<absent>");
    EXPECT_EQ(stored("App", "PANEL_LAYOUT"), "<absent>");
}

TEST_F(Window, MotionSettingsAreShownCheckedLastAndStoredBySave)
{
    openOn(AppCfgForm::kCameraTab);
    Camera& camera = *cameras->getCamera(0);
    auto* onMotion = child<QCheckBox>("camChk2");
    // A section without the keys shows the defaults.
    EXPECT_FALSE(onMotion->isChecked());
    EXPECT_EQ(edit("camTxt8")->text(), "30");

    // Restore shows the camera's motion settings over typed ones.
    camera.setRecOnMotion(true);
    camera.setMotionHold(45);
    type("camTxt8", "7");
    click("camBtn1");
    EXPECT_TRUE(onMotion->isChecked());
    EXPECT_EQ(edit("camTxt8")->text(), "45");

    // A refused hold is the last check: the steps before it are applied, the
    // field shows the camera's hold again and neither motion setting changes.
    onMotion->setChecked(false);
    child<QCheckBox>("camChk1")->setChecked(true);
    for (const char* hold : {"0", "3601", "", "1.5"}) {
        dialogs.asked.clear();
        type("camTxt8", hold);
        EXPECT_FALSE(form->cameraPage()->applyCameraFields(camera)) << hold;
        EXPECT_EQ(dialogs.texts(),
                  std::vector<std::string>{"Please input a number between 1 and 3600 for all Motion hold."});
        EXPECT_EQ(edit("camTxt8")->text(), "45");
        EXPECT_TRUE(camera.isRecOnMotion()) << hold;
        EXPECT_EQ(camera.getMotionHold(), 45);
        EXPECT_TRUE(camera.isRecAtStart()) << "applied before the hold was checked";
    }

    // Both ends of the range are accepted; Save writes the keys.
    dialogs.asked.clear();
    type("camTxt8", "1");
    EXPECT_TRUE(form->cameraPage()->applyCameraFields(camera));
    EXPECT_EQ(camera.getMotionHold(), 1);
    EXPECT_FALSE(camera.isRecOnMotion());
    onMotion->setChecked(true);
    type("camTxt8", " 3600 ");
    click("camBtn2");
    EXPECT_TRUE(dialogs.texts().empty());
    EXPECT_TRUE(camera.isRecOnMotion());
    EXPECT_EQ(stored("Camera1", "REC_ON_MOTION"), "1");
    EXPECT_EQ(stored("Camera1", "MOTION_HOLD"), "3600");

    // A refused hold on Save still stores what was applied before it.
    type("camTxt8", "0");
    onMotion->setChecked(false);
    type("camTxt6", "Dock");
    click("camBtn2");
    EXPECT_EQ(stored("Camera1", "DISPLAY_LOCATION"), "Dock");
    EXPECT_EQ(stored("Camera1", "REC_ON_MOTION"), "1");
    EXPECT_EQ(stored("Camera1", "MOTION_HOLD"), "3600");
}

TEST_F(Window, FolderChoicesAskWithThePromptAndTheSnapshotFolderRefusesAVolumeRoot)
{
    openOn(AppCfgForm::kCameraTab);
    const QString snap = edit("camTxt7")->text();
    const std::string mount = home.file("mnt");
    const std::string folder = home.file("mnt/disk1");

    // The snapshot button refuses "/" and a mount point, as typed with a
    // trailing slash too, and accepts a folder below.
    dialogs.files = {"/", mount, mount + "/", folder};
    for (int i = 0; i < 3; ++i) {
        click("camTxt7cmd");
        EXPECT_EQ(edit("camTxt7")->text(), snap);
    }
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>(3, "Please don't use root, try to choose a folder."));
    click("camTxt7cmd");
    EXPECT_EQ(edit("camTxt7")->text().toStdString(), folder);
    EXPECT_EQ(dialogs.fileCaptions, std::vector<std::string>(4, "請選取資料夾"));

    // The recording button takes a volume root as well as a folder; a cancelled choice changes nothing.
    dialogs.asked.clear();
    dialogs.files = {"/", mount, std::nullopt};
    click("camTxt3cmd");
    EXPECT_EQ(edit("camTxt3")->text(), "/");
    click("camTxt3cmd");
    EXPECT_EQ(edit("camTxt3")->text().toStdString(), mount);
    click("camTxt3cmd");
    EXPECT_EQ(edit("camTxt3")->text().toStdString(), mount);
    EXPECT_TRUE(dialogs.texts().empty());

    // Double-clicking the snapshot field is the same choice with the same refusal.
    dialogs.files = {"/"};
    QMouseEvent press(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(edit("camTxt7"), &press);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please don't use root, try to choose a folder."});
    EXPECT_EQ(edit("camTxt7")->text().toStdString(), folder);
}

TEST(VolumeRoot, TheMachinesOwnRootIsRefused)
{
    testApp();
    TempDir home;
    AppCfgGO config;
    config.initConfig(home.path());
    ViewerGO viewers;
    CameraGO cameras(config, viewers);
    CapturedDialogs dialogs;
    CapturedDialogs::Installed installed(dialogs);
    AppCfgForm form(cameras);
    form.camList()->setCurrentRow(0);
    form.tabs()->setCurrentIndex(AppCfgForm::kCameraTab);
    dialogs.files = {"/", home.path()};
    form.cameraPage()->chooseSnapshotPath();
    form.cameraPage()->chooseSnapshotPath();
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please don't use root, try to choose a folder."});
    EXPECT_EQ(form.cameraPage()->field(appcfg::kSnapshotPath)->text().toStdString(), home.path());
}

} // namespace
