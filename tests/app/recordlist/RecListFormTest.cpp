// The recording list window: its controls, the two list tabs with their
// details and commands, and the search tab with its checks, results and
// result commands (offscreen).
#include "RecListTestSupport.h"

#include "app/core/AppCfgGO.h"
#include "app/core/Camera.h"
#include "app/core/CameraGO.h"
#include "app/core/ViewerGO.h"
#include "app/recordlist/CalendarFrm.h"
#include "app/recordlist/PictureView.h"
#include "app/recordlist/PlayerWindow.h"
#include "app/recordlist/RecListForm.h"
#include "app/recordlist/RecListNames.h"
#include "app/recordlist/RecordFilesPage.h"
#include "app/recordlist/SnapshotViewer.h"
#include "app/recordlist/TimelinePage.h"
#include "app/recordlist/VideoSearchPage.h"
#include "app/storage/VolumeInfo.h"
#include "tools/camsim/PictureMaker.h"
#include "support/CapturedDialogs.h"
#include "support/GuideShots.h"
#include "support/ExportTestSupport.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace RecListNames;
using namespace reclist_test;
namespace fs = std::filesystem;

namespace {

// Folders whose path contains "/ram/" are on a RAM disk; the rest is usable.
class TestVolumes : public VolumeInfo {
public:
    std::optional<VolumeFigures> figures(const std::string&) const override { return VolumeFigures{1ull << 40, 1ull << 39}; }
    std::string mountPoint(const std::string&) const override { return "/"; }
    std::optional<VolumeKind> kind(const std::string& path) const override
    {
        if (!fs::exists(path))
            return std::nullopt;
        return path.find("/ram/") != std::string::npos ? VolumeKind::RamDisk : VolumeKind::Usable;
    }
};

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute, second));
}

class RecListFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        config.initConfig(home.path());
        cameras = std::make_unique<CameraGO>(config, viewers);
        for (int16_t uid = 0; uid < 16; ++uid) {
            Camera* cam = cameras->getCamera(uid);
            cam->setRecPath(recFolder(uid));
            cam->setSnapshotPath(data.file("snap/cam" + std::to_string(uid + 1)));
        }
        form = std::make_unique<RecListForm>(*cameras, volumes);
        form->setAlertSink([this](const std::string& line) { alerts.push_back(line); });
        form->setPlayerOpener([this](const std::string& path, double seconds) {
            played.push_back(path);
            playedAt.push_back(seconds);
        });
        form->setPictureOpener([this](const std::string& path) { shown.push_back(path); });
    }

    std::string recFolder(int uid) const { return data.file("rec/cam" + std::to_string(uid + 1)); }
    template <typename T>
    T* get(const char* name) const
    {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    QString label(const char* name) const { return get<QLabel>(name)->text(); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = get<QTableWidget>(kDataMSFGrid)->item(row, column);
        return item ? item->text() : QString();
    }
    int rows() const { return get<QTableWidget>(kDataMSFGrid)->rowCount(); }
    void click(const char* name) { get<QAbstractButton>(name)->click(); }

    // Fills the search fields; an empty text leaves the field empty.
    void setSearch(const QString& camera, const QString& start, const QString& end, int hour, int minute, int hour2,
                   int minute2)
    {
        form->tabs().setCurrentIndex(2);
        get<QLineEdit>(kCamNo)->setText(camera);
        get<QLineEdit>(kSeleFTxt)->setText(start);
        get<QLineEdit>(kSelectETxt)->setText(end);
        get<QComboBox>(kHourTxtCbo)->setCurrentIndex(hour);
        get<QComboBox>(kMinTxtCbo)->setCurrentIndex(minute);
        get<QComboBox>(kHourTxt2Cbo)->setCurrentIndex(hour2);
        get<QComboBox>(kMinTxt2Cbo)->setCurrentIndex(minute2);
    }

    TempDir home;
    TempDir data;
    AppCfgGO config;
    ViewerGO viewers;
    TestVolumes volumes;
    std::unique_ptr<CameraGO> cameras;
    CapturedDialogs dialogs;
    CapturedDialogs::Installed installed{dialogs};
    std::unique_ptr<RecListForm> form;
    std::vector<std::string> alerts;
    std::vector<std::string> played;
    std::vector<double> playedAt;
    std::vector<std::string> shown;
};

