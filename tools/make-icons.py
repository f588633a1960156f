#!/usr/bin/env python3
"""Draws the program's two icons and writes them as .ico files.

    tools/make-icons.py            writes resources/morva.ico and resources/morva-small.ico
    tools/make-icons.py --check    fails when the committed files differ from what it draws

The picture: a walking white silhouette on a strip of film (dark indigo with
sprocket holes), the program's subject. The small icon leaves out the holes
so that the figure stays readable at 16 pixels. Standard library only; the
output is the same byte for byte on every run.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

RESOURCES = Path(__file__).resolve().parent.parent / "resources"
SAMPLES = 4  # per axis, for anti-aliased edges

# The figure in a 1 x 1 box: a head and limbs as capsules (segment, radius).
HEAD = ((0.56, 0.22), 0.085)
LIMBS = [
    ((0.55, 0.34), (0.50, 0.58), 0.075),  # torso
    ((0.53, 0.38), (0.40, 0.50), 0.040),  # back arm, upper
    ((0.40, 0.50), (0.36, 0.62), 0.035),  # back arm, lower
    ((0.55, 0.38), (0.66, 0.49), 0.040),  # front arm, upper
    ((0.66, 0.49), (0.74, 0.56), 0.035),  # front arm, lower
    ((0.50, 0.58), (0.40, 0.72), 0.050),  # back leg, thigh
    ((0.40, 0.72), (0.34, 0.86), 0.045),  # back leg, shin
    ((0.50, 0.58), (0.60, 0.72), 0.050),  # front leg, thigh
    ((0.60, 0.72), (0.62, 0.87), 0.045),  # front leg, shin
]

FILM_TOP = (0x3A, 0x3F, 0x9E)
FILM_BOTTOM = (0x16, 0x18, 0x45)
HOLE = (0xD8, 0xDC, 0xF0)
FIGURE = (0xFF, 0xFF, 0xFF)


def segment_distance(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def in_figure(x, y, scale, cx=0.0, cy=0.0):
    """(x, y) in the unit box; the figure is scaled about the centre."""
    fx = (x - 0.5) / scale + 0.5 + cx
    fy = (y - 0.5) / scale + 0.5 + cy
    (hx, hy), hr = HEAD
    if math.hypot(fx - hx, fy - hy) <= hr:
        return True
    return any(segment_distance(fx, fy, a, b) <= r for a, b, r in LIMBS)


def in_rounded_box(x, y, left, top, right, bottom, radius):
    qx = max(left + radius - x, 0.0, x - (right - radius))
    qy = max(top + radius - y, 0.0, y - (bottom - radius))
    return left <= x <= right and top <= y <= bottom and math.hypot(qx, qy) <= radius


def holes(x, y):
    for row_top in (0.07, 0.85):
        for i in range(4):
            left = 0.14 + i * 0.2
            if in_rounded_box(x, y, left, row_top, left + 0.12, row_top + 0.08, 0.02):
                return True
    return False


def draw(size, small):
    """Rows top-down of (r, g, b, a) tuples."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            totals = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = sample(x, y, small)
                    if colour is None:
                        continue
                    for c in range(3):
                        totals[c] += colour[c]
                    totals[3] += 1
            covered = totals[3]
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(totals[c] / covered) for c in range(3))
                           + (round(255 * covered / SAMPLES ** 2),))
        rows.append(row)
    return rows


def sample(x, y, small):
    margin = 0.02
    if not in_rounded_box(x, y, margin, margin, 1 - margin, 1 - margin, 0.16):
        return None
    if small:
        if in_figure(x, y, 1.25, cy=0.03):
            return FIGURE
    else:
        if holes(x, y):
            return HOLE
        if in_figure(x, y, 0.78, cy=0.02):
            return FIGURE
    t = y
    return tuple(FILM_TOP[c] + (FILM_BOTTOM[c] - FILM_TOP[c]) * t for c in range(3))


def dib_image(rows):
    """A 32-bit icon image: header, BGRA rows bottom-up, then the AND mask."""
    size = len(rows)
    mask_stride = (size + 31) // 32 * 4
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            pixels += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def png_image(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_file(sizes, small):
    images = []
    for size in sizes:
        rows = draw(size, small)
        # Windows reads 256-pixel images as PNG; the others as DIBs for old readers.
        images.append((size, png_image(rows) if size >= 256 else dib_image(rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dimension = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


ICONS = {
    "morva.ico": ([16, 24, 32, 48, 256], False),
    "morva-small.ico": ([16, 20, 24, 32], True),
}


def main():
    check = "--check" in sys.argv[1:]
    stale = []
    for name, (sizes, small) in ICONS.items():
        data = icon_file(sizes, small)
        path = RESOURCES / name
        if check:
            if not path.exists() or path.read_bytes() != data:
                stale.append(name)
        else:
            path.write_bytes(data)
    if stale:
        print("not what tools/make-icons.py draws: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
