#!/usr/bin/env python3
"""Draws the built-in checkers piece sets.

Writes resources/pieces/CHECKERS_PIECES<size>.bmp for size 16, 24, 32, 40 and 48: an 8-bit
Windows bitmap with a 128-colour palette, 4*size x size pixels, four cells left to right:
red man, red king, white man, white king, on magenta (the transparent colour, taken from
each cell's bottom-left pixel).

Each piece is rendered with 6x6 supersampling from a small 3D model: a disc seen from above
and slightly in front, so its reeded side shows below the top face; the top face has a
rolled rim and turned rings; a king is two stacked discs with a gold crown. The light comes
from the top left. Because the mask is binary, the edge is antialiased toward a dark outline
colour rather than toward the background, and any pixel less than half covered becomes
magenta. Colours are then mapped onto one fixed 128-entry palette shared by all sets.

It also writes resources/pieces/large/{red-man,red-king,white-man,white-king}.png, 512x512
RGBA, for pieces bigger than the largest set: the program scales them down to the size it
needs. They are drawn from the 48-pixel model, sampled finer, so a piece fills its cell in the
same proportion as in the 48-pixel set and has the same look; the edge fades into a real
alpha channel instead of a magenta mask.

Standard library only; deterministic. Usage:
    tools/gen_pieces.py [--out DIR] [--preview DIR]
"""
import argparse
import math
import pathlib
import struct
import zlib

SIZES = (16, 24, 32, 40, 48)
LARGE = 512        # side of the large pictures
LARGE_MODEL = 48   # the set whose model they are drawn from
LARGE_NAMES = ("red-man", "red-king", "white-man", "white-king")  # in the cells' order
MAGENTA = (255, 0, 255)
SUPERSAMPLE = 6

# Light from the top left and above; the viewer looks straight down.
_l = (-0.48, -0.58, 0.66)
_n = math.sqrt(sum(c * c for c in _l))
LIGHT = tuple(c / _n for c in _l)
_h = (LIGHT[0], LIGHT[1], LIGHT[2] + 1.0)
_n = math.sqrt(sum(c * c for c in _h))
HALF = tuple(c / _n for c in _h)


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return tuple(lerp(a, b, t) for a, b in zip(c1, c2))


class Ramp:
    """A colour as a function of lightness 0..1, through evenly spaced key colours."""

    def __init__(self, keys):
        self.keys = keys

    def __call__(self, t):
        t = min(1.0, max(0.0, t)) * (len(self.keys) - 1)
        i = min(int(t), len(self.keys) - 2)
        return mix(self.keys[i], self.keys[i + 1], t - i)

    def samples(self, count):
        return [self(i / (count - 1)) for i in range(count)]


RED = Ramp([(20, 2, 4), (66, 6, 10), (120, 12, 18), (164, 20, 26), (198, 32, 34),
            (224, 62, 54), (244, 124, 106), (255, 212, 200)])
CREAM = Ramp([(34, 32, 32), (82, 78, 74), (138, 132, 124), (184, 178, 166), (216, 210, 196),
              (234, 229, 215), (246, 243, 232), (255, 255, 250)])
GOLD = Ramp([(48, 28, 4), (104, 66, 8), (160, 112, 20), (204, 156, 40), (232, 192, 70),
             (248, 222, 120), (255, 246, 200)])
DARK = Ramp([(8, 6, 6), (26, 18, 16), (46, 34, 30), (70, 56, 50)])

RED_OUTLINE = (30, 8, 8)
CREAM_OUTLINE = (52, 48, 46)


