#!/usr/bin/env python3
"""Draws the Kestrum tool icon and writes it as an uncompressed 32 x 32 RGBA TIFF.

The picture: a large box (the reference) and a small box placed flush against its
right face, with a guide line along the shared face. Run from the repository root:

    python3 tools/make_icon.py plugin/res/kestrum.tif
"""
import struct
import sys

SIDE = 32
CLEAR = (0, 0, 0, 0)
REFERENCE_FILL = (74, 118, 168, 255)
REFERENCE_EDGE = (30, 52, 84, 255)
MOVED_FILL = (240, 150, 40, 255)
MOVED_EDGE = (128, 70, 10, 255)
GUIDE = (250, 250, 250, 255)


def draw():
    pixels = [[CLEAR] * SIDE for _ in range(SIDE)]

    def box(left, top, right, bottom, fill, edge):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                on_edge = x in (left, right) or y in (top, bottom)
                pixels[y][x] = edge if on_edge else fill

    box(2, 6, 20, 27, REFERENCE_FILL, REFERENCE_EDGE)   # the reference box
    box(20, 12, 29, 21, MOVED_FILL, MOVED_EDGE)          # the moved box, against its +X face
    for y in range(3, 31, 2):                             # the shared face, dashed
        pixels[y][20] = GUIDE
    return pixels


def tiff_bytes(pixels):
    height, width = len(pixels), len(pixels[0])
    image = bytes(channel for row in pixels for pixel in row for channel in pixel)
    header_size = 8
    bits_offset = header_size + len(image)          # four BitsPerSample values
    ifd_offset = bits_offset + 8
    entries = [  # (tag, type, count, value): type 3 = SHORT, 4 = LONG
        (256, 4, 1, width),
        (257, 4, 1, height),
        (258, 3, 4, bits_offset),
        (259, 3, 1, 1),            # no compression
        (262, 3, 1, 2),            # RGB
        (273, 4, 1, header_size),  # the one strip follows the header
        (274, 3, 1, 1),            # rows from the top
        (277, 3, 1, 4),            # samples per pixel
        (278, 4, 1, height),       # one strip
        (279, 4, 1, len(image)),
        (284, 3, 1, 1),            # samples interleaved
        (338, 3, 1, 2),            # the fourth sample is unassociated alpha
    ]
    out = bytearray(b"II*\x00" + struct.pack("<I", ifd_offset))
    out += image
    out += struct.pack("<4H", 8, 8, 8, 8)
    out += struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        packed = struct.pack("<H", value) + b"\x00\x00" if kind == 3 and count == 1 \
            else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, kind, count) + packed
    out += struct.pack("<I", 0)  # no further image
    return bytes(out)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py <output.tif>")
    with open(sys.argv[1], "wb") as output:
        output.write(tiff_bytes(draw()))
