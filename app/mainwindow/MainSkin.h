#pragma once

#include "app/core/PanelLayout.h"
#include "app/mainwindow/ScreenMetrics.h"

#include <QWidget>

#include <functional>
#include <span>

class ImageGO;
class QComboBox;
class QLabel;

// The main window's design: the skin pictures, the logo, the version and
// the clock, and the designed place of every control of the window's client
// area, all in one table (in pixels of the 1024 x 768 window the skin was
// drawn for, 15 twips each). The skin is also the window's panel surface:
// the panel layout reads the controls' places from it and moves them, in
// twips converted with the screen's logical dpi. GUI thread only.
class MainSkin final : public PanelSurface
{
public:
    // One control at its designed place. `picture` is what a skin image
    // shows, and for a button the picture it shows at rest (for the record).
    struct Place {
        const char* name;
        const char* picture;
        int left;
        int top;
        int width;
        int height;
    };
    static std::span<const Place> places();

    // Creates the skin images, `LogoImg`, `VerLbl` (showing `version`) and
    // `ClockLbl` in `area`, the window's client area. `area`, `images` and
    // `screen` must outlive the skin.
    MainSkin(QWidget& area, ImageGO& images, const ScreenMetrics& screen, const QString& version);

    // Puts every control of the table found in the area at its designed
    // place, the skin pictures at the bottom of the stacking order and
    // `below` (the viewers' grid, covering the area) right above them.
    void arrange(QWidget* below);

    // What the camera selector and the audio toggle do for the panel layout.
    // Both must be set before the panel layout runs.
    void setCameraSelector(QComboBox* selector) { m_selector = selector; }
    void setAudioToggle(std::function<void(bool on)> draw) { m_drawAudioToggle = std::move(draw); }

    // PanelSurface
    TwipSize screenSize() const override;
    std::vector<PanelControl> controls() const override;
    void setWindowGeometry(const TwipRect& rect) override;
    void setControlGeometry(const QString& name, const TwipRect& rect) override;
    void setPictureStretched(const QString& name) override;
    void raiseControl(const QString& name) override;
    void fillCameraSelector(const QString& text, const QStringList& items, int selected) override;
    void showAudioToggle(bool on) override;

private:
    QWidget* control(const QString& name) const;
    void addImage(const Place& place);

    QWidget& m_area;
    ImageGO& m_images;
    const ScreenMetrics& m_screen;
    QComboBox* m_selector = nullptr;
    std::function<void(bool)> m_drawAudioToggle;
};
