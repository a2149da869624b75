#!/usr/bin/env python3
"""Writes the X11 window's icon as a C++ header, from the icon's PNGs: for
each PNG its width, its height, then its rows as 0xAARRGGBB, the layout
_NET_WM_ICON takes.

usage: window_icon_header.py HEADER PNG...   (8-bit RGBA PNGs, not interlaced)
"""
import struct
import sys
import zlib


def paeth(left, up, up_left):
    estimate = left + up - up_left
    near_left, near_up, near_up_left = (abs(estimate - v) for v in (left, up, up_left))
    if near_left <= near_up and near_left <= near_up_left:
        return left
    return up if near_up <= near_up_left else up_left


def unfilter(data, width, height, bpp=4):
    """The image's rows, each stride bytes, with the PNG row filters undone."""
    stride = width * bpp
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, row = data[at], bytearray(data[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            left = row[i - bpp] if i >= bpp else 0
            up_left = previous[i - bpp] if i >= bpp else 0
            predictor = (0, left, previous[i], (left + previous[i]) // 2,
                         paeth(left, previous[i], up_left))[kind]
            row[i] = (row[i] + predictor) & 0xFF
        rows.append(row)
        previous = row
    return rows


def read_rgba(path):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"{path}: not a PNG")
    at, header, compressed = 8, None, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
    if header is None or header[2:4] != (8, 6) or header[6] != 0:
        sys.exit(f"{path}: not an 8-bit RGBA PNG without interlacing")
    width, height = header[:2]
    return width, height, unfilter(zlib.decompress(compressed), width, height)


def icon_words(paths):
    words = []
    for path in paths:
        width, height, rows = read_rgba(path)
        words += [width, height]
        for row in rows:
            words += [row[i + 3] << 24 | row[i] << 16 | row[i + 1] << 8 | row[i + 2]
                      for i in range(0, len(row), 4)]
    return words


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    words = icon_words(sys.argv[2:])
    lines = ["    " + " ".join(f"0x{w:08X}," for w in words[i:i + 8])
             for i in range(0, len(words), 8)]
    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("// Made in the build from the icon's PNGs (packaging/icon).\n"
                  "#pragma once\n\n#include <cstdint>\n\nnamespace platform::x11 {\n\n"
                  "inline constexpr std::uint32_t kWindowIcon[] = {\n" + "\n".join(lines) +
                  "\n};\n\n}  // namespace platform::x11\n")


if __name__ == "__main__":
    main()