def build_palette():
    """Magenta first, then lightness ramps of each material and the blends between them."""
    pal = [MAGENTA]
    pal += RED.samples(40)
    pal += CREAM.samples(36)
    pal += GOLD.samples(28)
    pal += DARK.samples(15)
    # Where the crown's edge meets the face of a piece.
    pal += [mix(GOLD(0.05), CREAM(0.6), t) for t in (0.33, 0.67)]
    pal += [mix(GOLD(0.05), RED(0.6), t) for t in (0.5,)]
    pal += [mix(GOLD(0.6), CREAM(0.7), t) for t in (0.5,)]
    pal += [mix(GOLD(0.6), RED(0.5), t) for t in (0.5,)]
    pal += [mix(RED_OUTLINE, CREAM_OUTLINE, 0.5), (0, 0, 0), (255, 255, 255)]
    pal = [tuple(int(round(min(255.0, max(0.0, c)))) for c in p) for p in pal]
    assert len(pal) == 128, len(pal)
    assert MAGENTA not in pal[1:]
    return pal


class Quantiser:
    def __init__(self, palette):
        self.palette = palette
        self.cache = {}

    def index(self, rgb):
        key = tuple(int(round(c)) for c in rgb)
        hit = self.cache.get(key)
        if hit is not None:
            return hit
        r, g, b = key
        best, best_d = 1, None
        for i, (pr, pg, pb) in enumerate(self.palette[1:], start=1):  # never magenta
            rm = (r + pr) / 2
            d = (2 + rm / 256) * (r - pr) ** 2 + 4 * (g - pg) ** 2 + (2 + (255 - rm) / 256) * (b - pb) ** 2
            if best_d is None or d < best_d:
                best, best_d = i, d
        self.cache[key] = best
        return best


# --- geometry -------------------------------------------------------------------------------

def sd_circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def sd_segment_capsule(px, py, ax, ay, bx, by, r):
    vx, vy = bx - ax, by - ay
    wx, wy = px - ax, py - ay
    vv = vx * vx + vy * vy
    t = 0.0 if vv == 0 else max(0.0, min(1.0, (wx * vx + wy * vy) / vv))
    return math.hypot(wx - vx * t, wy - vy * t) - r


def sd_polygon(px, py, pts):
    """Signed distance to a simple polygon (negative inside)."""
    d = float("inf")
    inside = False
    n = len(pts)
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
        d = min(d, math.hypot(wx - ex * t, wy - ey * t))
        if (ay > py) != (by > py) and px < ax + (py - ay) * ex / ey:
            inside = not inside
    return -d if inside else d


# The crown in its own units: x across -1..1, y down -1..1.
CROWN_BODY = [(-0.78, 0.30), (-0.98, -0.42), (-0.50, -0.02), (0.0, -0.66), (0.50, -0.02),
              (0.98, -0.42), (0.78, 0.30)]
CROWN_TIPS = [(-0.98, -0.50, 0.15), (0.0, -0.76, 0.16), (0.98, -0.50, 0.15)]
CROWN_BAND = (-0.80, 0.24, 0.80, 0.62)  # x0, y0, x1, y1


def sd_box(px, py, x0, y0, x1, y1):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2, (y1 - y0) / 2
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0)


def sd_crown(u, v):
    d = sd_polygon(u, v, CROWN_BODY)
    d = min(d, sd_box(u, v, *CROWN_BAND))
    for cx, cy, r in CROWN_TIPS:
        d = min(d, sd_circle(u, v, cx, cy, r))
    return d


def normalise(x, y, z):
    n = math.sqrt(x * x + y * y + z * z)
    return x / n, y / n, z / n


def lighting(n, ambient, diffuse, specular, power):
    nl = max(0.0, n[0] * LIGHT[0] + n[1] * LIGHT[1] + n[2] * LIGHT[2])
    nh = max(0.0, n[0] * HALF[0] + n[1] * HALF[1] + n[2] * HALF[2])
    return ambient + diffuse * nl + specular * nh ** power


# --- the piece model ------------------------------------------------------------------------

