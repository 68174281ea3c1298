// The e-map window on a temporary eLayout.ini: dragging icons onto map
// pictures, the File and Layout menus, the icons' pop-up acting through a fake
// main window, and what survives a restart.
#include "app/emap/PicGO.h"
#include "app/emap/eMapGO.h"
#include "app/emapwindow/EMapHost.h"
#include "app/emapwindow/eMapForm.h"
#include "platform/ini/IniFile.h"
#include "support/CapturedDialogs.h"
#include "support/GuiApp.h"
#include "support/GuideShots.h"
#include "support/TempDir.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// The main window as the e-map sees it: records what it was asked to do.
struct FakeHost : EMapHost {
    std::array<bool, 16> recording{};
    std::vector<std::string> calls;

    bool isRecording(int16_t uid) override { return recording[static_cast<size_t>(uid)]; }
    void toggleRecording(int16_t uid) override
    {
        recording[static_cast<size_t>(uid)] = !recording[static_cast<size_t>(uid)];
        calls.push_back("record " + std::to_string(uid));
    }
    void showSingleVideo(int16_t uid) override { calls.push_back("single " + std::to_string(uid)); }
    void showRecordList(int16_t uid) override { calls.push_back("list " + std::to_string(uid)); }
    void showCameraConfiguration(int16_t uid) override { calls.push_back("config " + std::to_string(uid)); }
};

QString iconName(int slot)
{
    return QString("CamerPic1(%1)").arg(slot);
}

class EMapFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        std::filesystem::create_directories(home.path() + "/etc");
        restart();
    }
    void TearDown() override { form.reset(); }

    // A fresh program run: records read from the file only, the window opened.
    void restart()
    {
        form.reset();
        maps = std::make_unique<eMapGO>(layoutFile());
        icons = std::make_unique<PicGO>(layoutFile());
        icons->loadAllCameraPicPos();
        form = std::make_unique<eMapForm>(*maps, *icons, host);
        form->show();
        QApplication::processEvents();
    }

    std::string layoutFile() const { return home.path() + "/etc/eLayout.ini"; }

    // A floor plan of `size` with walls and rooms, written as `name`.
    std::string floorPlan(const std::string& name, QSize size) const
    {
        QImage plan(size, QImage::Format_RGB32);
        plan.fill(QColor(246, 243, 232));
        QPainter p(&plan);
        p.setPen(QPen(QColor(60, 60, 70), 6));
        p.drawRect(QRect(QPoint(10, 10), size - QSize(20, 20)));
        p.setPen(QPen(QColor(60, 60, 70), 4));
        p.drawLine(size.width() / 2, 10, size.width() / 2, size.height() * 2 / 3);
        p.drawLine(10, size.height() / 2, size.width() / 3, size.height() / 2);
        p.drawLine(size.width() / 2, size.height() * 2 / 3 - 60, size.width() - 10, size.height() * 2 / 3 - 60);
        p.setPen(QColor(90, 90, 100));
        QFont font = p.font();
        font.setPixelSize(18);
        p.setFont(font);
        p.drawText(40, 50, "Lobby");
        p.drawText(40, size.height() / 2 + 40, "Store room");
        p.drawText(size.width() / 2 + 30, 50, "Office");
        p.drawText(size.width() / 2 + 30, size.height() - 40, "Loading bay");
        p.end();
        const std::string path = home.file(name);
        EXPECT_TRUE(plan.save(QString::fromStdString(path)));
        return path;
    }

    template <typename T>
    T* child(const QString& name) const
    {
        T* found = form->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QAction* action(const char* name) const { return child<QAction>(name); }
    QWidget* icon(int slot) const { return child<QWidget>(iconName(slot)); }
    QWidget* desk() const { return form->centralWidget(); }
    QRect viewport() const { return child<QWidget>("Picture2")->geometry(); }
    CameraPicPos* record(int slot) const { return icons->getCameraPicPos(slot); }

    // New Layout, then Load Image with `file`.
    void newMapWith(const std::string& file)
    {
        action("myNewOne")->trigger();
        dialogs.files.push_back(file);
        action("myOpen")->trigger();
    }

    void mouse(QWidget* target, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held, QPoint global)
    {
        QMouseEvent event(type, target->mapFromGlobal(QPointF(global)), QPointF(global), button, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    // Holds icon `slot` at its centre and lets go so that its top left corner
    // lands on `corner` (desk coordinates), passing through `via` first when given.
    void drag(int slot, QPoint corner, std::optional<QPoint> via = std::nullopt)
    {
        QWidget* target = icon(slot);
        const QPoint grip(target->width() / 2, target->height() / 2);
        const QPoint start = target->mapToGlobal(grip);
        mouse(target, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
        if (via)
            mouse(target, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, desk()->mapToGlobal(*via + grip));
        const QPoint end = desk()->mapToGlobal(corner + grip);
        mouse(target, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, end);
        mouse(target, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, end);
    }
    void rightClick(int slot)
    {
        QWidget* target = icon(slot);
        mouse(target, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, target->mapToGlobal(QPoint(4, 4)));
        mouse(target, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, target->mapToGlobal(QPoint(4, 4)));
    }
    QPoint homeOf(int slot) const { return child<QWidget>(QString("CameraImg1(%1)").arg(slot))->pos(); }
    std::string ini(const std::string& section, const std::string& key) const
    {
        return platform::ini::readString(layoutFile(), section, key, "<none>");
    }

    TempDir home;
    FakeHost host;
    CapturedDialogs dialogs;
    CapturedDialogs::Installed installed{dialogs};
    std::unique_ptr<eMapGO> maps;
    std::unique_ptr<PicGO> icons;
    std::unique_ptr<eMapForm> form;
};

TEST_F(EMapFormTest, ControlsMenusAndPopUpsCarryTheirNamesAndCaptions)
{
    EXPECT_EQ(form->windowTitle().toStdString(), "eMap");
    EXPECT_EQ(child<QWidget>("Picture1")->parentWidget(), child<QWidget>("Picture2"));
    EXPECT_EQ(child<QScrollBar>("HScroll1")->orientation(), Qt::Horizontal);
    EXPECT_EQ(child<QScrollBar>("VScroll1")->orientation(), Qt::Vertical);
    child<QLineEdit>("eMapNameTxt");
    child<QLineEdit>("eMapPosTxt");
    for (int i = 0; i < 16; ++i) {
        const std::string tip = "Camera " + std::to_string(i + 1);
        EXPECT_EQ(icon(i)->toolTip().toStdString(), tip);
        QWidget* place = child<QWidget>(QString("CameraImg1(%1)").arg(i));
        EXPECT_EQ(place->toolTip().toStdString(), tip);
        // Every icon starts on its own home place, beside the map, inside the window.
        EXPECT_EQ(icon(i)->pos(), place->pos());
        EXPECT_FALSE(viewport().intersects(place->geometry())) << i;
        EXPECT_TRUE(desk()->rect().contains(place->geometry())) << i;
    }

    const auto captions = [](QMenu* menu) {
        std::vector<std::string> texts;
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && a->isVisible())
                texts.push_back(a->objectName().toStdString() + "=" + a->text().toStdString());
        return texts;
    };
    QMenu* file = child<QMenu>("myFile");
    EXPECT_EQ(file->title().toStdString(), "File");
    EXPECT_EQ(captions(file), (std::vector<std::string>{"myNewOne=New Layout", "myOpen=Load Image", "mySave=Save",
                                                         "myReset=Reset", "myTrash=Delete", "myClose=Close"}));
    QMenu* layout = child<QMenu>("myWindow");
    EXPECT_EQ(layout->title().toStdString(), "Layout");
    EXPECT_EQ(captions(layout), (std::vector<std::string>{"myabout=About"})) << "no map yet";
    EXPECT_EQ(captions(child<QMenu>("CameraMenu")),
              (std::vector<std::string>{"cfgPop=Application Configuration ", "RecListPop=Record List",
                                        "recordPop=Record", "playPop=show video", "delCamPop=Remove Camera"}));
    EXPECT_EQ(captions(form->eLayoutMenu()), (std::vector<std::string>{"eLayoutPop=Go to eLayout"}));

    action("myabout")->trigger();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "oculon\nVersion " OCULON_TEST_VERSION);
}

TEST_F(EMapFormTest, OnlyTheIconsTopLeftCornerDecidesWhetherItStaysOnTheMap)
{
    newMapWith(floorPlan("plan.png", QSize(1000, 700)));
    ASSERT_TRUE(dialogs.texts().empty());
    EXPECT_EQ(dialogs.fileCaptions, (std::vector<std::string>{"Please select picture file"}));
    EXPECT_EQ(child<QLineEdit>("eMapNameTxt")->text().toStdString(), "plan");
    // The scroll ranges are the picture's size beyond the viewport.
    EXPECT_EQ(child<QScrollBar>("HScroll1")->maximum(), 1000 - viewport().width());
    EXPECT_EQ(child<QScrollBar>("VScroll1")->maximum(), 700 - viewport().height());

    // Corner one pixel inside the right edge: the rest hangs out, the icon stays.
    const QPoint hanging(viewport().right(), viewport().top() + 100);
    drag(0, hanging);
    EXPECT_EQ(icon(0)->pos(), hanging);
    EXPECT_TRUE(icon(0)->isVisible());
    EXPECT_TRUE(record(0)->getFlg());
    EXPECT_EQ(record(0)->getMapID(), 1);
    EXPECT_EQ(record(0)->getPicXPos(), float(viewport().width() - 1));
    EXPECT_EQ(record(0)->getPicYPos(), 100.0f);

    // Corner two pixels left of the viewport while most of the icon is on it:
    // back home, no longer placed (it was placed before).
    drag(1, viewport().topLeft() + QPoint(50, 50));
    ASSERT_TRUE(record(1)->getFlg());
    drag(1, QPoint(viewport().left() - 2, viewport().top() + 40));
    EXPECT_EQ(icon(1)->pos(), homeOf(1));
    EXPECT_FALSE(record(1)->getFlg());

    // Positions are taken on the picture, wherever it is scrolled to, and an
    // icon on the map moves with the picture.
    child<QScrollBar>("HScroll1")->setValue(120);
    child<QScrollBar>("VScroll1")->setValue(30);
    EXPECT_EQ(child<QWidget>("Picture1")->pos(), QPoint(-120, -30));
    drag(2, viewport().topLeft() + QPoint(50, 60));
    EXPECT_EQ(record(2)->getPicXPos(), 170.0f);
    EXPECT_EQ(record(2)->getPicYPos(), 90.0f);
    child<QScrollBar>("HScroll1")->setValue(0);
    EXPECT_EQ(icon(2)->pos(), viewport().topLeft() + QPoint(170, 60));

    // The mouse cannot take an icon out of the window while the button is held.
    QWidget* three = icon(3);
    const QPoint grip(three->width() / 2, three->height() / 2);
    mouse(three, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, three->mapToGlobal(grip));
    mouse(three, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, desk()->mapToGlobal(QPoint(5000, -3000)));
    EXPECT_TRUE(desk()->rect().contains(three->pos() + grip)) << "icon left the window";
    mouse(three, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, desk()->mapToGlobal(QPoint(5000, -3000)));
    EXPECT_EQ(three->pos(), homeOf(3));
    EXPECT_TRUE(dialogs.texts().empty());
}

TEST_F(EMapFormTest, RefusalsWithoutMapOrPictureAndBeyondTenMaps)
{
    // Load Image without a map: no file dialog.
    action("myOpen")->trigger();
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Please new layout."}));
    EXPECT_TRUE(dialogs.fileCaptions.empty());

    // Dragging without a picture: nothing moves, on no map or on an empty one.
    drag(4, viewport().topLeft() + QPoint(10, 10));
    action("myNewOne")->trigger();
    drag(4, viewport().topLeft() + QPoint(10, 10));
    EXPECT_EQ(dialogs.texts(), (std::vector<std::string>{"Please new layout.", "Please Load Image file.",
                                                         "Please Load Image file."}));
    EXPECT_EQ(icon(4)->pos(), homeOf(4));
    EXPECT_FALSE(record(4)->getFlg());

    // A file that is no picture: a message, the map keeps its (absent) picture.
    home.write("broken.png", "not a picture");
    dialogs.files.push_back(home.file("broken.png"));
    action("myOpen")->trigger();
    ASSERT_EQ(dialogs.asked.size(), 4u);
    EXPECT_NE(dialogs.asked.back().text.find("broken.png"), std::string::npos);
    EXPECT_EQ(maps->getMap(1)->getMapFileName(), "");
    EXPECT_FALSE(child<QWidget>("Picture1")->isVisible());

    // Ten maps at most: the eleventh is refused and nothing is created.
    for (int n = 2; n <= 10; ++n)
        action("myNewOne")->trigger();
    EXPECT_EQ(form->mapEntries(), 10);
    EXPECT_EQ(form->currentMap(), 10);
    action("myNewOne")->trigger();
    EXPECT_EQ(form->mapEntries(), 10);
    EXPECT_EQ(form->currentMap(), 10);
    EXPECT_EQ(dialogs.asked.size(), 5u);
    EXPECT_EQ(form->createNewMenu(), 0);
    EXPECT_EQ(form->findChild<QAction*>("myMenu(11)"), nullptr);

    // A Layout entry whose map has no picture says so.
    action("myMenu(3)")->trigger();
    EXPECT_EQ(form->currentMap(), 3);
    EXPECT_EQ(dialogs.asked.back().text, "Please Load Image file.");
}

TEST_F(EMapFormTest, SavedMapsComeBackAfterARestartWithTheirIconsAndCaptions)
{
    const std::string ground = floorPlan("ground.png", QSize(800, 600));
    const std::string store = floorPlan("warehouse.png", QSize(500, 400));
    newMapWith(ground);
    child<QLineEdit>("eMapNameTxt")->setText("Ground floor");
    child<QLineEdit>("eMapPosTxt")->setText("Building A");
    drag(0, viewport().topLeft() + QPoint(100, 80));
    drag(5, viewport().topLeft() + QPoint(300, 200));
    newMapWith(store);
    child<QLineEdit>("eMapNameTxt")->clear(); // listed under the picture's name
    EXPECT_FALSE(icon(0)->isVisible()) << "an icon on another map shows on this one";
    drag(7, viewport().topLeft() + QPoint(20, 30));
    action("mySave")->trigger();
    EXPECT_EQ(action("myMenu(1)")->text().toStdString(), "Ground floor : Building A");
    EXPECT_EQ(action("myMenu(2)")->text().toStdString(), "warehouse");
    EXPECT_EQ(ini("eMapFile1", "FILE_NAME"), ground);
    EXPECT_EQ(ini("Picture5", "PIC_F"), "True");
    EXPECT_EQ(ini("Picture5", "POS_X"), "300");
    EXPECT_EQ(ini("Picture7", "MAP_ID"), "2");

    restart();
    EXPECT_EQ(form->mapEntries(), 2);
    EXPECT_EQ(form->currentMap(), 1);
    EXPECT_EQ(action("myMenu(1)")->text().toStdString(), "Ground floor : Building A");
    EXPECT_EQ(action("myMenu(2)")->text().toStdString(), "warehouse");
    EXPECT_FALSE(action("myMenu(3)")->isVisible());
    EXPECT_EQ(child<QLineEdit>("eMapNameTxt")->text().toStdString(), "Ground floor");
    EXPECT_EQ(child<QLineEdit>("eMapPosTxt")->text().toStdString(), "Building A");
    QWidget* picture = child<QWidget>("Picture1");
    EXPECT_TRUE(picture->isVisible());
    EXPECT_EQ(picture->size(), QSize(800, 600));
    EXPECT_EQ(icon(0)->pos(), viewport().topLeft() + QPoint(100, 80));
    EXPECT_EQ(icon(5)->pos(), viewport().topLeft() + QPoint(300, 200));
    EXPECT_TRUE(icon(5)->isVisible());
    EXPECT_FALSE(icon(7)->isVisible());
    EXPECT_EQ(icon(9)->pos(), homeOf(9));

    // Map 2 shows its own icon and takes the name field's text along.
    child<QLineEdit>("eMapPosTxt")->setText("Building B");
    action("myMenu(2)")->trigger();
    EXPECT_EQ(picture->size(), QSize(500, 400));
    EXPECT_EQ(icon(7)->pos(), viewport().topLeft() + QPoint(20, 30));
    EXPECT_FALSE(icon(0)->isVisible());
    EXPECT_EQ(maps->getMap(1)->getPos(), "Building B");
    EXPECT_EQ(ini("eMapFile1", "MAP_POS"), "Building A") << "written before Save";
    EXPECT_TRUE(dialogs.texts().empty());
}

TEST_F(EMapFormTest, DeleteMovesLaterMapsDownAndResetSendsOnlyTheCurrentMapsIconsHome)
{
    const std::string one = floorPlan("one.png", QSize(700, 500));
    const std::string two = floorPlan("two.png", QSize(700, 500));
    const std::string three = floorPlan("three.png", QSize(700, 500));
    newMapWith(one);
    drag(0, viewport().topLeft() + QPoint(10, 10));
    newMapWith(two);
    drag(1, viewport().topLeft() + QPoint(20, 20));
    drag(2, viewport().topLeft() + QPoint(30, 30));
    newMapWith(three);
    drag(3, viewport().topLeft() + QPoint(40, 40));
    action("mySave")->trigger();

    // Reset on map 2 touches map 2's icons only (records in memory).
    action("myMenu(2)")->trigger();
    action("myReset")->trigger();
    for (int slot : {1, 2}) {
        EXPECT_EQ(icon(slot)->pos(), homeOf(slot));
        EXPECT_TRUE(icon(slot)->isVisible());
        EXPECT_FALSE(record(slot)->getFlg());
        EXPECT_EQ(record(slot)->getMapID(), 0);
        EXPECT_EQ(record(slot)->getPicXPos(), float(homeOf(slot).x()));
    }
    EXPECT_TRUE(record(0)->getFlg());
    EXPECT_EQ(record(3)->getMapID(), 3);
    EXPECT_EQ(ini("Picture1", "PIC_F"), "True") << "Reset wrote the file";

    // Delete map 2 of 3 (its icons placed again first): map 3 moves to slot 2,
    // its icon follows, map 1 becomes current, all of it in the file.
    drag(1, viewport().topLeft() + QPoint(20, 20));
    action("myTrash")->trigger();
    EXPECT_EQ(form->mapEntries(), 2);
    EXPECT_FALSE(action("myMenu(3)")->isVisible());
    EXPECT_EQ(action("myMenu(2)")->text().toStdString(), "three");
    EXPECT_EQ(form->currentMap(), 1);
    EXPECT_TRUE(icon(0)->isVisible());
    EXPECT_EQ(ini("eMapFile2", "FILE_NAME"), three);
    EXPECT_EQ(ini("eMapFile3", "FILE_NAME"), "");
    EXPECT_EQ(ini("Picture3", "MAP_ID"), "2");
    EXPECT_EQ(ini("Picture1", "PIC_F"), "False");
    EXPECT_EQ(ini("Picture1", "MAP_ID"), "0");
    EXPECT_EQ(ini("Picture0", "MAP_ID"), "1");

    restart();
    EXPECT_EQ(form->mapEntries(), 2);
    action("myMenu(2)")->trigger();
    EXPECT_EQ(icon(3)->pos(), viewport().topLeft() + QPoint(40, 40));

    // Deleting the first map makes its successor map 1; deleting the last
    // one leaves none.
    action("myMenu(1)")->trigger();
    action("myTrash")->trigger();
    EXPECT_EQ(form->currentMap(), 1);
    EXPECT_EQ(form->mapEntries(), 1);
    EXPECT_EQ(maps->getMap(1)->getMapFileName(), three);
    EXPECT_TRUE(icon(3)->isVisible());
    action("myTrash")->trigger();
    EXPECT_EQ(form->currentMap(), 0);
    EXPECT_EQ(form->mapEntries(), 0);
    EXPECT_FALSE(child<QWidget>("Picture1")->isVisible());
    EXPECT_EQ(ini("eMapFile1", "FILE_NAME"), "");
    EXPECT_EQ(icon(3)->pos(), homeOf(3));
    EXPECT_TRUE(dialogs.texts().empty());
}

TEST_F(EMapFormTest, IconPopUpActsThroughTheMainWindowAndIconsFollowRecording)
{
    newMapWith(floorPlan("plan.png", QSize(640, 480)));
    drag(5, viewport().topLeft() + QPoint(200, 150));
    const QImage idle = QPixmap(":/image/cam.gif").toImage();
    const QImage live = QPixmap(":/image/recording.gif").toImage();
    const auto shows = [&](int slot, const QImage& picture) {
        return child<QLabel>(iconName(slot))->pixmap().toImage().convertToFormat(picture.format()) == picture;
    };
    ASSERT_FALSE(idle.isNull());
    EXPECT_TRUE(shows(5, idle));

    rightClick(5);
    EXPECT_EQ(form->getFocusedPic(), 5);
    EXPECT_TRUE(child<QMenu>("CameraMenu")->isVisible());
    action("recordPop")->trigger();
    action("playPop")->trigger();
    action("RecListPop")->trigger();
    action("cfgPop")->trigger();
    EXPECT_EQ(host.calls, (std::vector<std::string>{"record 5", "single 5", "list 5", "config 5"}));
    EXPECT_TRUE(host.recording[5]);
    EXPECT_TRUE(shows(5, live));
    child<QMenu>("CameraMenu")->hide();

    // The main window's record-button refresh drives any icon.
    form->updateIcon(9, true);
    EXPECT_TRUE(shows(9, live));
    form->updateIcon(5, false);
    EXPECT_TRUE(shows(5, idle));

    // Remove Camera: the icon goes home, its record keeps its values.
    rightClick(5);
    action("delCamPop")->trigger();
    EXPECT_EQ(icon(5)->pos(), homeOf(5));
    EXPECT_TRUE(record(5)->getFlg());
    EXPECT_EQ(record(5)->getMapID(), 1);

    // A camera recording when the window opens shows so at once.
    host.recording[2] = true;
    form->close();
    form->show();
    EXPECT_TRUE(shows(2, live));
}

TEST_F(EMapFormTest, CloseAsksFirstAndReopeningReadsTheStore)
{
    newMapWith(floorPlan("plan.png", QSize(640, 480)));
    action("mySave")->trigger();
    dialogs.answer = AppDialogs::Answer::No;
    action("myClose")->trigger();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "Are you sure?");
    EXPECT_EQ(dialogs.asked[0].buttons, AppDialogs::Buttons::YesNo);
    EXPECT_TRUE(form->isVisible());
    action("myNewOne")->trigger(); // not saved
    dialogs.answer = AppDialogs::Answer::Yes;
    action("myClose")->trigger();
    EXPECT_FALSE(form->isVisible());

    action("eLayoutPop")->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->mapEntries(), 1);
    EXPECT_EQ(form->currentMap(), 1);

    // An icon placed and saved, then moved without Save and closed: the next
    // opening shows it where it was saved, with the saved maps.
    const QPoint saved = viewport().topLeft() + QPoint(60, 40);
    drag(2, saved);
    action("mySave")->trigger();
    drag(2, viewport().topLeft() + QPoint(200, 150));
    action("myClose")->trigger();
    ASSERT_FALSE(form->isVisible());
    action("eLayoutPop")->trigger();
    EXPECT_EQ(record(2)->getPicXPos(), 60.0f);
    EXPECT_EQ(record(2)->getPicYPos(), 40.0f);
    EXPECT_EQ(icon(2)->pos(), saved);
}