TEST_F(RecListFormTest, HasEveryControlUnderItsNameWithItsCaption)
{
    EXPECT_EQ(form->windowTitle(), "Record List");
    for (const char* name : {kCombo1, kCommand1, kSSTab1, kVFile1, kVLbl1, kVLbl2, kVLbl3, kVLbl4, kVBtn1, kVBtn2,
                             kSFile1, kSLbl1, kSLbl2, kSLbl3, kSBtn1, kSBtn2, kCamNo, kSeleFTxt, kSelectETxt,
                             kSelectCalStartBtn, kSelectCalEndBtn, kHourTxtCbo, kMinTxtCbo, kHourTxt2Cbo, kMinTxt2Cbo,
                             kSearchCmd, kOnlyMotionChk, kDataMSFGrid, kVsPlayBtn, kVsDelBtn, kText1, kVExportBtn,
                             kVsExportBtn})
        EXPECT_EQ(form->findChildren<QWidget*>(QString::fromLatin1(name)).size(), 1) << name;
    const std::pair<const char*, const char*> captions[] = {
        {kCommand1, "Close"}, {kVBtn1, "Play"}, {kVBtn2, "Delete"}, {kSBtn1, "Show"}, {kSBtn2, "Delete"},
        {kSearchCmd, "Search"}, {kVsPlayBtn, "Play"}, {kVsDelBtn, "Delete"}, {kVExportBtn, "Export..."},
        {kVsExportBtn, "Export..."}};
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(get<QAbstractButton>(name)->text(), caption) << name;
    EXPECT_EQ(label(kVLbl1), "Location");
    EXPECT_EQ(label(kVLbl2), "Alerts");
    EXPECT_EQ(label(kVLbl3), "Start Time");
    EXPECT_EQ(label(kVLbl4), "Duration");
    EXPECT_EQ(label(kSLbl3), "At Time");
    EXPECT_EQ(label(kCamNoLbl), "Camera");
    EXPECT_EQ(label(kCamNoHintLbl), "Use * for all");
    EXPECT_EQ(get<QComboBox>(kHourTxtCbo)->placeholderText(), "Select Hour");
    EXPECT_EQ(get<QComboBox>(kMinTxtCbo)->placeholderText(), "Select Minute");
    EXPECT_TRUE(get<QLineEdit>(kText1)->isHidden());
    QTabWidget& tabs = form->tabs();
    ASSERT_EQ(tabs.count(), 4);
    EXPECT_EQ(tabs.tabText(0), "Video List");
    EXPECT_EQ(tabs.tabText(1), "Snapshot List");
    EXPECT_EQ(tabs.tabText(2), "Video Search");
    EXPECT_EQ(tabs.tabText(3), "Timeline");
    EXPECT_EQ(tabs.currentIndex(), 0);

    // The panel layout filled the camera chooser, which shows the camera
    // listed at the start: camera 1.
    auto* combo = get<QComboBox>(kCombo1);
    ASSERT_EQ(combo->count(), 16);
    EXPECT_EQ(combo->itemText(0), "Camera 1");
    EXPECT_EQ(combo->itemText(15), "Camera 16");
    EXPECT_EQ(combo->placeholderText(), "Select One");
    EXPECT_EQ(combo->currentIndex(), 0);
    form->fillCameraSelector("Select One", {"Camera 1", "Camera 2"});
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->count(), 2);

    // Close hides the window; it stays for the next use.
    form->show();
    click(kCommand1);
    EXPECT_TRUE(form->isHidden());
}

TEST_F(RecListFormTest, ChangeCameraListsTheCamerasFoldersOrItsDefaultsWithAnAlert)
{
    writeRecording(recFolder(2) + "/r-Gate_!0__2026_3_7_10_0_5_10.avi", 3, 1.0f);
    writeRecording(recFolder(2) + "/r-Gate_!0__2026_3_7_9_0_5_10.avi", 3, 1.0f);
    writeRecording(recFolder(2) + "/r-Gate_!0_End2026_3_7_10_0_6_0.avi", 3, 1.0f);
    writeRecording(recFolder(2) + "/r-Gate_!0__2026_3_8_1_0_0_0.avi", 3, 1.0f); // the newest, last as text
    // The recorder's own numbered folder is listed, any other is not.
    writeRecording(recFolder(2) + "/r-Gate_!0_1/r-Gate_!0__2026_3_7_11_0_0_0.avi", 3, 1.0f);
    writeRecording(recFolder(2) + "/sub/r-Gate_!0__2026_3_7_10_0_9_10.avi", 3, 1.0f);
    std::ofstream(recFolder(2) + "/.r-Gate_!0_~abc123.avi.part") << "unfinished";
    std::ofstream(recFolder(2) + "/notes.txt") << "x";
    fs::create_directories(data.file("snap/cam3"));
    std::ofstream(data.file("snap/cam3/s-Gate_!0_2026_3_7_10_0_5_10.jpg")) << "x";

    auto* combo = get<QComboBox>(kCombo1);
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    auto* videos = get<QListWidget>(kVFile1);
    // Newest first by the time in the name, not as text ("10_" before "9_").
    std::vector<std::string> listed;
    for (int i = 0; i < videos->count(); ++i)
        listed.push_back(videos->item(i)->text().toStdString());
    EXPECT_EQ(listed, (std::vector<std::string>{"r-Gate_!0__2026_3_8_1_0_0_0.avi",
                                                 "r-Gate_!0_1/r-Gate_!0__2026_3_7_11_0_0_0.avi",
                                                 "r-Gate_!0_End2026_3_7_10_0_6_0.avi",
                                                 "r-Gate_!0__2026_3_7_10_0_5_10.avi",
                                                 "r-Gate_!0__2026_3_7_9_0_5_10.avi"}));
    // A file of the numbered folder opens from there and shows its details.
    ASSERT_TRUE(form->videoPage().selectFile("r-Gate_!0_1/r-Gate_!0__2026_3_7_11_0_0_0.avi"));
    EXPECT_EQ(form->videoPage().selectedPath(), recFolder(2) + "/r-Gate_!0_1/r-Gate_!0__2026_3_7_11_0_0_0.avi");
    ASSERT_EQ(get<QListWidget>(kSFile1)->count(), 1);
    EXPECT_TRUE(alerts.empty());

    // Folders on a RAM disk: the default folders, and one alert line per folder.
    Camera* cam = cameras->getCamera(4);
    cam->setRecPath(data.file("ram/rec5"));
    cam->setSnapshotPath(data.file("ram/snap5"));
    form->changeCamera(4);
    EXPECT_EQ(combo->currentIndex(), 4);
    EXPECT_EQ(form->videoPage().folder(), cameras->getDefaultRecPath(*cam));
    EXPECT_EQ(form->snapshotPage().folder(), cameras->getDefaultSnapshotPath(*cam));
    EXPECT_EQ(alerts, (std::vector<std::string>(2, "Please check Application configuration Camera5 record and snapshot path")));

    form->changeCamera(16); // no such camera: nothing changes
    EXPECT_EQ(form->videoPage().folder(), cameras->getDefaultRecPath(*cam));
}

