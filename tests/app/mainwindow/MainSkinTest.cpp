// The main window's design and the panel layout run on the real window: the
// names of its controls, their designed places, the fit to a bigger screen,
// and screenshots with the real viewers hosted.
#include "app/mainwindow/MainSkin.h"
#include "app/core/AppCfgGO.h"
#include "app/core/CameraGO.h"
#include "app/core/LayoutGO.h"
#include "app/core/PanelLayout.h"
#include "app/core/ViewerGO.h"
#include "app/core/ViewerLayout.h"
#include "app/mainwindow/ButtonConsole.h"
#include "app/mainwindow/ImageGO.h"
#include "app/mainwindow/MainForm.h"
#include "app/mainwindow/ViewerGrid.h"
#include "support/GuiApp.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QScreen>
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace
{

// Geometry of every named control of the window's client area, in pixels.
std::map<QString, QRect> placesOf(const MainForm& form)
{
    std::map<QString, QRect> places;
    for (QObject* child : form.centralWidget()->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->objectName().isEmpty())
            places[widget->objectName()] = widget->geometry();
    return places;
}

class MainSkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        guiApp();
        ::setenv("STROVIX_REGISTRY", registry.path().c_str(), 1);
        config.initConfig(home.path());
    }
    void TearDown() override { ::unsetenv("STROVIX_REGISTRY"); }

    static std::string library() { return std::string(std::getenv("OCULON_BUILD_BIN")) + "/libstrovix.so"; }
    static double dpiX() { return QApplication::primaryScreen()->logicalDotsPerInchX(); }

    // The window laid out as start-up does it, for a screen of `screen` pixels.
    void layOut(MainForm& form, QSize screen)
    {
        form.setScreenSize(screen);
        LayoutGO layouts;
        layouts.setViewerLayout(makeViewerLayout(16))->layout(0, *form.grid());
        layouts.setPanelLayout(std::make_shared<DefaultPanelLayout>())->layoutMainForm(form.skin());
    }

    TempDir registry;
    TempDir home;
    AppCfgGO config;
    ViewerGO viewers;
};

TEST_F(MainSkinTest, EveryControlOfTheDesignIsThereByItsName)
{
    if (dpiX() != 96)
        GTEST_SKIP() << "designed places are checked at 96 dpi";
    CameraGO cameras(config, viewers);
    MainForm form(cameras, viewers, library());
    QStringList names { "TopImg1", "TopImg2", "TopImg5", "TopImg6", "BtmImg1", "BtmImg2", "BtmImg4",
        "BtmImg5", "BtmImg7", "BtmImg8", "LeftImg1", "StretchTopImg", "StretchBtmImg", "StretchLeftImg",
        "StretchRightImg", "LogoImg", "Image1", "Scr1Btn", "Scr4Btn", "Scr9Btn", "Scr16Btn", "StartRecBtn",
        "StopAllRecBtn", "SnapshotBtn", "PlaybackBtn", "Rotate180Btn", "CamCfgBtn", "AppCfgBtn", "eLayoutBtn",
        "MoveUpBtn", "MoveLeftBtn", "MoveHomeBtn", "MoveRightBtn", "MoveDownBtn", "ExitBtn", "AudioToggle",
        "ZoomInBtn", "ZoomOffBtn", "ZoomOnBtn", "ZoomOutBtn" };
    for (int n = 1; n <= 26; ++n)
        names << QString("RightImg%1").arg(n);
    for (int n = 1; n <= 16; ++n)
        names << QString("SlctBtn%1").arg(n) << QString("RecBtn%1").arg(n);
    auto places = placesOf(form);
    for (const QString& name : names)
        EXPECT_TRUE(places.count(name)) << name.toStdString();
    EXPECT_EQ(form.findChild<QComboBox*>("CamSlctr"), form.console()->cameraSelector());
    EXPECT_EQ(form.findChild<QComboBox*>("alertCmb"), form.console()->alertList());
    EXPECT_NE(form.findChild<QLabel*>("ClockLbl"), nullptr);
    const auto* version = form.findChild<QLabel*>("VerLbl");
    ASSERT_NE(version, nullptr);
    EXPECT_TRUE(QRegularExpression("^\\d+(\\.\\d+)+$").match(version->text()).hasMatch())
        << version->text().toStdString();
    EXPECT_EQ(form.windowTitle(), "oculon");

    // Each control of the table is at its place, and each skin image shows
    // its picture at the size it was drawn for (the script and the table agree).
    ImageGO images("");
    for (const MainSkin::Place& place : MainSkin::places()) {
        const QString name = QLatin1String(place.name);
        ASSERT_TRUE(places.count(name)) << place.name;
        EXPECT_EQ(places[name], QRect(place.left, place.top, place.width, place.height)) << place.name;
        if (!*place.picture)
            continue;
        const QIcon& picture = images.getImage(place.picture);
        ASSERT_FALSE(picture.isNull()) << place.picture;
        const QSize drawn = picture.availableSizes().value(0);
        if (name.startsWith("Stretch"))
            EXPECT_TRUE(place.width == 0 || place.height == 0)
                << place.name << ": a stretch strip starts empty";
        else
            EXPECT_EQ(drawn, QSize(place.width, place.height)) << place.picture;
        if (const auto* button = form.findChild<QAbstractButton*>(name)) {
            const QString shown = button->property("picture").toString().replace("_click", "");
            EXPECT_EQ(shown, QLatin1String(place.picture)) << place.name;
        }
    }
}

