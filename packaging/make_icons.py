#!/usr/bin/env python3
"""Draws the programs' desktop icon (the window icon's picture: a dotted grid on a
dark ground, two trajectories rising through time beside the yellow ego car) as
icons/scene-tools.svg and as icons/<N>/scene-tools.png at the usual sizes.

Run it from this folder after changing the picture: python3 make_icons.py
"""
import math
import os
import struct
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
GROUND, GRID, CAR, OUTLINE = "#14233F", "#2E5AA8", "#FFE000", "#202020"
TRAJS = (((6.5, 28.5), (11.5, 4.5), "#3CDC3C"), ((25.5, 28.5), (20.5, 4.5), "#E040E0"))
CAR_BOX = (13.0, 10.0, 19.0, 24.0)  # x0, y0, x1, y1 on the 32-unit canvas
GLASS = (14.0, 12.0, 18.0, 14.0)
RADIUS = 4.0


def rgb(hex_colour):
    return tuple(int(hex_colour[i:i + 2], 16) for i in (1, 3, 5))


def seg_dist(px, py, a, b):
    vx, vy = b[0] - a[0], b[1] - a[1]
    t = max(0.0, min(1.0, ((px - a[0]) * vx + (py - a[1]) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - a[0] - t * vx, py - a[1] - t * vy)


def colour_at(x, y):
    """Colour of the point (x, y) of the 32-unit canvas, or None outside the icon."""
    cx, cy = min(max(x, RADIUS), 32 - RADIUS), min(max(y, RADIUS), 32 - RADIUS)
    if math.hypot(x - cx, y - cy) > RADIUS:
        return None
    c = GROUND
    for g in (8.5, 16.5, 24.5):
        if (abs(x - g) < 0.5 and int(y) % 2 == 0) or (abs(y - g) < 0.5 and int(x) % 2 == 0):
            c = GRID
    for a, b, col in TRAJS:
        if seg_dist(x, y, a, b) < 1.0:
            c = col
    x0, y0, x1, y1 = CAR_BOX
    if x0 <= x <= x1 and y0 <= y <= y1:
        c = OUTLINE if (x < x0 + 1 or x > x1 - 1 or y < y0 + 1 or y > y1 - 1) else CAR
        gx0, gy0, gx1, gy1 = GLASS
        if gx0 <= x <= gx1 and gy0 <= y <= gy1:
            c = OUTLINE
    return c


def render(n, samples=4):
    rows = []
    for py in range(n):
        row = bytearray()
        for px in range(n):
            acc, hits = [0, 0, 0], 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * 32.0 / n
                    y = (py + (sy + 0.5) / samples) * 32.0 / n
                    c = colour_at(x, y)
                    if c is None:
                        continue
                    r, g, b = rgb(c)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    hits += 1
            if hits:
                row += bytes([acc[0] // hits, acc[1] // hits, acc[2] // hits,
                              round(255 * hits / samples ** 2)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def write_png(path, n, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + r for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def svg():
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
             f'<rect width="32" height="32" rx="{RADIUS}" fill="{GROUND}"/>']
    for g in (8.5, 16.5, 24.5):
        parts.append(f'<path d="M{g} 0V32M0 {g}H32" stroke="{GRID}" stroke-dasharray="1 1"/>')
    for a, b, col in TRAJS:
        parts.append(f'<path d="M{a[0]} {a[1]}L{b[0]} {b[1]}" stroke="{col}" stroke-width="2" '
                     'stroke-linecap="round"/>')
    x0, y0, x1, y1 = CAR_BOX
    parts.append(f'<rect x="{x0 + 0.5}" y="{y0 + 0.5}" width="{x1 - x0 - 1}" height="{y1 - y0 - 1}" '
                 f'fill="{CAR}" stroke="{OUTLINE}"/>')
    gx0, gy0, gx1, gy1 = GLASS
    parts.append(f'<rect x="{gx0}" y="{gy0}" width="{gx1 - gx0}" height="{gy1 - gy0}" '
                 f'fill="{OUTLINE}"/>')
    parts.append("</svg>\n")
    return "\n".join(parts)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "icons", "scene-tools.svg"), "w") as f:
        f.write(svg())
    for n in SIZES:
        folder = os.path.join(here, "icons", str(n))
        os.makedirs(folder, exist_ok=True)
        write_png(os.path.join(folder, "scene-tools.png"), n, render(n))


if __name__ == "__main__":
    main()
