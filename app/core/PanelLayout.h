#pragma once

#include "app/core/Twips.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// Object names of the main window's controls the panel layout handles by
// name; the window gives its controls these names.
namespace PanelNames
{
inline constexpr char kStretchTopImg[] = "StretchTopImg";
inline constexpr char kStretchBtmImg[] = "StretchBtmImg";
inline constexpr char kStretchLeftImg[] = "StretchLeftImg";
inline constexpr char kStretchRightImg[] = "StretchRightImg";
inline constexpr char kLogoImg[] = "LogoImg";
inline constexpr char kVerLbl[] = "VerLbl";
inline constexpr char kCamSlctr[] = "CamSlctr";
} // namespace PanelNames

// One control of the main window and its place in the client area, in twips.
struct PanelControl {
    QString name;
    TwipRect rect;
};

// The main window's skin as the panel layout sees it. The main window
// implements it over its controls, found by object name (converting twips
// to pixels with the screen's logical dpi). GUI thread only.
class PanelSurface
{
public:
    virtual ~PanelSurface() = default;

    // The whole primary screen, in twips.
    virtual TwipSize screenSize() const = 0;
    // Every control of the window with its current place, in the window's
    // stacking order.
    virtual std::vector<PanelControl> controls() const = 0;
    virtual void setWindowGeometry(const TwipRect& rect) = 0;
    virtual void setControlGeometry(const QString& name, const TwipRect& rect) = 0;
    // Makes an image stretch its picture over its whole size instead of
    // showing it once at its natural size.
    virtual void setPictureStretched(const QString& name) = 0;
    virtual void raiseControl(const QString& name) = 0;
    // Fills the camera selector `CamSlctr`: its text, its items, then
    // selects the item `selected` (which lets the window react as to a
    // click on it).
    virtual void fillCameraSelector(const QString& text, const QStringList& items, int selected) = 0;
    // Draws the audio toggle button on or off.
    virtual void showAudioToggle(bool on) = 0;
};

// The recording list window's camera selector `Combo1`. The window
// implements it. GUI thread only.
class RecListSurface
{
public:
    virtual ~RecListSurface() = default;

    // Fills the selector with `items` and shows `text` in it, no item selected.
    virtual void fillCameraSelector(const QString& text, const QStringList& items) = 0;
};

// Where the skin goes on a given screen: the window, the controls whose
// place changes (in the order the window listed them) and the images set to
// stretch their picture.
struct PanelArrangement {
    TwipRect window;
    std::vector<PanelControl> moved;
    QStringList stretched;
    TwipRect camSelector;
};

// Fits the main window's skin, designed for a 1024 x 768 pixel screen, to
// the actual screen: the right-hand column and the top strip above it move
// right by the extra width, the bottom rows move down by the extra height,
// and the stretch strips fill the gaps. A screen smaller than the reference
// moves nothing; the window then keeps its designed size.
class PanelLayout
{
public:
    static constexpr double kReferenceWidth = 15360; // 1024 pixels
    static constexpr double kReferenceHeight = 11520; // 768 pixels

    // A control whose designed place lies at or beyond one of these edges
    // belongs to the part of the skin that follows the screen's right or
    // bottom edge.
    static constexpr double kRightColumnLeft = 12810; // right column images
    static constexpr double kTopRightLeft = 12510; // top strip over the column
    static constexpr double kBottomRowsTop = 10155; // bottom strip, select and record rows
    static constexpr double kRightLowerTop = 8340; // lower part of the right column
    static constexpr double kLeftLowerTop = 585; // left edge below the top strip

    static constexpr double kCamSelectorLeft = 13245;
    static constexpr double kCamSelectorTop = 1425;
    static constexpr double kCamSelectorWidth = 1455;

    virtual ~PanelLayout() = default;

    // The arrangement of controls at their designed places on `screen`.
    // Every test is made on the designed places, so a control moved right
    // is still tested by its designed top edge for the move down.
    static PanelArrangement arrange(const std::vector<PanelControl>& designed, TwipSize screen);

    // The camera selector's items: "Camera 1" to "Camera 16", and "Select
    // All" when `withAll`.
    static QStringList cameraSelectorItems(bool withAll);
    static QString cameraSelectorText() { return QStringLiteral("Select One"); }

    // Arranges the main window from its controls' current places (called
    // once at start-up, while they are still at their designed places) and
    // fills its camera selector, selecting the first camera.
    virtual void layoutMainForm(PanelSurface& surface) const;
    // Fills the recording list window's camera selector with the 16 cameras.
    virtual void layoutRecListForm(RecListSurface& recList) const;
    // The whole start-up layout: the main window, then the recording list.
    void layout(PanelSurface& mainForm, RecListSurface& recList) const;
    // Draws the audio toggle on when the focused camera's viewer has its
    // sound on (`focusedViewerAudio` non-zero), off otherwise.
    virtual void showAudioToggle(PanelSurface& surface, int32_t focusedViewerAudio) const;
};

// The panel layout installed whatever the PANEL_LAYOUT setting names.
class DefaultPanelLayout final : public PanelLayout
{
};
