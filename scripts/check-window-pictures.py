#!/usr/bin/env python3
"""Checks a whole-window picture of the main job against what the run drew.

  check-window-pictures.py gl PICTURE FRAME   the client area (the window centred at the
      desktop's bottom, as the tools place it) holds the GL frame, within 2 levels a channel
  check-window-pictures.py map PICTURE        the client area's left square holds the editor's
      tile map (green texels) and the panel right of it its white background

Prints one line; exits 1 when the picture does not show what it should."""
import struct
import sys


def read(path):
    d = open(path, 'rb').read()
    off, = struct.unpack('<I', d[10:14])
    w, h = struct.unpack('<ii', d[18:26])
    stride = (w * 3 + 3) & ~3
    return w, h, lambda x, y: tuple(d[off + (h - 1 - y) * stride + 3 * x + 2 - i] for i in range(3))


def main():
    kind, picture = sys.argv[1], sys.argv[2]
    W, H, pic = read(picture)
    if kind == 'gl':
        w, h, frame = read(sys.argv[3])
        border = (W - w) // 2
        top = H - h - border
        far = sum(1 for y in range(h) for x in range(w)
                  if max(abs(a - b) for a, b in zip(pic(x + border, y + top), frame(x, y))) > 2)
        ok = far * 1000 <= w * h
        print(f"{picture}: client area {w}x{h} at ({border}, {top}) against {sys.argv[3]}: "
              f"{far} pixels differ by more than 2 levels: {'ok' if ok else 'WRONG'}")
    else:
        border, top = 3, 41
        side = H - top - border
        green = sum(1 for y in range(top, top + side, 4) for x in range(border, border + side, 4)
                    if pic(x, y)[1] > pic(x, y)[0] + 16 and pic(x, y)[1] > pic(x, y)[2] + 16)
        white = sum(1 for y in range(top, top + side, 4) for x in range(border + side + 4, W - border - 4, 4)
                    if pic(x, y) == (255, 255, 255))
        samples = len(range(top, top + side, 4))
        ok = green * 2 > samples * len(range(border, border + side, 4)) and white * 2 > samples * len(
            range(border + side + 4, W - border - 4, 4))
        print(f"{picture}: map {green} green samples, panel {white} white samples: {'ok' if ok else 'WRONG'}")
    return 0 if ok else 1


sys.exit(main())
