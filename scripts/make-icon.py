#!/usr/bin/env python3
"""Builds resources/zq.ico from resources/zq.svg: nine images in one icon.

16 and 32 px at 4 bits per pixel, 16/32/48 px at 8 and at 32 bits per pixel, and
256 px stored as PNG. Needs rsvg-convert (librsvg2-bin); the rest is the standard
library, so the icon can be rebuilt anywhere.
"""
import struct
import subprocess
import sys
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
SVG = ROOT / "resources" / "zq.svg"
ICO = ROOT / "resources" / "zq.ico"

# The 16 colours of the classic Windows palette.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    greys = [(v, v, v) for v in range(8, 248, 6)][: 256 - len(cube)]
    pal = cube + greys
    return pal + [(0, 0, 0)] * (256 - len(pal))


def render_png(size):
    return subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), str(SVG)],
                          check=True, capture_output=True).stdout


def decode_png_rgba(data):
    """Decodes the 8-bit RGBA, non-interlaced PNG that rsvg-convert writes."""
    pos = 8
    width = height = 0
    idat = b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            assert depth == 8 and colour == 6 and interlace == 0, "unexpected PNG form"
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, prev, i = [], bytearray(stride), 0
    for _ in range(height):
        ftype = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - 4] if x >= 4 else 0
            b = prev[x]
            c = prev[x - 4] if x >= 4 else 0
            if ftype == 1:
                line[x] = (line[x] + a) & 255
            elif ftype == 2:
                line[x] = (line[x] + b) & 255
            elif ftype == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif ftype == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[x] = (line[x] + pred) & 255
        rows.append(bytes(line))
        prev = line
    return width, height, rows


def nearest(pal, rgb):
    return min(range(len(pal)), key=lambda k: sum((pal[k][j] - rgb[j]) ** 2 for j in range(3)))


def and_mask(width, rows):
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x in range(width):
            if row[x * 4 + 3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def bmp_image(png, bpp):
    width, height, rows = decode_png_rgba(png)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    if bpp == 32:
        pixels = bytearray()
        for row in reversed(rows):
            for x in range(width):
                r, g, b, a = row[x * 4:x * 4 + 4]
                pixels += bytes((b, g, r, a))
        return header + bytes(pixels) + and_mask(width, rows)
    pal = VGA16 if bpp == 4 else palette256()
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    stride = ((width * bpp + 31) // 32) * 4
    cache = {}
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x in range(width):
            rgb = tuple(row[x * 4:x * 4 + 3]) if row[x * 4 + 3] >= 128 else (0, 0, 0)
            if rgb not in cache:
                cache[rgb] = nearest(pal, rgb)
            index = cache[rgb]
            if bpp == 8:
                line[x] = index
            else:
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        pixels += line
    return header + table + bytes(pixels) + and_mask(width, rows)


def main():
    plan = [(16, 4), (32, 4), (16, 8), (32, 8), (48, 8), (16, 32), (32, 32), (48, 32), (256, 32)]
    images = []
    for size, bpp in plan:
        png = render_png(size)
        data = png if size == 256 else bmp_image(png, bpp)
        colours = 16 if bpp == 4 else 0
        images.append((size, bpp, colours, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bpp, colours, data in images:
        dim = 0 if size == 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
    for _, _, _, data in images:
        out += data
    ICO.write_bytes(bytes(out))
    print(f"wrote {ICO} with {len(images)} images, {len(out)} bytes")


if __name__ == "__main__":
    sys.exit(main())
