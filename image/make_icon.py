#!/usr/bin/python3
"""Draws the application icon in the look of the button faces (make_images.py
beside this script): a graphite tile holding a 2 x 2 wall of camera views, the
lens of the logo in the lower right view and a red recording dot.

    python3 image/make_icon.py      # rewrites image/icon/oculon-N.png

Writes one PNG with a transparent corner per size of the icon theme
(share/icons/hicolor/NxN/apps/oculon.png once installed); the small sizes drop
the details that would only blur. Needs Pillow (Debian python3-pil).
"""

import os
import sys

from PIL import Image, ImageDraw

from make_images import ACCENT, ACCENT_EDGE, ACCENT_FILL, BTN, BTN_EDGE, FRAME, REC, SEAM, SUPER, WHITE, Canvas, g_lens

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (16, 24, 32, 48, 64, 128, 256)

# The four views, top left to bottom right: dusk, water, grass, and the one
# the lens looks through.
VIEWS = [(62, 84, 128), (40, 110, 140), (60, 120, 84), ACCENT_FILL]


class IconCanvas(Canvas):
    """A Canvas on a transparent square of `size` pixels; drawing coordinates
    are in a 64-unit square, whatever the size."""

    def __init__(self, size):
        self.w = self.h = 64
        self.scale = 1
        self.k = size * SUPER / 64
        self.size = size
        self.img = Image.new("RGBA", (size * SUPER, size * SUPER), (0, 0, 0, 0))
        self.d = ImageDraw.Draw(self.img)

    def finish(self):
        return self.img.resize((self.size, self.size), Image.LANCZOS)


def icon(size):
    c = IconCanvas(size)
    detailed = size >= 32
    c.rrect(2, 2, 62, 62, 12, fill=FRAME, outline=BTN_EDGE, width=1.5 if detailed else 2.5)
    gap, x0, y0, side = (3, 10, 10, 44) if detailed else (4, 9, 9, 46)
    cell = (side - gap) / 2
    for i, colour in enumerate(VIEWS):
        x = x0 + (i % 2) * (cell + gap)
        y = y0 + (i // 2) * (cell + gap)
        last = i == len(VIEWS) - 1
        c.rrect(x, y, x + cell, y + cell, 3, fill=colour, outline=ACCENT_EDGE if last else SEAM,
                width=1 if detailed else 1.5)
        if detailed and not last:
            # a horizon in each plain view
            c.rect(x + 1, y + cell * 0.62, x + cell - 1, y + cell - 1, fill=BTN)
    lx, ly = x0 + cell * 1.5 + gap, y0 + cell * 1.5 + gap
    g_lens(c, lx, ly, cell * 0.8, WHITE if detailed else ACCENT, ACCENT_FILL)
    c.circle(x0 + cell - 4.5, y0 + 4.5, 3.2 if detailed else 4.2, fill=REC)
    if detailed:
        c.circle(x0 + cell - 4.5, y0 + 4.5, 3.2, outline=FRAME, width=0.8)
    return c.finish()


def main():
    out = os.path.join(HERE, "icon")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        icon(size).save(os.path.join(out, "oculon-%d.png" % size), optimize=True)
    print("wrote the icon in %d sizes to %s" % (len(SIZES), out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
