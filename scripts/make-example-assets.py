#!/usr/bin/env python3
"""Writes the example app's binary assets into a www folder: the puzzle's sprite sheet, a sprite and
an icon (PNG), a looping theme (16-bit PCM WAV, a few seconds long so that the browser fetches it by
ranges) and the short sound of a sliding tile.

Usage: make-example-assets.py WWW_FOLDER
"""
import math
import os
import struct
import sys
import zlib


def png(width, height, colour_at):
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(colour_at(x, y))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def sprite(x, y):
    # A small cloud on a transparent background.
    d = min(math.hypot(x - 10, y - 18), math.hypot(x - 20, y - 13), math.hypot(x - 22, y - 20))
    return (255, 255, 255, 255) if d < 8 else (0, 0, 0, 0)


def icon(x, y):
    inside = 4 <= x < 60 and 4 <= y < 60
    return (40, 110, 230, 255) if inside else (0, 0, 0, 0)


def sky(x, y):
    # The puzzle's picture, 450 x 450: a sky getting lighter towards the horizon, a sun and three
    # clouds, cut into nine tiles by the page.
    t = y / 450
    colour = [int(20 + 90 * t), int(70 + 120 * t), int(170 + 70 * t), 255]
    if math.hypot(x - 330, y - 110) < 55:
        colour = [255, 214, 90, 255]
    for cx, cy, r in ((110, 150, 45), (250, 300, 60), (380, 380, 40)):
        d = min(math.hypot(x - cx, y - cy), math.hypot(x - cx - r, y - cy + r / 3),
                math.hypot(x - cx + r, y - cy + r / 4))
        if d < r:
            colour = [245, 248, 255, 255]
    return tuple(colour)


def blip(rate=22050):
    frames = bytearray()
    count = rate // 12
    for i in range(count):
        value = int(9000 * math.sin(2 * math.pi * (660 + 2000 * i / count) * i / rate) *
                    (1 - i / count))
        frames += struct.pack("<h", value)
    return wav_file(frames, rate)


def wav_file(frames, rate):
    header = b"RIFF" + struct.pack("<I", 36 + len(frames)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16)
    header += b"data" + struct.pack("<I", len(frames))
    return header + frames


def wav(seconds=6, rate=22050):
    frames = bytearray()
    notes = (262, 330, 392, 523)
    for i in range(seconds * rate):
        freq = notes[(i // (rate // 2)) % len(notes)]
        value = int(8000 * math.sin(2 * math.pi * freq * i / rate))
        frames += struct.pack("<h", value)
    return wav_file(frames, rate)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    www = sys.argv[1]
    for sub in ("img", "audio"):
        os.makedirs(os.path.join(www, sub), exist_ok=True)
    with open(os.path.join(www, "img", "sprite.png"), "wb") as f:
        f.write(png(32, 32, sprite))
    with open(os.path.join(www, "img", "icon.png"), "wb") as f:
        f.write(png(64, 64, icon))
    with open(os.path.join(www, "img", "tiles.png"), "wb") as f:
        f.write(png(450, 450, sky))
    with open(os.path.join(www, "audio", "theme.wav"), "wb") as f:
        f.write(wav())
    with open(os.path.join(www, "audio", "slide.wav"), "wb") as f:
        f.write(blip())


if __name__ == "__main__":
    main()