TEST_F(EMapFormTest, StoredMapsAreListedWithoutGapsAndAMissingPictureIsReported)
{
    const std::string plan = floorPlan("third.png", QSize(700, 500));
    home.write("etc/eLayout.ini", "[eMapFile0]\nFILE_NAME=" + plan + "\n[eMapFile1]\nFILE_NAME=" + home.file("gone.png") +
                                      "\nMAP_NAME=Old wing\n[eMapFile3]\nFILE_NAME=" + plan +
                                      "\n[eMapFile11]\nFILE_NAME=" + plan + "\n[Picture6]\nPIC_F=True\nMAP_ID=3\n"
                                      "POS_X=15\nPOS_Y=25\n[Picture8]\nPIC_F=True\nMAP_ID=12\n");
    restart();
    // Slots 1..3 listed (2 has no picture), 0 and 11 never used by the window.
    EXPECT_EQ(form->mapEntries(), 3);
    EXPECT_EQ(action("myMenu(1)")->text().toStdString(), "Old wing");
    EXPECT_EQ(action("myMenu(2)")->text().toStdString(), "Layout");
    EXPECT_FALSE(action("myMenu(4)")->isVisible());
    // Map 1's picture is gone: said once, nothing shown, the record kept.
    EXPECT_EQ(form->currentMap(), 1);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_NE(dialogs.asked[0].text.find("gone.png"), std::string::npos);
    EXPECT_FALSE(child<QWidget>("Picture1")->isVisible());
    EXPECT_EQ(maps->getMap(1)->getName(), "Old wing");
    EXPECT_FALSE(icon(6)->isVisible()) << "camera 6 is on map 3";
    EXPECT_EQ(icon(8)->pos(), homeOf(8)) << "a map that is not listed holds no icon";

    action("myMenu(3)")->trigger();
    EXPECT_TRUE(child<QWidget>("Picture1")->isVisible());
    EXPECT_EQ(icon(6)->pos(), viewport().topLeft() + QPoint(15, 25));
    EXPECT_EQ(dialogs.asked.size(), 1u);
}