TEST_F(RecListFormTest, DetailsOfTheSelectedFile)
{
    const std::string folder = recFolder(0);
    writeRecording(folder + "/r-Gate_!0__2026_3_7_9_5_2_15.avi", 30, 10.0f);
    writeRecording(folder + "/r-Gate_!0_End2010_1_2_3_4_5_6.avi", 3, 1.0f);
    writeRecording(folder + "/holiday.avi", 3, 1.0f);
    std::ofstream(folder + "/r-Yard_!3__2026_3_7_9_5_2_15.avi") << "RIFF";
    form->changeCamera(0);
    RecordFilesPage& videos = form->videoPage();

    ASSERT_TRUE(videos.selectFile("r-Gate_!0__2026_3_7_9_5_2_15.avi"));
    EXPECT_EQ(label(kVLbl1), "Location: Gate");
    EXPECT_EQ(label(kVLbl2), "Alerts: None");
    EXPECT_EQ(label(kVLbl3), "Start Time: 2026-03-07  09:05:02.015");
    EXPECT_EQ(label(kVLbl4), "Duration: 00:03");
    form->show();
    QApplication::processEvents();
    saveScreenshot(*form, "reclist-video-list");
    ASSERT_TRUE(videos.selectFile("r-Gate_!0_End2010_1_2_3_4_5_6.avi"));
    EXPECT_EQ(label(kVLbl3), "Start Time: 2010-01-02  03:04:05.006");
    // A name that does not parse leaves the name details empty, not the last file's.
    ASSERT_TRUE(videos.selectFile("holiday.avi"));
    EXPECT_EQ(label(kVLbl1), "Location");
    EXPECT_EQ(label(kVLbl3), "Start Time");
    EXPECT_EQ(label(kVLbl4), "Duration: 00:03");
    // A damaged recording says why it has no playing time.
    ASSERT_TRUE(videos.selectFile("r-Yard_!3__2026_3_7_9_5_2_15.avi"));
    EXPECT_EQ(label(kVLbl2), "Alerts: [Motion] [Sound] ");
    EXPECT_EQ(label(kVLbl4), "Duration: The file's header is damaged.");

    fs::create_directories(data.file("snap/cam1"));
    std::ofstream(data.file("snap/cam1/s-Gate_!4_2004_3_7_9_5_2_15.jpg")) << "x";
    form->snapshotPage().refresh();
    ASSERT_TRUE(form->snapshotPage().selectFile("s-Gate_!4_2004_3_7_9_5_2_15.jpg"));
    EXPECT_EQ(label(kSLbl2), "Alerts: [DIDO] ");
    EXPECT_EQ(label(kSLbl3), "At Time: 2004-03-07  09:05:02.015");
}

TEST_F(RecListFormTest, PlayShowAndDeleteInTheListTabs)
{
    const std::string folder = recFolder(0);
    writeRecording(folder + "/a.avi", 3, 1.0f);
    writeRecording(folder + "/b.avi", 3, 1.0f);
    fs::create_directories(data.file("snap/cam1"));
    std::ofstream(data.file("snap/cam1/s.jpg")) << "x";
    form->changeCamera(0);

    click(kVBtn1); // nothing selected: nothing happens
    EXPECT_TRUE(played.empty());
    form->videoPage().selectFile("b.avi");
    click(kVBtn1);
    EXPECT_EQ(played, std::vector<std::string>{folder + "/b.avi"});

    dialogs.answer = AppDialogs::Answer::No;
    click(kVBtn2);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].text, "Are you sure?");
    EXPECT_EQ(dialogs.asked[0].buttons, AppDialogs::Buttons::YesNo);
    EXPECT_TRUE(fs::exists(folder + "/b.avi"));
    dialogs.answer = AppDialogs::Answer::Yes;
    click(kVBtn2);
    EXPECT_FALSE(fs::exists(folder + "/b.avi"));
    ASSERT_EQ(get<QListWidget>(kVFile1)->count(), 1);
    EXPECT_EQ(get<QListWidget>(kVFile1)->item(0)->text(), "a.avi");

    form->snapshotPage().selectFile("s.jpg");
    click(kSBtn1);
    EXPECT_EQ(shown, std::vector<std::string>{data.file("snap/cam1/s.jpg")});
    click(kSBtn2);
    EXPECT_FALSE(fs::exists(data.file("snap/cam1/s.jpg")));
    EXPECT_EQ(get<QListWidget>(kSFile1)->count(), 0);
}

