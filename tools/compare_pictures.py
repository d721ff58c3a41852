#!/usr/bin/env python3
"""Compares two pictures of the same scene drawn by two back ends.

The drawing calls are the same; what may differ is how each system rasterises
them: the font (text is drawn with the system's own), the anti-aliasing of text,
the phase of dotted lines, and which edge pixels a polygon's outline covers
(thousands of small history boxes make that add up to a fifth or more of a grey's
area). So the check is twofold: few pixels may differ at all (--max-differing, a
fraction of the picture), and every colour that draws the scene (role colours,
the palette, the ego car) is there in both, covering a comparable area
(--max-colour-change, a fraction of that colour's area, for colours covering at
least --min-area pixels): a colour drawn wrong or not at all changes by 100 %.

    compare_pictures.py linux.png windows.png
Decodes with ImageMagick's convert; prints the figures; exits 1 when a check fails.
"""
import argparse
import collections
import subprocess
import sys


def pixels(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], check=True,
                         capture_output=True).stdout
    w, h = int(size[0]), int(size[1])
    return w, h, [raw[i:i + 3] for i in range(0, len(raw), 3)]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("first")
    ap.add_argument("second")
    ap.add_argument("--max-differing", type=float, default=0.04)
    ap.add_argument("--max-colour-change", type=float, default=0.6)
    ap.add_argument("--min-area", type=int, default=200)
    a = ap.parse_args()
    w1, h1, p1 = pixels(a.first)
    w2, h2, p2 = pixels(a.second)
    if (w1, h1) != (w2, h2):
        print(f"sizes differ: {w1}x{h1} and {w2}x{h2}")
        return 1
    differing = sum(1 for x, y in zip(p1, p2) if x != y)
    share = differing / len(p1)
    print(f"{differing} of {len(p1)} pixels differ ({100 * share:.2f} %, at most "
          f"{100 * a.max_differing:.0f} % allowed)")
    ok = share <= a.max_differing
    c1, c2 = collections.Counter(p1), collections.Counter(p2)
    black = bytes(3)
    for colour, n in sorted(c1.items(), key=lambda kv: -kv[1]):
        if colour == black or n < a.min_area:
            continue
        m = c2.get(colour, 0)
        change = abs(m - n) / n
        flag = "" if change <= a.max_colour_change else "  <-- differs"
        print(f"  colour #{colour.hex()}: {n} and {m} pixels ({100 * change:.1f} %){flag}")
        ok = ok and change <= a.max_colour_change
    print("pictures match" if ok else "pictures differ")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
