// The built-in player and the snapshot viewer (offscreen), with recordings
// written by the recording's own writer.
#include "RecListTestSupport.h"

#include "app/recordlist/PictureView.h"
#include "app/recordlist/PlayerWindow.h"
#include "app/recordlist/SnapshotViewer.h"
#include "support/TempDir.h"

#include <QAbstractButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

using namespace reclist_test;

namespace {

// A 3-second recording: 30 frames at 10 frames/s, every frame its own colour.
class PlayerWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        writeRecording(path, 30, 10.0f);
    }

    TempDir dir;
    const std::string path = dir.file("three-seconds.avi");
};

TEST_F(PlayerWindowTest, ShowsTheFrameOfEachPosition)
{
    PlayerWindow player;
    ASSERT_TRUE(player.openFile(path));
    EXPECT_EQ(player.frameCount(), 30u);
    EXPECT_FALSE(player.isPlaying());
    EXPECT_EQ(player.currentFrame(), 0u);
    ASSERT_FALSE(player.picture().isNull());
    EXPECT_EQ(player.picture().size(), QSize(160, 120));
    EXPECT_EQ(player.picture(), player.decodeFrame(0));
    EXPECT_TRUE(strovix::test::near(player.picture().pixelColor(80, 60), frameColour(0), 12));
    EXPECT_EQ(player.timeText(), "00:00 / 00:03");

    // The picture keeps its natural size in a larger window and is scaled
    // down, keeping its proportions, in a smaller one.
    const PictureView* view = player.findChild<PictureView*>("PictureImg");
    ASSERT_TRUE(view);
    player.resize(700, 600);
    player.show();
    QApplication::processEvents();
    EXPECT_EQ(view->pictureRect().size(), QSize(160, 120));
    {
        writeRecording(dir.file("large.avi"), 2, 10.0f, {}, {}, 640, 480);
        PlayerWindow large;
        ASSERT_TRUE(large.openFile(dir.file("large.avi")));
        large.resize(420, 380);
        large.show();
        QApplication::processEvents();
        const PictureView* shown = large.findChild<PictureView*>("PictureImg");
        const QRect r = shown->pictureRect();
        EXPECT_LT(r.width(), 640);
        EXPECT_LE(r.width(), shown->width());
        EXPECT_LE(r.height(), shown->height());
        EXPECT_NEAR(double(r.width()) / r.height(), 4.0 / 3.0, 0.02);
    }

    // The slider seeks: the middle shows the frame of 1.5 s.
    auto* slider = player.findChild<QSlider*>("PositionSld");
    ASSERT_TRUE(slider);
    EXPECT_EQ(slider->maximum(), 29);
    slider->setValue(15);
    EXPECT_EQ(player.currentFrame(), 15u);
    EXPECT_EQ(player.picture(), player.decodeFrame(15));
    EXPECT_TRUE(strovix::test::near(player.picture().pixelColor(80, 60), frameColour(15), 12));
    EXPECT_NE(player.picture(), player.decodeFrame(14));
    EXPECT_EQ(player.timeText(), "00:02 / 00:03");

    // Keys: right and left step one frame, space plays and pauses.
    QTest::keyClick(&player, Qt::Key_Right);
    EXPECT_EQ(player.currentFrame(), 16u);
    EXPECT_EQ(slider->value(), 16);
    QTest::keyClick(&player, Qt::Key_Left);
    QTest::keyClick(&player, Qt::Key_Left);
    EXPECT_EQ(player.currentFrame(), 14u);
    EXPECT_EQ(player.picture(), player.decodeFrame(14));
    player.seekFrame(0);
    QTest::keyClick(&player, Qt::Key_Left); // stays at the first frame
    EXPECT_EQ(player.currentFrame(), 0u);
    QTest::keyClick(&player, Qt::Key_Space);
    EXPECT_TRUE(player.isPlaying());
    QTest::keyClick(&player, Qt::Key_Space);
    EXPECT_FALSE(player.isPlaying());
}

TEST_F(PlayerWindowTest, PlayingReachesTheLastFrameAndStops)
{
    PlayerWindow player;
    player.setSoundOutputFactory([] { return std::unique_ptr<media::AudioOutput>(); });
    ASSERT_TRUE(player.openFile(path));
    player.resize(400, 320);
    player.show();
    player.seekFrame(20);
    player.play();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.isPlaying(); }, 15000));
    EXPECT_EQ(player.currentFrame(), 29u);
    EXPECT_EQ(player.picture(), player.decodeFrame(29));
    EXPECT_EQ(player.timeText(), "00:03 / 00:03");
    // Play from the end starts over.
    player.play();
    EXPECT_LT(player.currentFrame(), 29u);
    player.pause();

    player.seekFrame(12);
    QApplication::processEvents();
    const QString shot = saveScreenshot(player, "player");
    std::fprintf(stderr, "screenshot: %s\n", shot.toLocal8Bit().constData());

    // Escape closes the window.
    QTest::keyClick(&player, Qt::Key_Escape);
    EXPECT_FALSE(player.isVisible());
}

