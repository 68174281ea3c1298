#include "control/display/ControlUi.h"
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/display/StatusBar.h"

#include "tests/support/RecordingDisplayOwner.h"
#include "tests/support/TestPictures.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QStaticText>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace strovix {
namespace {

using namespace strovix::test;

// A control without a host, its window a top-level widget of a fixed size,
// with every report to its owner recorded.
class DisplayFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        display.setClock([] { return int64_t(1073305800); }); // 2004-01-05 12:30:00 UTC
        display.setCameraName("Door");
    }

    ControlWindow& open(int width, int height)
    {
        QWidget* w = display.createWindow(nullptr);
        w->resize(width, height);
        w->show();
        return *display.window();
    }

    // Puts `jpeg` into the shared frame and runs the new-frame handler; a
    // handled picture goes on to the recording, as the control hands it.
    int feed(const Frame& jpeg, uint32_t announced = 1, uint32_t rate = 0, uint32_t window = 10)
    {
        Frame copy = jpeg;
        shared.replace(std::move(copy));
        const int r = display.handleNewFrame(shared, announced, rate, window);
        if (r == 0)
            recorded.push_back(shared.latest()->bytes.size());
        return r;
    }

    // The pixels of one cell as painted.
    static QImage grabCell(ViewCell* cell) { return cell->grab().toImage(); }

    Display display;
    RecordingDisplayOwner owner{display};
    SharedFrame shared;
    std::map<int, std::string>& panes = owner.panes;
    std::vector<int>& layoutEvents = owner.layoutEvents;
    std::vector<std::pair<int, int>>& clicks = owner.clicks;
    std::vector<size_t> recorded;
    std::vector<std::pair<QSize, QSize>>& extents = owner.extents;
    int& clockRequests = owner.clockRequests;
};

// Records what a control window tells the display that made it.
struct RecordingWindowHost : WindowHost {
    // What goes on to the display's owner is looked at through the display.
    void windowPaneText(int, const std::string&) override { }
    void windowLayoutChanged(int) override { }
    void windowExtent(QSize, QSize) override { }
    void windowResized(QSize size) override { lastResize = size; }
    void windowClicked(int x, int y) override { clicks.emplace_back(x, y); }
    void windowContextMenu(int cell, QPoint) override { menuCells.push_back(cell); }
    void windowHover(QPoint) override { ++hovers; }
    void windowKey(int key) override { keys.push_back(key); }

    QSize lastResize;
    std::vector<std::pair<int, int>> clicks;
    std::vector<int> menuCells, keys;
    int hovers = 0;
};

TEST_F(DisplayFixture, SplitGeometryAndLayoutProperty)
{
    ControlWindow& w = open(300, 240);
    ASSERT_EQ(w.cells().size(), 1u);
    EXPECT_EQ(w.cells()[0]->geometry(), QRect(0, 0, 300, 240));

    ASSERT_TRUE(display.setLayout(4));
    ASSERT_EQ(w.cells().size(), 16u);
    EXPECT_EQ(display.layout(), 16);
    for (ViewCell* c : w.cells())
        EXPECT_EQ(c->size(), QSize(75, 60));
    EXPECT_EQ(w.cells()[5]->pos(), QPoint(75, 60));
    EXPECT_EQ(w.cells()[15]->objectName(), "0xD010");
    EXPECT_EQ(panes[3], "4 X 4");

    ASSERT_TRUE(display.setLayout(3));
    EXPECT_EQ(display.layout(), 9);
    ASSERT_EQ(w.cells().size(), 9u);
    EXPECT_EQ(w.cells()[8]->geometry(), QRect(200, 160, 100, 80));
    EXPECT_EQ(panes[3], "3 X 3");

    EXPECT_FALSE(display.setLayout(5));
    EXPECT_FALSE(display.setLayout(0));
    EXPECT_EQ(display.layout(), 9);
    EXPECT_EQ(layoutEvents, (std::vector<int>{1, 16, 9}));

    // A resize lays the cells out again; the remainder stays uncovered. The
    // status bar follows the new size.
    w.resize(302, 241);
    EXPECT_EQ(w.cells()[8]->geometry(), QRect(200, 160, 100, 80));
    const StatusBar* bar = display.ui().statusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->geometry(), QRect(0, 241 - bar->barHeight(), 302, bar->barHeight()));
    // The status bar's share is left free.
    display.setStatusBarArea(true, 21);
    EXPECT_EQ(w.cells()[8]->geometry(), QRect(200, 146, 100, 73));
}

