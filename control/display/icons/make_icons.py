#!/usr/bin/env python3
"""Draws the three 16x16 recording indicators of the view and writes them as PNG files.

450: AVI recording (a red dot), 451: stopped (a grey square), 452: JPEG recording
(a blue frame holding a small picture mark). Run it again only to change them.
"""
import struct
import zlib
import os

W = H = 16


def png(path, pixels):
    raw = b"".join(b"\x00" + bytes(sum((list(p) for p in row), [])) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def blank():
    return [[(0, 0, 0, 0) for _ in range(W)] for _ in range(H)]


def recording_dot():
    px = blank()
    for y in range(H):
        for x in range(W):
            d = ((x - 7.5) ** 2 + (y - 7.5) ** 2) ** 0.5
            if d <= 6.0:
                px[y][x] = (220, 20, 20, 255)
            elif d <= 7.0:
                px[y][x] = (120, 0, 0, 255)
    return px


def stopped_square():
    px = blank()
    for y in range(3, 13):
        for x in range(3, 13):
            edge = x in (3, 12) or y in (3, 12)
            px[y][x] = (60, 60, 60, 255) if edge else (170, 170, 170, 255)
    return px


def jpeg_mark():
    px = blank()
    for y in range(2, 14):
        for x in range(1, 15):
            edge = x in (1, 14) or y in (2, 13)
            px[y][x] = (20, 40, 140, 255) if edge else (200, 220, 255, 255)
    # a small mountain and sun: "a picture"
    for x in range(3, 13):
        top = 11 - min(abs(x - 6), abs(x - 10) + 1)
        for y in range(max(top, 6), 12):
            px[y][x] = (30, 130, 40, 255)
    for y in range(4, 6):
        for x in range(10, 12):
            px[y][x] = (240, 200, 0, 255)
    return px


here = os.path.dirname(os.path.abspath(__file__))
png(os.path.join(here, "450.png"), recording_dot())
png(os.path.join(here, "451.png"), stopped_square())
png(os.path.join(here, "452.png"), jpeg_mark())
