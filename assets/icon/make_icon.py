#!/usr/bin/env python3
"""Draws tavrin.ico from the pixel map in icon.txt: one 32 x 32 image, 32 bits a pixel."""
import struct
import sys
from pathlib import Path

COLOURS = {  # character: (blue, green, red, alpha)
    ".": (0, 0, 0, 0),
    "b": (0xC0, 0x6A, 0x1E, 0xFF),
    "d": (0x80, 0x40, 0x10, 0xFF),
    "w": (0xFF, 0xFF, 0xFF, 0xFF),
    "o": (0x20, 0x90, 0xF0, 0xFF),
}


def main():
    here = Path(__file__).parent
    rows = [l for l in (here / "icon.txt").read_text().splitlines() if l and not l.startswith("#")]
    size = len(rows)
    assert size == 32 and all(len(r) == size for r in rows), "the map must be 32 x 32"
    pixels = b"".join(bytes(COLOURS[c]) for row in reversed(rows) for c in row)  # bottom-up
    mask_row = (size + 31) // 32 * 4
    mask = bytes(mask_row * size)  # the alpha channel decides; the AND mask stays clear
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else here / "tavrin.ico"
    out.write_bytes(directory + image)


if __name__ == "__main__":
    main()
