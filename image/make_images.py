#!/usr/bin/python3
"""Draws every picture of this folder: the button faces, the e-map icons,
the skin strips of the main window and the logo.

Run it by hand after changing the look (needs Pillow, Debian package
python3-pil, and the DejaVu fonts):

    python3 image/make_images.py            # rewrites the GIF files here
    python3 image/make_images.py --sheet build/contact.png
    python3 image/make_images.py --check    # every picture present, right size

Each picture is written twice: NAME.gif for ordinary screens and NAME@2x.gif,
drawn at twice the pixel density for screens scaled by two. Shapes are drawn
four times larger and scaled down so their edges are smooth; text is drawn at
the final size so it stays crisp.

The window is designed for 1024 x 768 pixels: a top strip 39 pixels high, a
right-hand column from x = 854 and a bottom area from y = 677, so that the
rules that move the right column and the bottom rows on bigger screens find
every control on the right side of their thresholds. The place of every
picture in that window is the main window's skin table in
app/mainwindow/MainSkin.cpp; the contact sheet reads it and shows the whole
window put together from it.
"""

import argparse
import math
import re
import os
import sys

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
SUPER = 4  # shapes are drawn this many times larger, then scaled down

FONT_DIRS = ["/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu"]

# A calm dark palette: graphite frame, slightly lighter raised buttons, one
# blue accent for "pressed" and "selected", one red for recording.
FRAME = (21, 24, 29)
PANEL = (27, 31, 37)
SEAM = (44, 50, 59)
BTN = (44, 50, 59)
BTN_TOP = (50, 56, 66)
BTN_EDGE = (64, 72, 85)
PRESSED = (17, 20, 24)
WELL = (16, 18, 22)  # sockets and plates the buttons sit in
ACCENT = (88, 170, 230)
ACCENT_FILL = (36, 92, 140)
ACCENT_EDGE = (72, 140, 200)
REC = (232, 76, 80)
REC_FILL = (156, 40, 46)
REC_EDGE = (214, 80, 86)
FG = (222, 226, 232)
FG_DIM = (150, 158, 170)
WHITE = (246, 248, 250)


def font(size, bold=True):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    for folder in FONT_DIRS:
        path = os.path.join(folder, name)
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit("make_images.py: the DejaVu fonts are missing (Debian: fonts-dejavu-core)")


class Canvas:
    """A picture of w x h logical pixels at the given scale. Coordinates of
    every drawing call are logical pixels (floats allowed)."""

    def __init__(self, w, h, scale, background):
        self.w, self.h, self.scale = w, h, scale
        self.k = scale * SUPER
        self.img = Image.new("RGB", (w * self.k, h * self.k), background)
        self.d = ImageDraw.Draw(self.img)

    def p(self, v):
        return v * self.k

    def box(self, x0, y0, x1, y1):
        return [self.p(x0), self.p(y0), self.p(x1) - 1, self.p(y1) - 1]

    def rrect(self, x0, y0, x1, y1, r, fill=None, outline=None, width=1.0):
        self.d.rounded_rectangle(self.box(x0, y0, x1, y1), radius=self.p(r), fill=fill,
                                 outline=outline, width=max(1, round(self.p(width))))

    def rect(self, x0, y0, x1, y1, fill):
        self.d.rectangle(self.box(x0, y0, x1, y1), fill=fill)

    def circle(self, cx, cy, r, fill=None, outline=None, width=1.0):
        self.d.ellipse(self.box(cx - r, cy - r, cx + r, cy + r), fill=fill, outline=outline,
                       width=max(1, round(self.p(width))))

    def poly(self, points, fill):
        self.d.polygon([(self.p(x), self.p(y)) for x, y in points], fill=fill)

    def line(self, points, fill, width):
        self.d.line([(self.p(x), self.p(y)) for x, y in points], fill=fill,
                    width=max(1, round(self.p(width))), joint="curve")
        r = width / 2  # round caps
        for x, y in (points[0], points[-1]):
            self.circle(x, y, r, fill=fill)

    def arc(self, cx, cy, r, start, end, fill, width):
        self.d.arc(self.box(cx - r, cy - r, cx + r, cy + r), start, end, fill=fill,
                   width=max(1, round(self.p(width))))

    def finish(self):
        """Scales the shapes down; returns the picture for the text pass."""
        return self.img.resize((self.w * self.scale, self.h * self.scale), Image.LANCZOS)


