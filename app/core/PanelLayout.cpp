#include "app/core/PanelLayout.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace
{

using namespace PanelNames;

// Buttons of the right-hand column: they follow the screen's right edge.
constexpr std::array<std::string_view, 21> kRightColumnButtons { "Scr1Btn", "Scr4Btn", "Scr9Btn", "Scr16Btn",
    "StartRecBtn", "StopAllRecBtn", "SnapshotBtn", "PlaybackBtn", "Rotate180Btn", "CamCfgBtn", "AppCfgBtn",
    "eLayoutBtn", "ZoomOutBtn", "ZoomInBtn", "ZoomOnBtn", "ZoomOffBtn", "MoveUpBtn", "MoveLeftBtn",
    "MoveHomeBtn", "MoveRightBtn", "MoveDownBtn" };

// Controls below the views that follow the screen's bottom edge whatever
// their designed place.
constexpr std::array<std::string_view, 8> kBottomControls { kStretchBtmImg, "MoveUpBtn", "MoveLeftBtn",
    "MoveHomeBtn", "MoveRightBtn", "MoveDownBtn", "ExitBtn", "AudioToggle" };

template <std::size_t N> bool named(const QString& name, const std::array<std::string_view, N>& names)
{
    return std::any_of(names.begin(), names.end(), [&](std::string_view n) {
        return name == QLatin1String(n.data(), static_cast<qsizetype>(n.size()));
    });
}

bool movesRight(const PanelControl& c)
{
    const QString& n = c.name;
    if (n == QLatin1String(kStretchTopImg) || n == QLatin1String(kStretchBtmImg))
        return false;
    if (n.startsWith(QLatin1String("RightImg")) && c.rect.left >= PanelLayout::kRightColumnLeft)
        return true;
    if (n.startsWith(QLatin1String("TopImg")) && c.rect.left >= PanelLayout::kTopRightLeft)
        return true;
    return n == QLatin1String(kLogoImg) || n == QLatin1String(kStretchRightImg)
        || named(n, kRightColumnButtons);
}

bool movesDown(const PanelControl& c)
{
    const QString& n = c.name;
    if (n == QLatin1String(kStretchLeftImg) || n == QLatin1String(kStretchRightImg))
        return false;
    const double top = c.rect.top;
    if (n.startsWith(QLatin1String("BtmImg")) && top >= PanelLayout::kBottomRowsTop)
        return true;
    if (n.startsWith(QLatin1String("RightImg")) && top >= PanelLayout::kRightLowerTop)
        return true;
    if (n.startsWith(QLatin1String("LeftImg")) && top >= PanelLayout::kLeftLowerTop)
        return true;
    if ((n.startsWith(QLatin1String("SlctBtn")) || n.startsWith(QLatin1String("RecBtn")))
        && top >= PanelLayout::kBottomRowsTop)
        return true;
    return named(n, kBottomControls);
}

} // namespace

PanelArrangement PanelLayout::arrange(const std::vector<PanelControl>& designed, TwipSize screen)
{
    const bool wider = screen.width > kReferenceWidth;
    const bool taller = screen.height > kReferenceHeight;
    const double dx = wider ? screen.width - kReferenceWidth : 0;
    const double dy = taller ? screen.height - kReferenceHeight : 0;

    PanelArrangement result;
    result.window
        = { 0, 0, wider ? screen.width : kReferenceWidth, taller ? screen.height : kReferenceHeight };
    if (wider)
        result.stretched << QLatin1String(kStretchTopImg) << QLatin1String(kStretchBtmImg);
    if (taller)
        result.stretched << QLatin1String(kStretchLeftImg) << QLatin1String(kStretchRightImg);

    result.camSelector = { kCamSelectorLeft + dx, kCamSelectorTop, kCamSelectorWidth, 0 };
    for (const PanelControl& c : designed) {
        if (c.name == QLatin1String(kCamSlctr)) {
            result.camSelector.height = c.rect.height;
            continue;
        }
        TwipRect rect = c.rect;
        if (wider && (c.name == QLatin1String(kStretchTopImg) || c.name == QLatin1String(kStretchBtmImg)))
            rect.width += dx;
        if (taller && (c.name == QLatin1String(kStretchLeftImg) || c.name == QLatin1String(kStretchRightImg)))
            rect.height += dy;
        if (dx > 0 && (movesRight(c) || c.name == QLatin1String(kVerLbl)))
            rect.left += dx;
        if (dy > 0 && movesDown(c))
            rect.top += dy;
        if (rect.left != c.rect.left || rect.top != c.rect.top || rect.width != c.rect.width
            || rect.height != c.rect.height)
            result.moved.push_back({ c.name, rect });
    }
    return result;
}

QStringList PanelLayout::cameraSelectorItems(bool withAll)
{
    QStringList items;
    for (int n = 1; n <= 16; ++n)
        items << QStringLiteral("Camera %1").arg(n);
    if (withAll)
        items << QStringLiteral("Select All");
    return items;
}

void PanelLayout::layoutMainForm(PanelSurface& surface) const
{
    const PanelArrangement arrangement = arrange(surface.controls(), surface.screenSize());
    surface.setWindowGeometry(arrangement.window);
    for (const QString& name : arrangement.stretched)
        surface.setPictureStretched(name);
    for (const PanelControl& c : arrangement.moved)
        surface.setControlGeometry(c.name, c.rect);

    const QString selector = QLatin1String(kCamSlctr);
    surface.raiseControl(selector);
    surface.setControlGeometry(selector, arrangement.camSelector);
    surface.fillCameraSelector(cameraSelectorText(), cameraSelectorItems(true), 0);
    surface.raiseControl(QLatin1String(kVerLbl));
}

void PanelLayout::layoutRecListForm(RecListSurface& recList) const
{
    recList.fillCameraSelector(cameraSelectorText(), cameraSelectorItems(false));
}

void PanelLayout::layout(PanelSurface& mainForm, RecListSurface& recList) const
{
    layoutMainForm(mainForm);
    layoutRecListForm(recList);
}

void PanelLayout::showAudioToggle(PanelSurface& surface, int32_t focusedViewerAudio) const
{
    surface.showAudioToggle(focusedViewerAudio != 0);
}
