#include "app/core/Twips.h"

#include <cmath>

double twipsFromPixels(double pixels, double dpi)
{
    return pixels * kTwipsPerInch / dpi;
}

double pixelsFromTwips(double twips, double dpi)
{
    return twips * dpi / kTwipsPerInch;
}

TwipSize twipSizeFromPixels(QSize pixels, double dpiX, double dpiY)
{
    return {twipsFromPixels(pixels.width(), dpiX), twipsFromPixels(pixels.height(), dpiY)};
}

QRect pixelRectFromTwips(const TwipRect& rect, double dpiX, double dpiY)
{
    const int left = static_cast<int>(std::lround(pixelsFromTwips(rect.left, dpiX)));
    const int top = static_cast<int>(std::lround(pixelsFromTwips(rect.top, dpiY)));
    const int right = static_cast<int>(std::lround(pixelsFromTwips(rect.left + rect.width, dpiX)));
    const int bottom = static_cast<int>(std::lround(pixelsFromTwips(rect.top + rect.height, dpiY)));
    return QRect(left, top, right - left, bottom - top);
}