def text(img, scale, cx, cy, s, size, fill, bold=True):
    d = ImageDraw.Draw(img)
    d.text((cx * scale, cy * scale), s, font=font(round(size * scale), bold), fill=fill,
           anchor="mm")


# ---------------------------------------------------------------- glyphs ---
# Each glyph draws into the square box of edge g centred at (cx, cy); `bg` is
# the colour under it, used to cut holes.

def g_grid(n):
    def draw(c, cx, cy, g, fg, bg):
        gap = g * (0.12 if n < 4 else 0.09)
        side = g * 0.86
        cell = (side - gap * (n - 1)) / n
        x0, y0 = cx - side / 2, cy - side / 2
        for i in range(n):
            for j in range(n):
                x, y = x0 + j * (cell + gap), y0 + i * (cell + gap)
                c.rrect(x, y, x + cell, y + cell, min(cell * 0.25, g * 0.06), fill=fg)
    return draw


def g_record(c, cx, cy, g, fg, bg):
    c.circle(cx, cy, g * 0.42, outline=fg, width=g * 0.08)
    c.circle(cx, cy, g * 0.26, fill=fg)


def g_stop(c, cx, cy, g, fg, bg):
    h = g * 0.34
    c.rrect(cx - h, cy - h, cx + h, cy + h, g * 0.08, fill=fg)


def g_snapshot(c, cx, cy, g, fg, bg):
    x0, y0 = cx - g / 2, cy - g / 2
    c.rrect(x0 + g * 0.3, y0 + g * 0.14, x0 + g * 0.62, y0 + g * 0.34, g * 0.05, fill=fg)
    c.rrect(x0 + g * 0.04, y0 + g * 0.26, x0 + g * 0.96, y0 + g * 0.86, g * 0.1, fill=fg)
    c.circle(cx, y0 + g * 0.56, g * 0.21, fill=bg)
    c.circle(cx, y0 + g * 0.56, g * 0.11, fill=fg)


def g_play(c, cx, cy, g, fg, bg):
    c.circle(cx, cy, g * 0.44, outline=fg, width=g * 0.08)
    r = g * 0.2
    c.poly([(cx - r * 0.7, cy - r), (cx - r * 0.7, cy + r), (cx + r * 1.05, cy)], fg)


def g_rotate(c, cx, cy, g, fg, bg):
    r, w = g * 0.34, g * 0.1
    c.arc(cx, cy, r, -30, 250, fg, w)
    a = math.radians(-30)
    px, py = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = math.sin(a), -math.cos(a)      # direction of travel at the arc's start
    nx, ny = math.cos(a), math.sin(a)       # outward normal
    tip = (px + tx * g * 0.2, py + ty * g * 0.2)
    c.poly([tip, (px + nx * g * 0.17, py + ny * g * 0.17),
            (px - nx * g * 0.17, py - ny * g * 0.17)], fg)


def g_videocam(c, cx, cy, g, fg, bg):
    x0, y0 = cx - g / 2, cy - g / 2
    c.rrect(x0 + g * 0.04, y0 + g * 0.26, x0 + g * 0.66, y0 + g * 0.76, g * 0.1, fill=fg)
    c.poly([(x0 + g * 0.6, y0 + g * 0.51), (x0 + g * 0.96, y0 + g * 0.3),
            (x0 + g * 0.96, y0 + g * 0.72)], fg)


def g_camsetup(c, cx, cy, g, fg, bg):
    g_videocam(c, cx - g * 0.05, cy - g * 0.08, g * 0.9, fg, bg)
    g_gear(c, cx + g * 0.26, cy + g * 0.26, g * 0.5, fg, bg, ring=bg)


def g_gear(c, cx, cy, g, fg, bg, ring=None):
    if ring is not None:
        c.circle(cx, cy, g * 0.5, fill=ring)
    teeth = 8
    for i in range(teeth):
        a = 2 * math.pi * i / teeth
        ca, sa = math.cos(a), math.sin(a)
        hw, r0, r1 = g * 0.085, g * 0.2, g * 0.46
        pts = [(cx + ca * r0 - sa * hw, cy + sa * r0 + ca * hw),
               (cx + ca * r1 - sa * hw, cy + sa * r1 + ca * hw),
               (cx + ca * r1 + sa * hw, cy + sa * r1 - ca * hw),
               (cx + ca * r0 + sa * hw, cy + sa * r0 - ca * hw)]
        c.poly(pts, fg)
    c.circle(cx, cy, g * 0.34, fill=fg)
    c.circle(cx, cy, g * 0.14, fill=bg)


