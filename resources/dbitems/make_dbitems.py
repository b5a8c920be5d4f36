#!/usr/bin/env python3
"""Draws the images of the built-in start pages (PNG and one animated GIF) with the standard
library only. Run it from anywhere; it writes beside itself."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, w, h, bg=(255, 255, 255, 0)):
        self.w, self.h = w, h
        self.px = [[bg for _ in range(w)] for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.rect(x0, y0, x1, y0 + 1, c)
        self.rect(x0, y1 - 1, x1, y1, c)
        self.rect(x0, y0, x0 + 1, y1, c)
        self.rect(x1 - 1, y0, x1, y1, c)

    def disc(self, cx, cy, r, c):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.put(x, y, c)

    def ring(self, cx, cy, r0, r1, c):
        for y in range(int(cy - r1) - 1, int(cy + r1) + 2):
            for x in range(int(cx - r1) - 1, int(cx + r1) + 2):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r0 <= d <= r1:
                    self.put(x, y, c)

    def png(self, name):
        raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in self.px)

        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

        data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)


BLUE = (47, 111, 182, 255)
LIGHT = (214, 230, 247, 255)
PAPER = (252, 252, 248, 255)
GREY = (150, 150, 150, 255)
DARK = (60, 60, 60, 255)
YELLOW = (242, 196, 70, 255)
GREEN = (86, 166, 92, 255)
WHITE = (255, 255, 255, 255)


def note(c, x, y, s):
    c.rect(x, y, x + s, y + s, PAPER)
    c.frame(x, y, x + s, y + s, GREY)
    for i in range(4):
        yy = y + s // 5 + i * s // 6
        c.rect(x + s // 6, yy, x + s - s // 6, yy + max(1, s // 24), BLUE if i == 0 else GREY)


def folder(c):
    c.rect(4, 10, 18, 16, YELLOW)
    c.rect(4, 14, 44, 40, YELLOW)
    c.frame(4, 14, 44, 40, (190, 140, 30, 255))


def help_icon(c):
    c.disc(24, 24, 20, BLUE)
    c.ring(24, 18, 5, 8, WHITE)
    c.rect(14, 14, 24, 22, BLUE)   # opens the ring into a hook
    c.rect(22, 24, 27, 31, WHITE)
    c.disc(24.5, 36, 2.5, WHITE)


def clipper(c):
    c.ring(24, 24, 14, 19, GREEN)
    c.rect(20, 2, 28, 46, (255, 255, 255, 0))
    c.rect(21, 6, 27, 42, GREEN)


def logo(c):
    c.disc(32, 32, 30, BLUE)
    note(c, 18, 14, 28)
    c.disc(44, 44, 9, YELLOW)


def screen(c):
    c.rect(0, 0, c.w, c.h, (236, 240, 244, 255))
    c.frame(0, 0, c.w, c.h, GREY)
    c.rect(1, 1, c.w - 1, 14, BLUE)
    c.rect(1, 14, 60, c.h - 1, LIGHT)
    for i in range(6):
        c.rect(6, 20 + i * 14, 54, 28 + i * 14, WHITE)
    for i in range(5):
        note(c, 70, 20 + i * 26, 20)
        c.rect(96, 24 + i * 26, 150, 28 + i * 26, GREY)
    c.rect(160, 18, c.w - 6, c.h - 6, PAPER)
    c.frame(160, 18, c.w - 6, c.h - 6, GREY)
    for i in range(8):
        c.rect(168, 28 + i * 12, c.w - 20 - (i % 3) * 30, 32 + i * 12, DARK if i == 0 else GREY)


def gif_spinner(name, size=32, frames=8):
    palette = [(255, 255, 255), (47, 111, 182), (160, 190, 225), (220, 230, 242)]
    images = []
    for f in range(frames):
        pix = [[0] * size for _ in range(size)]
        for k in range(8):
            a = 2 * math.pi * k / 8
            cx, cy = size / 2 + 11 * math.cos(a), size / 2 + 11 * math.sin(a)
            colour = 1 if k == f else (2 if (k - f) % 8 in (7, 6) else 3)
            for y in range(size):
                for x in range(size):
                    if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= 9:
                        pix[y][x] = colour
        images.append(pix)

    def lzw_uncompressed(indices, min_code=2):
        # Literal codes only, with a clear code often enough that the code width never grows.
        clear, end = 1 << min_code, (1 << min_code) + 1
        width = min_code + 1
        codes, run = [clear], 0
        for i in indices:
            codes.append(i)
            run += 1
            if run == (1 << width) - 3 - (1 << min_code) + 1:
                codes.append(clear)
                run = 0
        codes.append(end)
        out, acc, bits = bytearray(), 0, 0
        for c in codes:
            acc |= c << bits
            bits += width
            while bits >= 8:
                out.append(acc & 0xFF)
                acc >>= 8
                bits -= 8
        if bits:
            out.append(acc & 0xFF)
        blocks = bytearray([min_code])
        for i in range(0, len(out), 255):
            part = out[i:i + 255]
            blocks += bytes([len(part)]) + part
        return bytes(blocks + b"\0")

    data = b"GIF89a" + struct.pack("<HHBBB", size, size, 0xF1, 0, 0)
    data += b"".join(bytes(c) for c in palette)
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"   # loop for ever
    for pix in images:
        data += b"\x21\xF9\x04\x04\x0A\x00\x00\x00"          # 100 ms per frame
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, size, size, 0)
        data += lzw_uncompressed([v for row in pix for v in row])
    data += b"\x3B"
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    c = Canvas(69, 69, (244, 244, 244, 255)); note(c, 12, 10, 45); c.png("pred69.png")
    c = Canvas(48, 48); note(c, 6, 4, 36); c.png("note.png")
    c = Canvas(48, 48); folder(c); c.png("folder.png")
    c = Canvas(48, 48); help_icon(c); c.png("help.png")
    c = Canvas(48, 48); clipper(c); c.png("clipper.png")
    c = Canvas(64, 64); logo(c); c.png("logo.png")
    c = Canvas(320, 140); screen(c); c.png("screen.png")
    gif_spinner("loader_2.gif")


if __name__ == "__main__":
    main()