TEST_F(MainSkinTest, OnTheDesignedScreenOrASmallerOneNothingMovesAndTheSelectorIsFilled)
{
    if (dpiX() != 96)
        GTEST_SKIP() << "designed places are checked at 96 dpi";
    for (const QSize screen : { QSize(1024, 768), QSize(800, 600) }) {
        CameraGO cameras(config, viewers);
        MainForm form(cameras, viewers, library());
        const auto before = placesOf(form);
        layOut(form, screen);

        // A smaller screen gets the designed window, which then reaches beyond it.
        EXPECT_EQ(form.geometry(), QRect(0, 0, 1024, 768));
        auto after = placesOf(form);
        for (const auto& [name, rect] : before)
            EXPECT_EQ(after[name], rect) << name.toStdString() << " on " << screen.width();
        QComboBox* selector = form.console()->cameraSelector();
        EXPECT_EQ(selector->geometry(), QRect(883, 95, 97, 22));
        ASSERT_EQ(selector->count(), 17);
        EXPECT_EQ(selector->itemText(0), "Camera 1");
        EXPECT_EQ(selector->itemText(15), "Camera 16");
        EXPECT_EQ(selector->itemText(16), "Select All");
        EXPECT_EQ(selector->currentIndex(), 0);
        EXPECT_EQ(selector->placeholderText(), "Select One");
    }
}