TEST_F(DisplayFixture, ActualSizeKeepsOneCellAndTakesTheCameraSize)
{
    ControlWindow& w = open(300, 240);
    display.setLayout(2);
    display.setResolutionIndex(3); // 640 x 480
    display.setActualSize(true);
    EXPECT_EQ(w.cells().size(), 1u);
    EXPECT_EQ(w.size(), QSize(640, 480));
    ASSERT_FALSE(extents.empty());
    EXPECT_EQ(extents.back().first, QSize(640, 480));
    // 640 px at 96 dpi is 16933 hundredths of a millimetre.
    if (w.logicalDpiX() == 96) {
        EXPECT_EQ(extents.back().second.width(), 16933);
    }

    // Neither Layout nor the Splits menu make more cells; CamWidth is refused.
    EXPECT_TRUE(display.setLayout(4));
    EXPECT_EQ(w.cells().size(), 1u);
    display.chooseSplit(3);
    EXPECT_EQ(display.layout(), 1);
    EXPECT_FALSE(display.setCamWidth(320));

    // A new resolution resizes the control; with the status bar shown it adds its height.
    display.setStatusBarArea(true, 20);
    display.setResolutionIndex(2);
    EXPECT_EQ(w.size(), QSize(320, 260));

    display.setActualSize(false);
    EXPECT_TRUE(display.setCamWidth(400));
    EXPECT_EQ(w.size(), QSize(400, 320));
    EXPECT_EQ(display.camWidth(), 400);
    EXPECT_FALSE(display.setCamWidth(0));
    EXPECT_TRUE(display.setCamHeight(-5));
}

TEST_F(DisplayFixture, OrientationsFromRotate)
{
    ControlWindow& w = open(200, 160);
    ViewCell* cell = w.cells()[0];
    display.setShowText(-1);
    struct Case {
        int rotate;
        QColor topLeft, topRight, bottomLeft, bottomRight;
    };
    const Case cases[] = {
        {0, kTopLeft, kTopRight, kBottomLeft, kBottomRight},
        {1, kBottomRight, kBottomLeft, kTopRight, kTopLeft}, // a true half turn
        {2, kTopRight, kTopLeft, kBottomRight, kBottomLeft}, // left-right only
        {3, kBottomLeft, kBottomRight, kTopLeft, kTopRight}, // top-bottom only
        {7, kTopLeft, kTopRight, kBottomLeft, kBottomRight}, // unknown: upright
    };
    const Frame picture = quadrantPicture(64, 48);
    for (const Case& c : cases) {
        display.setRotate(c.rotate);
        EXPECT_EQ(display.rotate(), c.rotate);
        ASSERT_EQ(feed(picture), 0);
        const QImage img = grabCell(cell);
        ASSERT_EQ(img.size(), QSize(200, 160));
        EXPECT_TRUE(near(img.pixelColor(20, 20), c.topLeft)) << "Rotate " << c.rotate;
        EXPECT_TRUE(near(img.pixelColor(180, 20), c.topRight)) << "Rotate " << c.rotate;
        EXPECT_TRUE(near(img.pixelColor(20, 140), c.bottomLeft)) << "Rotate " << c.rotate;
        EXPECT_TRUE(near(img.pixelColor(180, 140), c.bottomRight)) << "Rotate " << c.rotate;
        // Stretched over the whole cell: the corner pixels belong to the picture.
        EXPECT_TRUE(near(img.pixelColor(0, 0), c.topLeft, 60)) << "Rotate " << c.rotate;
        EXPECT_TRUE(near(img.pixelColor(199, 159), c.bottomRight, 60)) << "Rotate " << c.rotate;
    }
}

TEST_F(DisplayFixture, PicturesCycleThroughTheCellsWithTheirColours)
{
    ControlWindow& w = open(320, 240);
    display.setLayout(2);
    display.setFontColor(0x000000FF); // red
    const Frame picture = quadrantPicture();
    const int expectedCell[] = {0, 1, 2, 3, 0};
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(feed(picture), 0);
        const int cur = expectedCell[i];
        const int prev = (cur + 3) % 4;
        EXPECT_EQ(w.cells()[size_t(cur)]->lastFrame().size(), picture.size()) << "picture " << i + 1;
        EXPECT_EQ(w.cells()[size_t(cur)]->overlayColor(), 0x000000FFu) << "picture " << i + 1;
        if (i > 0) {
            EXPECT_EQ(w.cells()[size_t(prev)]->overlayColor(), 0u) << "picture " << i + 1;
        }
        for (int other = 0; other < 4; ++other) {
            if (other != cur) {
                EXPECT_NE(w.cells()[size_t(other)]->overlayColor(), 0x000000FFu) << "picture " << i + 1;
            }
        }
    }
    EXPECT_EQ(display.picturesShown(), 5);
    EXPECT_EQ(recorded.size(), 5u);
    EXPECT_EQ(w.cells()[1]->overlayText(), "Door  2004-1-5  12:30:00");

    // A new split starts again at cell 0 with empty cells.
    display.setLayout(2);
    EXPECT_EQ(display.picturesShown(), 0);
    EXPECT_TRUE(display.cellLastFrame(1).empty());
    feed(picture);
    EXPECT_FALSE(display.cellLastFrame(0).empty());
}

