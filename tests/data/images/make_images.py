#!/usr/bin/env python3
"""Writes the small PNG files the image tests decode.

The files are made here, with nothing but Python's zlib, so that the decoder is
checked against PNGs that its own encoder did not write.  Run from this folder:
    python3 make_images.py
Each picture's pixels follow a rule the tests restate:
  palette_trns.png     2 x 2, palette: red, green / blue, fully transparent
  gray16.png           3 x 1, 16-bit grey: 0x0000, 0x8080, 0xFFFF
  rgba_interlaced.png  8 x 8, Adam7, RGBA: (x*32, y*32, 200, 255 - 32*x)
"""
import struct
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, bit_depth, colour_type, rows, interlace=0, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, interlace)
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", zlib.compress(raw)) +
            chunk(b"IEND", b""))


def palette_trns():
    palette = bytes([255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0])
    alpha = bytes([255, 255, 255, 0])
    rows = [bytes([0, 1]), bytes([2, 3])]
    return png(2, 2, 8, 3, rows, extra=chunk(b"PLTE", palette) + chunk(b"tRNS", alpha))


def gray16():
    return png(3, 1, 16, 0, [struct.pack(">HHH", 0x0000, 0x8080, 0xFFFF)])


def rgba_pixel(x, y):
    return bytes([x * 32, y * 32, 200, 255 - 32 * x])


def rgba_interlaced():
    # Adam7: seven passes, each a sub-image of the pixels at its own grid.
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
    rows = []
    for x0, y0, dx, dy in passes:
        for y in range(y0, 8, dy):
            row = b"".join(rgba_pixel(x, y) for x in range(x0, 8, dx))
            if row:
                rows.append(row)
    return png(8, 8, 8, 6, rows, interlace=1)


for name, data in [("palette_trns.png", palette_trns()), ("gray16.png", gray16()),
                   ("rgba_interlaced.png", rgba_interlaced())]:
    with open(name, "wb") as f:
        f.write(data)
