// The control's own user interface on a display without a connection: the
// context menu tree and its removals, the status bar's panes and pop-ups,
// auto-show, the View and Rotate commands and the F11/F12 keys.
#include "CapturingDialogs.h"
#include "tests/support/RecordingDisplayOwner.h"
#include "tests/support/TestPictures.h"

#include "control/display/ContextMenu.h"
#include "control/display/ControlUi.h"
#include "control/display/ControlUiOwner.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/display/StatusBar.h"

#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <map>

using namespace strovix;
using namespace strovix::test;

namespace {

const std::vector<std::string> kPlainTree = {"View", "Splits", "Rotate", "", "Image Recording(F11)...",
                                             "Save Current Picture As(F12)...", "", "I am...", "Log in again...",
                                             "About..."};

std::vector<std::string> texts(QMenu* menu)
{
    std::vector<std::string> out;
    for (QAction* a : menu->actions())
        out.push_back(a->isSeparator() ? std::string() : a->text().toStdString());
    return out;
}

// The display's pane texts, recorded and shown in its status bar as the
// control shows them.
struct PaneShowingOwner : RecordingDisplayOwner {
    using RecordingDisplayOwner::RecordingDisplayOwner;
    void paneText(int pane, const std::string& text) override
    {
        RecordingDisplayOwner::paneText(pane, text);
        m_display.ui().setPaneText(pane, text);
    }
};

// Records the commands of the user interface and answers its questions.
struct RecordingUiOwner : ControlUiOwner {
    void menuOpening(ContextMenu&) override { }
    void recordCommand() override { ++recordCommands; }
    void savePicture(Frame f) override { saved.push_back(std::move(f)); }
    void loginAgain() override { }
    int statusBarCtrl() override { return barCtrl; }
    int openState() override { return open; }

    int recordCommands = 0;
    std::vector<Frame> saved;
    int barCtrl = 1;
    int open = -1;
};

// A display with its window (640 x 500), its status bar and recording owners.
class ControlUiTest : public ::testing::Test {
protected:
    void SetUp() override { display.ui().setOwner(&uiOwner); }
    void TearDown() override
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w))
                m->hide();
        display.destroyWindow();
    }
    ControlWindow* create()
    {
        auto* w = static_cast<ControlWindow*>(display.createWindow(nullptr));
        w->resize(640, 500);
        w->show();
        return w;
    }
    // Shows a picture in every cell so that each has a last picture.
    void fillCells(const Frame& picture)
    {
        SharedFrame shared;
        for (size_t i = 0; i < display.window()->cells().size(); ++i) {
            Frame copy = picture;
            shared.replace(std::move(copy));
            display.handleNewFrame(shared, 1, 0, 0);
        }
    }
    StatusBar& bar() { return *display.ui().statusBar(); }

    CapturingDialogs dialogs;
    RecordingUiOwner uiOwner;
    strovix::Display display;
    PaneShowingOwner owner{display};
    std::map<int, std::string>& panes = owner.panes;
    int& recordCommands = uiOwner.recordCommands;
    std::vector<Frame>& saved = uiOwner.saved;
    int& statusBarCtrl = uiOwner.barCtrl;
    int& openState = uiOwner.open;
};

} // namespace

TEST(StatusBarWidths, SharesOfTheWidthButAtLeast352)
{
    // 300 pixels count as 352: 35.2, 52.8, 28.16, 35.2, 42.24, 45.76, 137.28 truncated.
    EXPECT_EQ(StatusBar::paneWidths(300), (std::array<int, 7>{35, 52, 28, 35, 42, 45, 137}));
    EXPECT_EQ(StatusBar::paneWidths(352), StatusBar::paneWidths(0));
    EXPECT_EQ(StatusBar::paneWidths(1000), (std::array<int, 7>{100, 150, 80, 100, 120, 130, 390}));
}

