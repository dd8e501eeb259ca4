#!/usr/bin/env python3
"""Draws the program's icon, tolmix-client.ico: a console window with a prompt and a cursor,
at 16, 32 and 48 pixels (32-bit BMP images inside the ICO container). Run again after a change:
    packaging/windows/make-icon.py"""
import os
import struct

FRAME = (0x30, 0x30, 0x30, 0xFF)
TITLE = (0xC0, 0x70, 0x20, 0xFF)      # blue-ish title bar (BGRA)
SCREEN = (0x40, 0x10, 0x00, 0xFF)     # dark blue
TEXT = (0x00, 0xD0, 0xF0, 0xFF)       # yellow
CLEAR = (0, 0, 0, 0)


def pixel(x, y, n):
    """The colour at (x, y) of an n x n icon, y from the top."""
    edge = max(1, n // 16)
    if x < edge or y < edge or x >= n - edge or y >= n - edge:
        return FRAME
    if y < edge + max(2, n // 8):
        return TITLE
    # A ">" prompt and a block cursor on the screen.
    u = (x - edge) / (n - 2 * edge)
    v = (y - edge) / (n - 2 * edge)
    if 0.15 <= u <= 0.45 and 0.35 <= v <= 0.75:
        d = abs(v - 0.55)
        if abs((u - 0.15) - (0.2 - d)) < 0.08:
            return TEXT
    if 0.55 <= u <= 0.8 and 0.62 <= v <= 0.75:
        return TEXT
    return SCREEN


def image(n):
    rows = []
    for y in reversed(range(n)):  # BMP rows go bottom up
        rows.append(b"".join(bytes(pixel(x, y, n)) for x in range(n)))
    mask_row = ((n + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"\0" * (mask_row * n)


def main():
    sizes = [16, 32, 48]
    images = [image(n) for n in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tolmix-client.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