TEST_F(DisplayFixture, OverlayTextIsDrawnInTheCellColour)
{
    ControlWindow& w = open(200, 150);
    ViewCell* cell = w.cells()[0];
    EXPECT_EQ(cell->fontHeight(), 16); // 150 * 0.11
    // "Arial" is what the cell asks for; fontconfig gives the metric twin.
    EXPECT_EQ(cell->overlayFont().family(), "Arial");
    EXPECT_EQ(QFontInfo(cell->overlayFont()).family(), "Liberation Sans");
    EXPECT_LE(QFontMetrics(cell->overlayFont()).height(), 16); // the whole line fits the height
    const Frame dark = solidPicture(64, 48, QColor(0, 0, 0));

    auto greenPixels = [&] {
        const QImage img = grabCell(cell);
        int n = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 200; ++x)
                if (img.pixelColor(x, y).green() > 120 && img.pixelColor(x, y).red() < 80)
                    ++n;
        return n;
    };
    display.setShowText(0);
    feed(dark);
    EXPECT_GT(greenPixels(), 20);

    // ShowText 1 with no camera name: nothing is drawn.
    display.setCameraName("");
    display.setShowText(1);
    feed(dark);
    EXPECT_EQ(cell->overlayText(), "");
    EXPECT_EQ(greenPixels(), 0);
}

// The text is drawn once per text, font and colour and then blended in at
// every paint: it lands where, and in the colour, a direct drawing puts it,
// and follows every change of colour and text.
TEST_F(DisplayFixture, OverlayTextFollowsColourAndTextChanges)
{
    ControlWindow& w = open(200, 150);
    ViewCell* cell = w.cells()[0];
    const Frame dark = solidPicture(64, 48, QColor(0, 0, 0));
    // The box of the pixels whose colour leans to `channel` (0 red, 1 green).
    auto ink = [](const QImage& img, int channel) {
        QRect box;
        int n = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                const int on = channel == 0 ? c.red() : c.green();
                const int off = channel == 0 ? c.green() : c.red();
                if (on > 120 && off < 80) {
                    box |= QRect(x, y, 1, 1);
                    ++n;
                }
            }
        return std::make_pair(box, n);
    };
    display.setCameraName("Camera 7");
    display.setShowText(1);
    display.setFontColor(0x00FF00); // green
    feed(dark);
    const auto [greenBox, greenCount] = ink(grabCell(cell), 1);
    ASSERT_GT(greenCount, 20);

    // Drawn directly on the same picture, the text covers the same box.
    QImage direct(cell->size(), QImage::Format_RGB32);
    direct.fill(Qt::black);
    {
        QPainter p(&direct);
        p.setFont(cell->overlayFont());
        p.setPen(QColor(0, 255, 0));
        QStaticText text(QStringLiteral("Camera 7"));
        text.setTextFormat(Qt::PlainText);
        p.drawStaticText(QPointF(0, 0), text);
    }
    const auto [directBox, directCount] = ink(direct, 1);
    EXPECT_LE(std::abs(greenBox.left() - directBox.left()), 1);
    EXPECT_LE(std::abs(greenBox.top() - directBox.top()), 1);
    EXPECT_LE(std::abs(greenBox.right() - directBox.right()), 1);
    EXPECT_LE(std::abs(greenBox.bottom() - directBox.bottom()), 1);
    EXPECT_NEAR(greenCount, directCount, directCount / 5 + 2);

    // Another colour replaces the first at the next paint, and back.
    cell->setOverlayColor(0x0000FF); // red
    cell->repaint();
    EXPECT_EQ(ink(grabCell(cell), 1).second, 0);
    EXPECT_GT(ink(grabCell(cell), 0).second, 20);
    cell->setOverlayColor(0x00FF00);
    EXPECT_EQ(ink(grabCell(cell), 1).second, greenCount);

    // A longer text reaches further right; a larger font makes it taller.
    display.setCameraName("Camera 7 at the back door");
    feed(dark);
    const QRect longer = ink(grabCell(cell), 1).first;
    EXPECT_GT(longer.right(), greenBox.right() + 20);
    cell->setFontHeight(30);
    EXPECT_GT(ink(grabCell(cell), 1).first.height(), longer.height() + 4);
}