class PieceModel:
    def __init__(self, size, king, red):
        self.size = size
        self.king = king
        self.red = red
        self.ramp = RED if red else CREAM
        self.outline = RED_OUTLINE if red else CREAM_OUTLINE
        self.disc = max(1.2, 0.075 * size)                # visible side of one disc
        stack = 1.6 * self.disc if king else self.disc  # a king: two discs, drawn a little flat
        margin = 0.6
        self.radius = (size - 2 * margin - 1.6 * self.disc) / 2  # men and kings alike
        self.side = stack
        self.cx = size / 2
        self.top_y = size / 2 - stack / 2                  # centre of the top face
        self.outline_width = max(0.55, size / 44)
        self.rings = {16: 0, 24: 2, 32: 2, 40: 3, 48: 3}.get(size, 3)
        self.reeds = int(round(math.pi * self.radius / 2.2)) if size >= 32 else 0
        self.crown_scale = (0.7 if size < 24 else 0.6) * self.radius
        self.crown_y = self.top_y + 0.04 * self.radius
        self.crown_shadow = max(0.6, size / 40)

    # Height of the top face over r = distance / radius, in units of the radius.
    def profile(self, r):
        if r >= 0.86:                                       # the rolled outer edge
            u = min(1.0, (r - 0.86) / 0.14)
            return 0.1 * math.sqrt(max(0.0, 1 - u * u))
        if r >= 0.75:                                       # the rim's inner wall
            u = (r - 0.75) / 0.11
            return 0.04 + 0.06 * (0.5 - 0.5 * math.cos(math.pi * u))
        if r >= 0.26:                                       # turned rings
            u = (r - 0.26) / 0.49
            return 0.04 + 0.016 * math.sin(math.pi * self.rings * u) ** 2
        return 0.04 + 0.014 * (1 - (r / 0.26) ** 2)         # a shallow dome in the middle

    def top_face(self, x, y):
        dx, dy = x - self.cx, y - self.top_y
        dist = math.hypot(dx, dy)
        r = dist / self.radius
        e = 0.004
        slope = (self.profile(r + e) - self.profile(max(0.0, r - e))) / (2 * e)
        if dist > 1e-9:
            ux, uy = dx / dist, dy / dist
        else:
            ux = uy = 0.0
        n = normalise(-slope * ux, -slope * uy, 1.0)
        # A broad sheen: the face is very slightly domed as a whole.
        n = normalise(n[0] + 0.3 * dx / self.radius, n[1] + 0.3 * dy / self.radius, n[2])
        light = lighting(n, 0.12, 0.72, 0.55, 36)
        if self.king:
            light = self.crown_shade(x, y, light)
            if isinstance(light, tuple):
                return light
        return (self.ramp, light)

    def crown_shade(self, x, y, light):
        """(GOLD, lightness) where the crown covers (x, y); else the face's lightness, darkened
        where the crown casts its shadow."""
        s = self.crown_scale
        u, v = (x - self.cx) / s, (y - self.crown_y) / s
        d = sd_crown(u, v) * s                              # in pixels
        if d < 0:
            inner = -d
            # A dark outline inside the crown's edge, thinner on the smallest set.
            edge = 0.3 if self.size < 24 else max(0.5, self.size / 48)
            if inner < edge:
                return (GOLD, 0.05)
            bevel = max(1.0, self.size / 20)
            e = 0.01
            gx = (sd_crown(u + e, v) - sd_crown(u - e, v)) / (2 * e)
            gy = (sd_crown(u, v + e) - sd_crown(u, v - e)) / (2 * e)
            g = math.hypot(gx, gy) or 1.0
            tilt = 1.6 * max(0.0, 1 - (inner - edge) / bevel)
            n = normalise(tilt * gx / g, tilt * gy / g, 1.0)
            shade = lighting(n, 0.2, 0.6, 0.9, 18) - 0.16 * v    # brighter towards the top
            if self.size >= 40:                             # three jewels on the band
                for gu in (-0.48, 0.0, 0.48):
                    gd = math.hypot(u - gu, v - 0.43) - 0.13
                    if gd < 0:
                        jewel = 0.75 if (u - gu) + (v - 0.43) < -0.06 else 0.42
                        return (RED, jewel)
            return (GOLD, shade)
        o = self.crown_shadow
        ds = sd_crown((x - o - self.cx) / s, (y - o - self.crown_y) / s) * s
        if ds < 0:
            return light * 0.72
        return light

    def side_band(self, x, y):
        dx = x - self.cx
        c = max(-1.0, min(1.0, dx / self.radius))
        phi = math.acos(c)                                  # 0 at the right, pi at the left
        s_arc = math.sqrt(max(0.0, 1 - c * c))
        band_top = self.top_y + self.radius * s_arc
        s = (y - band_top) / self.side                      # 0 at the top face, 1 at the board
        nx, ny = math.cos(phi), math.sin(phi)
        if self.reeds:
            wobble = 0.35 * math.sin(phi * self.reeds * 2)
            nx, ny = math.cos(phi + wobble), math.sin(phi + wobble)
        n = normalise(nx, ny * 0.8, 0.35)                   # seen a little from above
        light = lighting(n, 0.06, 0.55, 0.25, 12)
        # A soft darkening towards the board, where the piece meets its own shadow.
        light *= 1.0 - 0.35 * max(0.0, min(1.0, s))
        if self.king:
            seam = abs(s - 0.5) * self.side
            if seam < 0.45:
                light *= 0.35
            elif s > 0.5 and seam < 1.2:
                light = light * 0.7 + 0.16                  # the lower disc's rim catches light
        # The lip under the top face's rim.
        if s * self.side < 0.5:
            light *= 0.8
        return (self.ramp, light)

    def sample(self, x, y):
        """(ramp, lightness) of one sample point; an RGB colour on the outline; None outside."""
        d = sd_segment_capsule(x, y, self.cx, self.top_y, self.cx, self.top_y + self.side, self.radius)
        if d > 0:
            return None
        if d > -self.outline_width:
            return self.outline
        if math.hypot(x - self.cx, y - self.top_y) <= self.radius:
            return self.top_face(x, y)
        return self.side_band(x, y)


