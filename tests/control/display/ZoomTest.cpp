// The digital zoom of a view: the part of the picture shown against a crop
// of the full decode, the limits of the factor and of panning, the wheel and
// the drag of zoom mode, and the scale the cell decodes at.
#include "control/display/ControlWindow.h"
#include "control/display/Display.h"
#include "control/display/ViewZoom.h"
#include "media/jpeg/JpegDecoder.h"

#include "tests/support/RecordingDisplayOwner.h"
#include "tests/support/TestPictures.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace strovix {
namespace {

using namespace strovix::test;

// A smooth picture with a different value at every place: red grows to the
// right, green downwards, blue in waves. A part shown from the wrong place
// or the wrong way round differs from the crop by far more than the
// nearest-pixel sampling does.
Frame wavePicture(int width = 640, int height = 480)
{
    return encodeJpeg(width, height, false, [=](int x, int y) {
        const int b = int(128 + 100 * std::sin(x / 37.0) * std::cos(y / 29.0));
        return QColor(x * 255 / (width - 1), y * 255 / (height - 1), b);
    }, 95);
}

struct Difference {
    double mean = 0;
    int largest = 0;
};

Difference compare(const QImage& a, const QImage& b)
{
    Difference d;
    if (a.size() != b.size())
        return {255, 255};
    int64_t sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            for (int c : {std::abs(p.red() - q.red()), std::abs(p.green() - q.green()), std::abs(p.blue() - q.blue())}) {
                sum += c;
                d.largest = std::max(d.largest, c);
            }
        }
    d.mean = double(sum) / (3.0 * a.width() * a.height());
    return d;
}

