// The control's own user interface through the component: DelMenu and the
// menu it opens, the administrator gating of the camera's submenus, F11 and
// RecordDialog with the recording sheet, F12 and SaveCurJpgDlg with the
// picture save, the panes in the status bar.
#include "DispatchHost.h"
#include "FakeCamera.h"
#include "support/TempDir.h"
#include "tests/control/display/CapturingDialogs.h"
#include "tests/support/TestPictures.h"

#include "control/automation/VidorraControl.h"
#include "control/automation/VidorraIdentity.h"
#include "control/display/ControlUi.h"
#include "control/display/StatusBar.h"
#include "control/recording/RecordingDialog.h"
#include "control/session/LoginDialog.h"

#include <QCheckBox>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>

using namespace platform::component;
using namespace strovix;

namespace {

const char kCapability[] = "Resolution = 36\nQuality = 21\n";

class VidorraUi : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        control = ComPtr<VidorraControl>::adopt(new VidorraControl(camera.factory()));
        host.d = control.get();
        ASSERT_EQ(control->createWindow(nullptr, 640, 500), S_OK);
    }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMenu*>(w))
                w->hide();
        control->destroyWindow();
        control.reset();
    }
    ControlUi& ui() { return control->display().ui(); }
    ContextMenu& menu() { return ui().contextMenu(); }
    std::vector<std::string> openMenu()
    {
        ui().openContextMenu(0, QPoint(20, 20));
        auto entries = menu().entries();
        menu().menu()->hide();
        return entries;
    }
    // Answers the recording sheet once it runs its own loop.
    void onSheet(std::function<void(recording::RecordingDialog&)> act)
    {
        QTimer::singleShot(0, [act] {
            auto* sheet = qobject_cast<recording::RecordingDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(sheet, nullptr);
            act(*sheet);
        });
    }
    // A camera picture carrying an APP1 segment twice.
    static Frame pictureWithApp1()
    {
        Frame jpeg = test::quadrantPicture();
        const uint8_t app1[] = {0xFF, 0xE1, 0x00, 0x04, 'a', 'b', 0xFF, 0xE1, 0x00, 0x02};
        jpeg.insert(jpeg.begin() + 2, std::begin(app1), std::end(app1));
        return jpeg;
    }
    void show(const Frame& picture)
    {
        SharedFrame shared;
        Frame copy = picture;
        shared.replace(std::move(copy));
        control->display().handleNewFrame(shared, 1, 0, 0);
    }

    CapturingDialogs dialogs;
    FakeCamera camera;
    ComPtr<VidorraControl> control;
    DispatchHost host;
};

} // namespace

TEST_F(VidorraUi, DelMenuTakesEffectWhenTheMenuOpensAndStays)
{
    control->reports().onCapability(kCapability);
    EXPECT_EQ(openMenu(), (std::vector<std::string>{"View", "Quality", "Resolution", "Splits", "Rotate", "",
                                                    "Image Recording(F11)...", "Save Current Picture As(F12)...", "",
                                                    "I am...", "Log in again...", "About..."}));
    EXPECT_EQ(host.call("DelMenu", {2, 0}), S_OK);
    EXPECT_EQ(host.call("DelMenu", {5, 0}), S_OK);
    const auto once = openMenu();
    EXPECT_EQ(std::count(once.begin(), once.end(), "Splits"), 0);
    EXPECT_EQ(std::count(once.begin(), once.end(), "Resolution"), 0);
    EXPECT_EQ(host.call("DelMenu", {0, 0}), S_OK);
    control->reports().onCapability(kCapability); // new submenus: Resolution stays out
    const auto again = openMenu();
    EXPECT_EQ(std::count(again.begin(), again.end(), "Splits"), 0);
    EXPECT_EQ(std::count(again.begin(), again.end(), "Resolution"), 0);
    EXPECT_EQ(ui().paneClicked(3, QPoint()), nullptr) << "the Splits pop-up went with the submenu";
}

