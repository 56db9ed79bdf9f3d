#!/usr/bin/env python3
"""Draws the six square patterns of the board.

Writes resources/patterns/Square{Dark,Light}{,Select,Mark}.jpg, each 160x160: a dark walnut
square and a pale maple square, each also as "selected" (a warm golden glow rising towards the
edges) and as "marked" (a cooler, subtler tint with a soft frame, for squares that may be
chosen). Each square shows one whole picture, so the grain is drawn to fill it: the walnut runs
across, the maple runs down, as on an inlaid board, with a faint bevel at the edges.

It also writes resources/patterns/large/ with the same six names at 640x640, for squares
bigger than 160 pixels: the program scales them down to the square's size. They are the same
pictures sampled four times finer (grain, bevel and glow keep their size relative to the
square), so one scaled down to 160 looks like the 160-pixel one.

The wood is procedural: ring lines bent by periodic fractal noise, fine fibres and pores, all
from fixed seeds. The picture is written as a binary PPM and encoded by cjpeg (Debian
package libjpeg-turbo-progs). Standard library only; deterministic. Usage:
    tools/gen_patterns.py [--out DIR] [--preview DIR] [--keep-ppm]
"""
import argparse
import math
import pathlib
import shutil
import subprocess
import tempfile

SIZE = 160         # the patterns are drawn in units of this square's pixels
LARGE = 640
QUALITY = 92


def hash01(ix, iy, seed):
    """A repeatable pseudo-random value in [0, 1) for a lattice point."""
    h = (ix * 374761393 + iy * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    h ^= h >> 16
    return h / 4294967296.0


def smooth(t):
    return t * t * t * (t * (t * 6 - 15) + 10)


def value_noise(x, y, px, py, seed):
    """Value noise on a lattice that repeats every px cells across and py cells down."""
    x0, y0 = math.floor(x), math.floor(y)
    fx, fy = smooth(x - x0), smooth(y - y0)
    a = hash01(x0 % px, y0 % py, seed)
    b = hash01((x0 + 1) % px, y0 % py, seed)
    c = hash01(x0 % px, (y0 + 1) % py, seed)
    d = hash01((x0 + 1) % px, (y0 + 1) % py, seed)
    top = a + (b - a) * fx
    bottom = c + (d - c) * fx
    return top + (bottom - top) * fy


def fbm(u, v, cells_u, cells_v, seed, octaves=4):
    """Fractal noise over the unit square, repeating at its edges; about 0..1."""
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        cu, cv = cells_u << o, cells_v << o
        total += amp * value_noise(u * cu, v * cv, cu, cv, seed + 101 * o)
        norm += amp
        amp *= 0.5
    return total / norm


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


class Wood:
    def __init__(self, seed, dark, mid, light, rings, wobble, line, fibre, pores, figure, across):
        self.seed = seed
        self.dark, self.mid, self.light = dark, mid, light
        self.rings = rings          # ring lines across the square
        self.wobble = wobble        # how far the lines wander, in ring widths
        self.line = line            # darkness of the late-wood lines
        self.fibre = fibre          # strength of the fine streaks along the grain
        self.pores = pores          # strength of the dark pores
        self.figure = figure        # strength of the shimmer bands across the grain
        self.across = across        # grain runs along x when true, along y otherwise

    def colour(self, x, y):
        u, v = x / SIZE, y / SIZE
        if not self.across:
            u, v = v, u
        s = self.seed
        # u runs along the grain, v across it.
        bend = fbm(u, v, 2, 2, s, 3) - 0.5
        ring_pos = v * self.rings + self.wobble * bend + 0.3 * (fbm(u, v, 3, 8, s + 7, 2) - 0.5)
        phase = ring_pos - math.floor(ring_pos)
        # Late wood: a narrow dark line with a soft shoulder before it.
        late = math.exp(-((phase - 0.8) / 0.05) ** 2) + 0.4 * math.exp(-((phase - 0.62) / 0.16) ** 2)
        streak = fbm(u, v, 2, 64, s + 13, 3) - 0.5
        fleck = fbm(u, v, 6, 40, s + 29, 2) - 0.5
        pore = max(0.0, value_noise(u * 24, v * 160, 24, 160, s + 41) - 0.8) / 0.2
        broad = fbm(u, v, 1, 2, s + 53, 3) - 0.5
        curl = math.sin(2 * math.pi * (u * 9 + 0.8 * (fbm(u, v, 2, 2, s + 61, 2) - 0.5)))
        t = 0.56 - self.line * late + self.fibre * streak + 0.3 * broad + 0.08 * fleck
        t += self.figure * curl - self.pores * pore
        t = clamp(t)
        if t < 0.5:
            return mix(self.dark, self.mid, t / 0.5)
        return mix(self.mid, self.light, (t - 0.5) / 0.5)


def bevel(x, y):
    """Brightness factor: lit along the top and left edges, shaded along the bottom and right,
    and a gentle sheen from the top left."""
    w = 5.0
    f = 1.0
    f += 0.10 * clamp(1 - x / w) + 0.10 * clamp(1 - y / w)
    f -= 0.14 * clamp(1 - (SIZE - 1 - x) / w) + 0.14 * clamp(1 - (SIZE - 1 - y) / w)
    f += 0.05 * (1 - (x + y) / SIZE)
    return f


def edge_glow(x, y, width):
    """0 in the middle, rising to 1 at the square's edges."""
    d = min(x + 0.5, y + 0.5, SIZE - 0.5 - x, SIZE - 0.5 - y)
    inner = clamp(1 - d / width)
    return inner * inner


def select_look(c, x, y):
    """A warm golden light: the wood tinted amber, glowing towards the edges."""
    gold = (255, 196, 72)
    lum = (0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]) / 255
    tinted = mix(c, (gold[0] * (0.45 + lum), gold[1] * (0.4 + lum), gold[2] * (0.3 + lum)), 0.55)
    glow = edge_glow(x, y, 34)
    rim = edge_glow(x, y, 7)
    c = mix(tinted, (255, 226, 140), 0.7 * glow)
    return mix(c, (255, 244, 200), 0.6 * rim)


