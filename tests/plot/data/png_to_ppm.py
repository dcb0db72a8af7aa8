#!/usr/bin/env python3
"""Decodes a PNG picture (8-bit RGB or RGBA, not interlaced: what the plot library writes)
into a binary PPM file, so that a test can read the picture pixel by pixel.
Usage: png_to_ppm.py PICTURE.png OUT.ppm. Exit status 1, with the reason, otherwise."""
import struct
import sys
import zlib


def chunks(data):
    pos = 8
    while pos + 8 <= len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        yield kind, data[pos + 8:pos + 8 + size]
        pos += 12 + size


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(kind, line, prev, bpp):
    """Undoes one row's filter in place (the five filter types of the format)."""
    n = len(line)
    if kind == 1:
        for i in range(bpp, n):
            line[i] = (line[i] + line[i - bpp]) & 255
    elif kind == 2:
        for i in range(n):
            line[i] = (line[i] + prev[i]) & 255
    elif kind == 3:
        for i in range(n):
            left = line[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + (left + prev[i]) // 2) & 255
    elif kind == 4:
        for i in range(n):
            left = line[i - bpp] if i >= bpp else 0
            corner = prev[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + paeth(left, prev[i], corner)) & 255
    elif kind != 0:
        raise ValueError("unknown row filter %d" % kind)


def decode(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    head, packed = None, b""
    for kind, body in chunks(data):
        if kind == b"IHDR":
            head = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            packed += body
    if head is None:
        raise ValueError("no header")
    width, height, depth, colour, _, _, interlace = head
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError("depth %d, colour type %d, interlace %d not read here"
                         % (depth, colour, interlace))
    bpp = 3 if colour == 2 else 4
    raw = zlib.decompress(packed)
    stride = width * bpp
    rgb = bytearray()
    prev = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        line = bytearray(raw[start + 1:start + 1 + stride])
        unfilter(raw[start], line, prev, bpp)
        if bpp == 3:
            rgb += line
        else:
            for x in range(width):
                rgb += line[4 * x:4 * x + 3]
        prev = line
    return width, height, rgb


def main():
    try:
        with open(sys.argv[1], "rb") as f:
            width, height, rgb = decode(f.read())
    except (OSError, ValueError, zlib.error) as e:
        sys.stderr.write("png_to_ppm.py: %s: %s\n" % (sys.argv[1], e))
        sys.exit(1)
    with open(sys.argv[2], "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (width, height))
        f.write(rgb)


main()
