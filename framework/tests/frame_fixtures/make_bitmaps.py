#!/usr/bin/env python3
"""Writes the small bitmaps of the frame tests (run from this folder; the output is committed).

strip.bmp: 24 x 8, 24-bit, three 8 x 8 images side by side filled blue, green and navy, each
with its top-left pixel pure red (the mask colour the tests use).
buttons4.bmp (4-bit, 16-colour table) and buttons24.bmp (24-bit): 5 x 2, the four colours of
button art (black, grey 128, grey 192, white) and red, one per column.
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


def write_bmp4(path, width, height, table, index):
    row = ((width * 4 + 31) // 32) * 4
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(0, width, 2):
            hi = index(x, y)
            lo = index(x + 1, y) if x + 1 < width else 0
            line.append((hi << 4) | lo)
        line += b"\0" * (row - len(line))
        data += line
    colours = bytearray()
    for r, g, b in table + [(0, 0, 0)] * (16 - len(table)):
        colours += bytes((b, g, r, 0))
    offset = 54 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, len(data), 2835, 2835, 16, 0)
    with open(path, "wb") as f:
        f.write(header + info + colours + data)


COLOURS = [(0, 0, 255), (0, 255, 0), (0, 0, 128)]
BUTTON = [(0, 0, 0), (128, 128, 128), (192, 192, 192), (255, 255, 255), (255, 0, 0)]


def strip(x, y):
    if x % 8 == 0 and y == 0:
        return (255, 0, 0)
    return COLOURS[x // 8]


write_bmp("strip.bmp", 24, 8, strip)
write_bmp("buttons24.bmp", 5, 2, lambda x, y: BUTTON[x])
write_bmp4("buttons4.bmp", 5, 2, BUTTON, lambda x, y: x)