TEST(ContextMenuTree, OrderAndRemovalsThatStay)
{
    ContextMenu menu;
    EXPECT_EQ(menu.entries(), kPlainTree);
    EXPECT_EQ(texts(menu.viewMenu()), (std::vector<std::string>{"Resizable", "Actual size", "StatusBar"}));
    EXPECT_EQ(texts(menu.splitsMenu()), (std::vector<std::string>{"1 X 1", "2 X 2", "3 X 3", "4 X 4"}));
    EXPECT_EQ(texts(menu.rotateMenu()),
              (std::vector<std::string>{"Rotate 0", "Rotate 180", "Flip Horizontal", "Flip Vertical"}));
    EXPECT_EQ(menu.action(menu_id::kSavePicture)->icon().isNull(), false);
    EXPECT_EQ(menu.action(menu_id::kAbout)->objectName(), "57354");

    // The camera's submenus go in at position 1, Quality above Resolution.
    QMenu quality("Quality"), resolution("Resolution");
    quality.addAction("High");
    resolution.addAction("640x480");
    menu.setCapabilityMenus(&quality, &resolution);
    EXPECT_EQ(menu.entries()[1], "Quality");
    EXPECT_EQ(menu.entries()[2], "Resolution");
    EXPECT_EQ(menu.entries()[3], "Splits");

    MainMenuMask main{};
    SubmenuMasks sub{};
    main[2] = true;    // Splits, whole
    sub[2][0] = true;
    main[3] = true;    // Rotate: "Flip Horizontal" only
    sub[3][3] = true;
    main[4] = true;    // Quality
    main[8] = true;    // "I am..."
    menu.applyRemovals(main, sub);
    EXPECT_EQ(menu.entries(), (std::vector<std::string>{"View", "Resolution", "Rotate", "", "Image Recording(F11)...",
                                                        "Save Current Picture As(F12)...", "", "Log in again...",
                                                        "About..."}));
    EXPECT_EQ(texts(menu.rotateMenu()), (std::vector<std::string>{"Rotate 0", "Rotate 180", "Flip Vertical"}));
    EXPECT_EQ(menu.splitsMenu(), nullptr);
    EXPECT_EQ(menu.action(menu_id::kSplit1), nullptr);
    EXPECT_FALSE(sub[2][0] || sub[3][3]) << "submenu masks are cleared once applied";

    // Clearing the masks brings nothing back; new camera submenus leave Quality out.
    main.fill(false);
    menu.applyRemovals(main, sub);
    QMenu quality2("Quality"), resolution2("Resolution");
    menu.setCapabilityMenus(&quality2, &resolution2);
    EXPECT_EQ(menu.entries()[1], "Resolution");
    EXPECT_EQ(menu.entries()[2], "Rotate");
    EXPECT_EQ(menu.action(menu_id::kIAm), nullptr);
}

TEST(ContextMenuTree, LoginLevelGreysTheCameraItemsOnly)
{
    ContextMenu menu;
    QMenu quality("Quality"), resolution("Resolution");
    QAction* high = quality.addAction("High");
    QAction* vga = resolution.addAction("640x480");
    menu.setCapabilityMenus(&quality, &resolution);
    menu.setLoginLevel(1);
    EXPECT_FALSE(high->isEnabled());
    EXPECT_FALSE(vga->isEnabled());
    EXPECT_TRUE(menu.action(menu_id::kSavePicture)->isEnabled());
    EXPECT_TRUE(menu.action(menu_id::kRecording)->isEnabled());
    menu.setLoginLevel(2);
    EXPECT_TRUE(high->isEnabled());
    EXPECT_TRUE(vga->isEnabled());
}

TEST_F(ControlUiTest, StartUpTextsAndPanesWrittenOnlyWhileTheBarExists)
{
    display.ui().setPaneText(6, "lost"); // no window, no bar: nothing to write
    openState = -1;
    create();
    EXPECT_EQ(bar().paneText(0), "Open"); // unknown counts as open
    EXPECT_EQ(bar().paneText(1), "Res");
    EXPECT_EQ(bar().paneText(4), "Normal");
    EXPECT_EQ(bar().paneText(6), "Misc");
    EXPECT_EQ(bar().objectName(), "59393");
    EXPECT_FALSE(bar().isVisible()) << "shown only when pinned";
    EXPECT_EQ(bar().font().pixelSize(), 13);

    display.destroyWindow();
    openState = 0;
    display.setRotate(2);
    create();
    EXPECT_EQ(bar().paneText(0), "Close");
    EXPECT_EQ(bar().paneText(4), "Rotate");
    EXPECT_EQ(bar().widths(), StatusBar::paneWidths(640));
    display.window()->resize(300, 300);
    EXPECT_EQ(bar().widths(), StatusBar::paneWidths(352));
}

TEST_F(ControlUiTest, PinnedBarTakesRoomAndFollowsTheCheckMark)
{
    ControlWindow* w = create();
    const int full = w->pictureAreaHeight();
    display.ui().command(menu_id::kStatusBar);
    EXPECT_TRUE(display.ui().statusBarPinned());
    EXPECT_TRUE(bar().isVisible());
    EXPECT_TRUE(display.ui().contextMenu().action(menu_id::kStatusBar)->isChecked());
    EXPECT_EQ(w->height() - w->pictureAreaHeight(), bar().barHeight());
    EXPECT_EQ(bar().geometry().bottom(), w->height() - 1);
    display.ui().command(menu_id::kStatusBar);
    EXPECT_FALSE(bar().isVisible());
    EXPECT_FALSE(display.ui().contextMenu().action(menu_id::kStatusBar)->isChecked());
    EXPECT_EQ(w->pictureAreaHeight(), w->height());
    (void)full;
}

