#!/usr/bin/env python3
"""Draws the windows layer's own icons and bitmaps into resources/art/.

Every picture is drawn here from rectangles, lines and circles; run it again after a change and
commit the results (the build does not run it). Pure Python: no imaging library needed.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[fill for _ in range(w)] for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c if len(c) == 4 else c + (255,)

    def rect(self, x0, y0, x1, y1, c):  # filled, x1/y1 exclusive
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1):
            self.set(x, y0, c)
            self.set(x, y1 - 1, c)
        for y in range(y0, y1):
            self.set(x0, y, c)
            self.set(x1 - 1, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r), int(cy + r) + 1):
            for x in range(int(cx - r), int(cx + r) + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                    self.set(x, y, c)

    def blit(self, other, ox, oy):
        for y in range(other.h):
            for x in range(other.w):
                c = other.px[y][x]
                if c[3]:
                    self.set(ox + x, oy + y, c)


def bmp24(canvas, background):
    """24-bit bottom-up BMP; transparent pixels take the background colour."""
    row = (canvas.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(canvas.h - 1, -1, -1):
        line = bytearray()
        for x in range(canvas.w):
            r, g, b, a = canvas.px[y][x]
            if not a:
                r, g, b = background
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, canvas.w, canvas.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + 40 + len(data), 0, 0, 54) + header + data


def ico(canvases):
    """Icon file with one 32-bit image (alpha and AND mask) per canvas."""
    images = []
    for c in canvases:
        xor = bytearray()
        for y in range(c.h - 1, -1, -1):
            for x in range(c.w):
                r, g, b, a = c.px[y][x]
                xor += bytes((b, g, r, a))
        mask_row = ((c.w + 31) // 32) * 4
        mask = bytearray()
        for y in range(c.h - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(c.w):
                if not c.px[y][x][3]:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, c.w, c.h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((c.w, c.h, header + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, blob in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, _, blob in images:
        out += blob
    return out


def note_icon(size, paper, band):
    """A sheet with a folded corner, a coloured band and ruled lines."""
    c = Canvas(size, size)
    s = size / 32.0
    x0, y0, x1, y1 = int(5 * s), int(2 * s), int(27 * s), int(30 * s)
    fold = max(3, int(7 * s))
    dark = (70, 70, 80)
    c.rect(x0, y0, x1, y1, paper)
    for i in range(fold):  # cut the top-right corner away
        for x in range(x1 - fold + i, x1):
            c.set(x, y0 + i, (0, 0, 0, 0))
    c.frame(x0, y0, x1, y1, dark)
    for i in range(fold):
        c.set(x1 - fold + i, y0 + i, dark)
        c.set(x1 - fold, y0 + i, dark)
        c.set(x1 - fold + i, y0 + fold, dark)
    c.rect(x0 + 1, y0 + fold + 1, x1 - 1, y0 + fold + 1 + max(2, int(4 * s)), band)
    step = max(2, int(4 * s))
    y = y0 + fold + max(2, int(4 * s)) + step
    while y < y1 - 2:
        c.line(x0 + 2 + int(s), y, x1 - 3 - int(s), y, (150, 160, 175))
        y += step
    return c


TOOL_BG = (192, 192, 192)  # the button-face grey the tool bar loader maps


def toolbar_strip():
    """16 x 15 images: new, open, cut, copy, paste, print, about."""
    glyphs = []

    g = Canvas(16, 15)  # new: blank sheet
    g.rect(3, 1, 12, 14, (255, 255, 255)); g.frame(3, 1, 12, 14, (0, 0, 0))
    g.line(9, 1, 12, 4, (0, 0, 0)); g.rect(9, 1, 12, 4, (255, 255, 255)); g.frame(9, 1, 12, 4, (0, 0, 0))
    glyphs.append(g)

    g = Canvas(16, 15)  # open: folder
    g.rect(1, 4, 14, 13, (230, 190, 60)); g.frame(1, 4, 14, 13, (110, 80, 0))
    g.rect(1, 2, 6, 4, (230, 190, 60)); g.frame(1, 2, 6, 5, (110, 80, 0))
    glyphs.append(g)

    g = Canvas(16, 15)  # cut: scissors
    g.line(4, 1, 10, 9, (0, 0, 0)); g.line(11, 1, 5, 9, (0, 0, 0))
    g.disc(4, 11, 2.2, (0, 0, 128)); g.disc(11, 11, 2.2, (0, 0, 128))
    g.disc(4, 11, 0.8, (255, 255, 255)); g.disc(11, 11, 0.8, (255, 255, 255))
    glyphs.append(g)

    g = Canvas(16, 15)  # copy: two sheets
    for ox, oy in ((1, 1), (6, 5)):
        g.rect(ox, oy, ox + 8, oy + 9, (255, 255, 255)); g.frame(ox, oy, ox + 8, oy + 9, (0, 0, 0))
        for y in range(oy + 2, oy + 8, 2):
            g.line(ox + 2, y, ox + 5, y, (0, 0, 128))
    glyphs.append(g)

    g = Canvas(16, 15)  # paste: board and sheet
    g.rect(1, 2, 11, 14, (170, 120, 60)); g.frame(1, 2, 11, 14, (80, 50, 10))
    g.rect(4, 1, 8, 4, (120, 120, 120))
    g.rect(7, 6, 15, 14, (255, 255, 255)); g.frame(7, 6, 15, 14, (0, 0, 0))
    glyphs.append(g)

    g = Canvas(16, 15)  # print: printer
    g.rect(4, 1, 12, 6, (255, 255, 255)); g.frame(4, 1, 12, 6, (0, 0, 0))
    g.rect(1, 6, 15, 12, (150, 150, 150)); g.frame(1, 6, 15, 12, (0, 0, 0))
    g.rect(4, 10, 12, 14, (255, 255, 255)); g.frame(4, 10, 12, 14, (0, 0, 0))
    g.set(13, 8, (0, 200, 0))
    glyphs.append(g)

    g = Canvas(16, 15)  # about: round "i"
    g.disc(7.5, 7, 6.5, (40, 90, 200)); g.rect(7, 6, 9, 12, (255, 255, 255)); g.rect(7, 3, 9, 5, (255, 255, 255))
    glyphs.append(g)

    strip = Canvas(16 * len(glyphs), 15)
    for i, glyph in enumerate(glyphs):
        strip.blit(glyph, 16 * i, 0)
    return strip


def button_face(name_letter_colour):
    """A 32 x 24 push-button face for the bitmap button test: colour by state."""
    c = Canvas(32, 24, (0, 0, 0, 0))
    c.rect(0, 0, 32, 24, name_letter_colour)
    c.frame(0, 0, 32, 24, (0, 0, 0))
    return c


def write(name, blob):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(blob)


def main():
    write("pelora.ico", ico([note_icon(32, (255, 250, 220), (240, 160, 40)), note_icon(16, (255, 250, 220), (240, 160, 40))]))
    write("note.ico", ico([note_icon(32, (235, 245, 255), (60, 120, 210)), note_icon(16, (235, 245, 255), (60, 120, 210))]))
    write("toolbar.bmp", bmp24(toolbar_strip(), TOOL_BG))
    # Faces of a four-state bitmap button: normal, selected (down), focused, disabled.
    for suffix, colour in (("U", (40, 160, 60)), ("D", (20, 90, 30)), ("F", (60, 200, 90)), ("X", (160, 160, 160))):
        write("okbutton%s.bmp" % suffix, bmp24(button_face(colour), (255, 0, 255)))


if __name__ == "__main__":
    main()
