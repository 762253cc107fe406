#!/usr/bin/env python3
"""One line comparing two frames (.bmp, 24 or 32 bits): the board's and the software renderer's.

The frames are laid on each other from their bottom-left corners (OpenGL's window origin), over the
size they share. A pixel differs when one of its channels differs by more than 32 levels.

usage: compare-frames.py BOARD.bmp SOFTWARE.bmp [BOARD_TEXTURED]
BOARD_TEXTURED: "yes" when the board downloaded textures during the run, "no" when it did not.
"""
import struct
import sys


def read(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits not in (24, 32):
        raise SystemExit("%s: %d bits per pixel" % (path, bits))
    step = bits // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = data[offset + y * stride:offset + y * stride + width * step]
        rows.append([tuple(row[x * step:x * step + 3]) for x in range(width)])
    if height < 0:
        rows.reverse()  # bottom row first
    return width, abs(height), rows


def main():
    board, software = read(sys.argv[1]), read(sys.argv[2])
    width, height = min(board[0], software[0]), min(board[1], software[1])
    differ, total = 0, 0
    for y in range(height):
        a, b = board[2][y], software[2][y]
        for x in range(width):
            p, q = a[x], b[x]
            total += abs(p[0] - q[0]) + abs(p[1] - q[1]) + abs(p[2] - q[2])
            if max(abs(p[0] - q[0]), abs(p[1] - q[1]), abs(p[2] - q[2])) > 32:
                differ += 1
    pixels = width * height
    note = ""
    if len(sys.argv) > 3:
        note = ("; the board drew textured" if sys.argv[3] == "yes"
                else "; the board drew untextured (it downloaded no texture), so textured surfaces differ")
    print("board %dx%d vs software %dx%d, %dx%d compared: %.1f%% of the pixels differ by more than 32 levels, "
          "mean difference %.1f levels a channel%s" %
          (board[0], board[1], software[0], software[1], width, height, 100.0 * differ / pixels,
           total / (3.0 * pixels), note))


if __name__ == "__main__":
    main()