def g_settings(c, cx, cy, g, fg, bg):
    g_gear(c, cx, cy, g * 0.95, fg, bg)


def g_pin(c, cx, cy, g, fg, bg):
    x0, y0 = cx - g / 2, cy - g / 2
    r = g * 0.28
    px, py = cx, y0 + g * 0.38
    c.circle(px, py, r, fill=fg)
    c.poly([(px - r * 0.86, py + r * 0.5), (px + r * 0.86, py + r * 0.5), (px, y0 + g * 0.96)], fg)
    c.circle(px, py, r * 0.42, fill=bg)


def g_magnifier(mark):
    def draw(c, cx, cy, g, fg, bg):
        lx, ly, r = cx - g * 0.08, cy - g * 0.08, g * 0.3
        c.line([(lx + r * 0.9, ly + r * 0.9), (cx + g * 0.4, cy + g * 0.4)], fg, g * 0.13)
        if mark == "on":
            c.circle(lx, ly, r, fill=fg)
            c.circle(lx, ly, r * 0.45, fill=bg)
        else:
            c.circle(lx, ly, r, outline=fg, width=g * 0.09)
        m, w = r * 0.5, g * 0.08
        if mark in ("in", "out"):
            c.line([(lx - m, ly), (lx + m, ly)], fg, w)
        if mark == "in":
            c.line([(lx, ly - m), (lx, ly + m)], fg, w)
        if mark == "off":
            c.line([(cx - g * 0.42, cy + g * 0.3), (cx + g * 0.3, cy - g * 0.42)], bg, g * 0.2)
            c.line([(cx - g * 0.42, cy + g * 0.3), (cx + g * 0.3, cy - g * 0.42)], fg, g * 0.08)
    return draw


def g_arrow(direction):
    def draw(c, cx, cy, g, fg, bg):
        pts = [(0.0, -0.3), (0.36, 0.18), (-0.36, 0.18)]  # pointing up
        turn = {"up": 0, "right": 90, "down": 180, "left": 270}[direction]
        a = math.radians(turn)
        rot = [(x * math.cos(a) - y * math.sin(a), x * math.sin(a) + y * math.cos(a)) for x, y in pts]
        c.poly([(cx + x * g, cy + y * g) for x, y in rot], fg)
    return draw


def g_home(c, cx, cy, g, fg, bg):
    x0, y0 = cx - g / 2, cy - g / 2
    c.poly([(cx, y0 + g * 0.1), (x0 + g * 0.92, y0 + g * 0.5), (x0 + g * 0.08, y0 + g * 0.5)], fg)
    c.rect(x0 + g * 0.2, y0 + g * 0.46, x0 + g * 0.8, y0 + g * 0.9, fg)
    c.rect(x0 + g * 0.42, y0 + g * 0.62, x0 + g * 0.58, y0 + g * 0.9, bg)


def g_power(c, cx, cy, g, fg, bg):
    r, w = g * 0.36, g * 0.11
    c.arc(cx, cy + g * 0.04, r, -55, 235, fg, w)
    c.line([(cx, cy - g * 0.42), (cx, cy - g * 0.02)], fg, w)


def g_speaker(muted):
    def draw(c, cx, cy, g, fg, bg):
        x0, y0 = cx - g / 2, cy - g / 2
        c.rect(x0 + g * 0.08, y0 + g * 0.36, x0 + g * 0.3, y0 + g * 0.64, fg)
        c.poly([(x0 + g * 0.26, y0 + g * 0.36), (x0 + g * 0.54, y0 + g * 0.12),
                (x0 + g * 0.54, y0 + g * 0.88), (x0 + g * 0.26, y0 + g * 0.64)], fg)
        if muted:
            a, b, w = x0 + g * 0.66, x0 + g * 0.92, g * 0.09
            c.line([(a, y0 + g * 0.37), (b, y0 + g * 0.63)], fg, w)
            c.line([(a, y0 + g * 0.63), (b, y0 + g * 0.37)], fg, w)
        else:
            c.arc(x0 + g * 0.52, cy, g * 0.18, -50, 50, fg, g * 0.08)
            c.arc(x0 + g * 0.52, cy, g * 0.34, -50, 50, fg, g * 0.08)
    return draw


