// The oculon program itself, started as an operator starts it (offscreen),
// against camsim, each run in an application folder of its own.
#include "app/startup/SingleInstance.h"
#include "support/CamsimProcess.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

namespace {

namespace fs = std::filesystem;

QCoreApplication& testApp()
{
    static int argc = 1;
    static char name[] = "app_program_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

std::string binFolder() { return std::getenv("OCULON_BUILD_BIN"); }

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::vector<std::string> lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

// One application folder with its config.ini and one oculon process on it.
class Oculon {
public:
    explicit Oculon(const TempDir& home) : m_home(home)
    {
        testApp();
        fs::create_directories(home.file("etc"));
    }
    ~Oculon()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    // Camera sections for `count` camsim cameras; `extra` is added to each.
    void configure(const CamsimProcess& cams, int count, const std::string& extra = {})
    {
        std::string text = "[App]\nVIEWER_LAYOUT=16\n";
        for (int i = 0; i < count; ++i)
            text += "[Camera" + std::to_string(i + 1) + "]\nIP=127.0.0.1\nPORT=" + std::to_string(cams.port(i)) +
                    "\nDISPLAY_LOCATION=Cam " + std::to_string(i + 1) + "\n" + extra;
        std::ofstream(m_home.file("etc/config.ini")) << text;
    }

    void start(const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", m_platform);
        env.insert("OCULON_HOME", QString::fromStdString(m_home.path()));
        env.insert("OCULON_BOX_LOG", QString::fromStdString(boxLog()));
        m_process.setProcessEnvironment(env);
        m_process.start(QString::fromStdString(binFolder() + "/oculon"), args);
        m_process.waitForStarted(10000);
    }
    // The program runs on an offscreen screen of this size (96 dpi).
    void onScreen(int width, int height)
    {
        const std::string file = m_home.file("screen.json");
        std::ofstream(file) << R"({"screens": [{"name": "primary", "x": 0, "y": 0, "width": )" << width
                            << R"(, "height": )" << height << R"(, "logicalDpi": 96}]})";
        m_platform = QString::fromStdString("offscreen:configfile=" + file);
    }
    bool finished(int timeoutMs) { return m_process.waitForFinished(timeoutMs); }
    bool running() const { return m_process.state() == QProcess::Running; }
    int exitCode() const { return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1; }
    // What the program wrote to standard error since the last call.
    std::string errors()
    {
        m_process.waitForReadyRead(100);
        return m_process.readAllStandardError().toStdString();
    }
    void terminate() { m_process.terminate(); }

    std::string boxLog() const { return m_home.file("boxes.log"); }
    std::vector<std::string> boxes() const { return lines(boxLog()); }

private:
    const TempDir& m_home;
    QString m_platform = "offscreen";
    QProcess m_process;
};

class OculonProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CamsimProcess::available() || !fs::exists(binFolder() + "/oculon"))
            GTEST_SKIP() << "oculon or camsim is not built";
    }
};

