#pragma once

#include "control/stream/Frame.h"

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QStaticText>
#include <QTimer>
#include <QWidget>

#include <array>
#include <memory>
#include <string>

namespace strovix {

class ViewCell;

// What a cell tells the control window about the operator's input.
class CellHost {
public:
    virtual ~CellHost() = default;
    virtual void cellLeftPress(ViewCell& cell, QPoint posInCell) = 0;
    virtual void cellDoubleClick(ViewCell& cell) = 0;
    virtual void cellRightPress(ViewCell& cell, QPoint globalPos) = 0;
    virtual void cellHover(ViewCell& cell, QPoint globalPos) = 0;
    virtual void cellKey(ViewCell& cell, int key) = 0;
    // In zoom mode: a drag with the left button moved by `by` pixels, and
    // the wheel turned by `angle` (eighths of a degree, 120 a notch; up is
    // positive) with the pointer at `at`.
    virtual void cellPan(ViewCell& cell, QPoint by) = 0;
    virtual void cellWheel(ViewCell& cell, QPoint at, int angle) = 0;
    // A picture was painted for the first time, `ms` after its last byte came.
    virtual void cellPictureOnScreen(ViewCell& cell, float ms) = 0;
};

// One view cell: a child window of the control that paints its last decoded
// picture stretched over its whole area with its orientation, the overlay
// text in its top-left corner and up to two indicator icons bottom right.
// GUI thread only.
class ViewCell : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFirstId = 0xD001; // child identifier of cell 0
    static constexpr int kInitialFontHeight = 16;
    static constexpr int kGridWeight = 300;
    static constexpr int kZoomedWeight = 200;
    static constexpr int kHoverMs = 400;

    ViewCell(int index, CellHost& host, QWidget* parent);

    int index() const { return m_index; }

    // Decodes `picture` into the cell's bitmap at the size the cell shows it
    // (decodeJpeg with the cell's size: a cell at half the picture's size or
    // less holds a DCT-scaled bitmap; a zoomed cell decodes at full size). On success the picture becomes the
    // cell's last one and a repaint is requested; on failure the bitmap holds
    // what decodeJpeg leaves and nothing is repainted.
    //
    // A cell nobody can see (it, or a window it is in, is hidden) decodes
    // nothing: it keeps the picture and decodes it when it is shown, so a
    // view shows its newest picture the moment it appears. False then too.
    bool showPicture(PicturePtr picture);
    // Whether a picture waits for the cell to be shown.
    bool pictureWaiting() const { return m_waiting != nullptr; }

    // The decoded picture; null until a picture was decoded into it. Its size
    // is the picture's own size, or the scaled size for a small cell.
    QImage& bitmap() { return m_bitmap; }
    const QImage& bitmap() const { return m_bitmap; }
    // The own size of the picture last decoded (camera pixels), and the
    // scale of the bitmap in eighths (8: full size).
    QSize pictureSize() const { return m_pictureSize; }
    int bitmapScaleEighths() const { return m_scaleEighths; }
    // Pixel buffers the bitmap has been given so far: one more at every
    // change of the decoded size, none while it holds.
    uint64_t bitmapBuffersMade() const { return m_buffersMade; }

    // The last picture decoded successfully into this cell, as received
    // (empty before the first). Shared so that a holder keeps it valid even
    // when the cell takes the next picture or goes away.
    const Frame& lastFrame() const;

    // The part of the oriented picture the cell shows (ViewZoom::shownPart;
    // the whole picture is QRectF(0, 0, 1, 1)). A part of the picture is
    // drawn from a full-size decode: the bitmap is decoded again from the
    // last picture's bytes when that changes its scale. `input`: zoom mode,
    // where the wheel zooms and a left drag pans; a left click then counts
    // when the button comes up without a drag.
    void setZoom(const QRectF& part, bool input);
    const QRectF& shownPart() const { return m_part; }
    bool zoomed() const { return m_part != QRectF(0, 0, 1, 1); }

    int orientation() const { return m_orientation; }
    void setOrientation(int orientation) { m_orientation = orientation; }