def g_dot(c, cx, cy, g, fg, bg):
    c.circle(cx, cy, g * 0.36, fill=fg)


def g_lens(c, cx, cy, g, fg, bg):
    c.circle(cx, cy, g * 0.46, outline=fg, width=g * 0.1)
    c.circle(cx, cy, g * 0.22, fill=fg)
    c.circle(cx - g * 0.07, cy - g * 0.07, g * 0.06, fill=bg)


# --------------------------------------------------------------- faces -----
# A face state says how a button is drawn:
#   up       raised, light glyph
#   down     pressed in: dark, glyph in the accent colour, shifted by one pixel
#   selected accent fill, white glyph (a select button whose camera is focused)
#   live     red fill, white glyph (recording)
#   muted    pressed in, dimmed glyph (sound off)

def face(w, h, scale, glyph, caption, state, glyph_colour=None, behind=PANEL):
    c = Canvas(w, h, scale, behind)
    shift = 1 if state in ("down", "muted") else 0
    if state == "up":
        c.rrect(0, 0, w, h, 5, fill=BTN_EDGE)
        c.rrect(1, 1, w - 1, h - 1, 4, fill=BTN)
        c.rrect(1, 1, w - 1, h * 0.5, 4, fill=BTN_TOP)
        c.rect(1, h * 0.5 - 4, w - 1, h * 0.5, BTN_TOP)
        glyph_bg, fg, cap = BTN, glyph_colour or FG, FG_DIM
    elif state in ("down", "muted"):
        c.rrect(0, 0, w, h, 5, fill=ACCENT_EDGE if state == "down" else BTN_EDGE)
        c.rrect(1, 1, w - 1, h - 1, 4, fill=PRESSED)
        glyph_bg = PRESSED
        fg = ACCENT if state == "down" else FG_DIM
        cap = fg
    elif state == "selected":
        c.rrect(0, 0, w, h, 5, fill=ACCENT_EDGE)
        c.rrect(1, 1, w - 1, h - 1, 4, fill=ACCENT_FILL)
        glyph_bg, fg, cap = ACCENT_FILL, WHITE, WHITE
    elif state == "live":
        c.rrect(0, 0, w, h, 5, fill=REC_EDGE)
        c.rrect(1, 1, w - 1, h - 1, 4, fill=REC_FILL)
        glyph_bg, fg, cap = REC_FILL, WHITE, WHITE
    else:
        raise ValueError(state)
    if state == "down" and glyph_colour == REC:
        fg = REC

    if glyph is not None:
        if caption and h >= 36:                       # glyph above a caption
            g, gx, gy = min(h * 0.46, 22), w / 2, h * 0.38 + shift
        elif caption:                                 # glyph left of a caption
            g = min(h * 0.62, 14)
            tw = font(9 if h < 24 else 12).getlength(caption) + g + 4
            gx, gy = (w - tw) / 2 + g / 2, h / 2 + shift
        else:
            g, gx, gy = min(w, h) * 0.56, w / 2, h / 2 + shift
        glyph(c, gx + shift, gy, g, fg, glyph_bg)
    img = c.finish()
    if caption:
        if glyph is None:
            text(img, scale, w / 2 + shift, h / 2 + shift, caption, 13, fg)
        elif h >= 36:
            text(img, scale, w / 2 + shift, h * 0.8 + shift, caption, 9, cap)
        else:
            size = 9 if h < 24 else 12
            tw = font(size).getlength(caption)
            text(img, scale, gx + g / 2 + 4 + tw / 2 + shift, h / 2 + shift, caption, size, fg)
    return img


def select_face(number):
    def draw(w, h, scale, state):
        return face(w, h, scale, g_videocam, str(number), state, behind=WELL)
    return draw


# ---------------------------------------------------------------- table ----
# name -> (width, height, purpose, drawing). A drawing takes (w, h, scale).

PICTURES = {}


def button(number, w, h, purpose, glyph, caption, pressed="down", colour=None, behind=PANEL):
    """A button face index_N.gif and its pressed face index_N_click.gif;
    `behind` is the skin colour the button sits on (its rounded corners)."""
    base = "index_%d" % number
    PICTURES[base + ".gif"] = (w, h, purpose,
                               lambda W, H, s: face(W, H, s, glyph, caption, "up", colour, behind))
    PICTURES[base + "_click.gif"] = (w, h, purpose + " (pressed)" if pressed == "down" else
                                     purpose + " (" + pressed_meaning(pressed) + ")",
                                     lambda W, H, s: face(W, H, s, glyph, caption, pressed, colour,
                                                          behind))


