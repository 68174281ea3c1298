#include "app/core/PanelLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <vector>

namespace
{

constexpr double kDpi = 96;
constexpr TwipSize kReferenceScreen { 15360, 11520 };
constexpr TwipSize kLargeScreen { 19200, 15360 }; // 1280 x 1024 pixels at 96 dpi
constexpr TwipSize kSmallScreen { 12000, 9000 }; // 800 x 600 pixels

TwipRect px(double left, double top, double width, double height)
{
    return { left * 15, top * 15, width * 15, height * 15 };
}

// The main window's controls at their designed places (in pixels of the
// 1024 x 768 design), plus controls placed exactly at and just short of the
// edges that decide whether a control follows the screen's edges.
std::vector<PanelControl> designedWindow()
{
    std::vector<PanelControl> c {
        { "TopImg1", px(0, 0, 818, 39) },
        { "StretchTopImg", px(818, 0, 16, 39) },
        { "TopImg5", px(834, 0, 190, 39) },
        { "LeftImg1", px(0, 39, 8, 622) },
        { "StretchLeftImg", px(0, 661, 8, 16) },
        { "RightImg1", px(854, 39, 170, 501) },
        { "StretchRightImg", px(854, 540, 170, 16) },
        { "RightImg2", px(854, 556, 170, 212) },
        { "BtmImg1", px(0, 677, 838, 91) },
        { "StretchBtmImg", px(838, 677, 16, 91) },
        { "LogoImg", px(864, 4, 150, 32) },
        { "VerLbl", px(700, 12, 100, 16) },
        { "ClockLbl", px(16, 12, 220, 16) },
        { "alertCmb", px(300, 8, 300, 21) },
        { "CamSlctr", px(889, 95, 97, 21) },
        { "Scr1Btn", px(861, 50, 36, 30) },
        { "Scr16Btn", px(981, 50, 36, 30) },
        { "StartRecBtn", px(861, 130, 76, 46) },
        { "eLayoutBtn", px(941, 280, 76, 46) },
        { "ZoomOffBtn", px(981, 566, 36, 26) },
        { "MoveUpBtn", px(923, 604, 32, 32) },
        { "MoveDownBtn", px(923, 672, 32, 32) },
        { "ExitBtn", px(766, 694, 80, 30) },
        { "AudioToggle", px(766, 730, 80, 20) },
        { "Viewer0", px(12, 42, 209, 159) },
        // At the edges and one twip short of them.
        { "TopImg6", { 12510, 0, 300, 585 } },
        { "TopImg2", { 12509, 0, 1, 585 } },
        { "RightImg25", { 12809, 585, 15, 300 } },
        { "RightImg26", { 12810, 8339, 15, 1 } },
        { "BtmImg8", { 12000, 10154, 15, 1 } },
        { "LeftImg2", { 0, 584, 15, 1 } },
    };
    for (int n = 1; n <= 16; ++n) {
        c.push_back({ QStringLiteral("SlctBtn%1").arg(n), px(10 + (n - 1) * 47, 694, 44, 30) });
        c.push_back({ QStringLiteral("RecBtn%1").arg(n), px(10 + (n - 1) * 47, 730, 44, 20) });
    }
    c.push_back({ "SlctBtn17", { 0, 10154, 15, 15 } }); // just above the bottom rows
    c.push_back({ "RecBtn17", { 0, 10155, 15, 15 } }); // at their top edge
    return c;
}

// A window that keeps its controls' places and records what the layout
// asks of it.
class FakePanel : public PanelSurface
{
public:
    explicit FakePanel(TwipSize screen)
        : m_screen(screen)
        , m_designed(designedWindow())
    {
        for (const PanelControl& c : m_designed)
            rects[c.name] = c.rect;
    }

    TwipSize screenSize() const override { return m_screen; }
    std::vector<PanelControl> controls() const override { return m_designed; }
    void setWindowGeometry(const TwipRect& rect) override { window = rect; }
    void setControlGeometry(const QString& name, const TwipRect& rect) override
    {
        ASSERT_TRUE(rects.count(name)) << name.toStdString() << " is no control of the window";
        rects[name] = rect;
    }
    void setPictureStretched(const QString& name) override { stretched << name; }
    void raiseControl(const QString& name) override { raised << name; }
    void fillCameraSelector(const QString& text, const QStringList& items, int selected) override
    {
        selectorText = text;
        selectorItems = items;
        selectorIndex = selected;
        calls << "fill main selector";
    }
    void showAudioToggle(bool on) override { audioToggle.push_back(on); }

