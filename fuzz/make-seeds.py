#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/<target>/:
small sound inputs of every kind each target reads, so that fuzzing starts
deep inside the formats. Run it again after changing an input layout."""

import pathlib
import random
import shutil
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"


def rle8(rows, width):
    """A BI_RLE8 payload of 8-bit rows: runs of equal values, absolute runs
    for stretches of three or more single values, an end of line per row and
    the end of bitmap."""
    out = bytearray()
    for row in rows:
        x, singles = 0, []

        def flush():
            if len(singles) >= 3:
                out.extend((0, len(singles)))
                out.extend(singles)
                if len(singles) % 2:
                    out.append(0)
            else:
                for value in singles:
                    out.extend((1, value))
            singles.clear()

        while x < width:
            end = x
            while end < width and row[end] == row[x] and end - x < 255:
                end += 1
            if end - x >= 2:
                flush()
                out.extend((end - x, row[x]))
            else:
                singles.append(row[x])
                if len(singles) == 255:
                    flush()
            x = end
        flush()
        out.extend((0, 0))
    out.extend((0, 1))
    return bytes(out)


def picture(width, height, seed, kind):
    """Rows of pixel values: stripes with long runs, noise, or both."""
    rng = random.Random(seed)
    rows = []
    for y in range(height):
        if kind == "runs":
            rows.append([0xFF if (x // 7 + y) % 3 == 0 else 0 for x in range(width)])
        elif kind == "noise":
            rows.append([rng.randrange(256) for _ in range(width)])
        else:
            rows.append([rng.randrange(256) if x % 40 < 10 else (y * 16) & 0xFF
                         for x in range(width)])
    return rows


def bmp(width, height, rows, depth, gap=0, size_image=None, info_size=40, top_down=False):
    stride = (width + 3) // 4 * 4
    stored = reversed(rows) if top_down else rows
    pixels = b"".join(bytes(row) + bytes(stride - width) for row in stored)
    offset = 14 + info_size + 1024 + gap
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), depth, 0, offset)
    info = struct.pack("<IiiHHIIiiII", info_size, width, -height if top_down else height, 1, 8, 0,
                       len(pixels) if size_image is None else size_image, 2835, 2835, 256, 0)
    table = b"".join(struct.pack("<BBBB", v, v, v, 0) for v in range(256))
    return header + info + bytes(info_size - 40) + table + bytes(gap) + pixels


def mrv(width, height, payloads, bits=8):
    out = bytearray(struct.pack("<4sIiiI", b"MoRv", len(payloads), width, height, bits))
    offset = 20 + 8 * len(payloads)
    for payload in payloads:
        out += struct.pack("<II", offset, len(payload))
        offset += len(payload)
    for payload in payloads:
        out += payload
    return bytes(out)


def bmp_seeds():
    yield "1x1", bmp(1, 1, [[200]], 8)
    yield "4x4-runs", bmp(4, 4, picture(4, 4, 1, "runs"), 6)
    yield "5x3-padding", bmp(5, 3, picture(5, 3, 2, "noise"), 1)
    yield "17x6-mixed", bmp(17, 6, picture(17, 6, 3, "mixed"), 3, size_image=0)
    yield "300x3-long-runs", bmp(300, 3, picture(300, 3, 4, "runs"), 8)
    yield "8x4-gap", bmp(8, 4, picture(8, 4, 5, "noise"), 5, gap=6)
    yield "6x5-v4-header", bmp(6, 5, picture(6, 5, 6, "mixed"), 7, info_size=108)
    yield "7x4-v5-top-down", bmp(7, 4, picture(7, 4, 7, "noise"), 8, info_size=124, top_down=True)


def mrv_seeds():
    yield "empty", mrv(640, 480, [])
    yield "4x4-one", mrv(4, 4, [rle8(picture(4, 4, 1, "runs"), 4)])
    frames = [rle8(picture(16, 8, seed, kind), 16)
              for seed, kind in ((1, "runs"), (2, "noise"), (3, "mixed"))]
    yield "16x8-three", mrv(16, 8, frames)
    yield "9x5-with-empty", mrv(9, 5, [rle8(picture(9, 5, 6, "mixed"), 9), b""])
    codes = bytes((0, 2, 1, 1, 2, 7, 0, 0, 0, 3, 1, 2, 3, 0, 3, 9, 0, 1))
    yield "6x3-delta", mrv(6, 3, [codes])


def rle8_seeds():
    def shape(width, height, padding):
        return struct.pack("<HBB", width, height, padding)

    yield "4x4-runs", shape(4, 4, 0) + rle8(picture(4, 4, 1, "runs"), 4)
    yield "7x3-noise", shape(7, 3, 1) + rle8(picture(7, 3, 2, "noise"), 7)
    yield "300x2-long", shape(300, 2, 0) + rle8(picture(300, 2, 3, "mixed"), 300)
    delta = bytes((2, 5, 0, 2, 3, 1, 1, 6, 0, 0, 0, 4, 1, 2, 3, 4, 0, 0, 0, 1))
    yield "8x4-delta", shape(8, 4, 3) + delta
    yield "5x2-early-end", shape(5, 2, 2) + bytes((3, 9, 0, 1))


def roundtrip_seeds():
    def shape(width, padding, depth, height, runs):
        return struct.pack("<HBBB", width, padding, depth - 1, height | (0x80 if runs else 0))

    for width, height, kind, depth in ((4, 4, "runs", 6), (13, 5, "noise", 8),
                                       (40, 3, "mixed", 3), (255, 2, "runs", 1)):
        rows = picture(width, height, width, kind)
        values = bytes(v for row in rows for v in row)
        yield f"{width}x{height}-{kind}", shape(width, width % 8, depth, height, False) + values
    runs = bytes((255, 7, 255, 7, 10, 7, 0, 1, 0, 2, 0, 1, 200, 0x80))
    yield "600x1-runs", shape(600, 0, 8, 1, True) + runs


def main():
    for target, seeds in (("bmp", bmp_seeds), ("mrv", mrv_seeds),
                          ("rle8", rle8_seeds), ("roundtrip", roundtrip_seeds)):
        folder = CORPUS / target
        shutil.rmtree(folder, ignore_errors=True)
        folder.mkdir(parents=True)
        for name, content in seeds():
            (folder / name).write_bytes(content)


if __name__ == "__main__":
    main()
