#!/usr/bin/env python3
"""Draws the launcher's icon, a lamp's glow on a night-blue tile, and writes
it as a multi-size Windows icon: by default 16, 24, 32 and 48 pixels as
32-bit bitmaps with their AND masks (for old systems); sizes of 256 and more
are stored as PNG. The stub's size is a tracked figure, so the default
leaves the large PNG out.

usage: make_icon.py OUTPUT.ico [--group GROUP.bin] [SIZE ...]
With --group, also writes the icon's group directory (an RT_GROUP_ICON
resource) naming the images 1, 2, ...: the ids a resource compiler gives the
images of the first ICON statement, so that a second icon name can share
them instead of carrying copies. The output depends only on the sizes, so
builds are reproducible. Other designs reuse write_icon() with a sample
function of their own (see samples/hello/make_icon.py)."""

import math
import struct
import sys
import zlib

DEFAULT_SIZES = (16, 24, 32, 48)
TILE = (29, 53, 87)        # night blue
TILE_EDGE = (20, 36, 61)
GLOW = (255, 214, 102)     # warm lamp light
CORE = (255, 250, 235)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def in_rounded_tile(x, y, r):
    """Whether (x, y) lies on the unit square with corners of radius r."""
    dx = max(abs(x - 0.5) - (0.5 - r), 0.0)
    dy = max(abs(y - 0.5) - (0.5 - r), 0.0)
    return math.hypot(dx, dy) <= r


def sample(x, y):
    """Colour and coverage of the design at (x, y) in the unit square."""
    # Rounded tile with a soft vertical shade.
    if not in_rounded_tile(x, y, 0.18):
        return (0, 0, 0), 0.0
    colour = mix(TILE, TILE_EDGE, y)
    # The glow: a disc with a soft halo and eight short rays.
    cx, cy = 0.5, 0.47
    d = math.hypot(x - cx, y - cy)
    angle = math.atan2(y - cy, x - cx)
    ray = max(0.0, math.cos(angle * 8.0)) ** 6
    halo = max(0.0, 1.0 - d / (0.40 + 0.06 * ray)) ** 2
    colour = mix(colour, GLOW, min(1.0, halo * 1.1))
    if d < 0.19:
        colour = mix(GLOW, CORE, max(0.0, 1.0 - d / 0.19))
    # The lamp's foot: a small bar under the light.
    if abs(x - 0.5) < 0.13 and 0.74 < y < 0.80:
        colour = mix(colour, CORE, 0.85)
    return colour, 1.0


def render(size, sample=sample):
    """RGBA rows, top row first, supersampled 4 x 4 per pixel (2 x 2 from
    128 pixels on, where a pixel is small against the design)."""
    steps = 4 if size < 128 else 2
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0.0
            for sy in range(steps):
                for sx in range(steps):
                    colour, alpha = sample((px + (sx + 0.5) / steps) / size,
                                           (py + (sy + 0.5) / steps) / size)
                    for i in range(3):
                        acc[i] += colour[i] * alpha
                    cover += alpha
            n = steps * steps
            if cover:
                rgb = [int(round(c / cover)) for c in acc]
            else:
                rgb = [0, 0, 0]
            row.append((*rgb, int(round(255 * cover / n))))
        rows.append(row)
    return rows


def bitmap_entry(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def png_entry(size, rows):
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_icon(path, sizes, sample=sample):
    images = []
    for size in sizes:
        rows = render(size, sample)
        images.append((size, png_entry(size, rows) if size >= 256 else bitmap_entry(size, rows)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dimension = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)
    return bytes(out)


def group_directory(icon, first_id=1):
    """The RT_GROUP_ICON bytes of an .ico file's bytes: the same entries,
    each with an image id in place of its file offset."""
    _, _, count = struct.unpack_from("<HHH", icon, 0)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    for i in range(count):
        fields = struct.unpack_from("<BBBBHHII", icon, 6 + 16 * i)
        out += struct.pack("<BBBBHHIH", *fields[:7], first_id + i)
    return bytes(out)


if __name__ == "__main__":
    args = sys.argv[1:]
    group = None
    if "--group" in args:
        at = args.index("--group")
        if at + 1 >= len(args):
            sys.exit(__doc__)
        group = args[at + 1]
        del args[at:at + 2]
    if not args:
        sys.exit(__doc__)
    icon = write_icon(args[0], tuple(int(s) for s in args[1:]) or DEFAULT_SIZES)
    if group is not None:
        with open(group, "wb") as f:
            f.write(group_directory(icon))
