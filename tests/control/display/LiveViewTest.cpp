#include "LiveCamera.h"
#include "control/display/ControlWindow.h"

#include "support/TempDir.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace strovix {
namespace {

using namespace strovix::test;

TEST(LiveView, CamsimPicturesInEverySplitWithOverlay)
{
    TempDir home;
    setenv("STROVIX_REGISTRY", home.file("registry").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    Camsim camsim({"--fps", "30"});
    ASSERT_FALSE(camsim.url().empty()) << "camsim did not start";

    Display display;
    Session::Options options;
    options.urlSettingsFile = home.file("url-settings");
    {
        Session session(options);
        LiveViewWiring live(session, display);
        QWidget* window = display.createWindow(nullptr);
        window->resize(320, 240);
        window->show();
        session.setWindowReady(true);
        display.setCameraName("Gate");
        ASSERT_TRUE(!session.setShowIntervalTime(30));
        ASSERT_EQ(session.setUrl(camsim.url()), 0);

        // The 640 x 480 pictures are decoded at the size their cells show them.
        const QSize decoded[] = {{320, 240}, {160, 120}, {160, 120}, {80, 60}};
        for (int n = 1; n <= 4; ++n) {
            ASSERT_TRUE(display.setLayout(n));
            const int cells = n * n;
            ASSERT_TRUE(pumpUntil([&] { return display.picturesShown() > cells; }, 15000))
                << "layout " << n << ": " << display.picturesShown() << " pictures";
            for (ViewCell* cell : display.window()->cells()) {
                EXPECT_EQ(cell->pictureSize(), QSize(640, 480)) << "layout " << n << " cell " << cell->index();
                EXPECT_EQ(cell->bitmap().size(), decoded[n - 1]) << "layout " << n << " cell " << cell->index();
                EXPECT_FALSE(cell->lastFrame().empty());
                EXPECT_EQ(cell->overlayText().rfind("Gate  ", 0), 0u) << cell->overlayText();
                EXPECT_GT(cell->overlayText().size(), 14u); // the date and time follow the name
            }
        }
        // The frame rate reaches pane 5 once a rate window has passed.
        ASSERT_TRUE(pumpUntil([&] { return session.paneText(5).find("fps") != std::string::npos; }, 15000))
            << session.paneText(5);
        session.setWindowReady(false);
        display.destroyWindow();
    }
}

// A loopback port nobody listens on (for the moment).
int refusedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// Cameras that cannot be reached say why in the view, through the real
// connection: one that refuses is retried, one whose name does not resolve
// says so through its attempts, and one given up on is disconnected.
TEST(LiveView, UnreachableCamerasSayWhy)
{
    TempDir home;
    setenv("STROVIX_REGISTRY", home.file("registry").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    Display display;
    Session::Options options;
    options.urlSettingsFile = home.file("url-settings");
    Session session(options);
    LiveViewWiring live(session, display);
    QWidget* window = display.createWindow(nullptr);
    window->resize(210, 158);
    window->show();
    session.setWindowReady(true);
    ASSERT_TRUE(!session.setReconnectTryTime(1));

    // Refused: connecting at once, then the attempts as the status bar counts them.
    const std::string refused = "http://127.0.0.1:" + std::to_string(refusedPort());
    session.setUrl(refused);
    EXPECT_EQ(display.notice(), "Connecting...");
    ASSERT_TRUE(pumpUntil([&] { return display.notice() == "Retry 2"; }, 10000)) << display.notice();
    EXPECT_EQ(session.paneText(5), "Retry 2");
    EXPECT_EQ(display.window()->cells()[0]->notice(), "Retry 2");

    // A name that does not resolve: said at the first failure and kept
    // through the attempts after it.
    session.setUrl("http://nonexistent.invalid");
    ASSERT_TRUE(pumpUntil([&] { return display.notice() == "Host not found"; }, 10000)) << display.notice();
    ASSERT_TRUE(pumpUntil([&] { return session.paneText(5) == "Retry 1"; }, 10000)) << session.paneText(5);
    EXPECT_EQ(display.notice(), "Host not found");

    // Attempts exhausted: disconnected, and no report of an earlier
    // connection comes after it.
    ASSERT_TRUE(!session.setReconnectTryNum(0));
    ASSERT_TRUE(!session.setReconnectTryTime(0));
    session.setUrl(refused);
    ASSERT_TRUE(pumpUntil([&] { return session.lastThreadResult() == 2; }, 10000));
    ASSERT_TRUE(pumpUntil([&] { return display.notice() == "Disconnected"; }, 5000)) << display.notice();
    pumpUntil([] { return false; }, 300);
    EXPECT_EQ(display.notice(), "Disconnected");
    // The empty address the application disconnects with says so at once.
    ASSERT_TRUE(!session.setReconnectTryNum(100));
    session.setUrl(refused);
    EXPECT_EQ(display.notice(), "Connecting...");
    session.setUrl("");
    EXPECT_EQ(display.notice(), "Disconnected");

    session.setWindowReady(false);
    display.destroyWindow();
}

} // namespace
} // namespace strovix