def pressed_meaning(state):
    return {"live": "recording", "selected": "camera focused", "muted": "sound off"}[state]


LAYOUT_W, LAYOUT_H = 36, 30
CMD_W, CMD_H = 76, 46
PTZ = 32
ZOOM_W, ZOOM_H = 36, 26
SLCT_W, SLCT_H = 42, 30
REC_W, REC_H = 42, 20
BOTTOM_W = 70  # exit and sound buttons

button(16, LAYOUT_W, LAYOUT_H, "Scr1Btn: single view", g_grid(1), None, behind=WELL)
button(17, LAYOUT_W, LAYOUT_H, "Scr4Btn: 2x2 views", g_grid(2), None, behind=WELL)
button(19, LAYOUT_W, LAYOUT_H, "Scr9Btn: 3x3 views", g_grid(3), None, behind=WELL)
button(20, LAYOUT_W, LAYOUT_H, "Scr16Btn: 4x4 views", g_grid(4), None, behind=WELL)
button(24, CMD_W, CMD_H, "StartRecBtn: record the focused camera", g_record, "Record",
       pressed="live", colour=REC, behind=WELL)
button(25, CMD_W, CMD_H, "StopAllRecBtn: stop all recording", g_stop, "Stop All", behind=WELL)
button(27, CMD_W, CMD_H, "SnapshotBtn: snapshot", g_snapshot, "Snapshot", behind=WELL)
button(28, CMD_W, CMD_H, "PlaybackBtn: recording list", g_play, "Playback", behind=WELL)
button(32, CMD_W, CMD_H, "Rotate180Btn: turn the view", g_rotate, "Rotate 180", behind=WELL)
button(33, CMD_W, CMD_H, "CamCfgBtn: camera's own pages", g_camsetup, "Camera", behind=WELL)
button(35, CMD_W, CMD_H, "AppCfgBtn: application configuration", g_settings, "Settings", behind=WELL)
button(36, CMD_W, CMD_H, "eLayoutBtn: e-map", g_pin, "eMap", behind=WELL)
# The zoom buttons have tooltips but no action; their pictures take free numbers.
button(40, ZOOM_W, ZOOM_H, "ZoomOutBtn", g_magnifier("out"), None, behind=WELL)
button(41, ZOOM_W, ZOOM_H, "ZoomInBtn", g_magnifier("in"), None, behind=WELL)
button(42, ZOOM_W, ZOOM_H, "ZoomOnBtn", g_magnifier("on"), None, behind=WELL)
button(43, ZOOM_W, ZOOM_H, "ZoomOffBtn", g_magnifier("off"), None, behind=WELL)
button(46, PTZ, PTZ, "MoveUpBtn: tilt up", g_arrow("up"), None, behind=WELL)
button(49, PTZ, PTZ, "MoveLeftBtn: pan left", g_arrow("left"), None, behind=WELL)
button(50, PTZ, PTZ, "MoveHomeBtn: home position", g_home, None, behind=WELL)
button(51, PTZ, PTZ, "MoveRightBtn: pan right", g_arrow("right"), None, behind=WELL)
button(53, PTZ, PTZ, "MoveDownBtn: tilt down", g_arrow("down"), None, behind=WELL)
# Exit, sound, select and record buttons sit on the bottom strip.
button(62, BOTTOM_W, 30, "ExitBtn: shut down", g_power, "Exit", behind=WELL)
button(66, BOTTOM_W, 20, "AudioToggle: sound on", g_speaker(False), "Sound", pressed="muted",
       behind=WELL)
PICTURES["index_66_click.gif"] = (BOTTOM_W, 20, "AudioToggle: sound off",
                                  lambda W, H, s: face(W, H, s, g_speaker(True), "Muted", "muted",
                                                       behind=WELL))
for uid in range(16):
    n = 70 + uid
    draw = select_face(uid + 1)
    PICTURES["index_%d.gif" % n] = (SLCT_W, SLCT_H, "SlctBtn%d: focus camera %d" % (uid + 1, uid + 1),
                                    lambda W, H, s, d=draw: d(W, H, s, "up"))
    PICTURES["index_%d_click.gif" % n] = (SLCT_W, SLCT_H, "SlctBtn%d: camera %d focused"
                                          % (uid + 1, uid + 1),
                                          lambda W, H, s, d=draw: d(W, H, s, "selected"))