TEST_F(RecListFormTest, PlayOpensTheBuiltInPlayerAndShowTheViewer)
{
    writeRecording(recFolder(0) + "/a.avi", 3, 1.0f);
    fs::create_directories(data.file("snap/cam1"));
    const auto jpeg = strovix::test::quadrantPicture(64, 48);
    std::ofstream(data.file("snap/cam1/s.jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
    form->setPlayerOpener(nullptr);
    form->setPictureOpener(nullptr);
    form->changeCamera(0);
    const auto windows = [](const char* name) {
        std::vector<QWidget*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == name && w->isVisible())
                found.push_back(w);
        return found;
    };

    form->videoPage().selectFile("a.avi");
    click(kVBtn1);
    const auto players = windows("PlayerWindow");
    ASSERT_EQ(players.size(), 1u);
    auto* player = static_cast<PlayerWindow*>(players[0]);
    EXPECT_EQ(player->frameCount(), 3u);
    EXPECT_FALSE(player->picture().isNull());
    EXPECT_TRUE(dialogs.texts().empty());
    // Play again, on another file: the same window plays it.
    writeRecording(recFolder(0) + "/b.avi", 5, 1.0f);
    form->videoPage().refresh();
    form->videoPage().selectFile("b.avi");
    click(kVBtn1);
    ASSERT_EQ(windows("PlayerWindow"), players);
    EXPECT_EQ(player->frameCount(), 5u);
    player->close(); // and is deleted with its window
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(windows("PlayerWindow").empty());

    form->snapshotPage().selectFile("s.jpg");
    click(kSBtn1);
    const auto viewers = windows("SnapshotViewer");
    ASSERT_EQ(viewers.size(), 1u);
    EXPECT_EQ(static_cast<SnapshotViewer*>(viewers[0])->view().image().size(), QSize(64, 48));
    viewers[0]->close();
}

TEST_F(RecListFormTest, SearchChecksTheInputInOrder)
{
    form->tabs().setCurrentIndex(2);
    EXPECT_TRUE(get<QComboBox>(kCombo1)->isHidden());
    auto* hours = get<QComboBox>(kHourTxtCbo);
    ASSERT_EQ(hours->count(), 24);
    EXPECT_EQ(hours->itemText(0), "0");
    EXPECT_EQ(hours->itemText(23), "23");
    ASSERT_EQ(get<QComboBox>(kMinTxt2Cbo)->count(), 60);
    EXPECT_EQ(get<QComboBox>(kMinTxt2Cbo)->itemText(59), "59");

    VideoSearchPage& page = form->searchPage();
    const auto boxes = [&](const QString& camera, const QString& start, const QString& end, int h, int m, int h2,
                           int m2) {
        dialogs.asked.clear();
        setSearch(camera, start, end, h, m, h2, m2);
        page.search();
        return dialogs.texts();
    };
    using Texts = std::vector<std::string>;
    const Texts day{"Please select day."};
    const Texts camera{"Please input a number between 1 and 16 or * for all Camera."};
    EXPECT_EQ(boxes("1", "", "2026-03-07", 1, 1, 2, 2), day);
    EXPECT_EQ(boxes("abc", "2026-03-07", "", 1, 1, 2, 2), day);
    // A start after the end is only questioned; the checks go on.
    EXPECT_EQ(boxes("abc", "2026-03-08", "2026-03-07", 1, 1, 2, 2), (Texts{"Are you sure?", camera[0]}));
    for (const char* bad : {"0", "17", "abc", "", "-1", "+3"})
        EXPECT_EQ(boxes(bad, "2026-03-07", "2026-03-07", 1, 1, 2, 2), camera) << bad;
    for (const char* good : {"*", "16", "1"}) {
        EXPECT_EQ(boxes(good, "2026-03-07", "2026-03-07", -1, 1, 2, 2), Texts{"Please select hour."}) << good;
    }
    EXPECT_EQ(boxes("1", "2026-03-07", "2026-03-07", 1, 1, -1, 2), Texts{"Please select hour."});
    EXPECT_EQ(boxes("1", "2026-03-07", "2026-03-07", 1, -1, 2, 2), Texts{"Please select Minute."});
    EXPECT_EQ(boxes("1", "2026-03-07", "2026-03-07", 1, 1, 2, -1), Texts{"Please select Minute."});
    EXPECT_EQ(boxes("1", "2026-03-07", "2026-03-07", 1, 1, 2, 2), Texts{});

    // Leaving the tab brings the camera chooser back.
    form->tabs().setCurrentIndex(0);
    EXPECT_FALSE(get<QComboBox>(kCombo1)->isHidden());
}

TEST_F(RecListFormTest, SearchOverAllCamerasInOrderWithTheSpanRule)
{
    // Camera 16 first on disk, camera 1 last: the grid is still in camera order.
    writeRecording(recFolder(15) + "/r16.avi", 300, 1.0f, at(7, 12, 5));
    writeRecording(recFolder(1) + "/r2.avi", 60, 1.0f, at(7, 12, 1));
    writeRecording(recFolder(0) + "/r1-late.avi", 300, 1.0f, at(7, 12, 5));
    writeRecording(recFolder(0) + "/r1-midnight.avi", 300, 1.0f, at(7, 0, 5));
    writeRecording(recFolder(0) + "/sub/r1-deeper.avi", 300, 1.0f, at(7, 12, 5));
    std::ofstream(recFolder(0) + "/broken.avi") << "RIFF";

    // Hour 12 is noon: 12:00..12:02 meets the recordings that ended at 12:01
    // and 12:05 (after 300 s they began at 12:00), not the one of 00:05.
    setSearch("*", "2026-03-07", "2026-03-07", 12, 0, 12, 2);
    ASSERT_TRUE(form->searchPage().search());
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(cell(0, 0), "camera1");
    EXPECT_EQ(cell(0, 1), QString::fromStdString(recFolder(0) + "/r1-late.avi"));
    EXPECT_EQ(cell(0, 2), "2026-03-07 12:00:00");
    EXPECT_EQ(cell(0, 3), "2026-03-07 12:05:00");
    EXPECT_EQ(cell(1, 0), "camera2");
    EXPECT_EQ(cell(1, 2), "2026-03-07 12:00:00");
    EXPECT_EQ(cell(2, 0), "camera16");
    auto* grid = get<QTableWidget>(kDataMSFGrid);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "Camera No");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "File Name");
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), "Start Time");
    EXPECT_EQ(grid->horizontalHeaderItem(3)->text(), "End Time");
    // The file without a playing time is left out, and the window says why.
    EXPECT_TRUE(label(kSearchNoteLbl).contains("broken.avi")) << label(kSearchNoteLbl).toStdString();
    EXPECT_TRUE(dialogs.texts().empty());

    // A row is selected by a click: its file columns take the highlight.
    VideoSearchPage& page = form->searchPage();
    page.selectRow(1);
    EXPECT_EQ(grid->item(1, 1)->background().color(), QColor(192, 255, 255));
    EXPECT_EQ(grid->item(1, 3)->background().color(), QColor(192, 255, 255));
    EXPECT_EQ(grid->item(1, 0)->background().style(), Qt::NoBrush);
    page.selectRow(0);
    EXPECT_EQ(grid->item(1, 1)->background().style(), Qt::NoBrush);
    EXPECT_EQ(grid->item(0, 2)->background().color(), QColor(192, 255, 255));
    EXPECT_EQ(page.selectedPath(), recFolder(0) + "/r1-late.avi");

    form->resize(1000, 600);
    form->show();
    QApplication::processEvents();
    const QString shot = saveScreenshot(*form, "reclist-search-results");
    std::fprintf(stderr, "screenshot: %s\n", shot.toLocal8Bit().constData());

    // 00:00..00:10 is midnight: only the recording of 00:05.
    setSearch("1", "2026-03-07", "2026-03-07", 0, 0, 0, 10);
    ASSERT_TRUE(page.search());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, 1), QString::fromStdString(recFolder(0) + "/r1-midnight.avi"));
}