    // How far a control went from its designed place, in pixels at 96 dpi.
    QPoint shift(const char* name) const
    {
        const TwipRect& now = rects.at(QString::fromLatin1(name));
        const TwipRect& was = designed(name);
        return QPoint(qRound(pixelsFromTwips(now.left - was.left, kDpi)),
            qRound(pixelsFromTwips(now.top - was.top, kDpi)));
    }
    const TwipRect& designed(const char* name) const
    {
        for (const PanelControl& c : m_designed)
            if (c.name == QLatin1String(name))
                return c.rect;
        throw std::out_of_range(name);
    }

    TwipRect window;
    std::map<QString, TwipRect> rects;
    QStringList stretched;
    QStringList raised;
    QString selectorText;
    QStringList selectorItems;
    int selectorIndex = -1;
    std::vector<bool> audioToggle;
    QStringList calls;

private:
    TwipSize m_screen;
    std::vector<PanelControl> m_designed;
};

class FakeRecList : public RecListSurface
{
public:
    explicit FakeRecList(QStringList& calls)
        : m_calls(calls)
    {
    }
    void fillCameraSelector(const QString& text, const QStringList& items) override
    {
        this->text = text;
        this->items = items;
        m_calls << "fill record list selector";
    }

    QString text;
    QStringList items;

private:
    QStringList& m_calls;
};

void expectRect(const TwipRect& actual, const TwipRect& expected, const char* what)
{
    EXPECT_DOUBLE_EQ(actual.left, expected.left) << what;
    EXPECT_DOUBLE_EQ(actual.top, expected.top) << what;
    EXPECT_DOUBLE_EQ(actual.width, expected.width) << what;
    EXPECT_DOUBLE_EQ(actual.height, expected.height) << what;
}

} // namespace

TEST(PanelLayout, ReferenceAndSmallerScreensMoveNothing)
{
    for (TwipSize screen : { kReferenceScreen, kSmallScreen }) {
        FakePanel panel(screen);
        DefaultPanelLayout().layoutMainForm(panel);

        expectRect(panel.window, { 0, 0, 15360, 11520 }, "window keeps its designed size");
        EXPECT_TRUE(panel.stretched.isEmpty());
        EXPECT_TRUE(PanelLayout::arrange(designedWindow(), screen).moved.empty());
        for (const PanelControl& c : designedWindow())
            if (c.name != QLatin1String("CamSlctr"))
                expectRect(panel.rects.at(c.name), c.rect, qPrintable(c.name));

        // Only the selector is placed and filled.
        expectRect(panel.rects.at("CamSlctr"), { 13245, 1425, 1455, 315 }, "CamSlctr");
        EXPECT_EQ(panel.selectorText, "Select One");
        ASSERT_EQ(panel.selectorItems.size(), 17);
        EXPECT_EQ(panel.selectorItems.first(), "Camera 1");
        EXPECT_EQ(panel.selectorItems.at(15), "Camera 16");
        EXPECT_EQ(panel.selectorItems.last(), "Select All");
        EXPECT_EQ(panel.selectorIndex, 0);
        EXPECT_EQ(panel.raised, QStringList({ "CamSlctr", "VerLbl" }));
    }
}

TEST(PanelLayout, LargerScreenMovesRightColumnAndBottomRows)
{
    FakePanel panel(kLargeScreen);
    DefaultPanelLayout().layoutMainForm(panel);

    expectRect(panel.window, { 0, 0, 19200, 15360 }, "window fills the screen");
    EXPECT_EQ(panel.stretched,
        QStringList({ "StretchTopImg", "StretchBtmImg", "StretchLeftImg", "StretchRightImg" }));

    // The right-hand column and the top strip above it: right only.
    for (const char* name : { "Scr1Btn", "Scr16Btn", "StartRecBtn", "eLayoutBtn", "ZoomOffBtn", "LogoImg",
             "RightImg1", "TopImg5" })
        EXPECT_EQ(panel.shift(name), QPoint(256, 0)) << name;
    // The bottom rows: down only.
    for (const char* name :
        { "SlctBtn1", "SlctBtn16", "RecBtn1", "RecBtn16", "BtmImg1", "ExitBtn", "AudioToggle" })
        EXPECT_EQ(panel.shift(name), QPoint(0, 256)) << name;
    // The lower right column and the pan/tilt pad: both.
    for (const char* name : { "RightImg2", "MoveUpBtn", "MoveDownBtn" })
        EXPECT_EQ(panel.shift(name), QPoint(256, 256)) << name;
    // The upper left part and the views stay.
    for (const char* name : { "TopImg1", "ClockLbl", "alertCmb", "Viewer0" })
        EXPECT_EQ(panel.shift(name), QPoint(0, 0)) << name;
    EXPECT_EQ(panel.shift("VerLbl"), QPoint(256, 0));

    // Stretch strips grow across the gap and keep their other edge.
    expectRect(panel.rects.at("StretchTopImg"), { 12270, 0, 240 + 3840, 585 }, "StretchTopImg");
    expectRect(panel.rects.at("StretchBtmImg"), { 12570, 10155 + 3840, 240 + 3840, 1365 }, "StretchBtmImg");
    expectRect(panel.rects.at("StretchLeftImg"), { 0, 9915, 120, 240 + 3840 }, "StretchLeftImg");
    expectRect(
        panel.rects.at("StretchRightImg"), { 12810 + 3840, 8100, 2550, 240 + 3840 }, "StretchRightImg");
    // The left edge below the top strip follows the bottom.
    EXPECT_EQ(panel.shift("LeftImg1"), QPoint(0, 256));

    expectRect(panel.rects.at("CamSlctr"), { 17085, 1425, 1455, 315 }, "CamSlctr");
}

