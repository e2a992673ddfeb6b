#!/usr/bin/env python3
"""Writes the project's XPM pixel art as 8-bit Windows bitmaps (BMP) for the resource compiler.

Usage: xpm2bmp.py OUTPUT_DIR INPUT.xpm...  (each NAME.xpm becomes OUTPUT_DIR/NAME.bmp)

Only what the project's icons use is read: "W H N 1" headers and "#RRGGBB" colours. The palette
keeps the XPM's colours in order; white stays white, the colour the trees treat as transparent.
"""
import pathlib
import re
import struct
import sys


def read_xpm(path):
    strings = re.findall(r'"([^"]*)"', pathlib.Path(path).read_text())
    width, height, count, per_pixel = (int(v) for v in strings[0].split()[:4])
    if per_pixel != 1 or count > 256:
        raise SystemExit(f"{path}: only one character per pixel and 256 colours are supported")
    palette, index = [], {}
    for line in strings[1:1 + count]:
        key, spec = line[0], line[1:].split()
        colour = spec[spec.index("c") + 1]
        if not re.fullmatch(r"#[0-9A-Fa-f]{6}", colour):
            raise SystemExit(f"{path}: colour {colour!r} is not #RRGGBB")
        index[key] = len(palette)
        palette.append(int(colour[1:], 16))
    rows = strings[1 + count:1 + count + height]
    pixels = [[index[c] for c in row[:width]] for row in rows]
    return width, height, palette, pixels


def bmp_bytes(width, height, palette, pixels):
    stride = (width + 3) & ~3
    colours = palette + [0] * (256 - len(palette))
    table = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0) for c in colours)
    # Rows bottom-up, each padded to four bytes.
    data = b"".join(bytes(row) + bytes(stride - width) for row in reversed(pixels))
    offset = 14 + 40 + len(table)
    # All 256 colours are listed (biClrUsed 0): a bitmap resource loses its file header, and
    # the loader finds the pixels right behind the colour table the info header announces.
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + table + data


def main():
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for name in sys.argv[2:]:
        target = out / (pathlib.Path(name).stem + ".bmp")
        target.write_bytes(bmp_bytes(*read_xpm(name)))


if __name__ == "__main__":
    main()