TEST_F(RecListFormTest, TheFirstExaminedFileClearsTheGridAndAFolderThatWentIsSkipped)
{
    writeRecording(recFolder(0) + "/r1.avi", 300, 1.0f, at(7, 10, 5));
    writeRecording(recFolder(1) + "/r2.avi", 300, 1.0f, at(7, 10, 5));
    VideoSearchPage& page = form->searchPage();
    setSearch("*", "2026-03-07", "2026-03-07", 10, 0, 10, 2);
    ASSERT_TRUE(page.search());
    ASSERT_EQ(rows(), 2);

    // Camera 5 has no recordings: nothing examined, the results stay.
    setSearch("5", "2026-03-07", "2026-03-07", 10, 0, 10, 2);
    ASSERT_TRUE(page.search());
    EXPECT_EQ(rows(), 2);
    // Camera 1 examines its file, which does not match: the grid is emptied.
    setSearch("1", "2026-03-07", "2026-03-07", 9, 0, 9, 59);
    ASSERT_TRUE(page.search());
    EXPECT_EQ(rows(), 0);

    // Camera 1's folder went away: skipped without a box, camera 2 still found.
    fs::remove_all(recFolder(0));
    setSearch("*", "2026-03-07", "2026-03-07", 10, 0, 10, 2);
    ASSERT_TRUE(page.search());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, 0), "camera2");
    EXPECT_TRUE(dialogs.texts().empty());
}

TEST_F(RecListFormTest, OnlyMotionListsTheMotionRecordingsWhoseDetailsSayMotion)
{
    const std::string gateMotion = recFolder(0) + "/r-Gate_!1__2026_3_7_10_0_0_0.avi";
    const std::string gateByHand = recFolder(0) + "/r-Gate_!0__2026_3_7_10_1_0_0.avi";
    const std::string dockLast = recFolder(2) + "/r-Dock_!1_End2026_3_7_10_2_0_0.avi";
    writeRecording(gateMotion, 60, 1.0f, at(7, 10, 1));
    writeRecording(gateByHand, 60, 1.0f, at(7, 10, 2));
    writeRecording(recFolder(1) + "/r-Yard_!0__2026_3_7_10_0_0_0.avi", 60, 1.0f, at(7, 10, 1));
    writeRecording(dockLast, 60, 1.0f, at(7, 10, 3));

    auto* onlyMotion = get<QCheckBox>(kOnlyMotionChk);
    EXPECT_EQ(onlyMotion->text(), "Only Motion");
    EXPECT_FALSE(onlyMotion->isChecked());
    setSearch("*", "2026-03-07", "2026-03-07", 10, 0, 10, 10);
    click(kSearchCmd);
    EXPECT_EQ(rows(), 4);

    onlyMotion->setChecked(true);
    click(kSearchCmd);
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(cell(0, 0), "camera1");
    EXPECT_EQ(cell(0, 1).toStdString(), gateMotion);
    EXPECT_EQ(cell(1, 0), "camera3");
    EXPECT_EQ(cell(1, 1).toStdString(), dockLast);
    form->resize(1000, 500);
    form->show();
    QApplication::processEvents();
    saveScreenshot(*form, "reclist-search-only-motion");

    // A camera without motion recordings: its files are examined, so the
    // earlier results go, and none is listed.
    get<QLineEdit>(kCamNo)->setText("2");
    click(kSearchCmd);
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(dialogs.texts().empty());

    // The list tab's details of the files the search found.
    form->tabs().setCurrentIndex(0);
    form->changeCamera(0);
    ASSERT_TRUE(form->videoPage().selectFile("r-Gate_!1__2026_3_7_10_0_0_0.avi"));
    EXPECT_EQ(label(kVLbl2), "Alerts: [Motion] ");
    EXPECT_EQ(label(kVLbl3), "Start Time: 2026-03-07  10:00:00.000");
    ASSERT_TRUE(form->videoPage().selectFile("r-Gate_!0__2026_3_7_10_1_0_0.avi"));
    EXPECT_EQ(label(kVLbl2), "Alerts: None");
    form->changeCamera(2);
    ASSERT_TRUE(form->videoPage().selectFile("r-Dock_!1_End2026_3_7_10_2_0_0.avi"));
    EXPECT_EQ(label(kVLbl1), "Location: Dock");
    EXPECT_EQ(label(kVLbl2), "Alerts: [Motion] ");
}