button(88, REC_W, REC_H, "RecBtn1..16: record this camera", g_dot, "REC", pressed="live",
       colour=REC, behind=WELL)


def emap_icon(kind):
    def draw(w, h, scale):
        c = Canvas(w, h, scale, FRAME)
        if kind == "pick":
            for i in range(12):          # a dashed ring: the icon's home place
                c.arc(w / 2, h / 2, w / 2 - 2, i * 30, i * 30 + 18, FG_DIM, 1.5)
            g_videocam(c, w / 2, h / 2, w * 0.46, SEAM, FRAME)
            return c.finish()
        fill, edge = (REC_FILL, REC_EDGE) if kind == "recording" else (BTN, BTN_EDGE)
        c.circle(w / 2, h / 2, w / 2, fill=edge)
        c.circle(w / 2, h / 2, w / 2 - 1.5, fill=fill)
        g_videocam(c, w / 2, h / 2, w * 0.56, WHITE if kind == "recording" else FG, fill)
        if kind == "recording":
            c.circle(w * 0.8, h * 0.2, w * 0.14, fill=WHITE)
            c.circle(w * 0.8, h * 0.2, w * 0.09, fill=REC)
        return c.finish()
    return draw


PICTURES["cam.gif"] = (32, 32, "e-map: camera icon", emap_icon("idle"))
PICTURES["recording.gif"] = (32, 32, "e-map: camera icon while recording", emap_icon("recording"))
PICTURES["cam_pick.gif"] = (32, 32, "e-map: an icon's home place", emap_icon("pick"))


def logo(w, h, scale):
    c = Canvas(w, h, scale, FRAME)
    g_lens(c, 16, h / 2, 22, ACCENT, FRAME)
    img = c.finish()
    d = ImageDraw.Draw(img)
    d.text((33 * scale, h / 2 * scale), "oculon", font=font(18 * scale, True), fill=FG, anchor="lm")
    return img


PICTURES["logo.gif"] = (108, 32, "LogoImg: the logo, top right", logo)

# The skin: a graphite frame around the views and a slightly lighter panel
# under the buttons. Every strip is uniform along its long side, so the
# stretch strips can be stretched and the others cut anywhere.


def strip(background, seam_side):
    def draw(w, h, scale):
        img = Image.new("RGB", (w * scale, h * scale), background)
        d = ImageDraw.Draw(img)
        W, H = w * scale, h * scale
        line = {"bottom": [0, H - scale, W, H], "top": [0, 0, W, scale],
                "right": [W - scale, 0, W, H], "left": [0, 0, scale, H]}[seam_side]
        d.rectangle([line[0], line[1], line[2] - 1, line[3] - 1], fill=SEAM)
        return img
    return draw


PICTURES["skin_top.gif"] = (834, 39, "TopImg1: top strip, left part", strip(FRAME, "bottom"))
PICTURES["skin_top_stretch.gif"] = (16, 39, "StretchTopImg: widened on wide screens",
                                    strip(FRAME, "bottom"))
PICTURES["skin_top_right.gif"] = (190, 39, "TopImg5: top strip above the right column",
                                  strip(FRAME, "bottom"))
PICTURES["skin_left.gif"] = (8, 638, "LeftImg1: left edge", strip(FRAME, "right"))
PICTURES["skin_left_stretch.gif"] = (8, 16, "StretchLeftImg: lengthened on tall screens",
                                     strip(FRAME, "right"))
PICTURES["skin_right.gif"] = (170, 517, "RightImg1: right column, upper part", strip(PANEL, "left"))
PICTURES["skin_right_stretch.gif"] = (170, 16, "StretchRightImg: lengthened on tall screens",
                                      strip(PANEL, "left"))
PICTURES["skin_right_bottom.gif"] = (170, 212, "RightImg2: right column, lower part",
                                     strip(PANEL, "left"))
PICTURES["skin_bottom.gif"] = (854, 91, "BtmImg1: bottom strip under the views",
                               strip(FRAME, "top"))
PICTURES["skin_bottom_stretch.gif"] = (16, 91, "StretchBtmImg: widened on wide screens",
                                       strip(FRAME, "top"))