TEST_F(OculonProgram, ASecondStartOnTheSameFolderShowsOneBoxAndEndsWithoutTouchingACamera)
{
    CamsimProcess cams({"--cameras", "1", "--no-auth", "--audio-off"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    Oculon first(home);
    first.start({});
    // The first instance listens for later starts, and has read every camera
    // section once the last slot gave its viewer its folders (the viewer makes them).
    const std::string socket = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" +
                               SingleInstance::keyFor(home.path()) + ".socket";
    ASSERT_TRUE(waitFor([&] { return fs::exists(socket) && fs::exists(home.file("snapshot/cam16")); }, 60000))
        << first.errors();

    // The second start finds a camera configured: it must not reach it.
    first.configure(cams, 1, "REC_AT_START=1\n");
    Oculon second(home);
    second.start({"--quit-after", "0.5"});
    ASSERT_TRUE(second.finished(60000));
    EXPECT_EQ(second.exitCode(), 2);
    EXPECT_NE(second.errors().find("another instance is already running"), std::string::npos);
    EXPECT_EQ(second.boxes(),
              (std::vector<std::string>{"critical|ok|oculon|Another instance of the program is already running"}));
    EXPECT_TRUE(cams.requestLog().empty()) << "the refused start reached a camera";

    // The first goes on, was asked to show its window, and ends cleanly
    // through its shut-down on SIGTERM.
    EXPECT_TRUE(first.running());
    std::string firstErrors;
    EXPECT_TRUE(waitFor([&] {
        firstErrors += first.errors();
        return firstErrors.find("showing this window") != std::string::npos;
    }, 30000)) << firstErrors;
    first.terminate();
    ASSERT_TRUE(first.finished(60000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_FALSE(fs::exists(socket)) << "the socket outlived the program";
}

TEST_F(OculonProgram, NoConfiguredCameraMeansNoRequest)
{
    CamsimProcess cams({"--cameras", "2", "--no-auth"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    Oculon oculon(home);
    oculon.start({"--quit-after", "2", "--screenshot", QString::fromStdString(home.file("empty.png"))});
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    EXPECT_TRUE(cams.requestLog().empty());
    EXPECT_TRUE(oculon.boxes().empty());
    // 16 empty views: the middle of every cell of the 4x4 layout (which takes
    // the left four fifths of the window designed for 1024x768) shows the same
    // idle face of a viewer, which is not the window's own background.
    const QImage shot(QString::fromStdString(home.file("empty.png")));
    ASSERT_FALSE(shot.isNull());
    const QColor idle = shot.pixelColor(shot.width() / 10, shot.height() / 10);
    EXPECT_NE(idle, shot.pixelColor(4, shot.height() - 4)) << "no viewer in the first cell";
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(shot.pixelColor(shot.width() * (2 * column + 1) / 10, shot.height() * (2 * row + 1) / 10), idle)
                << "cell " << row * 4 + column + 1;
    // Right of the grid lies the window's own background.
    EXPECT_NE(shot.pixelColor(shot.width() * 9 / 10, shot.height() / 10), idle);
}

TEST_F(OculonProgram, TheConfiguredViewerLayoutArrangesTheViewsAtStartUp)
{
    // Borders between views crossed by a line through the top row of the grid.
    const auto bordersCrossed = [](const QImage& shot) {
        const int y = shot.height() / 10;
        const QColor idle = shot.pixelColor(shot.width() / 10, y);
        int runs = 0;
        bool inBorder = false;
        for (int x = shot.width() / 10; x < shot.width() * 8 / 10; ++x) {
            const bool border = shot.pixelColor(x, y) != idle;
            runs += border && !inBorder;
            inBorder = border;
        }
        return runs;
    };
    for (const auto& [views, borders] : {std::pair{4, 1}, std::pair{16, 3}}) {
        TempDir home;
        Oculon oculon(home);
        std::ofstream(home.file("etc/config.ini")) << "[App]\nVIEWER_LAYOUT=" << views << "\n";
        oculon.start({"--quit-after", "1", "--screenshot", QString::fromStdString(home.file("layout.png"))});
        ASSERT_TRUE(oculon.finished(60000));
        EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
        const QImage shot(QString::fromStdString(home.file("layout.png")));
        ASSERT_FALSE(shot.isNull());
        EXPECT_EQ(bordersCrossed(shot), borders) << views << " views";
    }
}

TEST_F(OculonProgram, EndingWhileRecordingLeavesFinishedFilesOnly)
{
    CamsimProcess cams({"--cameras", "2", "--no-auth", "--audio-off", "--fps", "15"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    Oculon oculon(home);
    oculon.configure(cams, 2, "REC_AT_START=1\nREC_FRAME_RATE=15\nREC_NUMBER_OF_FRAME=100000\n");
    oculon.start({});

    // Both cameras record at start; wait until each open file holds pictures.
    auto recording = [&](int cam) {
        const fs::path folder = home.file("video_rec/cam" + std::to_string(cam));
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder, ec))
            if (entry.is_regular_file() && entry.file_size() > 20000)
                return true;
        return false;
    };
    ASSERT_TRUE(waitFor([&] { return recording(1) && recording(2); }, 90000)) << oculon.errors();

    oculon.terminate();
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0);
    for (int cam : {1, 2}) {
        int finished = 0;
        for (const auto& entry : fs::directory_iterator(home.file("video_rec/cam" + std::to_string(cam)))) {
            const std::string name = entry.path().filename().string();
            ASSERT_NE(name[0], '.') << "unfinished file left: " << entry.path();
            ASSERT_EQ(entry.path().extension(), ".avi") << name;
            const std::string probe = "ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                      "stream=nb_read_packets -of csv=p=0 '" + entry.path().string() + "'";
            QProcess ffprobe;
            ffprobe.start("sh", {"-c", QString::fromStdString(probe)});
            ASSERT_TRUE(ffprobe.waitForFinished(60000));
            EXPECT_EQ(ffprobe.exitCode(), 0) << name << ": " << ffprobe.readAllStandardError().toStdString();
            EXPECT_GT(ffprobe.readAllStandardOutput().trimmed().toInt(), 0) << name;
            ++finished;
        }
        EXPECT_GE(finished, 1) << "camera " << cam;
    }
}

TEST_F(OculonProgram, SixteenSilentCamerasDoNotHoldUpTheEnd)
{
    CamsimProcess cams({"--cameras", "16", "--no-auth", "--fault", "silent"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    Oculon oculon(home);
    oculon.configure(cams, 16);
    QElapsedTimer clock;
    clock.start();
    oculon.start({"--quit-after", "2"});
    // A generous bound for a loaded machine; the figure is printed.
    ASSERT_TRUE(oculon.finished(60000));
    std::printf("oculon with 16 silent cameras ended %.1f s after its start (2 s run)\n",
                double(clock.elapsed()) / 1000.0);
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    EXPECT_GE(cams.requestLog().size(), 1u) << "the cameras were never asked";
}

TEST_F(OculonProgram, ScreenshotOfSixteenCameras)
{
    CamsimProcess cams({"--cameras", "16", "--no-auth", "--audio-off", "--fps", "5"});
    ASSERT_TRUE(cams.started());
    TempDir home;
    Oculon oculon(home);
    oculon.configure(cams, 16);
    const std::string shot = fs::path(binFolder()).parent_path().string() + "/oculon-4x4.png";
    fs::remove(shot);
    oculon.start({"--quit-after", "8", "--screenshot", QString::fromStdString(shot)});
    ASSERT_TRUE(oculon.finished(90000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull()) << shot;
    EXPECT_GE(image.width(), 640);
    EXPECT_GE(image.height(), 480);
    std::printf("screenshot: %s\n", shot.c_str());
}

TEST_F(OculonProgram, OnABiggerScreenTheWindowFillsItAndTheViewsGrow)
{
    TempDir home;
    Oculon oculon(home);
    oculon.onScreen(1280, 1024);
    const std::string shot = fs::path(binFolder()).parent_path().string() + "/oculon-1280x1024.png";
    fs::remove(shot);
    oculon.start({"--quit-after", "2", "--screenshot", QString::fromStdString(shot)});
    ASSERT_TRUE(oculon.finished(60000));
    EXPECT_EQ(oculon.exitCode(), 0) << oculon.errors();
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull()) << shot;
    EXPECT_EQ(image.size(), QSize(1280, 1024));
    // The 4x4 views reach to the column, now 256 pixels further right, and
    // to the bottom rows, now 256 pixels lower: the last cell's lower right
    // corner shows the same idle viewer as the first cell's middle.
    const QColor idle = image.pixelColor(100, 100);
    EXPECT_EQ(image.pixelColor(1100, 920), idle);
    // Right of the views and below them lies the skin.
    EXPECT_NE(image.pixelColor(1200, 920), idle);
    EXPECT_NE(image.pixelColor(100, 1000), idle);
    std::printf("screenshot: %s\n", shot.c_str());
}

} // namespace