TEST_F(RecListFormTest, ResultCommandsPlayAndRemoveRowsButNotFiles)
{
    writeRecording(recFolder(0) + "/r1.avi", 300, 1.0f, at(7, 10, 5));
    writeRecording(recFolder(0) + "/r2.avi", 300, 1.0f, at(7, 10, 6));
    VideoSearchPage& page = form->searchPage();
    setSearch("1", "2026-03-07", "2026-03-07", 10, 0, 10, 2);
    ASSERT_TRUE(page.search());
    ASSERT_EQ(rows(), 2);

    click(kVsPlayBtn);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please select an item."});
    EXPECT_TRUE(played.empty());
    click(kVsDelBtn); // nothing selected: nothing asked
    EXPECT_EQ(dialogs.asked.size(), 1u);

    page.selectRow(0);
    click(kVsPlayBtn);
    EXPECT_EQ(played, std::vector<std::string>{recFolder(0) + "/r1.avi"});
    dialogs.answer = AppDialogs::Answer::Yes;
    click(kVsDelBtn);
    EXPECT_EQ(dialogs.asked.back().text, "Are you sure?");
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, 1), QString::fromStdString(recFolder(0) + "/r2.avi"));
    EXPECT_TRUE(fs::exists(recFolder(0) + "/r1.avi"));
    EXPECT_EQ(page.selectedPath(), recFolder(0) + "/r1.avi");
    // A second Delete finds the selected recording's row gone and removes
    // no other row.
    click(kVsDelBtn);
    EXPECT_EQ(rows(), 1);
}

TEST_F(RecListFormTest, ExportOfTheSelectedRecordingInBothTabs)
{
    const std::string folder = recFolder(0);
    writeRecording(folder + "/r1.avi", 20, 10.0f, at(7, 10, 5));
    form->changeCamera(0);
    // Nothing selected: the tabs' own message, and no save dialog.
    click(kVExportBtn);
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please select an item."});
    EXPECT_TRUE(dialogs.fileCaptions.empty());

    // The selected file, whole, under the name chosen in the save dialog.
    ASSERT_TRUE(form->videoPage().selectFile("r1.avi"));
    dialogs.files.push_back(data.file("list.mp4"));
    click(kVExportBtn);
    EXPECT_EQ(dialogs.suggestions, std::vector<std::string>{folder + "/r1.mp4"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.shown.size() == 1; }, 60000));
    EXPECT_EQ(dialogs.shown.at(0).box.text, "The recording was exported to " + data.file("list.mp4") + ".");
    EXPECT_EQ(export_test::readMedia(data.file("list.mp4")).videoPackets, 20);

    VideoSearchPage& page = form->searchPage();
    setSearch("1", "2026-03-07", "2026-03-07", 10, 0, 10, 6);
    ASSERT_TRUE(page.search());
    ASSERT_EQ(rows(), 1);
    click(kVsExportBtn);
    EXPECT_EQ(dialogs.asked.back().text, "Please select an item.");
    page.selectRow(0);
    dialogs.files.push_back(data.file("search.mp4"));
    click(kVsExportBtn);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.shown.size() == 2; }, 60000));
    EXPECT_EQ(dialogs.shown.at(1).box.text, "The recording was exported to " + data.file("search.mp4") + ".");
    EXPECT_EQ(export_test::readMedia(data.file("search.mp4")).videoPackets, 20);
}

TEST_F(RecListFormTest, CalendarChecksTheDates)
{
    form->tabs().setCurrentIndex(2);
    VideoSearchPage& page = form->searchPage();
    CalendarFrm* calendar = page.calendar();
    auto* ok = calendar->findChild<QPushButton*>(kClickCmd);
    auto* month = calendar->findChild<QCalendarWidget*>(kCalendarCtl);
    ASSERT_TRUE(ok && month);

    // The end date first, without a start date: refused, the calendar stays.
    click(kSelectCalEndBtn);
    EXPECT_TRUE(calendar->isVisible());
    EXPECT_EQ(month->selectedDate(), QDate::currentDate());
    ok->click();
    EXPECT_EQ(dialogs.texts(), std::vector<std::string>{"Please check your select date."});
    EXPECT_TRUE(calendar->isVisible());
    EXPECT_TRUE(get<QLineEdit>(kSelectETxt)->text().isEmpty());
    calendar->hide();

    click(kSelectCalStartBtn);
    month->setSelectedDate(QDate(2026, 3, 7));
    QApplication::processEvents();
    saveScreenshot(*calendar, "calendar");
    ok->click();
    EXPECT_EQ(get<QLineEdit>(kSeleFTxt)->text(), "2026-03-07");
    EXPECT_FALSE(calendar->isVisible());

    // An end before the start is refused; the same day is taken.
    click(kSelectCalEndBtn);
    month->setSelectedDate(QDate(2026, 3, 6));
    ok->click();
    EXPECT_EQ(dialogs.texts().size(), 2u);
    EXPECT_TRUE(calendar->isVisible());
    month->setSelectedDate(QDate(2026, 3, 7));
    ok->click();
    EXPECT_EQ(get<QLineEdit>(kSelectETxt)->text(), "2026-03-07");
    EXPECT_FALSE(calendar->isVisible());

    // On the same day, an end hour before the start hour is questioned.
    auto* hour = get<QComboBox>(kHourTxtCbo);
    auto* hour2 = get<QComboBox>(kHourTxt2Cbo);
    hour->setCurrentIndex(10);
    hour2->setCurrentIndex(9);
    emit hour2->activated(9);
    EXPECT_EQ(dialogs.texts().size(), 3u);
    EXPECT_EQ(dialogs.texts().back(), "Please check your select date.");
    hour2->setCurrentIndex(11);
    emit hour2->activated(11);
    EXPECT_EQ(dialogs.texts().size(), 3u);
}

} // namespace