TEST_F(DisplayFixture, OverlayTimeFormatsAndCameraClock)
{
    setenv("TZ", "UTC", 1);
    tzset();
    open(200, 150);
    display.setShowText(2);
    EXPECT_TRUE(display.setTimeFormat(3));
    EXPECT_TRUE(display.setDateFormat(8));
    EXPECT_FALSE(display.setTimeFormat(4));
    EXPECT_FALSE(display.setDateFormat(10));
    EXPECT_FALSE(display.setDateFormat(-1));
    feed(quadrantPicture());
    EXPECT_EQ(display.lastDateTimeText(), "5 Jan  2004  12:30 PM");
    EXPECT_EQ(display.window()->cells()[0]->overlayText(), "5 Jan  2004  12:30 PM");

    // The camera clock: Sec1970 1000 at UTC+8 seen from a computer at UTC.
    EXPECT_EQ(clockRequests, 0);
    EXPECT_TRUE(display.setShowText(4));
    EXPECT_EQ(clockRequests, 1);
    display.applyTimeReply("Sec1970 = 1000\nTimeZone = -480\n");
    EXPECT_EQ(display.clockOffset(), 1000 + 480 * 60 - 1073305800);
    display.setTimeFormat(0);
    display.setDateFormat(0);
    feed(quadrantPicture());
    EXPECT_EQ(display.lastDateTimeText(), "1970-1-1  8:16:40");

    // A reply without TimeZone changes nothing; ShowText 2 goes back to the local clock.
    display.applyTimeReply("Sec1970 = 5\n");
    EXPECT_EQ(display.clockOffset(), 1000 + 480 * 60 - 1073305800);
    EXPECT_FALSE(display.setShowText(5));
    EXPECT_EQ(display.showText(), 4);
    EXPECT_TRUE(display.setShowText(2));
    EXPECT_EQ(display.clockOffset(), 0);
    EXPECT_EQ(clockRequests, 1);
    unsetenv("TZ");
    tzset();
}

TEST_F(DisplayFixture, FrameRateTextAndRefusals)
{
    EXPECT_EQ(feed(quadrantPicture()), 1); // no window yet
    EXPECT_TRUE(recorded.empty());
    open(200, 150);
    feed(quadrantPicture(), 13, 99, 10);
    EXPECT_EQ(panes[5], "0.99fps");
    feed(quadrantPicture(), 23, 100, 10);
    EXPECT_EQ(panes[5], "1.00fps");
    feed(quadrantPicture(), 24, 1205, 10); // not at position 3 of the window
    EXPECT_EQ(panes[5], "1.00fps");
    feed(quadrantPicture(), 3, 0, 10); // no rate yet
    EXPECT_EQ(panes[5], "1.00fps");
    feed(quadrantPicture(), 3, 1205, 0); // no window size: no text, no crash
    EXPECT_EQ(panes[5], "1.00fps");
    display.destroyWindow();
    EXPECT_EQ(feed(quadrantPicture()), 1);
}

TEST_F(DisplayFixture, GreyAndDamagedPictures)
{
    ControlWindow& w = open(200, 150);
    display.setLayout(2);
    display.setShowText(-1);

    feed(greyPicture(64, 48));
    const QImage grey = grabCell(w.cells()[0]);
    for (QPoint p : {QPoint(5, 30), QPoint(50, 30), QPoint(95, 30)}) {
        const QColor c = grey.pixelColor(p);
        EXPECT_EQ(c.red(), c.green());
        EXPECT_EQ(c.green(), c.blue());
    }
    EXPECT_LT(grey.pixelColor(5, 30).red(), grey.pixelColor(95, 30).red());

    // A picture the library rejects: the cell keeps what it had, nothing is
    // repainted at once, the next picture still goes to the next cell, and
    // the recording still gets it.
    const Frame good = quadrantPicture();
    feed(good);                  // cell 1
    const Frame before = w.cells()[2]->lastFrame();
    Frame damaged(good.begin(), good.begin() + 30);
    ASSERT_EQ(feed(damaged), 0); // cell 2: header cut off
    EXPECT_EQ(w.cells()[2]->lastFrame(), before);
    EXPECT_TRUE(w.cells()[2]->bitmap().isNull());
    EXPECT_EQ(recorded.back(), damaged.size());
    const QImage background = grabCell(w.cells()[2]);
    EXPECT_EQ(background.pixelColor(50, 37), ViewCell::backgroundColor());
    EXPECT_EQ(background.pixelColor(0, 0), QColor(Qt::black)); // the outline

    feed(good); // cell 3
    EXPECT_EQ(w.cells()[3]->lastFrame(), good);
    feed(damaged); // cell 0 keeps the grey picture
    EXPECT_EQ(w.cells()[0]->bitmap().format(), QImage::Format_Indexed8);
    EXPECT_EQ(display.picturesShown(), 5);
}

