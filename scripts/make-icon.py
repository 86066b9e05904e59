#!/usr/bin/env python3
"""Writes the shell's own icon: an .ico with 16, 32, 64, 128 and 256 pixel PNG images.

Usage: make-icon.py OUTPUT.ico

The picture is drawn here (no image tools needed): a rounded tile in two blues with a white ring
and a tail, a "Q" for Quorvane. Pure Python: zlib for PNG compression, struct for the headers.
"""
import math
import struct
import sys
import zlib

SIZES = (16, 32, 64, 128, 256)


def pixel(x, y, size):
    """RGBA of the pixel centre (x, y) at the given icon size, with 4x4 supersampling."""
    samples = 4
    acc = [0.0, 0.0, 0.0, 0.0]
    for sy in range(samples):
        for sx in range(samples):
            u = (x + (sx + 0.5) / samples) / size  # 0..1
            v = (y + (sy + 0.5) / samples) / size
            r, g, b, a = sample(u, v)
            acc[0] += r * a
            acc[1] += g * a
            acc[2] += b * a
            acc[3] += a
    n = samples * samples
    alpha = acc[3] / n
    if alpha <= 0:
        return (0, 0, 0, 0)
    return tuple(int(round(c / acc[3])) for c in acc[:3]) + (int(round(alpha * 255)),)


def sample(u, v):
    # Rounded square tile with a vertical gradient.
    m, radius = 0.04, 0.2
    dx = max(abs(u - 0.5) - (0.5 - m - radius), 0.0)
    dy = max(abs(v - 0.5) - (0.5 - m - radius), 0.0)
    if math.hypot(dx, dy) > radius:
        return (0, 0, 0, 0.0)
    top, bottom = (64, 156, 255), (20, 70, 190)
    base = tuple(top[i] + (bottom[i] - top[i]) * v for i in range(3))
    # The ring of the Q.
    d = math.hypot(u - 0.5, v - 0.47)
    if 0.20 <= d <= 0.31:
        return (255, 255, 255, 1.0)
    # Its tail: a thick diagonal stroke towards the lower right.
    t = ((u - 0.56) + (v - 0.56)) / 2
    off = abs((u - 0.56) - (v - 0.56)) / math.sqrt(2)
    if 0.0 <= t <= 0.17 and off <= 0.055:
        return (255, 255, 255, 1.0)
    return base + (1.0,)


def png(size):
    rows = []
    for y in range(size):
        row = bytearray(b"\x00")
        for x in range(size):
            row.extend(pixel(x, y, size))
        rows.append(bytes(row))
    raw = b"".join(rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, data in images:
        dim = 0 if size >= 256 else size  # 0 means 256 in an icon directory
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    return out + entries + blobs


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    images = [(size, png(size)) for size in SIZES]
    with open(sys.argv[1], "wb") as f:
        f.write(ico(images))


if __name__ == "__main__":
    main()