// The picture an operator sees: a floor plan with four cameras on it, camera
// 2 recording, one of them hanging over the viewport's edge.
TEST_F(EMapFormTest, ScreenshotOfAMapWithPlacedIcons)
{
    newMapWith(floorPlan("site.png", QSize(900, 650)));
    child<QLineEdit>("eMapNameTxt")->setText("Ground floor");
    child<QLineEdit>("eMapPosTxt")->setText("Building A");
    drag(0, viewport().topLeft() + QPoint(60, 70));
    drag(1, viewport().topLeft() + QPoint(420, 90));
    drag(2, viewport().topLeft() + QPoint(140, 330));
    drag(3, QPoint(viewport().right() - 12, viewport().top() + 400));
    form->updateIcon(1, true);
    action("mySave")->trigger();
    QApplication::processEvents();

    const QString path = QString::fromUtf8(std::getenv("OCULON_BUILD_BIN")) + "/../emap_window.png";
    const QImage shot = form->grab().toImage();
    ASSERT_TRUE(shot.save(path));
    EXPECT_TRUE(guide_shots::guideShot(shot, "emap"));
    // The recording icon is drawn where it was dropped.
    const QPoint centre = desk()->mapTo(form.get(), viewport().topLeft() + QPoint(420 + 16, 90 + 16));
    EXPECT_NE(shot.pixelColor(centre * shot.devicePixelRatio()), QColor(246, 243, 232));
    EXPECT_TRUE(dialogs.texts().empty());

    // The Layout menu with its two maps.
    newMapWith(floorPlan("yard.png", QSize(640, 480)));
    action("mySave")->trigger();
    QMenu* layout = child<QMenu>("myWindow");
    layout->popup(form->mapToGlobal(QPoint(40, 20)));
    QApplication::processEvents();
    ASSERT_TRUE(layout->grab().save(QString::fromUtf8(std::getenv("OCULON_BUILD_BIN")) + "/../emap_layout_menu.png"));
    layout->hide();
}

} // namespace
