#pragma once

#include "app/core/Twips.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// The screen the main window is laid out for: the whole primary screen and
// its logical dpi, through which twips become pixels. The size can be set
// (tests lay the window out for a screen they do not have); the dpi is
// always the primary screen's. GUI thread only.
class ScreenMetrics
{
public:
    // The primary screen's size in pixels, or the size set; 1024 x 768
    // without any screen.
    QSize pixels() const;
    void setPixels(QSize pixels) { m_pixels = pixels; }
    // Where the screen begins on the desktop: the primary screen is not
    // always the one at 0, 0 when there are several. 0, 0 for a size set.
    QPoint origin() const;

    double dpiX() const;
    double dpiY() const;

    TwipSize twipSize() const;
    QRect toPixels(const TwipRect& rect) const;
    TwipRect toTwips(const QRect& rect) const;

private:
    std::optional<QSize> m_pixels;
};
