#!/usr/bin/python3
"""Exit 0 when a GIF decodes (with PIL) to exactly the pixels of a binary PPM."""
import sys

from PIL import Image


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    parts = data.split(b"\n", 3)
    assert parts[0] == b"P6", "not a binary PPM"
    width, height = map(int, parts[1].split())
    return width, height, parts[3]


def main():
    gif, ppm = sys.argv[1], sys.argv[2]
    width, height, expected = read_ppm(ppm)
    image = Image.open(gif)
    if image.format != "GIF" or image.size != (width, height):
        print(f"{gif}: {image.format} {image.size}, expected GIF {(width, height)}")
        return 1
    got = image.convert("RGB").tobytes()
    if got != expected:
        bad = next(i for i in range(0, len(got), 3) if got[i:i + 3] != expected[i:i + 3]) // 3
        print(f"{gif}: pixel {bad % width},{bad // width} is {tuple(got[bad*3:bad*3+3])}, "
              f"expected {tuple(expected[bad*3:bad*3+3])}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
