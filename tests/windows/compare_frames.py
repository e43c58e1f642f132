#!/usr/bin/env python3
"""Compares two frames (binary PPM) of the same scene drawn by two Direct3D 9 devices.

Fill conventions and rounding may legitimately differ along the edges of the drawn quads, so
every differing pixel is classed:
  shifted - its colour in one frame appears within 1 px of it in the other: an edge or a
            texel that one device placed one pixel over (the scene maps one texel to one
            pixel with pixel centres exactly on texel boundaries, so point sampling ties);
  rounding - otherwise, off by 1 in some channel: colour modulation rounded the other way;
  edge    - otherwise, but next to a place where the image changes (within 1 px, in either
            frame): layers that were each shifted, blended on top of each other;
  flat    - in a flat area of both frames: a real difference in what was drawn.
Prints one line per frame: counts of differing pixels by class and the largest channel
difference, and the flat-area pixels (at most 20) with both colours. Exit status 1 when
a flat-area pixel differs by more than --tolerance in some channel, or when more than
--most percent of all pixels differ (a wrongly placed quad would be counted as edges).
Usage: compare_frames.py [--tolerance N] [--most PERCENT] A.ppm B.ppm
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e", "lib"))
from screenshot import Screenshot  # noqa: E402


def read_ppm(path):
    shot = Screenshot(path)
    pixels = shot.data[shot.start:shot.start + shot.width * shot.height * 3]
    if len(pixels) != shot.width * shot.height * 3:
        raise ValueError("%s: truncated" % path)
    return shot.width, shot.height, pixels


def colour(pixels, width, x, y):
    i = 3 * (y * width + x)
    return pixels[i], pixels[i + 1], pixels[i + 2]


def changes_near(pixels, width, height, x, y):
    """True when a pixel within 1 px of (x, y) differs from (x, y) itself."""
    here = colour(pixels, width, x, y)
    for ny in range(max(0, y - 1), min(height, y + 2)):
        for nx in range(max(0, x - 1), min(width, x + 2)):
            if colour(pixels, width, nx, ny) != here:
                return True
    return False


def in_neighbourhood(pixels, width, height, x, y, wanted):
    """True when a pixel within 1 px of (x, y) has the colour `wanted`."""
    for ny in range(max(0, y - 1), min(height, y + 2)):
        for nx in range(max(0, x - 1), min(width, x + 2)):
            if colour(pixels, width, nx, ny) == wanted:
                return True
    return False


def compare(path_a, path_b, tolerance, most_percent):
    width, height, a = read_ppm(path_a)
    width_b, height_b, b = read_ppm(path_b)
    if (width, height) != (width_b, height_b):
        print("%s: sizes differ: %dx%d and %dx%d" % (path_a, width, height, width_b, height_b))
        return False
    counts = {"shifted": 0, "rounding": 0, "edge": 0, "flat": 0}
    largest = dict(counts)
    flat = []
    for y in range(height):
        row = 3 * y * width
        if a[row:row + 3 * width] == b[row:row + 3 * width]:
            continue
        for x in range(width):
            i = row + 3 * x
            if a[i:i + 3] == b[i:i + 3]:
                continue
            ca, cb = colour(a, width, x, y), colour(b, width, x, y)
            delta = max(abs(ca[c] - cb[c]) for c in range(3))
            if (in_neighbourhood(b, width, height, x, y, ca)
                    or in_neighbourhood(a, width, height, x, y, cb)):
                kind = "shifted"
            elif delta == 1:
                kind = "rounding"
            elif changes_near(a, width, height, x, y) or changes_near(b, width, height, x, y):
                kind = "edge"
            else:
                kind = "flat"
                flat.append((x, y, ca, cb, delta))
            counts[kind] += 1
            largest[kind] = max(largest[kind], delta)
    total = sum(counts.values())
    print("%s: %d differing pixels of %d: %d shifted by one pixel (max channel difference "
          "%d), %d off by 1 (colour rounding), %d next to an edge (max %d), %d in flat areas "
          "(max %d)"
          % (path_a.rsplit("/", 1)[-1], total, width * height, counts["shifted"],
             largest["shifted"], counts["rounding"], counts["edge"], largest["edge"], counts["flat"],
             largest["flat"]))
    for x, y, ca, cb, delta in flat[:20]:
        print("  flat (%d, %d): %02x%02x%02x vs %02x%02x%02x (difference %d)"
              % ((x, y) + ca + cb + (delta,)))
    if total * 100 > most_percent * width * height:
        print("  more than %g%% of the pixels differ" % most_percent)
        return False
    return all(entry[4] <= tolerance for entry in flat)


def main(argv):
    options = {"--tolerance": 0.0, "--most": 100.0}
    while len(argv) > 2 and argv[1] in options:
        options[argv[1]] = float(argv[2])
        argv = argv[:1] + argv[3:]
    if len(argv) != 3:
        print(__doc__)
        return 2
    return 0 if compare(argv[1], argv[2], options["--tolerance"], options["--most"]) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
