#!/usr/bin/env python3
"""Composes a board from the committed pictures into a PNG, to look at them as a player would.

Squares of the given size show the whole 160x160 pattern scaled down (area average), with a
selected square, a few marked ones, and the piece set the game picks for that square size,
centred and masked by each cell's bottom-left colour. The patterns are decoded with djpeg
(Debian package libjpeg-turbo-progs). Usage:
    tools/preview_board.py OUT.png [--square 60]
"""
import argparse
import pathlib
import struct
import subprocess

from gen_pieces import write_png

ROOT = pathlib.Path(__file__).resolve().parent.parent


def read_jpeg(path):
    ppm = subprocess.run(["djpeg", "-pnm", str(path)], capture_output=True, check=True).stdout
    magic, dims, _, pixels = ppm.split(b"\n", 3)
    assert magic == b"P6"
    w, h = map(int, dims.split())
    return [[tuple(pixels[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def read_bmp(path):
    d = path.read_bytes()
    offset, = struct.unpack_from("<I", d, 10)
    w, h = struct.unpack_from("<ii", d, 18)
    colours, = struct.unpack_from("<I", d, 46)
    pal = [(d[54 + 4 * i + 2], d[54 + 4 * i + 1], d[54 + 4 * i]) for i in range(colours)]
    stride = (w + 3) & ~3
    return [[pal[d[offset + (h - 1 - y) * stride + x]] for x in range(w)] for y in range(h)]


def scaled(img, n):
    """Area-average resampling of a square picture to n x n."""
    size = len(img)
    out = []
    for y in range(n):
        y0, y1 = y * size / n, (y + 1) * size / n
        row = []
        for x in range(n):
            x0, x1 = x * size / n, (x + 1) * size / n
            acc, total = [0.0, 0.0, 0.0], 0.0
            for sy in range(int(y0), min(size, int(y1 + 0.999))):
                wy = min(y1, sy + 1) - max(y0, sy)
                for sx in range(int(x0), min(size, int(x1 + 0.999))):
                    w = (min(x1, sx + 1) - max(x0, sx)) * wy
                    acc = [a + w * c for a, c in zip(acc, img[sy][sx])]
                    total += w
            row.append(tuple(int(a / total) for a in acc))
        out.append(row)
    return out


def piece_size(square):
    return 16 if square < 36 else 24 if square <= 45 else 32 if square <= 55 else 40 if square <= 65 else 48


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("out", type=pathlib.Path)
    ap.add_argument("--square", type=int, default=60)
    args = ap.parse_args()
    sq = args.square
    names = [f"Square{k}{s}" for s in ("", "Select", "Mark") for k in ("Dark", "Light")]
    pats = {n: scaled(read_jpeg(ROOT / "resources" / "patterns" / f"{n}.jpg"), sq) for n in names}
    ps = piece_size(sq)
    strip = read_bmp(ROOT / "resources" / "pieces" / f"CHECKERS_PIECES{ps}.bmp")

    # Kinds: 0 red man, 1 red king, 2 white man, 3 white king; red at the bottom.
    board = {(r, c): 2 for r in range(3) for c in range(8) if (r + c) % 2}
    board.update({(r, c): 0 for r in range(5, 8) for c in range(8) if (r + c) % 2})
    board.update({(0, 1): 3, (7, 6): 1, (4, 3): 0, (3, 4): 3})
    del board[(5, 2)], board[(2, 5)]
    selected, marked = {(5, 4), (0, 0)}, {(5, 0), (4, 3), (5, 6), (3, 4), (0, 2)}

    img = [[(0, 0, 0)] * (8 * sq) for _ in range(8 * sq)]
    for r in range(8):
        for c in range(8):
            name = "SquareDark" if (r + c) % 2 else "SquareLight"
            name += "Select" if (r, c) in selected else "Mark" if (r, c) in marked else ""
            for y in range(sq):
                img[r * sq + y][c * sq:(c + 1) * sq] = pats[name][y]
            kind = board.get((r, c))
            if kind is None:
                continue
            mask = strip[ps - 1][kind * ps]
            ox, oy = c * sq + (sq - ps) // 2, r * sq + (sq - ps) // 2
            for y in range(ps):
                for x in range(ps):
                    colour = strip[y][kind * ps + x]
                    if colour != mask:
                        img[oy + y][ox + x] = colour
    write_png(args.out, 8 * sq, 8 * sq, img)


if __name__ == "__main__":
    main()