TEST_F(VidorraUi, CameraSubmenusAreForTheAdministratorOnly)
{
    ASSERT_TRUE(connectToNobody(host, *control, camera.base));
    ASSERT_TRUE(logIn(*control, 1, "guest"));
    control->reports().onCapability(kCapability);
    EXPECT_EQ(openMenu()[9], "Welcome! guest");
    QMenu* resolution = menu().resolutionMenu();
    ASSERT_NE(resolution, nullptr);
    ASSERT_FALSE(resolution->actions().isEmpty());
    for (QMenu* sub : {resolution, menu().qualityMenu()}) {
        for (QAction* a : sub->actions()) {
            EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
        }
    }
    resolution->actions().front()->trigger();
    menu().qualityMenu()->actions().front()->trigger();
    pumpFor(100);
    EXPECT_TRUE(camera.paths().empty());

    ASSERT_TRUE(logIn(*control, 2, "admin"));
    openMenu();
    EXPECT_TRUE(resolution->actions().front()->isEnabled());
    resolution->actions().front()->trigger();
    pumpUntil([&] { return !camera.paths().empty(); });
    ASSERT_EQ(camera.paths().size(), 1u);
    EXPECT_EQ(camera.paths()[0].rfind("/ChangeResolution.cgi?ResType=", 0), 0u) << camera.paths()[0];
}

TEST_F(VidorraUi, F12SavesTheOnlyCellsPictureWithApp7)
{
    TempDir dir;
    ASSERT_EQ(host.put("Layout", 2), S_OK);
    for (int i = 0; i < 4; ++i)
        show(pictureWithApp1());
    dialogs.fileAnswers.push_back(dir.file("f12.jpg"));
    ui().key(Qt::Key_F12);
    EXPECT_TRUE(dialogs.fileRequests.empty()) << "four cells: F12 does nothing";

    ASSERT_EQ(host.put("Layout", 1), S_OK);
    show(pictureWithApp1());
    ui().key(Qt::Key_F12);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    Frame expected = pictureWithApp1();
    expected[3] = 0xE7; // the first FF E1 only
    const std::string written = dir.read("f12.jpg");
    EXPECT_EQ(Frame(written.begin(), written.end()), expected);

    // SaveCurJpgDlg: the current picture; a cancelled dialog writes nothing.
    control->setCurrentPicture({0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xD9});
    dialogs.fileAnswers.push_back(dir.file("dlg.jpg"));
    EXPECT_EQ(host.call("SaveCurJpgDlg", {}), S_OK);
    EXPECT_EQ(dir.read("dlg.jpg"), std::string("\xFF\xD8\xFF\xE7\xFF\xD9"));
    EXPECT_EQ(host.call("SaveCurJpgDlg", {}), S_OK);
    EXPECT_EQ(dialogs.fileRequests.size(), 3u);
}

TEST_F(VidorraUi, RecordingSheetStartsAndF11Stops)
{
    TempDir dir;
    ASSERT_EQ(host.put("DownloadPath", dir.path()), S_OK);
    // Cancel starts nothing.
    onSheet([](recording::RecordingDialog& sheet) { sheet.reject(); });
    EXPECT_EQ(host.call("RecordDialog", {}), S_OK);
    EXPECT_EQ(host.get("Download"), Variant(0));

    onSheet([](recording::RecordingDialog& sheet) {
        sheet.findChild<QCheckBox*>("306")->click();
        sheet.findChild<QCheckBox*>("307")->click();
        sheet.findChild<QPushButton*>("Start")->click();
    });
    ui().key(Qt::Key_F11);
    EXPECT_EQ(host.get("Download"), Variant(1));
    EXPECT_EQ(host.get("Avi"), Variant(1));
    EXPECT_EQ(control->paneText(6), "Save AVI begin...");
    EXPECT_EQ(ui().statusBar()->paneText(6), "Save AVI begin...");
    EXPECT_EQ(openMenu()[4], "Stop Image Recording(F11)");

    EXPECT_EQ(host.call("RecordDialog", {}), S_OK); // stops, as F11 does
    EXPECT_EQ(host.get("Download"), Variant(0));
    EXPECT_EQ(host.get("Avi"), Variant(0));
    EXPECT_EQ(ui().statusBar()->paneText(6), "No Image Record.");
    EXPECT_EQ(openMenu()[4], "Image Recording(F11)...");
}

