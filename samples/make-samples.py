#!/usr/bin/env python3
"""Writes the tools' sample data into a folder:

  viewer/   s1.mdg (a lathed vase of a few hundred textured triangles), blank.bmp (its texture,
            128 x 128, 24 bits), vase.mdg and marble.bmp (the same shape for Load Model)
  editor/   tiles/BN<name> (59 tile bitmaps, 256 x 256, 8 bits with a palette), mdg/ (the models
            and their textures), sample.ttd (a tile target file)

usage: make-samples.py OUTDIR
"""
import math
import os
import struct
import sys

TEXTURES = """Field8 Grass Water Coast1 Coast3 Coast2 Field1 Field2 Field5 Field4 Allcity Allcity2
Allcity3 Allcity4 River1 River2 River9 River4 River5 River6 River7 River8 Mount1 Mount4 Mount3 Mount2
Forest4 Forest1 Forest5 Forest6 Forest3 Forest2 Coast4 Coast5 Road1 Road2 Road6 Road4 Field7 Road8
Road9 Forest7 Allcity5 Riverend Coast6 Road10 Allcity9 Field6 Allcity7 Allcity8 Coastu1 Coastu2 CoastBR
RiverBR Riverfork CoastRIV RiverTR Coastcty CoastTBR BOMBS""".split() + ["GRND%02d" % i for i in range(1, 13)]
MODELS = """none Toilrefh Tballbph Tchemplh Tairfcth none Tarmfcth TRAILYDH Tshipydh Tuboatph Tv1siteh
Tbrgrd1h Tbrgrd2h Tbrgrd3h Tbrgrl1h Tbrgrl2h Tbrgrl3h TAAGUNHH TAAGUNLH Toilstgh Tradarbh Tradarth
Tforst3H Tcoforth Tfueldph Tcontrlh Tambunkh THANGARH Tbarrakh Theadqth Tofclubh Tbriefbh Ttree01h
Ttrees1H Ttree02h Ttrees2H Ttree03h Ttrees3H Ttree04h Ttrees4H Tforst1H Twarehsh Tforst2H Ttrengnh
TTRTENDH TTRBOXCH TTROILTH TTRFLTEH TTRFLTFH TTRFLTGH Ttrkfulh TTRKUNCH TTRKCOVH THALFTGH TJEEPGMH
TTANKGMH TTANKALH TTRANSPH Tchurchh Tcity01h Tcity02h Tcity03h Tcity04h Tcthdrlh Tfarm01h Tcastleh
Tchateuh Twindmlh Thouse1h Tpchuteh Ttrengnh Ttrengnh""".split()


def bmp24(width, height, pixel):
    """A bottom-up 24-bit bitmap file; pixel(x, y) gives (r, g, b), y = 0 the bottom row."""
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows += row + bytes(stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(rows), 0, 0, 54) + info + rows


def bmp8(width, height, palette, index):
    """A bottom-up 8-bit bitmap file with a colour table."""
    stride = (width + 3) & ~3
    rows = bytearray()
    for y in range(height):
        row = bytes(index(x, y) for x in range(width))
        rows += row + bytes(stride - len(row))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(rows), 2835, 2835, len(palette), 0)
    offset = 14 + len(info) + len(table)
    return b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + info + table + rows


