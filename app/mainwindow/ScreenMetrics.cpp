#include "app/mainwindow/ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>

namespace
{
constexpr double kDefaultDpi = 96;
}

QSize ScreenMetrics::pixels() const
{
    if (m_pixels)
        return *m_pixels;
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

QPoint ScreenMetrics::origin() const
{
    if (m_pixels)
        return {};
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().topLeft() : QPoint();
}

double ScreenMetrics::dpiX() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : kDefaultDpi;
}

double ScreenMetrics::dpiY() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : kDefaultDpi;
}

TwipSize ScreenMetrics::twipSize() const
{
    return twipSizeFromPixels(pixels(), dpiX(), dpiY());
}

QRect ScreenMetrics::toPixels(const TwipRect& rect) const
{
    return pixelRectFromTwips(rect, dpiX(), dpiY());
}

TwipRect ScreenMetrics::toTwips(const QRect& rect) const
{
    return { twipsFromPixels(rect.x(), dpiX()), twipsFromPixels(rect.y(), dpiY()),
        twipsFromPixels(rect.width(), dpiX()), twipsFromPixels(rect.height(), dpiY()) };
}