// The full decode of `jpeg` turned as Rotate turns it, the part `crop` (in
// picture pixels of the turned picture) cut out and stretched to `shown`.
QImage expectedView(const Frame& jpeg, int rotate, const QRect& crop, QSize shown)
{
    QImage full;
    EXPECT_TRUE(media::decodeJpeg(jpeg.data(), jpeg.size(), full));
    const bool flipX = rotate == 1 || rotate == 2;
    const bool flipY = rotate == 1 || rotate == 3;
    return full.mirrored(flipX, flipY).copy(crop).scaled(shown, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

class Zoom : public ::testing::Test {
protected:
    void SetUp() override { display.setShowText(-1); }

    ControlWindow& open(int width, int height)
    {
        QWidget* w = display.createWindow(nullptr);
        w->resize(width, height);
        w->show();
        return *display.window();
    }
    void feed(const Frame& jpeg)
    {
        Frame copy = jpeg;
        shared.replace(std::move(copy));
        ASSERT_EQ(display.handleNewFrame(shared, 1, 0, 0), 0);
    }
    ViewCell* cell() { return display.window()->cells()[0]; }
    QImage shown() { return cell()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
    {
        QMouseEvent e(type, at, cell()->mapToGlobal(at), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(cell(), &e);
    }
    void drag(QPoint from, QPoint to)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        // In two moves: the first starts the drag, the second pans the rest.
        mouse(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }
    void wheel(QPoint at, int angle)
    {
        QWheelEvent e(at, cell()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(cell(), &e);
    }
    QRectF part() const { return display.state().zoom.shownPart(); }

    Display display;
    RecordingDisplayOwner owner{display};
    SharedFrame shared;
};

TEST(ViewZoom, FactorStepsClampAndPanLimits)
{
    ViewZoom z;
    // At 1x the whole picture, and nothing pans.
    EXPECT_FALSE(z.zoomed());
    EXPECT_FALSE(z.pan(QPointF(0.3, -0.2)));
    EXPECT_EQ(z.shownPart(), QRectF(0, 0, 1, 1));
    EXPECT_FALSE(z.stepOut());

    // Steps of 1.25, up to 8 and no further; down to exactly 1.
    EXPECT_TRUE(z.stepIn());
    EXPECT_DOUBLE_EQ(z.factor(), 1.25);
    EXPECT_TRUE(z.stepIn());
    EXPECT_EQ(z.percent(), 156);
    int steps = 2;
    while (z.stepIn())
        ++steps;
    EXPECT_EQ(steps, 10); // 1.25^9 = 7.45, the tenth stops at 8
    EXPECT_DOUBLE_EQ(z.factor(), 8.0);
    EXPECT_FALSE(z.stepIn());
    EXPECT_TRUE(z.stepOut());
    EXPECT_DOUBLE_EQ(z.factor(), 6.4);
    while (z.stepOut()) { }
    EXPECT_EQ(z.factor(), 1.0);
    EXPECT_FALSE(z.zoomed());

    // Out of range and nonsense factors.
    EXPECT_TRUE(z.setFactor(50));
    EXPECT_EQ(z.factor(), 8.0);
    EXPECT_TRUE(z.setFactor(0.1));
    EXPECT_EQ(z.factor(), 1.0);
    EXPECT_FALSE(z.setFactor(std::nan("")));

    // At 2x a pan stops at each edge of the picture, whatever its length.
    z.setFactor(2);
    EXPECT_EQ(z.shownPart(), QRectF(0.25, 0.25, 0.5, 0.5));
    EXPECT_TRUE(z.pan(QPointF(5, 5))); // the picture dragged far right and down
    EXPECT_EQ(z.shownPart(), QRectF(0, 0, 0.5, 0.5));
    EXPECT_FALSE(z.pan(QPointF(0.1, 0.1)));
    EXPECT_TRUE(z.pan(QPointF(-9, 0)));
    EXPECT_EQ(z.shownPart(), QRectF(0.5, 0, 0.5, 0.5));
    // A half view's drag at 2x moves the part by a quarter of the picture.
    EXPECT_TRUE(z.pan(QPointF(0, -0.5)));
    EXPECT_EQ(z.shownPart(), QRectF(0.5, 0.25, 0.5, 0.5));

    // Zooming out from a corner keeps the part inside the picture.
    z.pan(QPointF(9, 9));
    z.setFactor(1.25);
    EXPECT_EQ(z.shownPart(), QRectF(0, 0, 0.8, 0.8));
    // At a point: the picture point under it stays, unless an edge stops it.
    z.reset();
    EXPECT_TRUE(z.zoomAt(QPointF(0.25, 0.75), 2));
    EXPECT_EQ(z.shownPart(), QRectF(0.125, 0.375, 0.5, 0.5));
    EXPECT_TRUE(z.zoomAt(QPointF(0, 0), 1.25)); // the part's own corner stays
    EXPECT_DOUBLE_EQ(z.shownPart().left(), 0.125);
    EXPECT_DOUBLE_EQ(z.shownPart().top(), 0.375);
}

// The zoomed view against the full decode: the centre at 2x and 4x, after a
// drag, and with the picture turned and mirrored. The cell is a quarter of
// the picture, where a whole picture decodes at half size.
TEST_F(Zoom, TheZoomedViewIsACropOfTheFullPicture)
{
    open(320, 240);
    const Frame picture = wavePicture();
    struct Case {
        int rotate;
        int percent;
        QPoint drag; // pixels of the view, after the zoom
        QRect crop;  // the part of the turned 640 x 480 picture it shows
    };
    const Case cases[] = {
        {0, 200, {}, QRect(160, 120, 320, 240)},
        {0, 400, {}, QRect(240, 180, 160, 120)},
        // Dragged 100 left and 60 up: at 4x the part moves by 100 / 4 = 25
        // view pixels, 50 picture pixels, right, and 30 down.
        {0, 400, QPoint(-100, -60), QRect(290, 210, 160, 120)},
        // Far past the right and bottom edges: the part stops at the corner.
        {0, 200, QPoint(-2000, -2000), QRect(320, 240, 320, 240)},
        {1, 400, QPoint(-100, -60), QRect(290, 210, 160, 120)},
        {2, 200, QPoint(80, 0), QRect(80, 120, 320, 240)},
        {3, 400, QPoint(0, 60), QRect(240, 150, 160, 120)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "Rotate " << c.rotate << ", " << c.percent << "%, drag " << c.drag.x()
                                        << "," << c.drag.y());
        display.zoomOff();
        display.setRotate(c.rotate);
        feed(picture);
        ASSERT_EQ(cell()->bitmapScaleEighths(), 4);
        ASSERT_TRUE(display.setZoomPercent(c.percent));
        ASSERT_TRUE(display.setZoomMode(true));
        EXPECT_EQ(cell()->bitmapScaleEighths(), 8) << "decoded again at full size at once";
        if (!c.drag.isNull())
            drag(QPoint(160, 120), QPoint(160, 120) + c.drag);
        const Difference d = compare(shown(), expectedView(picture, c.rotate, c.crop, QSize(320, 240)));
        EXPECT_LT(d.mean, 2.0);
        EXPECT_LT(d.largest, 24);
        // A new picture while zoomed decodes at full size too.
        feed(picture);
        EXPECT_EQ(cell()->bitmapScaleEighths(), 8);
    }
    // Back to the whole picture: the reduced decode again, and the view is
    // the whole picture stretched.
    EXPECT_TRUE(display.zoomOff());
    EXPECT_EQ(cell()->bitmapScaleEighths(), 4);
    display.setRotate(0);
    feed(picture);
    EXPECT_LT(compare(shown(), expectedView(picture, 0, QRect(0, 0, 640, 480), QSize(320, 240))).mean, 2.0);
}

TEST_F(Zoom, WheelZoomsAtThePointerAndDragPansOnlyInZoomMode)
{
    open(320, 240);
    feed(wavePicture());
    const QPoint at(80, 180);
    const QColor under = shown().pixelColor(at);

    // Outside zoom mode the wheel and a drag do nothing, a press is a click.
    wheel(at, 120);
    EXPECT_FALSE(display.state().zoom.zoomed());
    drag(QPoint(100, 100), QPoint(200, 150));
    EXPECT_EQ(owner.clicks, (std::vector<std::pair<int, int>>{{100, 100}}));

    // One notch up: 1.25x, the picture point under the pointer stays there.
    ASSERT_TRUE(display.setZoomMode(true));
    wheel(at, 120);
    EXPECT_EQ(display.zoomPercent(), 125);
    const QRectF p = part();
    EXPECT_NEAR(p.left() + 0.25 * p.width(), 0.25, 1e-9);
    EXPECT_NEAR(p.top() + 0.75 * p.height(), 0.75, 1e-9);
    EXPECT_TRUE(near(shown().pixelColor(at), under, 8));
    // Three notches more at once (a fast wheel), still there; then down.
    wheel(at, 360);
    EXPECT_EQ(display.zoomPercent(), 244);
    EXPECT_TRUE(near(shown().pixelColor(at), under, 8));
    wheel(at, -240);
    EXPECT_EQ(display.zoomPercent(), 156);
    EXPECT_NEAR(part().left() + 0.25 * part().width(), 0.25, 1e-9);

    // A drag pans and is no click; a click without a drag pans nothing and
    // is the click it always was, in the control's pixels.
    const QRectF before = part();
    owner.clicks.clear();
    drag(QPoint(200, 100), QPoint(180, 110));
    EXPECT_NEAR(part().left(), before.left() + 20.0 / 320 / 1.5625, 1e-9);
    EXPECT_NEAR(part().top(), before.top() - 10.0 / 240 / 1.5625, 1e-9);
    EXPECT_TRUE(owner.clicks.empty());
    const QRectF panned = part();
    mouse(QEvent::MouseButtonPress, QPoint(50, 60), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, QPoint(51, 60), Qt::NoButton, Qt::LeftButton); // a tremble is no drag
    mouse(QEvent::MouseButtonRelease, QPoint(51, 60), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(owner.clicks, (std::vector<std::pair<int, int>>{{50, 60}}));
    EXPECT_EQ(part(), panned);

    // Zoom Off: the whole picture, and the wheel does nothing again.
    EXPECT_TRUE(display.zoomOff());
    EXPECT_EQ(part(), QRectF(0, 0, 1, 1));
    EXPECT_FALSE(display.zoomOff());
    wheel(at, 120);
    EXPECT_EQ(display.zoomPercent(), 100);
}

// The overlay text keeps its place and size, and a split shows whole
// pictures: zoom requests are refused there and a split drops the zoom.
TEST_F(Zoom, OverlayStaysAndASplitRefusesTheZoom)
{
    ControlWindow& w = open(320, 240);
    display.setCameraName("Door");
    display.setShowText(1);
    feed(wavePicture());
    // The green letters of the overlay in the top strip (the picture has no
    // green there: its green grows downwards from 0).
    const auto letters = [&] {
        const QImage img = shown();
        QRect box;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.green() > 180 && c.red() < 120)
                    box |= QRect(x, y, 1, 1);
            }
        return box;
    };
    const QRect atWhole = letters();
    ASSERT_FALSE(atWhole.isEmpty());
    EXPECT_TRUE(display.zoomIn());
    EXPECT_TRUE(display.zoomMode()) << "Zoom In enters zoom mode";
    ASSERT_TRUE(display.setZoomPercent(800));
    EXPECT_FALSE(display.zoomIn());
    // The same letters: only the edge pixels blend with another background.
    const QRect atEight = letters();
    for (const auto& [a, b] : {std::pair{atEight.left(), atWhole.left()}, {atEight.top(), atWhole.top()},
                               {atEight.right(), atWhole.right()}, {atEight.bottom(), atWhole.bottom()}})
        EXPECT_LE(std::abs(a - b), 2) << a << " " << b;

    EXPECT_FALSE(display.setZoomPercent(99));
    EXPECT_FALSE(display.setZoomPercent(801));
    EXPECT_EQ(display.zoomPercent(), 800);

    ASSERT_TRUE(display.setLayout(2));
    EXPECT_EQ(display.zoomPercent(), 100);
    EXPECT_FALSE(display.zoomMode());
    for (ViewCell* c : w.cells())
        EXPECT_FALSE(c->zoomed());
    EXPECT_FALSE(display.zoomIn());
    EXPECT_FALSE(display.setZoomPercent(200));
    EXPECT_FALSE(display.setZoomMode(true));
    EXPECT_EQ(display.zoomPercent(), 100);
    // One cell again: the zoom is there to use.
    ASSERT_TRUE(display.setLayout(1));
    EXPECT_TRUE(display.zoomIn());
}

// A 4x zoom with its overlay text, saved as build/screenshots/zoomed-view.png
// to be looked at.
TEST_F(Zoom, Screenshot)
{
    QImage scene(640, 480, QImage::Format_RGB32);
    {
        QPainter p(&scene);
        p.fillRect(scene.rect(), QColor(70, 110, 150));
        p.fillRect(QRect(0, 330, 640, 150), QColor(90, 90, 85));
        p.fillRect(QRect(250, 260, 150, 90), QColor(200, 40, 40));
        p.fillRect(QRect(280, 310, 90, 22), Qt::white);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(16);
        f.setBold(true);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QRect(280, 310, 90, 22), Qt::AlignCenter, QStringLiteral("OC 4711"));
    }
    const Frame picture = encodeJpeg(640, 480, false, [&](int x, int y) { return scene.pixelColor(x, y); }, 90);
    ControlWindow& w = open(320, 240);
    display.setCameraName("Gate");
    display.setShowText(1);
    feed(picture);
    display.setZoomPercent(400);
    display.setZoomMode(true);
    // The plate, below the middle at first, dragged up into the view.
    drag(QPoint(160, 200), QPoint(160, 80));
    const QString folder = QString::fromLocal8Bit(std::getenv("OCULON_BUILD_BIN")) + "/../screenshots";
    QDir().mkpath(folder);
    ASSERT_TRUE(w.grab().save(QDir(folder).absoluteFilePath("zoomed-view.png")));
}

} // namespace
} // namespace strovix
