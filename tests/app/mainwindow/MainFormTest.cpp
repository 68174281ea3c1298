// The main window with its 16 hosted viewers (the real control library,
// registered into a private registry), and the wait window.
#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/ViewerGO.h"
#include "app/mainwindow/Form4.h"
#include "app/mainwindow/MainForm.h"
#include "app/mainwindow/ViewerGrid.h"
#include "support/GuiApp.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QAbstractButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include <QContextMenuEvent>

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        ::setenv("STROVIX_REGISTRY", registry.path().c_str(), 1);
        config.initConfig(home.path());
    }
    void TearDown() override { ::unsetenv("STROVIX_REGISTRY"); }

    static std::string library() { return std::string(std::getenv("OCULON_BUILD_BIN")) + "/libstrovix.so"; }

    TempDir registry;
    TempDir home;
    AppCfgGO config;
    ViewerGO viewers;
};

TEST_F(MainFormTest, HostsViewerIOfSlotIInCellIAndHandsThemToTheCameras)
{
    CameraGO cameras(config, viewers);
    MainForm form(cameras, viewers, library());
    cameras.setWindow(&form);
    ASSERT_EQ(form.createViewers(), platform::component::S_OK);
    form.show();
    QApplication::processEvents();

    std::set<platform::component::Dispatch*> distinct;
    for (int16_t slot = 0; slot < 16; ++slot) {
        const ViewerHandle viewer = viewers.getViewerAt(slot);
        ASSERT_TRUE(viewer.isBound()) << slot;
        distinct.insert(viewer.dispatch());
        // The viewer's window lives in the cell of its slot and fills it.
        QWidget* window = form.host().window(slot);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->parentWidget(), form.grid()->cell(slot)) << slot;
        EXPECT_EQ(window->size(), form.grid()->cell(slot)->size()) << slot;
        // The camera of a slot drives the viewer of the same index.
        EXPECT_TRUE(cameras.getCamera(slot)->getViewer() == viewer) << slot;
    }
    EXPECT_EQ(distinct.size(), 16u);
    // Cells run left to right, then top to bottom.
    EXPECT_LT(form.grid()->cell(0)->x(), form.grid()->cell(3)->x());
    EXPECT_EQ(form.grid()->cell(0)->y(), form.grid()->cell(3)->y());
    EXPECT_LT(form.grid()->cell(3)->y(), form.grid()->cell(4)->y());

    // One menu per right click: the release over a viewer, after its own menu
    // opened, offers no e-map menu; beside the viewers it does.
    int eLayoutMenus = 0;
    QObject::connect(&form, &MainForm::eLayoutMenuRequested, [&] { ++eLayoutMenus; });
    auto rightClick = [&](QWidget* target, QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &event);
    };
    QWidget* window = form.host().window(5);
    rightClick(window, window->rect().center());
    EXPECT_EQ(eLayoutMenus, 0);
    rightClick(&form, QPoint(form.width() - 5, form.height() / 2));
    EXPECT_EQ(eLayoutMenus, 1);

    // Taking the viewers down leaves no camera and no ViewerGO entry holding one.
    form.takeDownViewers();
    for (int16_t slot = 0; slot < 16; ++slot) {
        EXPECT_FALSE(viewers.getViewerAt(slot).isBound());
        EXPECT_FALSE(cameras.getCamera(slot)->getViewer().isBound());
        EXPECT_EQ(form.host().window(slot), nullptr);
    }
}

TEST_F(MainFormTest, ClosingTheWindowAndTheExitButtonAskForTheShutDown)
{
    CameraGO cameras(config, viewers);
    MainForm form(cameras, viewers, library());
    int requests = 0;
    QObject::connect(&form, &MainForm::exitRequested, [&] { ++requests; });
    form.show();

    form.close();
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(form.isVisible()) << "only the shut-down closes the window";

    auto* exit = form.findChild<QAbstractButton*>("ExitBtn");
    ASSERT_NE(exit, nullptr);
    exit->click();
    EXPECT_EQ(requests, 2);

    form.allowClose();
    form.close();
    EXPECT_EQ(requests, 2);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(MainFormTest, WaitWindowCarriesItsTextFromTheStartAndStaysUntilHidden)
{
    Form4 wait;
    auto* label = wait.findChild<QLabel*>("Label1");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), "Disconnecting all connections, please wait for a moment...");
    wait.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&wait, &escape);
    EXPECT_TRUE(wait.isVisible()) << "Escape closed the wait window";
    EXPECT_GE(wait.width(), label->sizeHint().width()) << "the text is cut";
    wait.hide();
}

TEST_F(MainFormTest, AControlLibraryThatCannotBeFoundIsReportedAndNothingIsHandedOver)
{
    CameraGO cameras(config, viewers);
    MainForm form(cameras, viewers, "/nonexistent/libstrovix.so");
    EXPECT_TRUE(platform::component::failed(form.createViewers()));
    EXPECT_FALSE(viewers.getViewerAt(0).isBound());
}

} // namespace
