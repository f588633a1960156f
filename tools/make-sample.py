#!/usr/bin/env python3
"""Writes a sample series for the BMP import: a figure walking on the spot,
one 8-bit grey BMP per step (walk000.bmp, walk001.bmp, ...).

    make-sample.py FOLDER [--count 60] [--width 320] [--height 240]
                   [--prefix walk] [--bad N] [--marker]

--bad N writes picture N as a 24-bit BMP, which the import refuses.
--marker adds a block near the top edge that moves from left to right with
the step, so that a screenshot of a frame tells which step it shows (the
walk itself repeats every half cycle).
"""
import argparse
import math
import os
import struct

BACKGROUND = 0
GROUND = 64
SHADOW = 128
FIGURE = 255


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = bytearray([BACKGROUND]) * (width * height)

    def fill_rows(self, top, value):
        for y in range(max(top, 0), self.height):
            start = y * self.width
            self.pixels[start:start + self.width] = bytes([value]) * self.width

    # A thick segment with round ends: every pixel whose centre lies within
    # `radius` of the segment from (x0, y0) to (x1, y1).
    def capsule(self, x0, y0, x1, y1, radius, value):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9
        left = max(int(min(x0, x1) - radius), 0)
        right = min(int(max(x0, x1) + radius) + 1, self.width - 1)
        top = max(int(min(y0, y1) - radius), 0)
        bottom = min(int(max(y0, y1) + radius) + 1, self.height - 1)
        for y in range(top, bottom + 1):
            row = y * self.width
            for x in range(left, right + 1):
                t = ((x - x0) * dx + (y - y0) * dy) / length2
                t = min(max(t, 0.0), 1.0)
                ex, ey = x0 + t * dx - x, y0 + t * dy - y
                if ex * ex + ey * ey <= radius * radius:
                    self.pixels[row + x] = value

    def disc(self, x, y, radius, value):
        self.capsule(x, y, x, y, radius, value)


def limb(canvas, x, y, upper, lower, angle, bend, radius):
    knee_x = x + upper * math.sin(angle)
    knee_y = y + upper * math.cos(angle)
    foot_x = knee_x + lower * math.sin(angle - bend)
    foot_y = knee_y + lower * math.cos(angle - bend)
    canvas.capsule(x, y, knee_x, knee_y, radius, FIGURE)
    canvas.capsule(knee_x, knee_y, foot_x, foot_y, radius * 0.85, FIGURE)


# A block near the top edge, at the left edge for the first step and at the
# right edge for the last: it tells steps apart whose figures look the same.
def step_marker(canvas, step, count, unit):
    size = max(int(12 * unit), 2)
    left = round(step * (canvas.width - size) / max(count - 1, 1))
    top = int(4 * unit)
    for y in range(top, top + size):
        start = y * canvas.width + left
        canvas.pixels[start:start + size] = bytes([SHADOW]) * size


def walker(width, height, step, count, marker):
    canvas = Canvas(width, height)
    unit = height / 240.0
    ground = int(height * 0.85)
    canvas.fill_rows(ground, GROUND)
    phase = 2 * math.pi * step / count
    swing = 0.45 * math.sin(phase)
    bob = 3 * unit * abs(math.cos(phase))
    hip_x, hip_y = width / 2, ground - 78 * unit - bob
    shoulder_y = hip_y - 62 * unit
    canvas.capsule(hip_x - 30 * unit, ground + 6 * unit, hip_x + 30 * unit, ground + 6 * unit,
                   5 * unit, SHADOW)
    limb(canvas, hip_x, shoulder_y + 6 * unit, 30 * unit, 28 * unit, -swing, -0.5, 5 * unit)
    limb(canvas, hip_x, hip_y, 40 * unit, 38 * unit, swing, max(swing, 0) + 0.1, 7 * unit)
    limb(canvas, hip_x, hip_y, 40 * unit, 38 * unit, -swing, max(-swing, 0) + 0.1, 7 * unit)
    canvas.capsule(hip_x, hip_y, hip_x + 4 * unit, shoulder_y, 10 * unit, FIGURE)
    limb(canvas, hip_x, shoulder_y + 6 * unit, 30 * unit, 28 * unit, swing, -0.5, 5 * unit)
    canvas.disc(hip_x + 6 * unit, shoulder_y - 20 * unit, 13 * unit, FIGURE)
    if marker:
        step_marker(canvas, step, count, unit)
    return canvas


def grey_bmp(canvas):
    stride = (canvas.width + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(canvas.height)):  # rows bottom-up
        row = canvas.pixels[y * canvas.width:(y + 1) * canvas.width]
        pixels += row + bytes(stride - canvas.width)
    palette = b"".join(bytes([i, i, i, 0]) for i in range(256))
    offset = 14 + 40 + len(palette)
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
            + struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 8, 0,
                          len(pixels), 2835, 2835, 256, 0)
            + palette + pixels)


def colour_bmp(width, height):
    stride = (width * 3 + 3) & ~3
    pixels = bytes(stride * height)
    return (struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
            + struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels),
                          2835, 2835, 0, 0)
            + pixels)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder")
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--width", type=int, default=320)
    parser.add_argument("--height", type=int, default=240)
    parser.add_argument("--prefix", default="walk")
    parser.add_argument("--bad", type=int, default=-1)
    parser.add_argument("--marker", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    for step in range(args.count):
        if step == args.bad:
            data = colour_bmp(args.width, args.height)
        else:
            data = grey_bmp(walker(args.width, args.height, step, args.count, args.marker))
        name = os.path.join(args.folder, "%s%03d.bmp" % (args.prefix, step))
        with open(name, "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