    const std::string& overlayText() const { return m_text; }
    void setOverlayText(std::string text);
    uint32_t overlayColor() const { return m_colorRef; } // COLORREF
    void setOverlayColor(uint32_t colorRef);
    // Repaints the strip along the top that the overlay text occupies (its
    // colour changed, nothing else did).
    void updateOverlay();

    // Overlay font height in pixels (the whole line: ascent plus descent) and weight.
    int fontHeight() const { return m_fontHeight; }
    void setFontHeight(int height);
    int fontWeight() const { return m_fontWeight; }
    void setFontWeight(int weight);
    const QFont& overlayFont() const { return m_font; }

    // Words over the cell while its camera sends no pictures: the picture
    // (or the empty cell) is dimmed and the words stand centred on a dark
    // translucent backing, in the overlay's font, wrapped at spaces and made
    // smaller only where a word would not fit the cell. Empty: none.
    const QString& notice() const { return m_notice; }
    void setNotice(const QString& words);

    // Slot 0 draws at (width - 28, height - 28), slot 1 at (width - 48, height - 28);
    // a null pixmap hides the slot.
    void setIndicator(int slot, const QPixmap& icon);
    bool indicatorShown(int slot) const { return !m_indicators.at(size_t(slot)).isNull(); }

    // The neutral colour of a cell without a picture.
    static QColor backgroundColor();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateFont();
    // The overlay text drawn once in `color` on a transparent image; the
    // image is kept until the text, the font or the pixel ratio changes.
    const QImage& textImage(const QColor& color);
    void dropTextImages();
    void paintNotice(QPainter& painter);

    const int m_index;
    CellHost& m_host;
    bool decode(const Frame& picture);
    // The size decodeJpeg is given: the cell's, or none (full size) while zoomed.
    QSize decodeSize() const;
    void showZoomCursor();

    QImage m_bitmap;
    QSize m_pictureSize;
    int m_scaleEighths = 8;
    uint64_t m_buffersMade = 0;
    // The bitmap is the whole decode of m_lastFrame (not a failed decode's
    // remains), so it can be decoded again from it at another scale.
    bool m_bitmapIsLastFrame = false;
    PicturePtr m_lastFrame;
    // The newest picture while the cell is hidden, not decoded yet.
    PicturePtr m_waiting;
    // The last picture has not been painted yet (its latency is taken then).
    bool m_firstPaintDue = false;
    int m_orientation = 0;
    QRectF m_part{0, 0, 1, 1};
    bool m_zoomInput = false;
    // A left press in zoom mode: where it was, where the pointer was last,
    // and whether it became a drag.
    bool m_pressPending = false;
    bool m_dragging = false;
    QPoint m_pressAt;
    QPoint m_dragLast;
    std::string m_text;
    // The text laid out once and drawn many times: shaping it again at every
    // paint would cost as much as the picture's own drawing.
    QStaticText m_staticText;
    // The text drawn in the cell's last two colours (a cell of a split
    // alternates between its colour and black), each blended in one pass at
    // every paint instead of being drawn glyph by glyph.
    struct TextImage {
        QColor color;
        QImage image;
    };
    std::array<TextImage, 2> m_textImages;
    size_t m_nextTextImage = 0;
    uint32_t m_colorRef = 0;
    QColor m_color{Qt::black};
    int m_fontHeight = kInitialFontHeight;
    int m_fontWeight = kGridWeight;
    QFont m_font;
    QString m_notice;
    std::array<QPixmap, 2> m_indicators;
    bool m_tracking = false;
    QTimer m_hoverTimer;
    QPoint m_hoverGlobal;
};

// Draws `picture` over `target` with a cell orientation: 0 upright, 1 turned
// 180 degrees, 2 mirrored left-right, 3 mirrored top-bottom. Nearest pixel,
// no blending; the aspect ratio is not kept. `part` is the part of the
// oriented picture drawn, in fractions of its size (all of it by default).
void drawOriented(class QPainter& painter, const QImage& picture, const QRect& target, int orientation,
                  const QRectF& part = QRectF(0, 0, 1, 1));
// The part of the bitmap, in fractions of its size, that shows as `part` of
// the picture oriented by `orientation` (each orientation is its own inverse).
QRectF bitmapPart(const QRectF& part, int orientation);

} // namespace strovix