namespace {

// A recording as the program writes it: camsim's pictures of camera `name`
// (w x h, one every 1/rate s, each with its own time) under the recorder's
// file name, ending at `end`.
std::string writeCameraRecording(const std::string& folder, const std::string& name, const QDateTime& end, int frames,
                                 float rate, int alerts = 0)
{
    const QDateTime start = end.addSecs(-static_cast<qint64>(frames / rate));
    const std::string prefix = "r-" + name + "_!" + std::to_string(alerts) + "_";
    const std::string path = folder + "/" + prefix + "_" +
                             start.toString("yyyy_M_d_H_m_s_0").toStdString() + ".avi";
    std::filesystem::create_directories(fs::path(path).parent_path());
    camsim::PictureMaker maker;
    recording_test::FakeClock clock;
    strovix::recording::AviWriter writer(clock);
    for (int k = 0; k < frames; ++k) {
        const QDateTime at = start.addSecs(static_cast<qint64>(k / rate));
        const auto picture = maker.make(camsim::PictureFormat{320, 240, false, 70},
                                        camsim::Overlay{name, static_cast<uint64_t>(k),
                                                        at.toString("yyyy-MM-dd HH:mm:ss").toStdString()});
        writer.AddFrame(*picture, folder, prefix, rate);
    }
    writer.Close(rate, path);
    const timespec t{end.toSecsSinceEpoch(), 0};
    const timespec times[2] = {t, t};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    return path;
}

} // namespace

// The user guide's pictures of a search over all cameras and of the player
// showing one of its results.
TEST_F(RecListFormTest, GuidePicturesOfASearchAndThePlayer)
{
    // Five-minute files (a picture every 5 s) of the gate and the yard.
    std::vector<std::string> gate;
    for (int minute : {5, 10, 15})
        gate.push_back(writeCameraRecording(recFolder(0), "Gate", at(7, 9, minute), 60, 0.2f));
    const std::string yard = writeCameraRecording(recFolder(1), "Yard", at(7, 9, 12), 60, 0.2f);
    writeCameraRecording(recFolder(1), "Yard", at(7, 18, 0), 60, 0.2f);

    setSearch("*", "2026-03-07", "2026-03-07", 9, 0, 9, 30);
    form->resize(1000, 560);
    form->show();
    click(kSearchCmd);
    ASSERT_EQ(rows(), 4);
    EXPECT_EQ(cell(0, 1).toStdString(), gate[0]);
    EXPECT_EQ(cell(0, 2), "2026-03-07 09:00:00");
    EXPECT_EQ(cell(2, 3), "2026-03-07 09:15:00");
    EXPECT_EQ(cell(3, 0), "camera2");
    EXPECT_EQ(cell(3, 1).toStdString(), yard);
    EXPECT_TRUE(dialogs.texts().empty());
    form->searchPage().selectRow(1);
    QApplication::processEvents();
    EXPECT_TRUE(guide_shots::guideShot(form->grab().toImage(), "record-list-search"));

    // Play hands the selected file to the player.
    click(kVsPlayBtn);
    ASSERT_EQ(played, std::vector<std::string>{gate[1]});
    PlayerWindow player;
    player.setSoundOutputFactory([] { return std::unique_ptr<media::AudioOutput>(); });
    ASSERT_TRUE(player.openFile(played.front()));
    EXPECT_EQ(player.timeText(), "00:00 / 05:00");
    player.resize(360, 320);
    player.show();
    player.seekFrame(24);
    QApplication::processEvents();
    EXPECT_EQ(player.timeText(), "02:00 / 05:00");
    EXPECT_TRUE(guide_shots::guideShot(player.grab().toImage(), "player"));
}

