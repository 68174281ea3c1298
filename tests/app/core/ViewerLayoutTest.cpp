#include "app/core/LayoutGO.h"
#include "app/core/ViewerLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr TwipSize kReferenceScreen{15360, 11520};
constexpr TwipSize kLargeScreen{19200, 15360}; // 1280 x 1024 pixels at 96 dpi

// Records every call the layout makes, and the state each viewer ends in.
class RecordingSurface : public ViewerSurface {
public:
    explicit RecordingSurface(TwipSize screen)
        : m_screen(screen)
    {
    }

    TwipSize screenSize() const override { return m_screen; }
    void setViewerVisible(int16_t index, bool visible) override
    {
        calls.push_back((visible ? "show " : "hide ") + std::to_string(index));
        this->visible[index] = visible;
    }
    void setViewerGeometry(int16_t index, const TwipRect& rect) override
    {
        EXPECT_FALSE(visible[index]) << "viewer " << index << " moved while visible";
        calls.push_back("move " + std::to_string(index));
        geometry[index] = rect;
    }

    // The visible viewers in index order.
    std::vector<int> shown() const
    {
        std::vector<int> result;
        for (int i = 0; i < 16; ++i)
            if (visible[i])
                result.push_back(i);
        return result;
    }

    std::vector<std::string> calls;
    bool visible[16] = {true, true, true, true, true, true, true, true,
                        true, true, true, true, true, true, true, true};
    TwipRect geometry[16];

private:
    TwipSize m_screen;
};

std::vector<int> range(int first, int last)
{
    std::vector<int> r;
    for (int i = first; i <= last; ++i)
        r.push_back(i);
    return r;
}

void expectAt(const RecordingSurface& s, int index, double left, double top, double width, double height)
{
    SCOPED_TRACE("viewer " + std::to_string(index));
    EXPECT_DOUBLE_EQ(s.geometry[index].left, left);
    EXPECT_DOUBLE_EQ(s.geometry[index].top, top);
    EXPECT_DOUBLE_EQ(s.geometry[index].width, width);
    EXPECT_DOUBLE_EQ(s.geometry[index].height, height);
}

} // namespace

// Which viewers each layout shows around the camera of interest, and in which
// cells, on the reference screen.
TEST(ViewerLayoutTest, ShownViewersAndTheirCells)
{
    {
        SCOPED_TRACE("2x2 at 14: the range ends at 15, viewer 14 is not top-left");
        RecordingSurface s(kReferenceScreen);
        ViewerLayout4().layout(14, s);
        EXPECT_EQ(s.shown(), range(12, 15));
        expectAt(s, 12, 180, 630, 6300, 4725);
        expectAt(s, 13, 6480, 630, 6300, 4725);
        expectAt(s, 14, 180, 5355, 6300, 4725);
        expectAt(s, 15, 6480, 5355, 6300, 4725);
    }
    {
        SCOPED_TRACE("2x2 at 5: no snapping to groups of four");
        RecordingSurface s(kReferenceScreen);
        ViewerLayout4().layout(5, s);
        EXPECT_EQ(s.shown(), range(5, 8));
        expectAt(s, 5, 180, 630, 6300, 4725);
        expectAt(s, 8, 6480, 5355, 6300, 4725);
    }
    {
        SCOPED_TRACE("3x3 at 9");
        RecordingSurface s(kReferenceScreen);
        ViewerLayout9().layout(9, s);
        EXPECT_EQ(s.shown(), range(7, 15));
        expectAt(s, 7, 180, 630, 4200, 3150);
        expectAt(s, 11, 4380, 3780, 4200, 3150);
        expectAt(s, 15, 8580, 6930, 4200, 3150);
    }
    for (int16_t index : {0, 9, 15}) {
        SCOPED_TRACE("4x4 at " + std::to_string(index));
        RecordingSurface s(kReferenceScreen);
        ViewerLayout16().layout(index, s);
        EXPECT_EQ(s.shown(), range(0, 15));
        expectAt(s, 0, 180, 630, 3150, 2370);
        expectAt(s, 6, 180 + 2 * 3150, 630 + 2370, 3150, 2370);
        // The 4x4 grid is 9480 tall, not the single view's 9450.
        expectAt(s, 15, 180 + 3 * 3150, 630 + 3 * 2370, 3150, 2370);
    }
    {
        SCOPED_TRACE("one view shows the viewer of interest at the grid's corner");
        RecordingSurface s(kReferenceScreen);
        ViewerLayout1().layout(6, s);
        EXPECT_EQ(s.shown(), std::vector<int>{6});
        expectAt(s, 6, 180, 630, 12600, 9450);
        RecordingSurface outside(kReferenceScreen);
        ViewerLayout1().layout(16, outside);
        EXPECT_TRUE(outside.shown().empty());
    }
}