def render_cell(size, king, red):
    model = PieceModel(size, king, red)
    n = SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            # Lightness is averaged per material, so a pixel inside one material stays on
            # that material's ramp (an average of two ramp colours would leave it).
            lights = {}
            flat = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    col = model.sample(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    if col is None:
                        col = model.outline
                    else:
                        hits += 1
                    if isinstance(col[0], Ramp):
                        total, count = lights.get(col[0], (0.0, 0))
                        lights[col[0]] = (total + col[1], count + 1)
                    else:
                        flat = [a + c for a, c in zip(flat, col)]
            if hits * 2 < n * n:
                row.append(None)
                continue
            acc = flat
            for ramp, (total, count) in lights.items():
                acc = [a + count * c for a, c in zip(acc, ramp(total / count))]
            row.append(tuple(a / (n * n) for a in acc))
        rows.append(row)
    return rows


def render_large(king, red):
    """The piece as LARGE x LARGE RGBA bytes, straight (not premultiplied) alpha.

    A pixel whose four corners agree closely takes their average; one where the corners differ
    (the outer edge, the crown's edge, a jewel, the seam between a king's discs) is averaged
    over 8x8 samples, its alpha being the share of samples on the piece. Fully transparent
    pixels carry the outline colour, so a scaler that ignores alpha does not fringe the edge
    with black or white."""
    model = PieceModel(LARGE_MODEL, king, red)
    k = LARGE_MODEL / LARGE

    def colour(x, y):
        c = model.sample(x, y)
        if c is not None and isinstance(c[0], Ramp):
            return c[0](c[1])
        return c

    # Smooth shading varies by a few levels across a pixel; the edges this looks for step by
    # more. A tolerance of 4 takes two and a half times as long and moves no byte by more than 9.
    tolerance = 12
    corners = [[colour(x * k, y * k) for x in range(LARGE + 1)] for y in range(LARGE + 1)]
    n = 8
    clear = bytes(int(c) for c in model.outline) + b"\x00"
    out = bytearray()
    for py in range(LARGE):
        above, below = corners[py], corners[py + 1]
        for px in range(LARGE):
            quad = (above[px], above[px + 1], below[px], below[px + 1])
            if quad.count(None) == 4:
                out += clear
                continue
            if None not in quad and all(max(ch) - min(ch) <= tolerance for ch in zip(*quad)):
                acc, hits, total = [sum(ch) for ch in zip(*quad)], 4, 4
            else:
                acc, hits, total = [0.0, 0.0, 0.0], 0, n * n
                for sy in range(n):
                    y = (py + (sy + 0.5) / n) * k
                    for sx in range(n):
                        c = colour((px + (sx + 0.5) / n) * k, y)
                        if c is not None:
                            acc[0] += c[0]
                            acc[1] += c[1]
                            acc[2] += c[2]
                            hits += 1
                if not hits:
                    out += clear
                    continue
            out += bytes(int(round(min(255.0, max(0.0, a / hits)))) for a in acc)
            out.append(int(round(255 * hits / total)))
    return bytes(out)


# --- files ----------------------------------------------------------------------------------

def write_bmp(path, width, height, palette, indexes):
    """8-bit BI_RGB bitmap, bottom-up rows padded to four bytes."""
    stride = (width + 3) & ~3
    pixels = bytearray()
    for y in range(height - 1, -1, -1):
        pixels += bytes(indexes[y])
        pixels += bytes(stride - width)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835,
                       len(palette), len(palette))
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    path.write_bytes(head + info + pal + bytes(pixels))