def well(radius, background):
    """A socket or plate a button sits in: a dark recess with a faint rim."""
    def draw(w, h, scale):
        c = Canvas(w, h, scale, background)
        c.rrect(0, 0, w, h, radius, fill=(36, 41, 49))
        c.rrect(0, 1, w, h, radius, fill=(12, 14, 17))
        c.rrect(1, 1.5, w - 1, h - 1, radius - 1, fill=WELL)
        return c.finish()
    return draw


def caption(label):
    """A group caption of the right column: small capitals and a hairline."""
    def draw(w, h, scale):
        img = Image.new("RGB", (w * scale, h * scale), PANEL)
        d = ImageDraw.Draw(img)
        f = font(9 * scale, True)
        d.text((1 * scale, h / 2 * scale), label, font=f, fill=FG_DIM, anchor="lm")
        x = 1 * scale + f.getlength(label) + 6 * scale
        y = round(h / 2 * scale)
        d.rectangle([x, y, w * scale - 1, y + scale - 1], fill=SEAM)
        return img
    return draw


def camera_mark(w, h, scale):
    c = Canvas(w, h, scale, PANEL)
    g_videocam(c, w / 2, h / 2, w * 0.9, FG_DIM, PANEL)
    return c.finish()


def flat(colour):
    def draw(w, h, scale):
        return Image.new("RGB", (w * scale, h * scale), colour)
    return draw


PICTURES["socket_layout.gif"] = (40, 34, "RightImg3..6: seats of the layout buttons",
                                 well(6, PANEL))
PICTURES["socket_command.gif"] = (80, 50, "RightImg8..15: seats of the command buttons",
                                  well(7, PANEL))
PICTURES["socket_zoom.gif"] = (40, 30, "RightImg17..20: seats of the zoom buttons", well(6, PANEL))
PICTURES["socket_move.gif"] = (36, 36, "RightImg22..26: seats of the pan/tilt pad", well(6, PANEL))
PICTURES["camera_mark.gif"] = (18, 18, "RightImg7: mark before the camera selector", camera_mark)
PICTURES["caption_zoom.gif"] = (156, 14, "RightImg16: caption of the zoom row", caption("ZOOM"))
PICTURES["caption_move.gif"] = (156, 14, "RightImg21: caption of the pan/tilt pad",
                                caption("PAN / TILT"))
PICTURES["plate_cameras.gif"] = (185, 62, "BtmImg2/4/5/7: plate of four cameras' buttons",
                                 well(7, FRAME))
PICTURES["plate_exit.gif"] = (78, 62, "BtmImg8: plate of the exit and sound buttons",
                              well(7, FRAME))
PICTURES["clock_plate.gif"] = (236, 27, "TopImg2: plate of the clock", well(6, FRAME))
PICTURES["version_plate.gif"] = (62, 21, "TopImg6: plate of the version", well(5, FRAME))
PICTURES["views.gif"] = (840, 632, "Image1: behind the views", flat((10, 12, 15)))


def skin_places():
    """The places of the main window's skin table (object name, picture,
    left, top, width, height in pixels of the 1024 x 768 window), read from
    the C++ source that lays the window out."""
    source = os.path.join(HERE, "..", "app", "mainwindow", "MainSkin.cpp")
    row = re.compile(r'\{\s*"(\w+)",\s*"([^"]*)",\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)\s*[,}]')
    with open(source, encoding="utf-8") as f:
        return [(m.group(1), m.group(2), *map(int, m.group(3, 4, 5, 6))) for m in row.finditer(f.read())]


# ---------------------------------------------------------------- output ---

def render(name, scale):
    w, h, _, draw = PICTURES[name]
    img = draw(w, h, scale)
    assert img.size == (w * scale, h * scale), name
    return img


def to_gif(img):
    return img.quantize(colors=128, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)


def write_all(folder):
    for name in sorted(PICTURES):
        for scale, suffix in ((1, ""), (2, "@2x")):
            out = os.path.join(folder, name[:-4] + suffix + ".gif")
            to_gif(render(name, scale)).save(out, optimize=True)
    print("wrote %d pictures (and their @2x twins) to %s" % (len(PICTURES), folder))


