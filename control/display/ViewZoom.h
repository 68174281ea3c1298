#pragma once

#include <QPointF>
#include <QRectF>

namespace strovix {

// The digital zoom of a view: a factor from 1 to 8 and the centre of the part
// shown. Both are in the picture as it stands on the screen, after its
// orientation, with the picture's width and height each counted as 1. The
// part shown never leaves the picture; at 1x it is the whole picture and
// nothing moves it.
class ViewZoom {
public:
    static constexpr double kMinFactor = 1.0;
    static constexpr double kMaxFactor = 8.0;
    static constexpr double kStep = 1.25; // one Zoom In, Zoom Out or wheel notch
    static constexpr int kMinPercent = 100;
    static constexpr int kMaxPercent = 800;

    double factor() const { return m_factor; }
    bool zoomed() const { return m_factor > kMinFactor; }
    // The factor in percent, rounded (100 .. 800).
    int percent() const;
    // The part of the picture shown, in fractions of the oriented picture.
    QRectF shownPart() const;

    // The factor clamped to 1..8, the centre kept where the edges allow.
    // False when nothing changed.
    bool setFactor(double factor);
    bool stepIn() { return setFactor(m_factor * kStep); }
    bool stepOut() { return setFactor(m_factor / kStep); }
    // Multiplies the factor by `ratio` (clamped) around `at`, a point of the
    // view in fractions of its size: the picture point under it stays under
    // it, unless an edge of the picture stops the part shown.
    bool zoomAt(QPointF at, double ratio);
    // Follows a drag of `by`, in fractions of the view's size: the picture
    // moves with the pointer, up to its edges.
    bool pan(QPointF by);
    // The whole picture again.
    void reset()
    {
        m_factor = kMinFactor;
        m_centre = QPointF(0.5, 0.5);
    }

private:
    // The centre moved back so that the part shown stays inside the picture.
    void keepInside();

    double m_factor = kMinFactor;
    QPointF m_centre{0.5, 0.5};
};

} // namespace strovix