TEST_F(VidorraUi, StatusBarCtrlStopsThePopupsOnly)
{
    control->reports().onCapability(kCapability);
    ui().command(menu_id::kStatusBar);
    StatusBar* bar = ui().statusBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_NE(ui().paneClicked(1, bar->mapToGlobal(QPoint(80, 2))), nullptr);
    menu().resolutionMenu()->hide();
    ASSERT_EQ(host.put("StatusBarCtrl", 0), S_OK);
    EXPECT_EQ(ui().paneClicked(1, bar->mapToGlobal(QPoint(80, 2))), nullptr);
    control->session().setPaneText(5, "12.50fps");
    EXPECT_EQ(bar->paneText(5), "12.50fps");
}

// The picture of the control with its pinned status bar and the menu tree
// open. Written to $STROVIX_UI_SCREENSHOT when that is set.
TEST_F(VidorraUi, ScreenshotOfThePinnedBarAndTheMenuTree)
{
    ASSERT_TRUE(logIn(*control, 2, "admin"));
    control->reports().onCapability(kCapability);
    ui().command(menu_id::kStatusBar);
    show(test::cameraLikePicture());
    control->session().setPaneText(6, "Save JPEG begin...");
    QWidget* window = control->window();
    ui().openContextMenu(0, window->mapToGlobal(QPoint(60, 40)));
    QMenu* main = menu().menu();
    ASSERT_TRUE(main->isVisible());

    const QPixmap view = window->grab();
    const QPixmap mainShot = main->grab();
    std::vector<QPixmap> subs;
    for (QMenu* sub : {menu().viewMenu(), menu().qualityMenu(), menu().resolutionMenu(), menu().splitsMenu(),
                       menu().rotateMenu()}) {
        sub->adjustSize();
        subs.push_back(sub->grab());
    }
    int subHeight = 0, subWidth = 0;
    for (auto& s : subs) {
        subHeight += s.height() + 6;
        subWidth = std::max(subWidth, s.width());
    }
    QImage shot(view.width() + subWidth + 20, std::max(view.height(), 40 + subHeight), QImage::Format_RGB32);
    shot.fill(Qt::white);
    QPainter p(&shot);
    p.drawPixmap(0, 0, view);
    p.drawPixmap(60, 40, mainShot);
    int y = 40;
    for (auto& s : subs) {
        p.drawPixmap(view.width() + 10, y, s);
        y += s.height() + 6;
    }
    p.end();
    EXPECT_GT(mainShot.height(), 100);
    if (const char* path = std::getenv("STROVIX_UI_SCREENSHOT")) {
        EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path)));
    }
}

// The login dialog names the view by what its host set anyway: the window's
// index among the host's viewers and the place in the recording prefix.
TEST_F(VidorraUi, LoginDialogNamesTheViewItsHostSet)
{
    EXPECT_EQ(control->viewName(), "") << "a host that told nothing";
    control->window()->setProperty("index", 2);
    EXPECT_EQ(control->viewName(), "Camera 3");
    ASSERT_EQ(host.put("AviPre", "r-Gate_!0_"), S_OK);
    EXPECT_EQ(control->viewName(), "Camera 3 (Gate)");
    // The host writes "/" and control characters as %XX; a "%" of the name stays.
    ASSERT_EQ(host.put("AviPre", "r-Hall%2FEast 100%_!1_"), S_OK);
    EXPECT_EQ(control->viewName(), "Camera 3 (Hall/East 100%)");
    // A prefix of another form names no place.
    ASSERT_EQ(host.put("AviPre", "gate-"), S_OK);
    EXPECT_EQ(control->viewName(), "Camera 3");
    ASSERT_EQ(host.put("AviPre", "r-_!0_"), S_OK);
    EXPECT_EQ(control->viewName(), "Camera 3");

    // The dialog a camera's login question opens.
    ASSERT_EQ(host.put("AviPre", "r-Gate_!0_"), S_OK);
    std::atomic<int> cancel{0};
    auto provider = control->session().credentialsProvider();
    auto answer = std::async(std::launch::async, [&] { return provider->ask("127.0.0.1:24315", "realm", cancel); });
    LoginDialog* dlg = nullptr;
    ASSERT_TRUE(pumpUntil(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<LoginDialog*>(w); d && d->isVisible())
                    dlg = d;
            return dlg != nullptr;
        },
        3000));
    EXPECT_EQ(dlg->prompt(), QString::fromUtf8("Camera 3 (Gate) at 127.0.0.1:24315 \u2014 realm"));
    dlg->reject();
    EXPECT_FALSE(answer.get());
}