TEST_F(DisplayFixture, ZoomRestoreAndClicks)
{
    ControlWindow& w = open(400, 300);
    display.setLayout(2);
    ViewCell* cell = w.cells()[3];
    EXPECT_EQ(cell->fontHeight(), 16); // 150 high
    EXPECT_EQ(cell->fontWeight(), 300);

    QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(10, 20));
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0], std::make_pair(210, 170));

    QTest::mouseDClick(cell, Qt::LeftButton, {}, QPoint(10, 20));
    EXPECT_FALSE(w.splitMode());
    EXPECT_EQ(cell->geometry(), QRect(0, 0, 400, 300));
    EXPECT_TRUE(cell->isVisible());
    EXPECT_FALSE(w.cells()[0]->isVisible());
    EXPECT_EQ(cell->fontHeight(), 20);
    EXPECT_EQ(cell->fontWeight(), 200);

    // A resize while zoomed keeps the zoom over the new area.
    w.resize(200, 150);
    EXPECT_EQ(cell->geometry(), QRect(0, 0, 200, 150));
    EXPECT_EQ(cell->fontHeight(), 13); // 150 * 0.09
    EXPECT_EQ(cell->fontWeight(), 200);

    QTest::mouseDClick(cell, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(w.splitMode());
    EXPECT_EQ(cell->geometry(), QRect(100, 75, 100, 75));
    EXPECT_TRUE(w.cells()[0]->isVisible());
    EXPECT_EQ(cell->fontWeight(), 300);
    EXPECT_EQ(cell->fontHeight(), 12);

    // With one cell a double click does nothing.
    display.setLayout(1);
    QTest::mouseDClick(w.cells()[0], Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(w.splitMode());
}

TEST_F(DisplayFixture, SmallCellsDecodeAtTheirSizeIntoOneBufferEach)
{
    ControlWindow& w = open(1024, 768);
    display.setLayout(4); // cells of 256 x 192: the 640 x 480 picture at half size
    display.setShowText(-1);
    const Frame picture = quadrantPicture(640, 480);
    const Frame other = solidPicture(640, 480, QColor(20, 20, 220));
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(feed(i % 2 ? other : picture), 0);
    for (ViewCell* cell : w.cells()) {
        EXPECT_EQ(cell->bitmap().size(), QSize(320, 240)) << "cell " << cell->index();
        EXPECT_EQ(cell->pictureSize(), QSize(640, 480)) << "cell " << cell->index();
        EXPECT_EQ(cell->bitmapBuffersMade(), 1u) << "cell " << cell->index();
    }
    // Painted the same way as before: the quadrants fill the cell, the
    // recording got the camera's bytes.
    ViewCell* cell = w.cells()[6]; // its last picture was `picture`
    const QImage painted = grabCell(cell);
    ASSERT_EQ(painted.size(), QSize(256, 192));
    EXPECT_TRUE(near(painted.pixelColor(2, 2), kTopLeft));
    EXPECT_TRUE(near(painted.pixelColor(253, 2), kTopRight));
    EXPECT_TRUE(near(painted.pixelColor(2, 189), kBottomLeft));
    EXPECT_TRUE(near(painted.pixelColor(253, 189), kBottomRight));
    EXPECT_EQ(recorded.back(), other.size());

    // Zoomed over the whole control the cell shows its picture at full size
    // at once, decoded again from the bytes it kept; clicks stay in control
    // pixels.
    QTest::mouseDClick(cell, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_FALSE(w.splitMode());
    EXPECT_EQ(cell->bitmap().size(), QSize(640, 480));
    EXPECT_EQ(cell->bitmapBuffersMade(), 2u);
    EXPECT_TRUE(near(grabCell(cell).pixelColor(1000, 700), kBottomRight));
    QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(700, 500));
    ASSERT_FALSE(clicks.empty());
    EXPECT_EQ(clicks.back(), std::make_pair(700, 500));

    // A damaged picture leaves a cell as it was: its bitmap, buffer and last
    // picture.
    QTest::mouseDClick(cell, Qt::LeftButton, {}, QPoint(10, 10));
    ViewCell* next = w.cells()[size_t(display.picturesShown() % 16)];
    const QImage before = next->bitmap().copy();
    const uchar* buffer = next->bitmap().constBits();
    const Frame last = next->lastFrame();
    const Frame damaged(picture.begin(), picture.begin() + 60);
    ASSERT_EQ(feed(damaged), 0);
    EXPECT_EQ(next->bitmap(), before);
    EXPECT_EQ(next->bitmap().constBits(), buffer);
    EXPECT_EQ(next->lastFrame(), last);
    EXPECT_EQ(next->bitmapBuffersMade(), 1u);
    EXPECT_EQ(recorded.back(), damaged.size());

    // Actual-size mode shows the picture 1:1: full size.
    display.setResolutionIndex(3);
    display.setActualSize(true);
    ASSERT_EQ(w.cells().size(), 1u);
    feed(picture);
    EXPECT_EQ(w.cells()[0]->bitmap().size(), QSize(640, 480));
}

// The window alone, with the host that stands where the display does.
TEST(ControlWindowInput, CellInputReachesTheHost)
{
    ViewState state;
    RecordingWindowHost host;
    ControlWindow w(state, host, nullptr);
    w.resize(200, 150);
    w.show();
    w.setSplit(4);
    w.resize(202, 151);
    EXPECT_EQ(host.lastResize, QSize(202, 151));
    ViewCell* cell = w.cells()[2];
    const std::vector<int>& menuCells = host.menuCells;
    const std::vector<int>& keys = host.keys;
    const int& hovers = host.hovers;

    QTest::mouseClick(cell, Qt::RightButton, {}, QPoint(3, 3));
    EXPECT_EQ(menuCells, std::vector<int>{2});
    EXPECT_TRUE(host.clicks.empty()); // a right press is no ClickImage
    QTest::keyClick(cell, Qt::Key_F11);
    EXPECT_EQ(keys, std::vector<int>{Qt::Key_F11});

    // One hover report per visit, once the pointer rests.
    auto move = [&](QPoint p) {
        QMouseEvent e(QEvent::MouseMove, p, cell->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(cell, &e);
    };
    move(QPoint(10, 10));
    move(QPoint(12, 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return hovers == 1; }, 10000));
    // A move after the report starts no second one: a timer twice the hover
    // time, started after the move, runs out after any hover timer would
    // (timers of one thread run in the order they are due).
    move(QPoint(14, 10));
    bool twiceTheHoverTime = false;
    QTimer::singleShot(2 * ViewCell::kHoverMs, Qt::PreciseTimer, [&] { twiceTheHoverTime = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return twiceTheHoverTime; }, 10000));
    EXPECT_EQ(hovers, 1);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(cell, &leave);
    move(QPoint(10, 10));
    EXPECT_TRUE(QTest::qWaitFor([&] { return hovers == 2; }, 10000));
}

