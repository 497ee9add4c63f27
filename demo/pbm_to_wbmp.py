#!/usr/bin/python3
"""Turns a plain (P1) PBM picture into a type 0 WBMP: the demo keeps its
pictures as text and serves them in the handset's own image format.

  pbm_to_wbmp.py IN.pbm OUT.wbmp
"""
import sys


def uintvar(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def readPbm(path):
    words = []
    for line in open(path, encoding="ascii"):
        words += line.split("#", 1)[0].split()
    if not words or words[0] != "P1":
        sys.exit("%s: not a plain PBM" % path)
    width, height = int(words[1]), int(words[2])
    bits = "".join(words[3:])
    if len(bits) < width * height or width < 1 or height < 1:
        sys.exit("%s: short picture" % path)
    return width, height, bits


def main():
    width, height, bits = readPbm(sys.argv[1])
    out = bytearray(b"\x00\x00" + uintvar(width) + uintvar(height))
    for y in range(height):
        row = 0
        for x in range((width + 7) // 8 * 8):
            # PBM 1 is black; WBMP 1 is white.
            white = x >= width or bits[y * width + x] == "0"
            row = row << 1 | white
            if x % 8 == 7:
                out.append(row)
                row = 0
    open(sys.argv[2], "wb").write(out)


if __name__ == "__main__":
    main()