TEST_F(MainSkinTest, OnABiggerScreenTheColumnFollowsTheRightEdgeAndTheBottomRowsTheBottom)
{
    if (dpiX() != 96)
        GTEST_SKIP() << "designed places are checked at 96 dpi";
    CameraGO cameras(config, viewers);
    MainForm form(cameras, viewers, library());
    const auto designed = placesOf(form);
    layOut(form, { 1280, 1024 });
    auto fitted = placesOf(form);

    EXPECT_EQ(form.geometry(), QRect(0, 0, 1280, 1024));
    const auto moved = [&](const char* name) { return fitted[name].topLeft() - designed.at(name).topLeft(); };
    for (const char* name : { "Scr1Btn", "Scr16Btn", "StartRecBtn", "eLayoutBtn", "ZoomInBtn", "ZoomOffBtn",
             "LogoImg", "VerLbl", "RightImg1", "TopImg5", "TopImg6", "StretchRightImg" })
        EXPECT_EQ(moved(name), QPoint(256, 0)) << name;
    for (const char* name : { "MoveUpBtn", "MoveHomeBtn", "RightImg2", "RightImg26" })
        EXPECT_EQ(moved(name), QPoint(256, 256)) << name;
    for (const char* name : { "SlctBtn1", "SlctBtn16", "RecBtn1", "RecBtn16", "ExitBtn", "AudioToggle",
             "BtmImg1", "BtmImg8", "LeftImg1", "StretchBtmImg" })
        EXPECT_EQ(moved(name), QPoint(0, 256)) << name;
    for (const char* name :
        { "ClockLbl", "alertCmb", "TopImg1", "TopImg2", "Image1", "StretchTopImg", "StretchLeftImg" })
        EXPECT_EQ(moved(name), QPoint(0, 0)) << name;
    EXPECT_EQ(fitted["StretchTopImg"].width(), 256);
    EXPECT_EQ(fitted["StretchBtmImg"].width(), 256);
    EXPECT_EQ(fitted["StretchLeftImg"].height(), 256);
    EXPECT_EQ(fitted["StretchRightImg"].height(), 256);
    const QRect selector = form.console()->cameraSelector()->geometry();
    EXPECT_EQ(selector.topLeft(), QPoint(883 + 256, 95));
    for (const PanelControl& control : form.skin().controls()) {
        if (control.name == "CamSlctr") {
            EXPECT_DOUBLE_EQ(control.rect.left, 17085);
        }
    }

    // The frame has no gap: the strips and the stretch strips tile its edges.
    const auto covered = [&](QPoint point) {
        for (const auto& [name, rect] : fitted)
            if ((name.startsWith("TopImg") || name.startsWith("BtmImg") || name.startsWith("LeftImg")
                    || name.startsWith("RightImg") || name.startsWith("Stretch"))
                && rect.contains(point))
                return true;
        return false;
    };
    for (int x = 0; x < 1280; x += 4) {
        EXPECT_TRUE(covered({ x, 2 })) << "top edge at x " << x;
        EXPECT_TRUE(covered({ x, 1021 })) << "bottom edge at x " << x;
    }
    for (int y = 0; y < 1024; y += 4) {
        EXPECT_TRUE(covered({ 2, y })) << "left edge at y " << y;
        EXPECT_TRUE(covered({ 1277, y })) << "right edge at y " << y;
    }
    // Every button still sits in its seat or on its plate.
    for (const auto& [name, rect] : fitted) {
        if (!name.endsWith("Btn") && name != "AudioToggle" && !name.startsWith("SlctBtn")
            && !name.startsWith("RecBtn"))
            continue;
        bool seated = false;
        for (const auto& [seat, seatRect] : fitted)
            seated = seated
                || ((seat.startsWith("RightImg") || seat.startsWith("BtmImg")) && seat != "RightImg1"
                    && seat != "RightImg2" && seat != "BtmImg1" && seatRect.contains(rect));
        EXPECT_TRUE(seated) << name.toStdString() << " left its seat";
    }
    // The views end where the column and the bottom rows begin.
    QRect views;
    for (int index = 0; index < ViewerGrid::kCells; ++index)
        views |= form.grid()->cell(index)->geometry();
    EXPECT_LE(views.right(), fitted["RightImg1"].left());
    EXPECT_LE(views.bottom(), fitted["BtmImg1"].top());
}

TEST_F(MainSkinTest, ScreenshotsWithTheRealViewers)
{
    const QString folder = QString::fromUtf8(std::getenv("OCULON_BUILD_BIN")) + "/../screenshots";
    QDir().mkpath(folder);
    for (const QSize screen : { QSize(1024, 768), QSize(1280, 1024) }) {
        CameraGO cameras(config, viewers);
        MainForm form(cameras, viewers, library());
        cameras.setWindow(&form);
        ASSERT_EQ(form.createViewers(), platform::component::S_OK);
        const QList<QWidget*> array = form.findChildren<QWidget*>("viewers");
        ASSERT_EQ(array.size(), 16);
        for (int16_t index = 0; index < 16; ++index)
            EXPECT_EQ(form.host().window(index)->property("index").toInt(), index);
        layOut(form, screen);
        // What the clock and a disk alert look like (the timers and the disk
        // watch fill them in the program).
        form.findChild<QLabel*>("ClockLbl")->setText("12/7/26 6:45 PM");
        if (screen.width() > 1024) {
            QComboBox* alerts = form.console()->alertList();
            alerts->addItem("12/7/26 6:45 PM The disk space is not enough in /media/disk1/");
            alerts->show();
        }
        form.show();
        QApplication::processEvents();
        const QString file
            = folder + QString("/mainwindow-%1x%2.png").arg(screen.width()).arg(screen.height());
        const QImage shot = form.grab().toImage();
        EXPECT_EQ(shot.size(), screen * form.devicePixelRatio());
        EXPECT_TRUE(shot.save(file)) << file.toStdString();
        form.takeDownViewers();
    }
}

} // namespace