// The cells grow by an n-th of the extra screen size; a smaller screen keeps
// the reference cells.
TEST(ViewerLayoutTest, CellsFollowTheScreenSize)
{
    const TwipSize big2 = ViewerLayout4().cellSize(kLargeScreen);
    EXPECT_DOUBLE_EQ(big2.width, 8220);
    EXPECT_DOUBLE_EQ(big2.height, 6645);
    const TwipSize big4 = ViewerLayout16().cellSize(kLargeScreen);
    EXPECT_DOUBLE_EQ(big4.width, 3150 + 960);
    EXPECT_DOUBLE_EQ(big4.height, 2370 + 960);
    // Fractional twips are kept: 1000 extra twips of width over three cells.
    const TwipSize odd3 = ViewerLayout9().cellSize({15360 + 1000, 11520});
    EXPECT_DOUBLE_EQ(odd3.width, 4200 + 1000.0 / 3);
    EXPECT_DOUBLE_EQ(odd3.height, 3150);

    for (const TwipSize small : {TwipSize{12000, 9000}, TwipSize{15360, 9000}, TwipSize{12000, 11520}}) {
        const TwipSize c = ViewerLayout4().cellSize(small);
        EXPECT_DOUBLE_EQ(c.width, 6300);
        EXPECT_DOUBLE_EQ(c.height, 4725);
    }

    RecordingSurface s(kLargeScreen);
    ViewerLayout4().layout(0, s);
    expectAt(s, 3, 180 + 8220, 630 + 6645, 8220, 6645);
}

// Every viewer is hidden first; a shown one is moved while hidden and then
// shown, in index order.
TEST(ViewerLayoutTest, ViewersAreHiddenBeforeTheyMove)
{
    RecordingSurface s(kReferenceScreen);
    ViewerLayout4().layout(1, s);
    std::vector<std::string> expected;
    for (int i = 0; i < 16; ++i) {
        expected.push_back("hide " + std::to_string(i));
        if (i >= 1 && i <= 4) {
            expected.push_back("move " + std::to_string(i));
            expected.push_back("show " + std::to_string(i));
        }
    }
    EXPECT_EQ(s.calls, expected);
}

// The layout buttons: a new object only when the kind changes; pressing the
// current one again re-applies it around the focused camera.
TEST(ViewerLayoutTest, SwitchingKeepsTheCurrentObjectForTheSameKind)
{
    LayoutGO layouts;
    EXPECT_EQ(makeViewerLayout(2)->views(), 16);
    EXPECT_EQ(makeViewerLayout(9)->views(), 9);
    layouts.setViewerLayout(makeViewerLayout(16));

    RecordingSurface s(kReferenceScreen);
    const auto nine = layouts.switchViewerLayout(9, 2, s);
    EXPECT_EQ(nine->views(), 9);
    EXPECT_EQ(layouts.getViewerLayout(), nine);
    EXPECT_EQ(s.shown(), range(2, 10));

    const auto again = layouts.switchViewerLayout(9, 11, s);
    EXPECT_EQ(again.get(), nine.get());
    EXPECT_EQ(s.shown(), range(7, 15));

    const auto one = layouts.switchViewerLayout(1, 11, s);
    EXPECT_NE(one.get(), nine.get());
    EXPECT_EQ(s.shown(), std::vector<int>{11});

    LayoutGO empty; // none installed yet
    RecordingSurface t(kReferenceScreen);
    EXPECT_EQ(empty.switchViewerLayout(4, 0, t)->views(), 4);
    EXPECT_EQ(t.shown(), range(0, 3));
}

// Screens in pixels become twips through their dpi; cells that touch in twips
// touch in pixels.
TEST(ViewerLayoutTest, TwipsAndPixels)
{
    const TwipSize at96 = twipSizeFromPixels(QSize(1280, 1024), 96, 96);
    EXPECT_DOUBLE_EQ(at96.width, 19200);
    EXPECT_DOUBLE_EQ(at96.height, 15360);
    const TwipSize at120 = twipSizeFromPixels(QSize(1280, 1024), 120, 120);
    EXPECT_DOUBLE_EQ(at120.width, 15360);

    EXPECT_EQ(pixelRectFromTwips({180, 630, 6300, 4725}, 96, 96), QRect(12, 42, 420, 315));

    // 3x3 cells with fractional twips at 144 dpi: no gap, no overlap.
    const auto places = ViewerLayout9().arrange(0, {15360 + 1000, 11520 + 700});
    for (int i = 0; i < 8; ++i) {
        if (i % 3 == 2)
            continue;
        const QRect a = pixelRectFromTwips(*places[i], 144, 144);
        const QRect b = pixelRectFromTwips(*places[i + 1], 144, 144);
        EXPECT_EQ(a.right() + 1, b.left()) << i;
    }
    for (int i = 0; i < 6; ++i) {
        const QRect a = pixelRectFromTwips(*places[i], 144, 144);
        const QRect b = pixelRectFromTwips(*places[i + 3], 144, 144);
        EXPECT_EQ(a.bottom() + 1, b.top()) << i;
    }
}
