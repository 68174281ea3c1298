// The whole product as an operator meets it: the real oculon program on a real
// X server (Xvfb, Qt's xcb platform) against camsim, each test with a display
// and an application folder of its own. The outcome is read from the
// program's files, camsim's request log and captures of the screen; buttons
// are found on the screen by their pictures and clicked with the pointer.
#include "OculonProcess.h"
#include "XDisplay.h"

#include "support/CamsimProcess.h"
#include "support/GuideShots.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>

#include <sstream>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

QCoreApplication& testApp()
{
    static int argc = 1;
    static char name[] = "e2e_desktop_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

// A button face of the main window, as the program draws it.
QImage picture(const std::string& name)
{
    return QImage(QString::fromStdString(std::string(std::getenv("OCULON_SOURCE_DIR")) + "/image/" + name));
}
const char kExitPicture[] = "index_62.gif";
const char kRecordIdle[] = "index_88.gif";
const char kRecordLit[] = "index_88_click.gif";

// Whether each camera's REC button (1 to 16, left to right along the bottom
// row) shows its camera recording; empty when not all 16 are on the screen.
std::vector<bool> recordButtonsLit(const QImage& screen)
{
    std::vector<std::pair<int, bool>> buttons;
    for (const auto& [face, lit] : {std::pair{kRecordIdle, false}, std::pair{kRecordLit, true}})
        for (const QRect& place : XDisplay::findAll(screen, picture(face)))
            buttons.emplace_back(place.x(), lit);
    if (buttons.size() != 16)
        return {};
    std::sort(buttons.begin(), buttons.end());
    std::vector<bool> lit;
    for (const auto& button : buttons)
        lit.push_back(button.second);
    return lit;
}

// The recordings of one camera folder: finished AVI files and the hidden
// files of recordings still open (or left open by a crash).
struct Recordings {
    std::vector<fs::path> finished;
    std::vector<fs::path> unfinished;
};
Recordings recordingsIn(const fs::path& folder)
{
    Recordings found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file())
            continue;
        const std::string name = entry.path().filename().string();
        if (name[0] == '.')
            found.unfinished.push_back(entry.path());
        else if (entry.path().extension() == ".avi")
            found.finished.push_back(entry.path());
    }
    return found;
}
// Schedule items for this minute and the next (minute,hour,day,month,
// weekday,duration): a watch timer shortened to a few seconds fires one of
// them at its first tick.
std::string scheduleForNow(int durationSeconds)
{
    std::string schedule;
    const QDateTime now = QDateTime::currentDateTime();
    for (const QDateTime& at : {now, now.addSecs(60)})
        schedule += QString("%1,%2,%3,%4,-1,%5;")
                        .arg(at.time().minute())
                        .arg(at.time().hour())
                        .arg(at.date().day())
                        .arg(at.date().month())
                        .arg(durationSeconds)
                        .toStdString();
    return schedule;
}

bool holdsPictures(const fs::path& file)
{
    std::error_code ec;
    return fs::file_size(file, ec) > 20000 && !ec;
}