TEST_F(DisplayFixture, IndicatorsOnTheLastCell)
{
    ControlWindow& w = open(200, 150);
    display.setLayout(2);
    display.setIndicator(1, 450);
    display.setIndicator(0, 452);
    ViewCell* last = w.cells()[3];
    EXPECT_TRUE(last->indicatorShown(0));
    EXPECT_TRUE(last->indicatorShown(1));
    EXPECT_FALSE(w.cells()[0]->indicatorShown(0));
    const QImage img = grabCell(last); // 100 x 75, no picture: grey background
    // The AVI dot of slot 1 sits at (w - 48, h - 28), centred near (59, 54).
    const QColor dot = img.pixelColor(100 - 48 + 8, 75 - 28 + 8);
    EXPECT_GT(dot.red(), 180);
    EXPECT_LT(dot.green(), 60);
    EXPECT_NE(img.pixelColor(100 - 28 + 8, 75 - 28 + 8), ViewCell::backgroundColor());

    // A new split keeps the indicators on its last cell; 0 hides one.
    display.setLayout(3);
    EXPECT_TRUE(w.cells()[8]->indicatorShown(1));
    display.setIndicator(1, 0);
    EXPECT_FALSE(w.cells()[8]->indicatorShown(1));
}

TEST_F(DisplayFixture, SettingsOutliveTheWindow)
{
    EXPECT_TRUE(display.setLayout(3)); // before any window
    display.setResizable(true);
    ControlWindow& w = open(300, 240);
    EXPECT_EQ(w.cells().size(), 9u);
    EXPECT_TRUE(w.findChild<QWidget*>("ResizeGrip")->isVisibleTo(&w));
    display.destroyWindow();
    EXPECT_EQ(display.window(), nullptr);
    ControlWindow& again = open(300, 240);
    EXPECT_EQ(again.cells().size(), 9u);

    // Dragging the frame keeps the 4:3 shape.
    again.dragResize(360);
    EXPECT_EQ(again.size(), QSize(360, 270));
}

