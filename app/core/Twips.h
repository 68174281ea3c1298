#pragma once

#include <QRect>
#include <QSize>

// Window geometry of the application is held in twips (1/1440 inch): 15
// twips are one pixel on a 96-dpi screen. These helpers convert through a
// given logical dpi, so that the arithmetic stays free of any screen.

inline constexpr double kTwipsPerInch = 1440.0;

struct TwipSize {
    double width = 0;
    double height = 0;
};

struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

double twipsFromPixels(double pixels, double dpi);
double pixelsFromTwips(double twips, double dpi);

// A size in pixels (a screen, a window) in twips.
TwipSize twipSizeFromPixels(QSize pixels, double dpiX, double dpiY);

// A rectangle in twips as whole pixels. Edges are rounded, not sizes, so
// rectangles that touch in twips touch in pixels too (no gap, no overlap).
QRect pixelRectFromTwips(const TwipRect& rect, double dpiX, double dpiY);