def marble(x, y):
    v = math.sin(x * 0.15 + 4 * math.sin(y * 0.07)) * 0.5 + 0.5
    stripe = (x // 16 + y // 16) % 2
    return (int(200 * v + 40), int(120 + 80 * stripe * v), int(60 + 150 * (1 - v)))


def lathe(profile, segments, scale):
    """Triangles of a surface of revolution about y; profile is a list of (radius, height)."""
    tris = []
    for i in range(len(profile) - 1):
        (r0, y0), (r1, y1) = profile[i], profile[i + 1]
        for s in range(segments):
            a0, a1 = 2 * math.pi * s / segments, 2 * math.pi * (s + 1) / segments
            def v(r, y, a, t):
                p = (r * math.cos(a) * scale, y * scale, r * math.sin(a) * scale)
                dr, dy = r1 - r0, y1 - y0
                n = (dy * math.cos(a), -dr, dy * math.sin(a))
                ln = math.sqrt(sum(c * c for c in n)) or 1.0
                return p, tuple(c / ln for c in n), (a / (2 * math.pi) * 2, t)
            t0, t1 = i / (len(profile) - 1), (i + 1) / (len(profile) - 1)
            p00, p01 = v(r0, y0, a0, t0), v(r0, y0, a1, t0)
            p10, p11 = v(r1, y1, a0, t1), v(r1, y1, a1, t1)
            tris += [p00, p11, p10, p00, p01, p11]  # clockwise seen from outside
    return tris


def mdg(name, texture, tris, lines=(), extents=(0, 0, 0)):
    out = ["Zorvex sample model", name, texture, "%d triangle vertices" % len(tris),
           "%d 0 0 %d %d %d" % ((len(lines),) + tuple(extents))]
    for p, n, t in tris:
        out.append("%.4f %.4f %.4f" % p)
        out.append("%.4f %.4f %.4f" % n)
        out.append("%.4f %.4f" % t)
    for p in lines:
        out.append("%.4f %.4f %.4f" % p)
    return "\n".join(out) + "\n"


VASE = [(0.0, -8), (5, -8), (6.5, -6), (8, -2), (7.5, 2), (5, 5), (3.5, 7), (4.5, 9), (5.5, 10)]


def box(w, h, d):
    """A box standing on y = 0 with its outline; w, h, d in model units."""
    corners = [(x, y, z) for x in (-w, w) for y in (0, h) for z in (-d, d)]
    faces = [((0, 1, 3, 2), (-1, 0, 0)), ((4, 6, 7, 5), (1, 0, 0)), ((0, 4, 5, 1), (0, -1, 0)),
             ((2, 3, 7, 6), (0, 1, 0)), ((0, 2, 6, 4), (0, 0, -1)), ((1, 5, 7, 3), (0, 0, 1))]
    tris = []
    uv = [(0, 0), (1, 0), (1, 1), (0, 1)]
    for quad, n in faces:
        for k in (0, 2, 1, 0, 3, 2):  # clockwise seen from outside
            tris.append((corners[quad[k]], n, uv[k]))
    edges = [(0, 1), (1, 3), (3, 2), (2, 0), (4, 5), (5, 7), (7, 6), (6, 4), (0, 4), (1, 5), (2, 6), (3, 7)]
    lines = [corners[i] for e in edges for i in e]
    return tris, lines


def tile_palette(t):
    base = [(60 + (t * 37) % 120, 110 + (t * 53) % 100, 50 + (t * 29) % 90)]
    return [tuple(min(255, int(c * (0.55 + 0.45 * k / 255))) for c in base[0]) for k in range(256)]


def tile_index(t):
    def index(x, y):
        road = abs((x + y * (t % 3)) % 96 - 48) < 4
        return 255 if road else int(127 + 120 * math.sin(x * 0.05 + t) * math.cos(y * 0.04))
    return index


def ttd():
    tiles = bytearray()
    for t in range(59):
        record = bytearray(struct.pack("<16si", bytes([t]) * 16, 0))
        count = 0
        targets = bytearray()
        if t in (0, 1, 2):
            for k in range(6 + t):
                kind = 1 + (k * 11 + t * 5) % 71
                x, y = 30 + (k * 37) % 200, 40 + (k * 53) % 180
                tail = bytes((k + i) % 256 for i in range(9))
                rec = struct.pack("<HHii9sBBB24siiii16s", kind, (k * 9000) % 65536, x, y, tail, 100 + k, k % 3, k,
                                  bytes(24), -1, -2, 3, 4, bytes(16))
                targets += rec
                count += 1
        record[16:20] = struct.pack("<i", count)
        record += targets + bytes(64 * 80 - len(targets))
        tiles += record
    return bytes(tiles)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def main():
    out = sys.argv[1]
    vase = lathe(VASE, 24, 0.75)
    write(os.path.join(out, "viewer", "s1.mdg"), mdg("vase", "blank.bmp", vase))
    write(os.path.join(out, "viewer", "blank.bmp"), bmp24(128, 128, marble))
    write(os.path.join(out, "viewer", "vase.mdg"), mdg("vase", "marble.bmp", lathe(VASE, 24, 5.0)))
    write(os.path.join(out, "viewer", "marble.bmp"), bmp24(64, 64, lambda x, y: marble(2 * y, 2 * x)))
    editor = os.path.join(out, "editor")
    for t, name in enumerate(TEXTURES[:59]):
        write(os.path.join(editor, "tiles", "BN" + name + ".bmp"), bmp8(256, 256, tile_palette(t), tile_index(t)))
    for k, name in enumerate(TEXTURES[59:]):
        write(os.path.join(editor, "mdg", name + ".bmp"),
              bmp24(32, 32, lambda x, y, k=k: ((x * 8 + k * 20) % 256, (y * 8) % 256, (k * 40) % 256)))
    for slot, name in enumerate(MODELS):
        w, h, d = 4 + slot % 5, 3 + slot % 7, 3 + slot % 4
        tris, lines = box(w * 450, h * 450, d * 450)
        texture = TEXTURES[59 + slot % 13] + ".bmp"
        write(os.path.join(editor, "mdg", name + ".mdg"),
              mdg(name, texture, tris, lines, (w * 450, h * 450, d * 450)))
    write(os.path.join(editor, "sample.ttd"), ttd())


if __name__ == "__main__":
    main()