def write_png(path, width, height, rgb_rows):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rgb_rows)

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    path.write_bytes(png)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def write_png_rgba(path, width, height, rgba):
    """An 8-bit RGBA PNG. Each row takes whichever of the five filters leaves the smallest sum
    of magnitudes, the usual choice: unfiltered, smooth shading would compress poorly."""
    stride = 4 * width
    prev = bytes(stride)
    raw = bytearray()
    for y in range(height):
        line = rgba[y * stride:(y + 1) * stride]
        left = bytes(4) + line[:-4]
        upleft = bytes(4) + prev[:-4]
        candidates = (
            line,
            bytes((v - a) & 255 for v, a in zip(line, left)),
            bytes((v - b) & 255 for v, b in zip(line, prev)),
            bytes((v - ((a + b) >> 1)) & 255 for v, a, b in zip(line, left, prev)),
            bytes((v - _paeth(a, b, c)) & 255 for v, a, b, c in zip(line, left, prev, upleft)),
        )
        costs = [sum(v if v < 128 else 256 - v for v in f) for f in candidates]
        best = costs.index(min(costs))
        raw.append(best)
        raw += candidates[best]
        prev = line

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    path.write_bytes(png)


KINDS = ((False, True), (True, True), (False, False), (True, False))  # (king, red) by cell


def make_set(size, quantiser):
    cells = [render_cell(size, king, red) for king, red in KINDS]
    indexes = []
    for y in range(size):
        line = []
        for cell in cells:
            line += [0 if c is None else quantiser.index(c) for c in cell[y]]
        indexes.append(line)
    return indexes