TEST_F(PlayerWindowTest, PlaysTheSoundFromThePosition)
{
    std::vector<uint8_t> sound(16000 * 3);
    for (size_t i = 0; i < sound.size(); i += 2) {
        const int16_t s = static_cast<int16_t>((i / 2) % 8000);
        sound[i] = static_cast<uint8_t>(s);
        sound[i + 1] = static_cast<uint8_t>(s >> 8);
    }
    const std::string withSound = dir.file("sound.avi");
    writeRecording(withSound, 30, 10.0f, {}, sound);

    auto* output = new media::CapturingOutput;
    std::unique_ptr<media::AudioOutput> owned(output);
    PlayerWindow player;
    player.setSoundOutputFactory([&] { return std::move(owned); });
    ASSERT_TRUE(player.openFile(withSound));
    EXPECT_TRUE(player.note().isEmpty());
    player.seekFrame(10); // 1 s in
    player.play();
    // The capturing output takes the sound as fast as it comes.
    ASSERT_TRUE(QTest::qWaitFor([&] { return output->samples().size() >= 16000; }, 10000));
    player.pause();
    const auto samples = output->samples();
    ASSERT_GE(samples.size(), 128u);
    // The sound starts at 1 s: sample 8000 of the recording.
    EXPECT_EQ(samples[0], 0);
    EXPECT_EQ(samples[1], 1);
    EXPECT_EQ(samples[100], 100);
    EXPECT_EQ(output->openCount(), 1);

    // Without a sound device the pictures play on and the window says so.
    PlayerWindow silent;
    silent.setSoundOutputFactory([] {
        auto failing = std::make_unique<media::CapturingOutput>();
        failing->failOpen(true);
        return std::unique_ptr<media::AudioOutput>(std::move(failing));
    });
    ASSERT_TRUE(silent.openFile(withSound));
    silent.play();
    EXPECT_TRUE(silent.isPlaying());
    EXPECT_EQ(silent.note(), "No sound device: playing without sound.");
    silent.pause();
}

TEST_F(PlayerWindowTest, ADamagedFileShowsWhyInTheWindow)
{
    const auto bytes = recording_test::readFile(path);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"empty.avi", {}, "The file is empty."},
        {"cut.avi", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 300), "The file's header is damaged."},
        {"text.avi", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}, "The file is not an AVI file."},
    };
    for (const Case& c : cases) {
        std::ofstream(dir.file(c.name), std::ios::binary)
            .write(reinterpret_cast<const char*>(c.bytes.data()), std::streamsize(c.bytes.size()));
        PlayerWindow player;
        EXPECT_FALSE(player.openFile(dir.file(c.name))) << c.name;
        const PictureView* view = player.findChild<PictureView*>("PictureImg");
        ASSERT_TRUE(view);
        EXPECT_TRUE(view->text().contains(c.reason)) << view->text().toStdString();
        EXPECT_TRUE(player.picture().isNull());
        EXPECT_FALSE(player.findChild<QAbstractButton*>("PlayBtn")->isEnabled());
        player.play();
        EXPECT_FALSE(player.isPlaying());
        QTest::keyClick(&player, Qt::Key_Right); // nothing to step: no crash
    }

    // A frame damaged inside a good file: the previous picture stays up.
    auto damaged = bytes;
    const size_t secondFrame = 2048 + 8 + media::getU32(damaged.data() + 2048 + 4);
    for (size_t i = secondFrame + 8 + 2; i < secondFrame + 60; ++i)
        damaged[i] = 0;
    std::ofstream(dir.file("frame.avi"), std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));
    PlayerWindow player;
    ASSERT_TRUE(player.openFile(dir.file("frame.avi")));
    const QImage first = player.picture();
    player.seekFrame(1);
    EXPECT_EQ(player.currentFrame(), 1u);
    EXPECT_EQ(player.picture(), first);
    player.seekFrame(2);
    EXPECT_EQ(player.picture(), player.decodeFrame(2));
}

TEST(SnapshotViewer, FitsOrShowsTheActualSize)
{
    guiApp();
    TempDir dir;
    const auto jpeg = strovix::test::quadrantPicture(800, 600);
    std::ofstream(dir.file("s.jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
    SnapshotViewer viewer;
    ASSERT_TRUE(viewer.openFile(dir.file("s.jpg")));
    viewer.resize(500, 400);
    viewer.show();
    QApplication::processEvents();
    const PictureView& view = viewer.view();
    EXPECT_EQ(view.image().size(), QSize(800, 600));
    EXPECT_TRUE(viewer.fitToWindow());
    EXPECT_LT(view.pictureRect().width(), 800);
    EXPECT_NEAR(double(view.pictureRect().width()) / view.pictureRect().height(), 800.0 / 600.0, 0.02);
    viewer.findChild<QAbstractButton*>("ActualSizeBtn")->click();
    QApplication::processEvents();
    EXPECT_EQ(view.pictureRect().size(), QSize(800, 600));

    std::ofstream(dir.file("bad.jpg")) << "not a picture";
    SnapshotViewer bad;
    EXPECT_FALSE(bad.openFile(dir.file("bad.jpg")));
    EXPECT_TRUE(bad.view().text().contains("cannot be shown"));
}

} // namespace
