#!/usr/bin/env python3
"""Draws Vantory's icons and writes them as .ico files beside this script.

vty.ico      (group 120) the program's icon, 48x48 down to 16x16
searching.ico (121) no game attached: the picture dark and greyed
watching.ico  (122) game attached: the picture in bright colours
limited.ico   (123) game attached with the limiter on: bright, "L" in the upper right

The picture is a shield with a "V" on it. Run again after changing it; the
.ico files are committed so that a build needs no Python.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def mask(size, covered):
    """Rows of booleans: covered(fx, fy) at each pixel centre, in a 16-unit square."""
    s = size / 16.0
    return [[covered((x + 0.5) / s, (y + 0.5) / s) for x in range(size)] for y in range(size)]


def shield(size):
    """Coverage mask of the shield; the lower half narrows to a point."""
    def covered(fx, fy):
        if not (1.5 <= fx <= 14.5 and 1.0 <= fy <= 15.0):
            return False
        return fy <= 8.5 or abs(fx - 8.0) <= 15.0 - fy
    return mask(size, covered)


def v_mark(size):
    def covered(fx, fy):
        if not 3.5 <= fy <= 11.5:
            return False
        t = (fy - 3.5) / 8.0  # 0 at top, 1 at the point
        return abs(fx - (4.0 + 4.0 * t)) <= 1.35 or abs(fx - (12.0 - 4.0 * t)) <= 1.35
    return mask(size, covered)


def l_mark(size):
    """An "L" in the upper right corner, with a dark outline."""
    s = size / 16.0
    glyph = set()
    for y in range(0, 7):
        glyph.add((10, y))
    for x in range(10, 15):
        glyph.add((x, 6))
    for y in range(0, 7):
        glyph.add((11, y))
    for x in range(10, 15):
        glyph.add((x, 5))
    outline = set()
    for (x, y) in glyph:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                p = (x + dx, y + dy)
                if p not in glyph and 0 <= p[0] < 16 and 0 <= p[1] < 16:
                    outline.add(p)
    scale = lambda pts: {(int(px * s + i), int(py * s + j)) for (px, py) in pts
                         for i in range(math.ceil(s)) for j in range(math.ceil(s))}
    return scale(glyph), scale(outline)


def picture(size, style):
    """BGRA pixels, top row first."""
    body, mark = shield(size), v_mark(size)
    if style == "grey":
        edge, fill, ink = (40, 40, 40), (88, 88, 88), (150, 150, 150)
    else:
        edge, fill, ink = (110, 20, 10), (214, 60, 36), (255, 236, 170)
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            if not body[y][x]:
                row.append((0, 0, 0, 0))
                continue
            border = any(not (0 <= x + dx < size and 0 <= y + dy < size and body[y + dy][x + dx])
                         for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            r, g, b = edge if border else (ink if mark[y][x] else fill)
            row.append((b, g, r, 255))
        pixels.append(row)
    if style == "limited":
        glyph, outline = l_mark(size)
        for (x, y) in outline:
            pixels[y][x] = (20, 20, 20, 255)
        for (x, y) in glyph:
            pixels[y][x] = (0, 230, 255, 255)  # yellow
    return pixels


def icon_image(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes(p) for row in reversed(pixels) for p in row)
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def write_ico(name, images):
    data = [icon_image(p) for p in images]
    out = struct.pack("<HHH", 0, 1, len(data))
    offset = 6 + 16 * len(data)
    for pixels, blob in zip(images, data):
        size = len(pixels)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(out + b"".join(data))


if __name__ == "__main__":
    # Every size Windows asks for at 100 % to 200 % display scaling.
    sizes = (16, 20, 24, 32)
    write_ico("vty.ico", [picture(n, "bright") for n in (48, 32, 24, 20, 16)])
    write_ico("searching.ico", [picture(n, "grey") for n in sizes])
    write_ico("watching.ico", [picture(n, "bright") for n in sizes])
    write_ico("limited.ico", [picture(n, "limited") for n in sizes])