def preview(path, sets, palette):
    """All sets on alternating wood-coloured squares, each pixel drawn 4x4."""
    scale, pad = 4, 6
    width = max(4 * s for s in sets) * scale + 2 * pad
    height = sum(s * scale + pad for s in sets) + pad
    squares = ((96, 54, 32), (222, 192, 148))
    img = [[(60, 60, 60)] * width for _ in range(height)]
    top = pad
    for size, indexes in sets.items():
        for y in range(size * scale):
            for x in range(4 * size * scale):
                idx = indexes[y // scale][x // scale]
                back = squares[((x // (size * scale)) + (1 if y * 2 >= size * scale else 0)) % 2]
                img[top + y][pad + x] = back if idx == 0 else palette[idx]
        top += size * scale + pad
    write_png(path, width, height, img)


def scale_rgba(rgba, size, n):
    """Area average of a size x size RGBA picture down to n x n, weighting colour by alpha, as
    a scaler working on premultiplied pixels does. Returns rows of (r, g, b, a) floats 0..1."""
    rows = []
    for y in range(n):
        y0, y1 = y * size / n, (y + 1) * size / n
        row = []
        for x in range(n):
            x0, x1 = x * size / n, (x + 1) * size / n
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(int(y0), min(size, math.ceil(y1))):
                wy = min(y1, sy + 1) - max(y0, sy)
                for sx in range(int(x0), min(size, math.ceil(x1))):
                    w = (min(x1, sx + 1) - max(x0, sx)) * wy
                    i = 4 * (sy * size + sx)
                    wa = w * rgba[i + 3] / 255
                    acc[0] += wa * rgba[i]
                    acc[1] += wa * rgba[i + 1]
                    acc[2] += wa * rgba[i + 2]
                    acc[3] += wa
            area = (x1 - x0) * (y1 - y0)
            a = acc[3] / area
            row.append((0.0, 0.0, 0.0, 0.0) if a == 0 else tuple(c / acc[3] / 255 for c in acc[:3]) + (a,))
        rows.append(row)
    return rows


def preview_large(path, cells48, palette, masters):
    """Per piece, on a dark and a light square: the 48-pixel cell and the large picture scaled
    to 48, both drawn 4x4, then the large picture scaled to 192, to compare them."""
    scale, pad, cell = 4, 6, 192
    squares = ((96, 54, 32), (222, 192, 148))
    width = 3 * 2 * (cell + pad) + pad
    height = len(masters) * (cell + pad) + pad
    img = [[(60, 60, 60)] * width for _ in range(height)]
    for k, rgba in enumerate(masters):
        small = scale_rgba(rgba, LARGE, 48)
        big = scale_rgba(rgba, LARGE, cell)
        top = pad + k * (cell + pad)
        for b, back in enumerate(squares):
            for j in range(3):
                left = pad + (3 * b + j) * (cell + pad)
                for y in range(cell):
                    for x in range(cell):
                        if j == 0:
                            idx = cells48[y // scale][k * 48 + x // scale]
                            c = back if idx == 0 else palette[idx]
                        else:
                            r, g, bl, a = small[y // scale][x // scale] if j == 1 else big[y][x]
                            c = tuple(int(round(255 * a * v + (1 - a) * w)) for v, w in zip((r, g, bl), back))
                        img[top + y][left + x] = c
    write_png(path, width, height, img)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", type=pathlib.Path, default=root / "resources" / "pieces")
    ap.add_argument("--preview", type=pathlib.Path, help="also write pieces-preview.png here")
    args = ap.parse_args()
    palette = build_palette()
    quantiser = Quantiser(palette)
    args.out.mkdir(parents=True, exist_ok=True)
    sets = {}
    for size in SIZES:
        indexes = make_set(size, quantiser)
        for cell in range(4):  # the transparent colour is read from this pixel
            assert indexes[size - 1][cell * size] == 0
        write_bmp(args.out / f"CHECKERS_PIECES{size}.bmp", 4 * size, size, palette, indexes)
        sets[size] = indexes
    large = args.out / "large"
    large.mkdir(exist_ok=True)
    masters = []
    for name, (king, red) in zip(LARGE_NAMES, KINDS):
        rgba = render_large(king, red)
        write_png_rgba(large / f"{name}.png", LARGE, LARGE, rgba)
        masters.append(rgba)
    if args.preview:
        args.preview.mkdir(parents=True, exist_ok=True)
        preview(args.preview / "pieces-preview.png", sets, palette)
        preview_large(args.preview / "pieces-large-preview.png", sets[LARGE_MODEL], palette, masters)


if __name__ == "__main__":
    main()