TEST(PanelLayout, ControlsExactlyAtAnEdgeMoveAndOneTwipShortStay)
{
    // Wider only: nothing moves down, the height strips keep their size.
    PanelArrangement wide = PanelLayout::arrange(designedWindow(), { 16000, 11520 });
    std::map<QString, TwipRect> moved;
    for (const PanelControl& c : wide.moved)
        moved[c.name] = c.rect;
    EXPECT_EQ(wide.stretched, QStringList({ "StretchTopImg", "StretchBtmImg" }));
    EXPECT_DOUBLE_EQ(moved.at("TopImg6").left, 12510 + 640);
    EXPECT_DOUBLE_EQ(moved.at("RightImg26").left, 12810 + 640);
    EXPECT_DOUBLE_EQ(moved.at("RightImg26").top, 8339);
    EXPECT_EQ(moved.count("TopImg2"), 0u);
    EXPECT_EQ(moved.count("RightImg25"), 0u);
    EXPECT_EQ(moved.count("SlctBtn1"), 0u);
    EXPECT_EQ(moved.count("StretchLeftImg"), 0u);
    EXPECT_DOUBLE_EQ(wide.camSelector.left, 13245 + 640);

    // Taller only: the edges decide on the designed top edges.
    PanelArrangement tall = PanelLayout::arrange(designedWindow(), { 15360, 12000 });
    moved.clear();
    for (const PanelControl& c : tall.moved)
        moved[c.name] = c.rect;
    EXPECT_EQ(tall.stretched, QStringList({ "StretchLeftImg", "StretchRightImg" }));
    EXPECT_DOUBLE_EQ(moved.at("RightImg2").top, 8340 + 480);
    EXPECT_DOUBLE_EQ(moved.at("RightImg2").left, 12810);
    EXPECT_DOUBLE_EQ(moved.at("BtmImg1").top, 10155 + 480);
    EXPECT_DOUBLE_EQ(moved.at("SlctBtn1").top, 10410 + 480);
    EXPECT_DOUBLE_EQ(moved.at("RecBtn17").top, 10155 + 480);
    EXPECT_DOUBLE_EQ(moved.at("LeftImg1").top, 585 + 480);
    EXPECT_DOUBLE_EQ(moved.at("StretchRightImg").top, 8100);
    for (const char* name :
        { "RightImg26", "BtmImg8", "LeftImg2", "SlctBtn17", "Scr1Btn", "VerLbl", "StretchTopImg" })
        EXPECT_EQ(moved.count(name), 0u) << name;
    EXPECT_DOUBLE_EQ(tall.camSelector.left, 13245);
}

TEST(PanelLayout, StartUpFillsBothSelectorsAndAudioToggleFollowsTheViewer)
{
    FakePanel panel(kReferenceScreen);
    FakeRecList recList(panel.calls);
    DefaultPanelLayout().layout(panel, recList);

    EXPECT_EQ(panel.calls, QStringList({ "fill main selector", "fill record list selector" }));
    EXPECT_EQ(recList.text, "Select One");
    ASSERT_EQ(recList.items.size(), 16); // no "Select All" in the recording list
    EXPECT_EQ(recList.items.first(), "Camera 1");
    EXPECT_EQ(recList.items.last(), "Camera 16");

    DefaultPanelLayout layout;
    for (int32_t audio : { 0, 1, -1, 0 })
        layout.showAudioToggle(panel, audio);
    EXPECT_EQ(panel.audioToggle, std::vector<bool>({ false, true, true, false }));
}
