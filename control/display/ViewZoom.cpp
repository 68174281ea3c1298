#include "control/display/ViewZoom.h"

#include <algorithm>
#include <cmath>

namespace strovix {

namespace {

// Steps in and out again come back to 1 with a rounding error; closer than
// this counts as the same factor.
constexpr double kSameFactor = 1e-9;

} // namespace

int ViewZoom::percent() const { return int(std::lround(m_factor * 100)); }

QRectF ViewZoom::shownPart() const
{
    const double side = 1 / m_factor;
    return QRectF(m_centre.x() - side / 2, m_centre.y() - side / 2, side, side);
}

void ViewZoom::keepInside()
{
    const double half = 0.5 / m_factor;
    m_centre.setX(std::clamp(m_centre.x(), half, 1 - half));
    m_centre.setY(std::clamp(m_centre.y(), half, 1 - half));
}

bool ViewZoom::setFactor(double factor)
{
    if (!std::isfinite(factor))
        return false;
    factor = std::clamp(factor, kMinFactor, kMaxFactor);
    if (std::abs(factor - kMinFactor) < kSameFactor)
        factor = kMinFactor;
    if (std::abs(factor - m_factor) < kSameFactor)
        return false;
    m_factor = factor;
    keepInside();
    return true;
}

bool ViewZoom::zoomAt(QPointF at, double ratio)
{
    const QRectF before = shownPart();
    const QPointF fixed(before.left() + at.x() * before.width(), before.top() + at.y() * before.height());
    if (!setFactor(m_factor * ratio))
        return false;
    const double side = 1 / m_factor;
    m_centre = QPointF(fixed.x() + (0.5 - at.x()) * side, fixed.y() + (0.5 - at.y()) * side);
    keepInside();
    return true;
}

bool ViewZoom::pan(QPointF by)
{
    const QPointF before = m_centre;
    m_centre -= by / m_factor;
    keepInside();
    return m_centre != before;
}

} // namespace strovix