// The box of the notice's white letters (the dimmed picture and the dark
// backing have nothing that bright).
QRect noticeInk(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (std::min({c.red(), c.green(), c.blue()}) > 200)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

// Saves the control window as <build>/screenshots/<name>.png.
void saveScreenshot(QWidget& window, const QString& name)
{
    const QString folder = QString::fromLocal8Bit(std::getenv("OCULON_BUILD_BIN")) + "/../screenshots";
    QDir().mkpath(folder);
    window.grab().save(QDir(folder).absoluteFilePath(name + ".png"));
}

// A camera that sends no pictures is said so in words, in every cell, over
// the dimmed last picture; the next picture shows as before.
TEST_F(DisplayFixture, AViewWithoutPicturesSaysWhy)
{
    // The size of one view in the 4 x 4 grid of the application.
    ControlWindow& w = open(210, 158);
    display.setShowText(1);
    feed(quadrantPicture(640, 480));
    const QImage live = grabCell(w.cells()[0]);
    EXPECT_TRUE(display.notice().empty());
    EXPECT_GT(live.pixelColor(200, 150).red(), 200); // the white quadrant, not dimmed yet

    struct Case {
        LinkState state;
        std::string words;
        std::string file;
    };
    const Case states[] = {
        {LinkState::Connecting, "Connecting...", "connecting"},
        {LinkState::Retrying, "Retry 3", "retry"},
        {LinkState::LoginNeeded, "Login needed", "login-needed"},
        {LinkState::HostNotFound, "Host not found", "host-not-found"},
        {LinkState::Disconnected, "Disconnected", "disconnected"},
    };
    for (const auto& [state, words, file] : states) {
        display.setLinkState(state, 3);
        EXPECT_EQ(display.notice(), words);
        const QImage img = grabCell(w.cells()[0]);
        // Centred, whole, and over a dimmed picture.
        const QRect ink = noticeInk(img);
        ASSERT_FALSE(ink.isEmpty()) << words;
        EXPECT_LE(std::abs(ink.center().x() - 105), 3) << words;
        EXPECT_LE(std::abs(ink.center().y() - 79), 4) << words;
        EXPECT_TRUE(img.rect().adjusted(4, 4, -4, -4).contains(ink)) << words;
        // Legible: letters of the overlay's size, not shrunk to fit.
        EXPECT_GE(ink.height(), w.cells()[0]->overlayFont().pixelSize() * 6 / 10) << words;
        EXPECT_LT(img.pixelColor(200, 150).red(), 160) << words;
        // Dimmed, not blacked out: the quadrants are still told apart.
        EXPECT_GT(img.pixelColor(5, 60).red(), img.pixelColor(5, 60).green() + 40) << words;
        saveScreenshot(w, QString::fromStdString("view-" + file + "-210x158"));
    }
    // The longest words, whole in the small view, and wrapped between words
    // in the quarter cells of a split of it.
    int64_t tick = 0;
    display.setTickClock([&] { return tick; });
    feed(quadrantPicture(640, 480));
    EXPECT_TRUE(display.notice().empty());
    EXPECT_EQ(grabCell(w.cells()[0]), live);
    tick = 3001;
    display.checkPictureAge();
    ASSERT_EQ(display.notice().rfind("No picture since ", 0), 0u) << display.notice();
    {
        const QRect ink = noticeInk(grabCell(w.cells()[0]));
        EXPECT_TRUE(QRect(0, 0, 210, 158).adjusted(4, 4, -4, -4).contains(ink)) << ink.width();
        EXPECT_LE(std::abs(ink.center().x() - 105), 3);
        saveScreenshot(w, "view-no-picture-210x158");
        display.setLayout(2);
        const QImage quarter = grabCell(display.window()->cells()[3]);
        const QRect wrapped = noticeInk(quarter);
        EXPECT_TRUE(quarter.rect().adjusted(2, 2, -2, -2).contains(wrapped)) << wrapped.width();
        EXPECT_GT(wrapped.height(), 2 * display.window()->cells()[3]->overlayFont().pixelSize() * 6 / 10);
        saveScreenshot(*display.window(), "view-no-picture-4-cells-210x158");
    }

    // The words go to every cell of a split, also to those of a window made
    // again.
    display.setLinkState(LinkState::Retrying, 7);
    display.destroyWindow();
    ControlWindow& again = open(640, 480);
    ASSERT_EQ(again.cells().size(), 4u);
    for (ViewCell* cell : again.cells())
        EXPECT_EQ(cell->notice(), "Retry 7");
    // The next picture, in whichever cell, clears all of them.
    feed(quadrantPicture(640, 480));
    for (ViewCell* cell : again.cells())
        EXPECT_TRUE(cell->notice().isEmpty());

    // The full-size view, over a picture and over the empty cell.
    display.setLayout(1);
    feed(cameraLikePicture());
    for (const auto& [state, words, file] : states) {
        display.setLinkState(state, 3);
        const QRect ink = noticeInk(grabCell(again.cells()[0]));
        EXPECT_LE(std::abs(ink.center().x() - 320), 3) << words;
        EXPECT_LE(std::abs(ink.center().y() - 240), 4) << words;
        saveScreenshot(again, QString::fromStdString("view-" + file + "-640x480"));
    }
    feed(cameraLikePicture());
    tick += 10000;
    display.checkPictureAge();
    saveScreenshot(again, "view-no-picture-640x480");
    display.setLayout(4);
    display.setLinkState(LinkState::Connecting, 0);
    EXPECT_TRUE(again.cells()[0]->bitmap().isNull());
    saveScreenshot(again, "view-empty-16-cells-640x480");
    display.setLayout(1);
    saveScreenshot(again, "view-empty-640x480");
}

// Pictures that stop are noticed by the half-second check: after 3 s, or
// three pacing intervals when those are longer, and only while pictures are
// expected (a report of the connection says more).
TEST_F(DisplayFixture, AHiddenViewDecodesNothingAndShowsTheNewestPictureWhenShown)
{
    ControlWindow& w = open(320, 240);
    const Frame first = solidPicture(320, 240, QColor(200, 30, 30));
    const Frame newest = solidPicture(160, 120, QColor(30, 30, 200));
    ASSERT_EQ(feed(first), 0);
    ViewCell* cell = w.cells()[0];
    EXPECT_EQ(cell->pictureSize(), QSize(320, 240));
    grabCell(cell);
    EXPECT_EQ(display.takeLatencies().size(), 1u); // its first paint was timed

    // Hidden: the pictures are handled (recorded, counted, still watched for
    // their arrival) but none is decoded.
    w.hide();
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(feed(i == 4 ? newest : first), 0);
    EXPECT_TRUE(cell->pictureWaiting());
    EXPECT_EQ(cell->pictureSize(), QSize(320, 240));
    EXPECT_EQ(cell->lastFrame(), first);
    EXPECT_EQ(display.picturesShown(), 6);
    EXPECT_EQ(recorded.size(), 6u);
    EXPECT_TRUE(display.pictureCheckRunning());
    EXPECT_TRUE(display.takeLatencies().empty());

    // Shown again: the newest picture at once, without waiting for another.
    w.show();
    EXPECT_FALSE(cell->pictureWaiting());
    EXPECT_EQ(cell->pictureSize(), QSize(160, 120));
    EXPECT_EQ(cell->lastFrame(), newest);
    EXPECT_TRUE(near(grabCell(cell).pixelColor(160, 120), QColor(30, 30, 200)));
    // The time it waited for the view is not counted as latency; the next
    // picture's is.
    EXPECT_TRUE(display.takeLatencies().empty());
    ASSERT_EQ(feed(first), 0);
    grabCell(cell);
    const std::vector<float> latencies = display.takeLatencies();
    ASSERT_EQ(latencies.size(), 1u);
    EXPECT_GE(latencies[0], 0.0f);
}

TEST_F(DisplayFixture, PicturesThatStopAreNoticed)
{
    ControlWindow& w = open(210, 158);
    int64_t tick = 50000;
    int& intervalMs = owner.intervalMs;
    intervalMs = 60;
    display.setTickClock([&] { return tick; });
    display.setClock([] { return int64_t(1073305800); });
    std::tm local{};
    const std::time_t at = 1073305800;
    localtime_r(&at, &local);
    char since[32];
    std::strftime(since, sizeof since, "No picture since %H:%M:%S", &local);

    EXPECT_FALSE(display.pictureCheckRunning()); // nothing to watch before a picture
    feed(solidPicture(64, 48, QColor(90, 90, 90)));
    EXPECT_TRUE(display.pictureCheckRunning());
    tick += 3000;
    display.checkPictureAge();
    EXPECT_TRUE(display.notice().empty());
    tick += 1;
    display.checkPictureAge();
    EXPECT_EQ(display.notice(), since);
    EXPECT_EQ(w.cells()[0]->notice(), QString::fromLatin1(since));
    EXPECT_FALSE(display.pictureCheckRunning());

    // Slow pacing: three intervals.
    intervalMs = 2000;
    feed(solidPicture(64, 48, QColor(90, 90, 90)));
    EXPECT_TRUE(display.notice().empty());
    tick += 6000;
    display.checkPictureAge();
    EXPECT_TRUE(display.notice().empty());
    tick += 1;
    display.checkPictureAge();
    EXPECT_EQ(display.notice(), since);

    // A report of the connection stops the check: its words stay.
    intervalMs = 60;
    feed(solidPicture(64, 48, QColor(90, 90, 90)));
    display.setLinkState(LinkState::Retrying, 2);
    EXPECT_FALSE(display.pictureCheckRunning());
    tick += 60000;
    display.checkPictureAge();
    EXPECT_EQ(display.notice(), "Retry 2");

    // The timer itself: pictures that stopped long ago are noticed within a
    // check or two.
    feed(solidPicture(64, 48, QColor(90, 90, 90)));
    tick += 3500;
    QTest::qWait(Display::kPictureCheckMs * 2 + 200);
    EXPECT_EQ(display.notice(), since);
}

} // namespace
} // namespace strovix
