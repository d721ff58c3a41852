#!/usr/bin/env python3
"""Draws the viewers' icon, drag cursors and frame-control button images and writes
them as text images (palette + rows) into images.inc, included by images.cpp.

Run it from this folder after changing a picture: python3 make_images.py
"""
import math


def blank(w, h, ch="."):
    return [[ch] * w for _ in range(h)]


def outlined(mask, w, h, fill="w", line="k"):
    """White shape with a one-pixel black rim, transparent elsewhere: visible on the
    black view as well as on light dialogs."""
    img = blank(w, h)
    for y in range(h):
        for x in range(w):
            if mask(x, y):
                img[y][x] = fill
            elif any(mask(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                     if 0 <= x + dx < w and 0 <= y + dy < h):
                img[y][x] = line
    return img


def seg_dist(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - ax - t * vx, py - ay - t * vy)


def in_triangle(x, y, a, b, c):
    def s(p, q, r):
        return (p[0] - r[0]) * (q[1] - r[1]) - (q[0] - r[0]) * (p[1] - r[1])
    p = (x + 0.5, y + 0.5)
    d1, d2, d3 = s(p, a, b), s(p, b, c), s(p, c, a)
    neg = d1 < 0 or d2 < 0 or d3 < 0
    pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (neg and pos)


# ---- cursors (32 x 32) -----------------------------------------------------------------

def magnifier():
    cx, cy = 12.5, 12.5

    def mask(x, y):
        r = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
        ring = 6.5 <= r <= 9.0
        handle = seg_dist(x + 0.5, y + 0.5, 19.0, 19.0, 27.5, 27.5) <= 2.2
        plus = (abs(x + 0.5 - cx) <= 0.6 and abs(y + 0.5 - cy) <= 2.6) or \
               (abs(y + 0.5 - cy) <= 0.6 and abs(x + 0.5 - cx) <= 2.6)
        return ring or handle or plus
    return outlined(mask, 32, 32), (12, 12)


def rotate():
    # An arc with arrowheads at both ends, as seen turning about the vertical axis.
    cx, cy, rx, ry = 16.0, 8.0, 12.0, 9.0
    t0, t1 = 0.15 * math.pi, 0.85 * math.pi

    def on_arc(x, y):
        px, py = x + 0.5, y + 0.5
        for k in range(200):
            t = t0 + (t1 - t0) * k / 199.0
            if math.hypot(px - cx - rx * math.cos(t), py - cy - ry * math.sin(t)) <= 1.3:
                return True
        return False

    def head(t, sign):
        ex, ey = cx + rx * math.cos(t), cy + ry * math.sin(t)
        dx, dy = -rx * math.sin(t) * sign, ry * math.cos(t) * sign
        n = math.hypot(dx, dy)
        dx, dy = dx / n, dy / n
        tip = (ex + 5.5 * dx, ey + 5.5 * dy)
        return (tip, (ex - 4.0 * dy, ey + 4.0 * dx), (ex + 4.0 * dy, ey - 4.0 * dx))

    left, right = head(t1, 1), head(t0, -1)

    def mask(x, y):
        return on_arc(x, y) or in_triangle(x, y, *left) or in_triangle(x, y, *right)
    return outlined(mask, 32, 32), (16, 12)


def hand():
    fingers = [(7, 9, 4), (11, 13, 2), (15, 17, 3), (19, 21, 6)]

    def mask(x, y):
        for x0, x1, top in fingers:
            if x0 <= x <= x1 and top <= y <= 14:
                # rounded finger tips
                if y == top and (x == x0 or x == x1):
                    return False
                return True
        if 7 <= x <= 21 and 13 <= y <= 22:
            if y >= 21 and (x <= 8 or x >= 20):
                return False
            return True
        return seg_dist(x + 0.5, y + 0.5, 3.5, 12.5, 8.0, 18.0) <= 1.6
    return outlined(mask, 32, 32), (14, 13)


# ---- icon (32 x 32) --------------------------------------------------------------------

def icon():
    img = blank(32, 32)
    for y in range(32):
        for x in range(32):
            corner = (x < 2 or x > 29) and (y < 2 or y > 29)
            if corner and math.hypot(min(x, 31 - x) - 2, min(y, 31 - y) - 2) > 2:
                continue
            img[y][x] = "n"
            if (x in (8, 16, 24) or y in (8, 16, 24)) and (x + y) % 2 == 0:
                img[y][x] = "b"
    # two trajectories rising through time beside the ego car
    for t in range(0, 60):
        s = t / 59.0
        for (x0, x1, col) in ((6, 11, "g"), (25, 20, "m")):
            x = x0 + (x1 - x0) * s
            y = 28 - 24 * s
            xi, yi = int(round(x)), int(round(y))
            for dx in (0, 1):
                if 0 <= xi + dx < 32:
                    img[yi][xi + dx] = col
    # ego car: yellow box with a dark outline
    for y in range(10, 24):
        for x in range(13, 19):
            img[y][x] = "k" if y in (10, 23) or x in (13, 18) else "y"
    for y in (12, 13):
        for x in range(14, 18):
            img[y][x] = "k"
    return img, (0, 0)


# ---- frame-control buttons (23 x 23, light grey ground) --------------------------------

def button(draw, ink="k"):
    img = blank(23, 23, "g")
    for y in range(23):
        for x in range(23):
            if draw(x, y):
                img[y][x] = ink
    return img, (0, 0)


def start_btn(x, y):
    return in_triangle(x, y, (7.5, 5.5), (7.5, 17.5), (16.5, 11.5))


def pause_btn(x, y):
    return 6 <= y <= 16 and (7 <= x <= 9 or 13 <= x <= 15)


def stop_btn(x, y):
    return 7 <= x <= 15 and 7 <= y <= 15


def step_btn(x, y):
    return (10 <= x <= 12 and 6 <= y <= 16) or (10 <= y <= 12 and 6 <= x <= 16)


def jump_btn(x, y):
    return (in_triangle(x, y, (3.5, 6.5), (3.5, 16.5), (9.5, 11.5)) or
            in_triangle(x, y, (9.5, 6.5), (9.5, 16.5), (15.5, 11.5)) or
            (16 <= x <= 17 and 6 <= y <= 16))


PALETTES = {
    "cursor": [(".", "None"), ("w", "#FFFFFF"), ("k", "#000000")],
    "icon": [(".", "None"), ("n", "#14233F"), ("b", "#2E5AA8"), ("g", "#3CDC3C"),
             ("m", "#E040E0"), ("y", "#FFE000"), ("k", "#202020")],
    "button": [("g", "#C0C0C0"), ("k", "#000000"), ("d", "#808080")],
}

IMAGES = [
    ("#1", "icon", icon()),
    ("EW_CUR", "cursor", rotate()),
    ("HAND_CUR", "cursor", hand()),
    ("MAG_CUR", "cursor", magnifier()),
    ("START_BTN", "button", button(start_btn)),
    ("PAUSE_BTN", "button", button(pause_btn)),
    ("STOP_BTN", "button", button(stop_btn)),
    ("ONESTEP_BTN", "button", button(step_btn)),
    ("JUMP_BTN", "button", button(jump_btn)),
    ("_JUMP_BTN", "button", button(jump_btn, "d")),
]


def main():
    out = ["// Generated by make_images.py; edit the drawing there, not here.\n"]
    for name, palette, (rows, (hx, hy)) in IMAGES:
        ident = "img_" + name.strip("#_").lower().replace("#", "")
        if name == "#1":
            ident = "img_icon1"
        if name.startswith("_"):
            ident = "img_jump_grey"
        pal = ", ".join('{\'%s\', "%s"}' % (c, v) for c, v in PALETTES[palette])
        body = "\n".join('         "%s",' % "".join(r) for r in rows)
        out.append(
            "const plat::ImageTemplate %s{\n    \"%s\", %d, %d, %d, %d,\n    {%s},\n"
            "    {\n%s\n    }};\n" % (ident, name, len(rows[0]), len(rows), hx, hy, pal, body))
    with open("images.inc", "w") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
