#include "LiveCamera.h"
#include "control/display/ControlWindow.h"

#include "support/TempDir.h"

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
        wireLiveView(session, display);
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

} // namespace
} // namespace strovix