// Video packets ffprobe counts in an AVI file; -1 when it cannot read it.
int videoPackets(const fs::path& file)
{
    QProcess ffprobe;
    ffprobe.start("ffprobe", {"-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                              "stream=nb_read_packets", "-of", "csv=p=0", QString::fromStdString(file.string())});
    if (!ffprobe.waitForFinished(60000) || ffprobe.exitCode() != 0 || !ffprobe.readAllStandardError().isEmpty())
        return -1;
    bool ok = false;
    const int packets = ffprobe.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? packets : -1;
}

QByteArray digestOf(const fs::path& file)
{
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(in.readAll(), QCryptographicHash::Sha256);
}

// The 4x4 views fill the window's left part below the top strip (the window
// is designed for 1024 x 768, the size of the test display); the buttons, the
// camera strip and the status bar lie around them.
QRect viewArea(const QImage& screen)
{
    return QRect(QPoint(screen.width() * 15 / 1000, screen.height() * 55 / 1000),
                 QPoint(screen.width() * 830 / 1000, screen.height() * 885 / 1000));
}
QRect cell(const QImage& screen, int index)
{
    const QRect area = viewArea(screen);
    const int w = area.width() / 4;
    const int h = area.height() / 4;
    return QRect(area.left() + (index % 4) * w, area.top() + (index / 4) * h, w, h);
}
// A view showing a camera picture holds many colours; an empty view is one
// flat grey.
int coloursAround(const QImage& screen, QPoint centre)
{
    QSet<QRgb> colours;
    for (int y = centre.y() - 20; y < centre.y() + 20; ++y)
        for (int x = centre.x() - 20; x < centre.x() + 20; ++x)
            colours.insert(screen.pixel(x, y));
    return static_cast<int>(colours.size());
}
// Pixels that differ between two captures, outside the views.
int changesAroundTheViews(const QImage& a, const QImage& b)
{
    const QRect views = viewArea(a).adjusted(-6, -6, 6, 6);
    int changed = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            changed += !views.contains(x, y) && a.pixel(x, y) != b.pixel(x, y);
    return changed;
}

// Each of `cameras` (numbered from 1) left finished recordings with
// pictures and nothing unfinished.
void expectWholeRecordings(const TempDir& home, std::initializer_list<int> cameras)
{
    for (int cam : cameras) {
        const Recordings r = recordingsIn(home.file("video_rec/cam" + std::to_string(cam)));
        EXPECT_TRUE(r.unfinished.empty()) << "camera " << cam << ": unfinished file left";
        EXPECT_FALSE(r.finished.empty()) << "camera " << cam;
        for (const fs::path& file : r.finished)
            EXPECT_GT(videoPackets(file), 0) << file;
    }
}

std::string buildFolder() { return fs::path(std::getenv("OCULON_BUILD_BIN")).parent_path().string(); }

class Desktop : public ::testing::Test {
protected:
    void SetUp() override
    {
        testApp();
        if (!CamsimProcess::available() || !fs::exists(OculonProcess::program()))
            GTEST_SKIP() << "oculon or camsim is not built";
        ASSERT_TRUE(x.started()) << x.error();
    }

    // Clicks the button that shows `face`, once it is on the screen;
    // `clicked` is started right before the click.
    ::testing::AssertionResult press(const std::string& face, QElapsedTimer* clicked = nullptr)
    {
        const QImage wanted = picture(face);
        if (wanted.isNull())
            return ::testing::AssertionFailure() << "no picture " << face;
        std::optional<QRect> place;
        waitFor([&] { return (place = XDisplay::find(x.capture(), wanted)).has_value(); }, 60000);
        if (!place)
            return ::testing::AssertionFailure() << face << " is not on the screen";
        if (clicked)
            clicked->start();
        if (!x.click(place->center()))
            return ::testing::AssertionFailure() << "xdotool could not click " << face;
        return ::testing::AssertionSuccess();
    }

    // Presses Enter on the display (the default button of a box) until
    // `done` holds; false when it never did within `timeoutMs`.
    bool pressEnterUntil(const std::function<bool()>& done, int timeoutMs = 60000)
    {
        QProcess key;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromStdString(x.name()));
        key.setProcessEnvironment(env);
        return waitFor([&] {
            key.start("xdotool", {"key", "Return"});
            key.waitForFinished(30000);
            return done();
        }, timeoutMs);
    }

    XDisplay x;
};

// Also the user guide's picture of the main window: 16 cameras, the first
// two recording from the start.
TEST_F(Desktop, SixteenCamerasStreamIntoTheWindowAndTheClockRuns)
{
    CamsimProcess cams({"--cameras", "16", "--no-auth", "--audio-off", "--fps", "5"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess oculon(home, x.name());
    oculon.configure(cams, 16, "REC_AT_START=1\nREC_FRAME_RATE=5\n", 2);
    oculon.start();

    // Every camera streams...
    ASSERT_TRUE(waitFor([&] {
        for (int cam = 0; cam < 16; ++cam)
            if (cams.countRequests("/GetData.cgi?Status=1", cam) == 0)
                return false;
        return true;
    }, 90000)) << oculon.errors();
    // The first two record (their REC buttons turn red)...
    const auto recording = [&](int cam) {
        const Recordings r = recordingsIn(home.file("video_rec/cam" + std::to_string(cam)));
        return std::any_of(r.unfinished.begin(), r.unfinished.end(), holdsPictures);
    };
    ASSERT_TRUE(waitFor([&] { return recording(1) && recording(2); }, 90000)) << oculon.errors();
    EXPECT_TRUE(recordingsIn(home.file("video_rec/cam3")).unfinished.empty());
    // Within the descriptor budget: 64 and 4 a camera, all 16 streaming.
    const int held = oculon.descriptors();
    std::printf("oculon holds %d descriptors with 16 cameras streaming, 2 recording\n", held);
    EXPECT_GT(held, 0);
    EXPECT_LE(held, 64 + 4 * 16);
    // ...and every view shows its pictures.
    QImage screen;
    std::vector<int> empty;
    ASSERT_TRUE(waitFor([&] {
        screen = x.capture();
        empty.clear();
        for (int i = 0; i < 16; ++i)
            if (screen.isNull() || coloursAround(screen, cell(screen, i).center()) < 30)
                empty.push_back(i + 1);
        return empty.empty();
    }, 90000)) << "views still empty: " << ::testing::PrintToString(empty);
    const std::string shot = buildFolder() + "/e2e-main-window.png";
    EXPECT_TRUE(screen.save(QString::fromStdString(shot)));
    std::printf("screenshot: %s\n", shot.c_str());
    EXPECT_TRUE(guide_shots::guideShot(screen, "main-window", 1024));

    // The clock label ticks every second: two captures 2 s apart differ
    // around the views, where nothing else moves by itself.
    const QImage before = x.capture();
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    const QImage after = x.capture();
    ASSERT_FALSE(before.isNull() || after.isNull());
    EXPECT_GT(changesAroundTheViews(before, after), 0) << "the clock stood still";

    EXPECT_TRUE(oculon.running());
    oculon.terminate();
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    EXPECT_TRUE(oculon.boxes().empty());
    // Both recordings were written whole.
    expectWholeRecordings(home, {1, 2});
}

// Display locations that are no file names: every recording lands in its
// camera's own folder, even with folders named "r-.." and "s-.." there.
TEST_F(Desktop, OddCameraNamesRecordIntoTheirOwnFoldersOnly)
{
    CamsimProcess cams({"--cameras", "3", "--no-auth", "--audio-off", "--fps", "10"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess oculon(home, x.name());
    std::string wide;
    for (int i = 0; i < 100; ++i)
        wide += "東";
    const std::vector<std::string> names = {"../../../OUTSIDE", "a/b", wide};
    std::string text = "[App]\nVIEWER_LAYOUT=4\n";
    for (int i = 0; i < 3; ++i) {
        text += "[Camera" + std::to_string(i + 1) + "]\nIP=127.0.0.1\nPORT=" + std::to_string(cams.port(i)) +
                "\nDISPLAY_LOCATION=" + names[i] + "\nREC_AT_START=1\nREC_FRAME_RATE=10\nREC_NUMBER_OF_FRAME=10\n";
        for (const char* trap : {"r-..", "s-.."})
            fs::create_directories(home.file("video_rec/cam" + std::to_string(i + 1) + "/" + trap));
    }
    std::ofstream(home.file("etc/config.ini")) << text;
    oculon.start();

    const auto finished = [&](int cam) { return !recordingsIn(home.file("video_rec/cam" + std::to_string(cam))).finished.empty(); };
    ASSERT_TRUE(waitFor([&] { return finished(1) && finished(2) && finished(3); }, 90000)) << oculon.errors();
    oculon.terminate();
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    EXPECT_TRUE(oculon.boxes().empty()) << oculon.boxes().front();

    // Every picture file of the run, wherever it is: directly in its camera's folder.
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || (entry.path().extension() != ".avi" && entry.path().extension() != ".part"))
            continue;
        ++files;
        const std::string folder = entry.path().parent_path().filename().string();
        ASSERT_EQ(folder.substr(0, 3), "cam") << entry.path();
        EXPECT_EQ(entry.path().parent_path().parent_path(), fs::path(home.file("video_rec"))) << entry.path();
        EXPECT_EQ(name.substr(0, 2), "r-") << name;
        EXPECT_LE(name.size(), 255u);
        EXPECT_NE(name.find("_!0_"), std::string::npos) << name;
        EXPECT_NE(name[0], '.') << "left unfinished: " << name;
    }
    EXPECT_GE(files, 3);
}

// A config.ini that is there but cannot be read is said at start, with its
// path and the reason, and is still there as it was afterwards.
TEST_F(Desktop, AnUnreadableConfigFileIsSaidAndLeftAsItIs)
{
    CamsimProcess cams({"--cameras", "1", "--no-auth", "--audio-off"});
    ASSERT_TRUE(cams.started());
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"no read permission", [&](const std::string& f) { ::chmod(f.c_str(), 0); }, "Permission denied"},
        {"a FIFO", [&](const std::string& f) { fs::remove(f); ::mkfifo(f.c_str(), 0644); }, "not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Root reads a file without read permission.
        if (std::string(c.reason) == "Permission denied" && !OculonProcess::runsAsOrdinaryUser()) {
            std::printf("skipped \"%s\": oculon cannot run as an ordinary user here\n", c.name);
            continue;
        }
        TempDir home;
        OculonProcess oculon(home, x.name());
        oculon.configure(cams, 1);
        const std::string config = home.file("etc/config.ini");
        c.make(config);
        const auto type = fs::status(config).type();
        const std::string before = type == fs::file_type::regular ? home.read("etc/config.ini") : "";
        oculon.start();
        const std::string said = "oculon|The file " + config + " cannot be read: " + c.reason;
        ASSERT_TRUE(waitFor([&] {
            const auto boxes = oculon.boxes();
            return !boxes.empty() && boxes.front().find(said) != std::string::npos;
        }, 60000)) << oculon.errors() << (oculon.boxes().empty() ? "" : oculon.boxes().front());
        // After the box the program runs on its defaults.
        ASSERT_TRUE(pressEnterUntil([&] { return XDisplay::find(x.capture(), picture(kExitPicture)).has_value(); }))
            << oculon.errors();
        oculon.terminate();
        ASSERT_TRUE(oculon.finished(60000));
        EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
        EXPECT_NE(oculon.errors().find("The file " + config + " cannot be read: " + c.reason), std::string::npos);
        EXPECT_EQ(fs::status(config).type(), type);
        if (type == fs::file_type::regular) {
            ::chmod(config.c_str(), 0644);
            EXPECT_EQ(home.read("etc/config.ini"), before);
        }
        EXPECT_TRUE(cams.requestLog().empty()) << "a camera of the unread file was reached";
    }
}

TEST_F(Desktop, ASecondStartEndsAtOnceWithItsBoxAndNoCameraRequest)
{
    CamsimProcess cams({"--cameras", "1", "--no-auth", "--audio-off"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess first(home, x.name());
    first.start();
    ASSERT_TRUE(waitFor([&] { return XDisplay::find(x.capture(), picture(kExitPicture)).has_value(); }, 60000))
        << "the first window never showed: " << first.errors();

    // The second start finds a camera configured that would record at once.
    first.configure(cams, 1, "REC_AT_START=1\n");
    OculonProcess second(home, x.name());
    second.start();
    ASSERT_TRUE(waitFor([&] { return !second.boxes().empty(); }, 60000)) << second.errors();
    EXPECT_EQ(second.boxes(),
              (std::vector<std::string>{"critical|ok|oculon|Another instance of the program is already running"}));
    // The operator answers the box with the Enter key: the second ends.
    ASSERT_TRUE(pressEnterUntil([&] { return second.finished(1000); })) << "the refused start did not end";
    EXPECT_EQ(second.exitCode(), 2);
    EXPECT_TRUE(cams.requestLog().empty()) << "the refused start reached a camera";

    // The first goes on, its window on the screen.
    EXPECT_TRUE(first.running());
    EXPECT_TRUE(XDisplay::find(x.capture(), picture(kExitPicture)).has_value());
    first.terminate();
    ASSERT_TRUE(first.finished(60000));
    EXPECT_EQ(first.exitCode(), 0) << first.errors();
}

TEST_F(Desktop, TheExitButtonEndsRecordingsAtStartWithFinishedFiles)
{
    CamsimProcess cams({"--cameras", "2", "--no-auth", "--audio-off", "--fps", "15"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess oculon(home, x.name());
    oculon.configure(cams, 2, "REC_AT_START=1\nREC_FRAME_RATE=15\nREC_NUMBER_OF_FRAME=100000\n");
    oculon.start();

    const auto recording = [&](int cam) {
        const Recordings r = recordingsIn(home.file("video_rec/cam" + std::to_string(cam)));
        return std::any_of(r.unfinished.begin(), r.unfinished.end(), holdsPictures);
    };
    ASSERT_TRUE(waitFor([&] { return recording(1) && recording(2); }, 90000)) << oculon.errors();

    QElapsedTimer clock;
    ASSERT_TRUE(press(kExitPicture, &clock));
    // The bound the operator is promised.
    ASSERT_TRUE(oculon.finished(5000)) << "still running 5 s after Exit";
    std::printf("oculon ended %lld ms after the Exit click\n", static_cast<long long>(clock.elapsed()));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    expectWholeRecordings(home, {1, 2});

    // The user's log tells the run afterwards: start, settings, both cameras,
    // both recordings with their frames, the end.
    std::ifstream in(home.file("state/oculon/oculon.log"));
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    const auto count = [&](const std::string& part) {
        size_t n = 0;
        for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(" oculon.config: oculon "), 2u) << log; // started, ended
    EXPECT_EQ(count(" oculon.config: settings read from " + home.file("etc/config.ini")), 1u) << log;
    EXPECT_EQ(count(": connected, pictures coming"), 2u) << log;
    EXPECT_GE(count(" strovix.recording: recording started: " + home.file("video_rec/cam")), 2u) << log;
    EXPECT_GE(count(" strovix.recording: recording finished: " + home.file("video_rec/cam")), 2u) << log;
    EXPECT_EQ(count(" frames, "), count("recording finished: ")) << log;
    EXPECT_EQ(count("exit status 0"), 1u) << log;
}

TEST_F(Desktop, AScheduleItemOfTheCurrentMinuteRecordsForItsDuration)
{
    CamsimProcess cams({"--cameras", "1", "--no-auth", "--audio-off", "--fps", "5"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess oculon(home, x.name());
    // Items for this minute and the next (minute,hour,day,month,weekday,
    // duration): the watch timer, shortened to 5 s, fires one of them at its
    // first tick. Duration 10 s: a tick after that stops it.
    const std::string schedule = scheduleForNow(10);
    oculon.configure(cams, 1, "REC_FRAME_RATE=5\nREC_NUMBER_OF_FRAME=100000\nSCHEDULE=" + schedule + "\n");
    oculon.shortenWatchTimer(5000);
    oculon.start();
    const fs::path folder = home.file("video_rec/cam1");

    // The camera streams without recording until the schedule says so.
    ASSERT_TRUE(waitFor([&] { return cams.countRequests("/GetData.cgi?Status=1") > 0; }, 60000)) << oculon.errors();
    const Recordings idle = recordingsIn(folder);
    EXPECT_TRUE(idle.finished.empty() && idle.unfinished.empty()) << "recording before the schedule fired";

    ASSERT_TRUE(waitFor([&] {
        const Recordings r = recordingsIn(folder);
        return std::any_of(r.unfinished.begin(), r.unfinished.end(), holdsPictures);
    }, 120000)) << "the schedule item never started a recording";
    ASSERT_TRUE(waitFor([&] {
        const Recordings r = recordingsIn(folder);
        return r.unfinished.empty() && !r.finished.empty();
    }, 120000)) << "the recording did not stop";
    EXPECT_TRUE(oculon.running()) << "the recording stopped because the program ended";
    const Recordings done = recordingsIn(folder);
    ASSERT_EQ(done.finished.size(), 1u);
    EXPECT_GT(videoPackets(done.finished.front()), 0);

    oculon.terminate();
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    EXPECT_EQ(recordingsIn(folder).finished, done.finished) << "a second recording was started";
}

TEST_F(Desktop, PanTiltButtonsSendTheirRequestsToTheFocusedCamera)
{
    CamsimProcess cams({"--cameras", "2", "--no-auth", "--audio-off", "--fps", "2"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess oculon(home, x.name());
    oculon.configure(cams, 2);
    oculon.start();

    // The request targets camsim logged for the move requests, in order.
    const auto moves = [&] {
        std::vector<std::string> found;
        for (const std::string& line : cams.requestLog()) {
            const auto get = line.find(" GET /Camera_Move.cgi");
            if (get != std::string::npos)
                found.push_back(line.substr(0, line.find(' ')) + line.substr(get));
        }
        return found;
    };
    const std::pair<const char*, int> pad[] = {
        {"index_46.gif", 1}, {"index_49.gif", 2}, {"index_50.gif", 3}, {"index_51.gif", 4}, {"index_53.gif", 5}};
    std::vector<std::string> expected;
    for (const auto& [face, type] : pad) {
        ASSERT_TRUE(press(face));
        // The focused camera is the first one at start-up.
        expected.push_back("cam=0 GET /Camera_Move.cgi?CameraMoveType=" + std::to_string(type));
        ASSERT_TRUE(waitFor([&] { return moves().size() >= expected.size(); }, 30000))
            << face << " sent nothing; " << oculon.errors();
    }
    EXPECT_EQ(moves(), expected);
    EXPECT_TRUE(oculon.boxes().empty()) << oculon.boxes().front();

    oculon.terminate();
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
}

// The rows of `area` that are mostly dark: camsim's dark band across the
// middle of its pictures (the rest of its picture is a bright gradient).
int darkRows(const QImage& screen, const QRect& area)
{
    int rows = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        int dark = 0;
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = screen.pixel(x, y);
            dark += std::max({qRed(p), qGreen(p), qBlue(p)}) < 70;
        }
        rows += dark * 10 > area.width() * 6;
    }
    return rows;
}

// The zoom buttons and the wheel act on the focused camera's view: zoomed
// around the middle, camsim's band across the middle of the picture grows in
// that view only; the wheel zooms out and in again, Zoom Off shows the whole
// picture.
TEST_F(Desktop, ZoomButtonsAndTheWheelEnlargeTheFocusedView)
{
    CamsimProcess cams({"--cameras", "2", "--no-auth", "--audio-off", "--fps", "4"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess oculon(home, x.name());
    oculon.configure(cams, 2);
    oculon.start();
    // The band's height in view `view` over that in camera 2's unzoomed view.
    const auto enlarged = [&](int view) {
        const QImage screen = x.capture();
        if (screen.isNull())
            return 0.0;
        return double(darkRows(screen, cell(screen, view))) / std::max(1, darkRows(screen, cell(screen, 1)));
    };
    ASSERT_TRUE(waitFor([&] {
        const QImage screen = x.capture();
        return !screen.isNull() && darkRows(screen, cell(screen, 0)) > 5 && darkRows(screen, cell(screen, 1)) > 5;
    }, 90000)) << oculon.errors();
    EXPECT_NEAR(enlarged(0), 1.0, 0.25);

    // Three steps: 1.95x around the middle.
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(press("index_41.gif"));
    EXPECT_TRUE(waitFor([&] { return std::abs(enlarged(0) - 1.95) < 0.3; }, 10000)) << enlarged(0);
    const QImage screen = x.capture();
    QDir().mkpath(QString::fromStdString(buildFolder() + "/screenshots"));
    const QImage zoomed = screen.copy(cell(screen, 0).united(cell(screen, 1)));
    zoomed.save(QString::fromStdString(buildFolder() + "/screenshots/e2e-zoomed-view.png"));
    EXPECT_TRUE(guide_shots::guideShot(zoomed, "zoomed-view"));

    // Zoom In entered zoom mode: three notches down over the view come back
    // to the whole picture, four up enlarge it 2.44 times.
    const QRect view = cell(x.capture(), 0);
    ASSERT_TRUE(x.wheel(view.topLeft() + QPoint(20, 30), -3));
    EXPECT_TRUE(waitFor([&] { return std::abs(enlarged(0) - 1.0) < 0.25; }, 10000)) << enlarged(0);
    ASSERT_TRUE(x.wheel(view.center(), 4));
    EXPECT_TRUE(waitFor([&] { return std::abs(enlarged(0) - 2.44) < 0.35; }, 10000)) << enlarged(0);
    ASSERT_TRUE(press("index_43.gif"));
    EXPECT_TRUE(waitFor([&] { return std::abs(enlarged(0) - 1.0) < 0.25; }, 10000)) << enlarged(0);
    EXPECT_TRUE(oculon.boxes().empty()) << oculon.boxes().front();

    oculon.terminate();
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
}

TEST_F(Desktop, AfterAKillTheNextStartFinishesTheOpenRecordingsAsEndFiles)
{
    CamsimProcess cams({"--cameras", "4", "--no-auth", "--audio-off", "--fps", "10"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    // A file every 4 s: finished files and open ones side by side.
    OculonProcess first(home, x.name());
    first.configure(cams, 4, "REC_AT_START=1\nREC_FRAME_RATE=10\nREC_NUMBER_OF_FRAME=40\n");
    first.start();
    const auto folder = [&](int cam) { return fs::path(home.file("video_rec/cam" + std::to_string(cam))); };
    ASSERT_TRUE(waitFor([&] {
        for (int cam = 1; cam <= 4; ++cam) {
            const Recordings r = recordingsIn(folder(cam));
            if (r.finished.empty() || std::none_of(r.unfinished.begin(), r.unfinished.end(), holdsPictures))
                return false;
        }
        return true;
    }, 90000)) << first.errors();

    first.kill();
    ASSERT_TRUE(first.finished(30000));
    std::map<fs::path, QByteArray> finished;
    std::map<int, std::vector<fs::path>> leftOpen;
    for (int cam = 1; cam <= 4; ++cam) {
        const Recordings r = recordingsIn(folder(cam));
        for (const fs::path& file : r.finished)
            finished[file] = digestOf(file);
        leftOpen[cam] = r.unfinished;
        ASSERT_FALSE(r.unfinished.empty()) << "camera " << cam;
    }

    // The next start records again, and finishes what the kill left open.
    OculonProcess second(home, x.name());
    second.start();
    const auto endFiles = [&](int cam) {
        std::vector<fs::path> ends;
        for (const fs::path& file : recordingsIn(folder(cam)).finished)
            if (file.filename().string().find("End") != std::string::npos)
                ends.push_back(file);
        return ends;
    };
    ASSERT_TRUE(waitFor([&] {
        for (int cam = 1; cam <= 4; ++cam) {
            if (endFiles(cam).empty())
                return false;
            for (const fs::path& file : leftOpen[cam])
                if (fs::exists(file))
                    return false;
        }
        return true;
    }, 90000)) << second.errors();
    // One open file per camera (perhaps with its sound beside it) came back.
    std::map<int, std::vector<fs::path>> recovered;
    for (int cam = 1; cam <= 4; ++cam) {
        recovered[cam] = endFiles(cam);
        EXPECT_EQ(recovered[cam].size(), 1u) << "camera " << cam;
    }
    second.terminate();
    ASSERT_TRUE(second.finished(60000));
    EXPECT_EQ(second.exitCode(), 0) << second.errors();

    for (const auto& [file, digest] : finished) {
        EXPECT_EQ(digestOf(file), digest) << file << " changed";
        EXPECT_GT(videoPackets(file), 0) << file;
    }
    for (int cam = 1; cam <= 4; ++cam) {
        for (const fs::path& file : recovered[cam])
            EXPECT_GT(videoPackets(file), 0) << file;
        EXPECT_TRUE(recordingsIn(folder(cam)).unfinished.empty());
    }
}

// What the operator sees is what happens: with cameras 1 (focused) and 2
// recording from the start the Record button shows recording; camera 3,
// recording by a schedule, lights its REC button within a second of its
// recording starting and darkens it within a second of its end; a camera
// that goes away says so on its view within 4 s.
TEST_F(Desktop, RecordButtonsAndViewsFollowWhatTheCamerasDo)
{
    CamsimProcess cams({"--cameras", "3", "--no-auth", "--audio-off", "--fps", "5"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    OculonProcess oculon(home, x.name());
    const std::string schedule = scheduleForNow(8);
    std::string text = "[App]\nVIEWER_LAYOUT=16\n";
    for (int i = 0; i < 3; ++i)
        text += "[Camera" + std::to_string(i + 1) + "]\nIP=127.0.0.1\nPORT=" + std::to_string(cams.port(i)) +
                "\nDISPLAY_LOCATION=Cam " + std::to_string(i + 1) + "\nREC_FRAME_RATE=5\nREC_NUMBER_OF_FRAME=100000\n" +
                (i < 2 ? "REC_AT_START=1\n" : "SCHEDULE=" + schedule + "\n");
    std::ofstream(home.file("etc/config.ini")) << text;
    oculon.shortenWatchTimer(2000);
    oculon.start();

    const auto recording = [&](int cam) {
        const Recordings r = recordingsIn(home.file("video_rec/cam" + std::to_string(cam)));
        return std::any_of(r.unfinished.begin(), r.unfinished.end(), holdsPictures);
    };
    ASSERT_TRUE(waitFor([&] { return recording(1) && recording(2); }, 90000)) << oculon.errors();
    EXPECT_TRUE(waitFor([&] { return XDisplay::find(x.capture(), picture("index_24_click.gif")).has_value(); }, 5000))
        << "the Record button shows the focused camera 1 idle";

    // Camera 3's schedule: the moment its file holds pictures, and the moment
    // it is finished, against the moment its REC button changes.
    QElapsedTimer clock;
    clock.start();
    std::optional<qint64> started, lit, ended, darkened;
    ASSERT_TRUE(waitFor([&] {
        const bool records = recording(3);
        const std::vector<bool> buttons = recordButtonsLit(x.capture());
        const qint64 t = clock.elapsed();
        if (records && !started)
            started = t;
        if (!buttons.empty() && buttons[2] && !lit)
            lit = t;
        if (started && !records && !ended)
            ended = t;
        if (lit && !buttons.empty() && !buttons[2] && !darkened)
            darkened = t;
        return ended && darkened;
    }, 150000)) << "camera 3 never recorded and stopped, or REC 3 never followed";
    ASSERT_TRUE(started && lit);
    std::printf("REC 3 lit %lld ms after its recording started, dark %lld ms after it ended\n",
                static_cast<long long>(*lit - *started), static_cast<long long>(*darkened - *ended));
    // A second, and the time one look at the screen takes.
    EXPECT_LE(*lit - *started, 2000);
    EXPECT_LE(*darkened - *ended, 2000);
    const std::vector<bool> buttons = recordButtonsLit(x.capture());
    ASSERT_EQ(buttons.size(), 16u);
    EXPECT_TRUE(buttons[0] && buttons[1]);

    // The cameras go away: within 4 s camera 1's view no longer shows its
    // last picture as live, but dimmed under words.
    const auto brightness = [](const QImage& image) {
        double sum = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += qGray(image.pixel(x, y));
        return sum / std::max(1, image.width() * image.height());
    };
    const QImage before = x.capture().copy(cell(x.capture(), 0));
    cams.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(4000));
    const QImage after = x.capture().copy(cell(x.capture(), 0));
    after.save(QString::fromStdString(buildFolder() + "/e2e-camera-gone.png"));
    EXPECT_LT(brightness(after), 0.8 * brightness(before)) << "the view still shows its last picture as live";

    oculon.terminate();
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
}

} // namespace