def mark_look(c, x, y):
    """A cool, quieter tint with a soft frame, for squares that may be picked."""
    lum = (0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]) / 255
    tinted = mix(c, (70 * (0.4 + lum), 150 * (0.4 + lum), 190 * (0.4 + lum)), 0.25)
    glow = edge_glow(x, y, 24)
    rim = edge_glow(x, y, 6)
    c = mix(tinted, (110, 200, 235), 0.5 * glow)
    return mix(c, (200, 240, 255), 0.35 * rim)


WALNUT = Wood(seed=11, dark=(48, 24, 13), mid=(96, 52, 29), light=(140, 84, 48),
              rings=9.0, wobble=1.4, line=0.3, fibre=0.55, pores=0.3, figure=0.0, across=True)
MAPLE = Wood(seed=23, dark=(200, 162, 112), mid=(228, 199, 154), light=(245, 226, 190),
             rings=6.0, wobble=1.2, line=0.2, fibre=0.4, pores=0.1, figure=0.035, across=False)

PATTERNS = (
    ("SquareDark", WALNUT, None),
    ("SquareLight", MAPLE, None),
    ("SquareDarkSelect", WALNUT, select_look),
    ("SquareLightSelect", MAPLE, select_look),
    ("SquareDarkMark", WALNUT, mark_look),
    ("SquareLightMark", MAPLE, mark_look),
)


def render_wood(wood, size):
    """The bevelled wood at size x size, unrounded. A pixel is sampled at its centre in units of
    the 160-pixel square, where pixel x spans x - 0.5 .. x + 0.5, so at 160 the samples fall on
    whole numbers and a larger picture averaged down lands on the same places."""
    scale = SIZE / size
    coords = [(i + 0.5) * scale - 0.5 for i in range(size)]
    rows = []
    for y in coords:
        row = []
        for x in coords:
            f = bevel(x, y)
            row.append(tuple(v * f for v in wood.colour(x, y)))
        rows.append(row)
    return rows


def render(base, look):
    size = len(base)
    scale = SIZE / size
    coords = [(i + 0.5) * scale - 0.5 for i in range(size)]
    rows = []
    for y, line in zip(coords, base):
        row = []
        for x, c in zip(coords, line):
            if look:
                c = look(c, x, y)
            row.append(tuple(int(round(clamp(v, 0, 255))) for v in c))
        rows.append(row)
    return rows


def write_ppm(path, rows):
    data = bytes(v for row in rows for px in row for v in px)
    path.write_bytes(b"P6\n%d %d\n255\n" % (len(rows[0]), len(rows)) + data)


def preview(path, folder):
    """Per pattern: the 160-pixel file, the large file scaled down to 160, and the large file's
    top left corner at full size, as decoded from the committed JPEGs."""
    from preview_board import read_jpeg, scaled, write_png
    pad = 6
    width = 3 * (SIZE + pad) + pad
    height = len(PATTERNS) * (SIZE + pad) + pad
    img = [[(60, 60, 60)] * width for _ in range(height)]
    for k, (name, _, _) in enumerate(PATTERNS):
        big = read_jpeg(folder / "large" / f"{name}.jpg")
        panels = (read_jpeg(folder / f"{name}.jpg"), scaled(big, SIZE), [r[:SIZE] for r in big[:SIZE]])
        top = pad + k * (SIZE + pad)
        for j, panel in enumerate(panels):
            left = pad + j * (SIZE + pad)
            for y in range(SIZE):
                img[top + y][left:left + SIZE] = panel[y]
    path.parent.mkdir(parents=True, exist_ok=True)
    write_png(path, width, height, img)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", type=pathlib.Path, default=root / "resources" / "patterns")
    ap.add_argument("--preview", type=pathlib.Path,
                    help="also write patterns-large-preview.png here, comparing the two sizes")
    ap.add_argument("--keep-ppm", type=pathlib.Path, help="also keep the lossless pictures here")
    args = ap.parse_args()
    cjpeg = shutil.which("cjpeg")
    if not cjpeg:
        raise SystemExit("gen_patterns: cjpeg not found (Debian package libjpeg-turbo-progs)")
    large = args.out / "large"
    large.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for size, folder, suffix in ((SIZE, args.out, ""), (LARGE, large, "-large")):
            bases = {}
            for name, wood, look in PATTERNS:
                if wood not in bases:
                    bases[wood] = render_wood(wood, size)
                ppm = pathlib.Path(tmp) / f"{name}{suffix}.ppm"
                write_ppm(ppm, render(bases[wood], look))
                subprocess.run([cjpeg, "-quality", str(QUALITY), "-sample", "1x1", "-optimize",
                                "-outfile", str(folder / f"{name}.jpg"), str(ppm)], check=True)
                if args.keep_ppm:
                    args.keep_ppm.mkdir(parents=True, exist_ok=True)
                    shutil.copy(ppm, args.keep_ppm / ppm.name)
    if args.preview:
        preview(args.preview / "patterns-large-preview.png", args.out)


if __name__ == "__main__":
    main()
