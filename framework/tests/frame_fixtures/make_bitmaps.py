#!/usr/bin/env python3
"""Writes the small bitmaps of the frame tests (run from this folder; the output is committed).

strip.bmp: 24 x 8, 24-bit, three 8 x 8 images side by side filled blue, green and navy, each
with its top-left pixel pure red (the mask colour the tests use).
"""
import struct


def write_bmp(path, width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up rows
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


COLOURS = [(0, 0, 255), (0, 255, 0), (0, 0, 128)]


def strip(x, y):
    if x % 8 == 0 and y == 0:
        return (255, 0, 0)
    return COLOURS[x // 8]


write_bmp("strip.bmp", 24, 8, strip)