// A day of recordings on the timeline: which files become bars and where,
// the colours, what hovering tells, and a click playing the file from the
// clicked moment.
TEST_F(RecListFormTest, TimelineDrawsTheDaysRecordingsAndPlaysTheClickedMoment)
{
    cameras->getCamera(0)->setDisplayLocation("Gate");
    cameras->getCamera(2)->setDisplayLocation("Loading dock");
    // Camera 1: 09:55-10:05, and one from 23:50 the day before to 00:10.
    const std::string gate = writeCameraRecording(recFolder(0), "Gate", at(7, 10, 5), 120, 0.2f);
    const std::string night = writeCameraRecording(recFolder(0), "Gate", at(7, 0, 10), 240, 0.2f);
    writeCameraRecording(recFolder(0), "Gate", at(8, 1, 0), 12, 0.2f);  // the next day
    writeCameraRecording(recFolder(0), "Gate", at(6, 12, 0), 12, 0.2f);  // the day before
    // Camera 3: on motion 14:00-15:00, in the recorder's numbered sub-folder.
    const std::string dock =
        writeCameraRecording(recFolder(2) + "/r-Dock_!1_1", "Dock", at(7, 15, 0), 720, 0.2f, 1);
    fs::create_directories(recFolder(4));
    std::ofstream(recFolder(4) + "/r-Yard_!0__2026_3_7_8_0_0_0.avi") << "not a recording";

    TimelinePage& page = form->timelinePage();
    TimelineView& view = page.view();
    form->resize(1000, 560);
    form->show();
    form->tabs().setCurrentIndex(3);
    EXPECT_FALSE(get<QComboBox>(kCombo1)->isVisible());
    EXPECT_EQ(view.day(), QDate::currentDate());
    page.showDay(QDate(2026, 3, 7));
    EXPECT_EQ(get<QLineEdit>(kTimelineDay)->text(), "2026-03-07");
    EXPECT_EQ(page.note(), "1 recording is not shown because its playing time cannot be read.");

    std::map<std::string, const TimelineBar*> bars;
    for (const TimelineBar& bar : view.bars())
        bars[bar.path] = &bar;
    ASSERT_EQ(bars.size(), 3u);
    ASSERT_TRUE(bars.count(gate) && bars.count(night) && bars.count(dock));
    EXPECT_EQ(bars[gate]->start, at(7, 9, 55));
    EXPECT_EQ(bars[gate]->end, at(7, 10, 5));
    EXPECT_FALSE(bars[gate]->motion);
    EXPECT_EQ(bars[dock]->camera, 2);
    EXPECT_TRUE(bars[dock]->motion);
    EXPECT_EQ(bars[night]->start, at(6, 23, 50));

    // Where the bars are drawn, and in which colour.
    QApplication::processEvents();
    const QImage shot = view.grab().toImage();
    const auto colourAt = [&](int camera, const QDateTime& t) {
        return QColor(shot.pixel(view.xOf(t), view.rowRect(camera).center().y()));
    };
    EXPECT_EQ(colourAt(0, at(7, 10, 0)), TimelineView::kRecordingColour);
    EXPECT_EQ(colourAt(0, at(7, 0, 2)), TimelineView::kRecordingColour); // from the day's edge
    EXPECT_NE(colourAt(0, at(7, 12, 0)), TimelineView::kRecordingColour);
    EXPECT_EQ(colourAt(2, at(7, 14, 30)), TimelineView::kMotionColour);
    EXPECT_NE(colourAt(1, at(7, 14, 30)), TimelineView::kMotionColour);
    EXPECT_GT(view.xOf(at(7, 12, 0)), view.xOf(at(7, 6, 0)));

    // Hovering tells the file and its times; a click plays from that moment.
    const QPoint onDock(view.xOf(at(7, 14, 30)), view.rowRect(2).center().y());
    const auto hit = view.hitAt(onDock);
    ASSERT_TRUE(hit);
    EXPECT_EQ(view.bars()[hit->bar].path, dock);
    EXPECT_EQ(view.toolTipOf(hit->bar), QString::fromStdString(fs::path(dock).filename().string())
                                            + "\nStart Time: 2026-03-07 14:00:00\nEnd Time: 2026-03-07 15:00:00"
                                              "\nAlerts: [Motion]");
    EXPECT_FALSE(view.hitAt(QPoint(view.xOf(at(7, 12, 0)), view.rowRect(0).center().y())));
    QTest::mouseClick(&view, Qt::LeftButton, {}, onDock);
    ASSERT_EQ(played, std::vector<std::string>{dock});
    const double secondsPerPixel = 24 * 3600.0 / (view.xOf(at(8, 0, 0)) - view.xOf(at(7, 0, 0)));
    EXPECT_NEAR(playedAt[0], 1800.0, secondsPerPixel);
    // A five-second recording is still hit a pixel beside it.
    const std::string brief = writeCameraRecording(recFolder(5), "Hall", at(7, 20, 0, 5), 1, 0.2f);
    page.activate();
    const auto nearBrief = view.hitAt(QPoint(view.xOf(at(7, 20, 0)) + 1, view.rowRect(5).center().y()));
    ASSERT_TRUE(nearBrief);
    EXPECT_EQ(view.bars()[nearBrief->bar].path, brief);

    // The real player opens at the clicked moment.
    form->setPlayerOpener(nullptr);
    QTest::mouseClick(&view, Qt::LeftButton, {}, onDock);
    PlayerWindow* player = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "PlayerWindow" && w->isVisible())
            player = static_cast<PlayerWindow*>(w);
    ASSERT_TRUE(player);
    EXPECT_NEAR(player->currentFrame(), 1800.0 * 0.2, secondsPerPixel * 0.2 + 1);

    // The day moves with Previous Day, Next Day and the calendar.
    click(kTimelinePrevBtn);
    EXPECT_EQ(view.day(), QDate(2026, 3, 6));
    ASSERT_EQ(view.bars().size(), 2u); // 12:00, and the night one up to midnight
    click(kTimelineNextBtn);
    click(kTimelineNextBtn);
    EXPECT_EQ(view.day(), QDate(2026, 3, 8));
    emit page.calendar()->dateChosen(QDate(2026, 3, 7));
    EXPECT_EQ(view.day(), QDate(2026, 3, 7));
    EXPECT_EQ(view.bars().size(), 4u);
    EXPECT_TRUE(dialogs.texts().empty());
}

TEST_F(RecListFormTest, GuidePictureOfATimeline)
{
    const char* places[] = {"Gate", "Yard", "Dock", "Hall", "Office", "Store"};
    for (int c = 0; c < 6; ++c)
        cameras->getCamera(static_cast<int16_t>(c))->setDisplayLocation(places[c]);
    // Schedules of the day: ten-minute files through the opening hours, and
    // motion clips at night.
    for (int c = 0; c < 6; ++c) {
        for (int h = 7 + c % 3; h < 18 - c % 2; h += 1 + c % 2)
            writeCameraRecording(recFolder(c), places[c], at(7, h, 10 * (c % 3) + 20), 60, 0.1f);
        for (int h : {1, 3, 22})
            writeCameraRecording(recFolder(c), places[c], at(7, h, 5 * c + 10), 6 + 3 * c, 0.1f, 1);
    }
    form->resize(1000, 560);
    form->show();
    form->tabs().setCurrentIndex(3);
    form->timelinePage().showDay(QDate(2026, 3, 7));
    QApplication::processEvents();
    EXPECT_GT(form->timelinePage().view().bars().size(), 60u);
    saveScreenshot(*form, "record-list-timeline");
    EXPECT_TRUE(guide_shots::guideShot(form->grab().toImage(), "record-list-timeline"));
}