def mock_window(scale, pressed=()):
    """The main window put together from the skin table, with 4x4 stand-ins
    for the views."""
    win = Image.new("RGB", (1024 * scale, 768 * scale), FRAME)
    d = ImageDraw.Draw(win)
    for name, picture, x, y, w, h in skin_places():
        if name == "Image1":
            for i in range(16):
                cx, cy = x + (i % 4) * w // 4, y + (i // 4) * h // 4
                d.rectangle([cx * scale, cy * scale, (cx + w // 4 - 1) * scale - 1,
                             (cy + h // 4 - 1) * scale - 1], fill=(34, 38, 44))
        elif picture and w and h:
            shown = picture[:-4] + "_click.gif" if picture in pressed else picture
            img = render(shown, scale)
            win.paste(img.resize((w * scale, h * scale)) if img.size != (w * scale, h * scale)
                      else img, (x * scale, y * scale))
        elif name in ("CamSlctr", "alertCmb"):
            d.rounded_rectangle([x * scale, y * scale, (x + w) * scale, (y + h) * scale],
                                radius=3 * scale, fill=BTN, outline=BTN_EDGE)
            d.text(((x + 6) * scale, (y + h / 2) * scale), "Camera 1" if name == "CamSlctr" else
                   "the newest disk alert", font=font(11 * scale, False), fill=FG, anchor="lm")
        elif name in ("ClockLbl", "VerLbl"):
            d.text(((x + w / 2) * scale, (y + h / 2) * scale),
                   "07/12/2026 16:45" if name == "ClockLbl" else "1.0.1.5",
                   font=font((13 if name == "ClockLbl" else 10) * scale, False), fill=FG, anchor="mm")
    return win


def contact_sheet(path):
    label = font(11, False)
    cells = []
    for name in sorted(PICTURES, key=sort_key):
        w, h, purpose, _ = PICTURES[name]
        if w > 200 or h > 200:
            continue
        cells.append((name, purpose, render(name, 1), render(name, 2)))
    col_w, cols = 420, 4
    rows = []
    for i in range(0, len(cells), cols):
        chunk = cells[i:i + cols]
        rows.append((chunk, max(c[3].size[1] for c in chunk) + 34))
    window = mock_window(1, pressed=("index_24.gif", "index_70.gif", "index_88.gif"))
    height = sum(r[1] for r in rows) + 20 + window.size[1] + 40
    sheet = Image.new("RGB", (col_w * cols + 20, height), (60, 64, 70))
    d = ImageDraw.Draw(sheet)
    y = 10
    for chunk, rh in rows:
        for j, (name, purpose, one, two) in enumerate(chunk):
            x = 10 + j * col_w
            d.text((x, y), "%s  %dx%d" % (name, one.size[0], one.size[1]), font=label, fill=WHITE)
            d.text((x, y + 13), purpose[:58], font=font(9, False), fill=(190, 196, 204))
            sheet.paste(one, (x, y + 28))
            sheet.paste(two, (x + one.size[0] + 12, y + 28))
        y += rh
    d.text((10, y + 4), "the 1024 x 768 window put together from the skin table (Record, camera 1 "
           "and all REC buttons shown pressed)", font=label, fill=WHITE)
    sheet.paste(window, (10, y + 22))
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    sheet.save(path)
    mock_window(2).save(path[:-4] + "_window@2x.png")
    print("contact sheet:", path)


def sort_key(name):
    base = name[:-4]
    if base.startswith("index_"):
        parts = base.split("_")
        return (0, int(parts[1]), len(parts))
    return (1, 0, 0)


def check(folder):
    """Exit status 1 when a picture of the table is missing from the folder or
    has another size than the table says (the script was not re-run)."""
    bad = []
    for name, (w, h, _, _) in sorted(PICTURES.items()):
        for scale, suffix in ((1, ""), (2, "@2x")):
            path = os.path.join(folder, name[:-4] + suffix + ".gif")
            if not os.path.exists(path):
                bad.append("missing: " + path)
                continue
            with Image.open(path) as img:
                if img.size != (w * scale, h * scale):
                    bad.append("%s is %dx%d, expected %dx%d" % (path, *img.size, w * scale, h * scale))
    for line in bad:
        print(line, file=sys.stderr)
    return 1 if bad else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--sheet", help="also write a contact sheet PNG of every picture to this path")
    ap.add_argument("--out", default=HERE, help="folder for the GIF files (default: beside this script)")
    ap.add_argument("--check", action="store_true",
                    help="only check that every picture exists with its size; write nothing")
    args = ap.parse_args()
    if args.check:
        return check(args.out)
    write_all(args.out)
    if args.sheet:
        contact_sheet(args.sheet)
    return 0


if __name__ == "__main__":
    sys.exit(main())