TEST_F(ControlUiTest, PanePopupsOpenTheirSubmenusAboveTheBar)
{
    ControlWindow* w = create();
    display.ui().command(menu_id::kStatusBar);
    const QPoint barTop = bar().mapToGlobal(QPoint(0, 0));
    // Pane 3 (Layout, x 211..274 of 640) opens Splits at the click's x, ending at the bar.
    EXPECT_EQ(bar().paneAt(210), 2);
    EXPECT_EQ(bar().paneAt(211), 3);
    QMenu* splits = display.ui().paneClicked(bar().paneAt(240), QPoint(barTop.x() + 240, barTop.y() + 5));
    ASSERT_EQ(splits, display.ui().contextMenu().splitsMenu());
    EXPECT_TRUE(splits->isVisible());
    EXPECT_EQ(splits->pos().x(), barTop.x() + 240);
    EXPECT_LE(splits->geometry().bottom(), barTop.y());
    splits->hide();
    EXPECT_EQ(display.ui().paneClicked(4, barTop), display.ui().contextMenu().rotateMenu());
    display.ui().contextMenu().rotateMenu()->hide();
    // Pane 5 and the panes of a camera without submenus open nothing.
    EXPECT_EQ(display.ui().paneClicked(5, barTop), nullptr);
    EXPECT_EQ(display.ui().paneClicked(1, barTop), nullptr);
    // A click past the last pane counts as pane 0.
    EXPECT_EQ(bar().paneAt(5000), 0);
    statusBarCtrl = 0;
    EXPECT_EQ(display.ui().paneClicked(3, barTop), nullptr);
    (void)w;
}

TEST_F(ControlUiTest, AutoShowNearTheBottomAndHideOnFocusLossUnlessPinned)
{
    ControlWindow* w = create();
    statusBarCtrl = 0; // pop-ups off: auto-show still works
    display.ui().hover(w->mapToGlobal(QPoint(10, w->height() / 2)));
    EXPECT_FALSE(bar().isVisible());
    display.ui().hover(w->mapToGlobal(QPoint(10, w->height() - 3)));
    EXPECT_TRUE(bar().isVisible());
    EXPECT_EQ(w->pictureAreaHeight(), w->height()) << "an auto-shown bar lies over the cells";
    display.ui().statusBarFocusLost();
    EXPECT_FALSE(bar().isVisible());

    display.ui().command(menu_id::kStatusBar);
    display.ui().statusBarFocusLost();
    EXPECT_TRUE(bar().isVisible());
}

TEST_F(ControlUiTest, RotateAndViewCommands)
{
    create();
    display.ui().command(menu_id::kRotate0 + 2);
    EXPECT_EQ(display.rotate(), 2);
    EXPECT_EQ(panes[4], "Horizontal");
    EXPECT_EQ(bar().paneText(4), "Horizontal");
    ContextMenu& m = display.ui().contextMenu();
    EXPECT_FALSE(m.action(menu_id::kRotate0)->isChecked());
    EXPECT_TRUE(m.action(menu_id::kRotate0 + 2)->isChecked());
    display.ui().command(menu_id::kRotate0 + 1);
    EXPECT_EQ(display.rotate(), 1);
    EXPECT_EQ(panes[4], "180 Rotate");
    EXPECT_FALSE(m.action(menu_id::kRotate0 + 2)->isChecked());

    display.ui().command(menu_id::kSplit1 + 2);
    EXPECT_EQ(display.layout(), 9);
    EXPECT_EQ(panes[3], "3 X 3");
    display.ui().command(menu_id::kActualSize);
    EXPECT_TRUE(display.actualSize());
    EXPECT_EQ(display.layout(), 1);
    EXPECT_TRUE(m.action(menu_id::kActualSize)->isChecked());
    EXPECT_FALSE(m.action(menu_id::kSplit1)->isEnabled());
    EXPECT_FALSE(m.action(menu_id::kResizable)->isEnabled());
    display.ui().command(menu_id::kActualSize);
    display.ui().command(menu_id::kResizable);
    EXPECT_TRUE(display.resizable());
    EXPECT_TRUE(m.action(menu_id::kResizable)->isChecked());
}

TEST_F(ControlUiTest, KeysAndTheSaveItemUseTheRightPicture)
{
    create();
    display.setLayout(2);
    fillCells(quadrantPicture());
    display.ui().key(Qt::Key_F12);
    EXPECT_TRUE(saved.empty()) << "F12 does nothing with four cells";
    display.ui().key(Qt::Key_F11);
    EXPECT_EQ(recordCommands, 1);

    // The menu item saves the right-clicked cell's picture, taken when the menu opened.
    const Frame grey = greyPicture();
    SharedFrame shared;
    Frame copy = grey;
    shared.replace(std::move(copy));
    display.handleNewFrame(shared, 1, 0, 0); // into cell 0
    display.ui().openContextMenu(0, QPoint(10, 10));
    display.ui().contextMenu().menu()->hide();
    display.ui().command(menu_id::kSavePicture);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], grey);

    display.setLayout(1);
    fillCells(quadrantPicture());
    display.ui().key(Qt::Key_F12);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1], quadrantPicture());
}

TEST_F(ControlUiTest, AboutBoxShowsTheBuildDate)
{
    create();
    display.ui().command(menu_id::kAbout);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].modal);
    EXPECT_NE(dialogs.boxes[0].text.find("Vidorra Server Push"), std::string::npos);
    EXPECT_NE(dialogs.boxes[0].text.find(__DATE__), std::string::npos);
    display.ui().command(menu_id::kIAm); // no action
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}
