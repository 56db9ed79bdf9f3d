"""The two pictures of the About box.

title_svg(): the product name as letter outlines (read from a TrueType font on this machine)
with a gold and red treatment, drawn by rsvg-convert into a 336x124 PNG by the caller.

about_image(): a checkers board seen at a low angle with a few pieces, lit from the top left,
ray-cast here pixel by pixel with supersampling (standard library only) into a binary PPM and
encoded as JPEG by cjpeg (Debian package libjpeg-turbo-progs).
"""
import math
import os
import pathlib
import shutil
import subprocess
import tempfile

import ttf_outlines
from app_images_svg import CREAM, GOLD, RED, Svg, circle, num, path, piece, rgb

TITLE_FONTS = [
    "/usr/share/fonts/truetype/vollkorn/Vollkorn-Black.ttf",      # fonts-vollkorn
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",      # fonts-dejavu-core
]
SMALL_FONTS = [
    "/usr/share/fonts/truetype/vollkorn/Vollkorn-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
]


def first_font(candidates):
    for f in candidates:
        if os.path.exists(f):
            return ttf_outlines.Font(f)
    raise SystemExit("no title font found: apt-get install fonts-vollkorn")


TITLE_W, TITLE_H = 336, 124


def title_svg():
    big = first_font(TITLE_FONTS)
    small = first_font(SMALL_FONTS)
    svg = Svg(TITLE_W, TITLE_H, raster=True)
    # "Checkers", as wide as the picture allows
    word, target_w = "Checkers", 300.0
    x0, y0, x1, y1 = ttf_outlines.bounds(big, word, 100)
    size = 100 * target_w / (x1 - x0)
    x0, y0, x1, y1 = ttf_outlines.bounds(big, word, size)
    baseline = 100.0
    left = (TITLE_W - (x1 - x0)) / 2 - x0
    d_big, _ = ttf_outlines.text_path(big, word, size, left, baseline)
    top, bottom = baseline + y0, baseline + y1
    # "VELK" in spaced capitals above it
    small_word, small_size, tracking = "VELK", 26.0, 0.42
    sx0, sy0, sx1, sy1 = ttf_outlines.bounds(small, small_word, small_size, tracking)
    s_base = top - 9.0
    s_left = (TITLE_W - (sx1 - sx0)) / 2 - sx0
    d_small, _ = ttf_outlines.text_path(small, small_word, small_size, s_left, s_base,
                                        tracking)
    s_top = s_base + sy0

    # shadows
    blur = svg.blur(2.2)
    svg.add(path(d_big, fill="#000", fill_opacity=0.5, stroke="#000", stroke_opacity=0.5,
                 stroke_width=6, stroke_linejoin="round", transform="translate(1.5 3)",
                 filter=blur))
    svg.add(path(d_small, fill="#000", fill_opacity=0.45, stroke="#000", stroke_opacity=0.45,
                 stroke_width=3, stroke_linejoin="round", transform="translate(1 2)",
                 filter=svg.blur(1.4)))
    # "Checkers": dark outer edge, a gold bevel, a red face and a gloss on its upper half
    svg.add(path(d_big, fill="#2b0906", stroke="#2b0906", stroke_width=7.2,
                 stroke_linejoin="round"))
    gold = svg.linear([(0, GOLD["hi"]), (0.3, GOLD["light"]), (0.55, GOLD["base"]),
                       (0.75, GOLD["mid"]), (1, GOLD["hi"])], 0, top - 4, 0, bottom + 4,
                      user=True)
    svg.add(path(d_big, fill=gold, stroke=gold, stroke_width=4.4, stroke_linejoin="round"))
    face = svg.linear([(0, RED["light"]), (0.45, RED["base"]), (0.8, RED["mid"]),
                       (1, RED["shade"])], 0, top, 0, bottom, user=True)
    svg.add(path(d_big, fill=face))
    clip = svg.clip(path(d_big))
    gloss = svg.linear([(0, (255, 255, 255), 0.55), (1, (255, 255, 255), 0.05)], 0, top, 0,
                       top + (bottom - top) * 0.5, user=True)
    mid = top + (bottom - top) * 0.46
    svg.add(f'<g clip-path="{clip}">' + path(
        f"M0,{num(top - 5)} H{TITLE_W} V{num(mid - 4)} "
        f"Q{TITLE_W / 2},{num(mid + 6)} 0,{num(mid - 4)} Z", fill=gloss) + "</g>")
    svg.add(path(d_big, fill="none", stroke="#5a0c0a", stroke_opacity=0.6, stroke_width=0.7))
    # "VELK": gold letters with a dark edge
    svg.add(path(d_small, fill="#3a2206", stroke="#3a2206", stroke_width=3.2,
                 stroke_linejoin="round"))
    gold_small = svg.linear([(0, GOLD["hi"]), (0.45, GOLD["light"]), (0.7, GOLD["base"]),
                             (1, GOLD["mid"])], 0, s_top, 0, s_base, user=True)
    svg.add(path(d_small, fill=gold_small))
    # rules either side of "VELK", thin at the outside, each ending in a checker
    cy = (s_top + s_base) / 2
    gap, margin = 14.0, 50.0
    inner_left = s_left + sx0 - gap
    inner_right = s_left + sx1 + gap
    edge = "#3a2206"
    for outer, inner, colour in ((margin, inner_left, "red"),
                                 (TITLE_W - margin, inner_right, "white")):
        svg.add(path(f"M{num(outer)},{num(cy - 0.5)} L{num(inner)},{num(cy - 0.8)} "
                     f"L{num(inner)},{num(cy + 0.8)} L{num(outer)},{num(cy + 0.5)} Z",
                     fill=rgb(GOLD["base"]), stroke=edge, stroke_width=0.8,
                     stroke_linejoin="round"))
        svg.add(circle(inner, cy, 2.0, fill=rgb(GOLD["light"]), stroke=edge, stroke_width=0.7))
        end_x = outer - 9.0 if outer < TITLE_W / 2 else outer + 9.0
        piece(svg, end_x, cy - 1.0, 6.5, colour, rings=1, thick=1.6, outline=0.8)
    return svg


# ---------------------------------------------------------------------------------------------
# The About image: a ray-cast board

def _lin(c):
    """sRGB 0..255 to linear light."""
    return tuple((v / 255.0) ** 2.2 for v in c)


def _srgb(v):
    v = max(0.0, v)
    v = v / (1.0 + 0.08 * v)          # a gentle shoulder keeps highlights from clipping hard
    return min(255, int(255.0 * v ** (1 / 2.2) + 0.5))


def _norm(x, y, z):
    n = math.sqrt(x * x + y * y + z * z)
    return x / n, y / n, z / n


def _hash(ix, iy, seed):
    h = (ix * 374761393 + iy * 668265263 + seed * 2246822519) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((h ^ (h >> 16)) & 0xFFFFFF) / 16777216.0


def _noise(x, y, seed):
    """Smooth value noise, about 0..1."""
    x0, y0 = math.floor(x), math.floor(y)
    fx, fy = x - x0, y - y0
    fx = fx * fx * (3 - 2 * fx)
    fy = fy * fy * (3 - 2 * fy)
    a = _hash(x0, y0, seed)
    b = _hash(x0 + 1, y0, seed)
    c = _hash(x0, y0 + 1, seed)
    d = _hash(x0 + 1, y0 + 1, seed)
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy


CAM = {"yaw": 34, "dist": 7.2, "elev": 4.3, "target": (-0.3, -0.6, 0.9), "fov": 46}


class Scene:
    """Board 8x8 of unit squares centred on the origin, y up, the near side at +z."""

    SQUARE_R = 0.40            # piece radius
    PIECE_H = 0.17             # one disc
    FRAME = 0.42               # width of the board's border
    THICK = 0.32               # board thickness above the table

    # (row, column) of dark squares; row 0 is the far side
    RED_MEN = [(0, 1), (0, 3), (0, 5), (1, 2), (1, 6), (2, 1), (2, 5), (2, 7), (3, 4)]
    RED_KINGS = [(3, 2)]
    WHITE_MEN = [(4, 5), (5, 2), (6, 3), (6, 5), (6, 7), (7, 0), (7, 4), (7, 6)]
    WHITE_KINGS = [(5, 4)]

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.light = _norm(-0.6, 0.8, -0.42)
        # camera: above the near right corner, looking across the board
        yaw = math.radians(CAM["yaw"])
        dist, elev = CAM["dist"], CAM["elev"]
        self.eye = (dist * math.sin(yaw), elev, dist * math.cos(yaw))
        target = CAM["target"]
        f = _norm(*(t - e for t, e in zip(target, self.eye)))
        r = _norm(-f[2], 0.0, f[0])          # right = forward x up
        u = (r[1] * f[2] - r[2] * f[1], r[2] * f[0] - r[0] * f[2], r[0] * f[1] - r[1] * f[0])
        self.fwd, self.right, self.up = f, r, u
        self.focal = 1.0 / math.tan(math.radians(CAM["fov"]) / 2)
        self.pieces = []
        for cells, colour, king in ((self.RED_MEN, "red", False), (self.RED_KINGS, "red", True),
                                    (self.WHITE_MEN, "white", False),
                                    (self.WHITE_KINGS, "white", True)):
            for row, col in cells:
                px, pz = -4 + col + 0.5, -4 + row + 0.5
                h = self.PIECE_H * (2 if king else 1)
                self.pieces.append((px, pz, h, colour, king))
        self.mat = {"red": {k: _lin(v) for k, v in RED.items()},
                    "white": {k: _lin(v) for k, v in CREAM.items()}}
        self.gold = {k: _lin(v) for k, v in GOLD.items()}
        self.walnut = (_lin((70, 36, 18)), _lin((112, 64, 36)))
        self.maple = (_lin((214, 180, 130)), _lin((240, 218, 176)))
        self.frame_wood = (_lin((46, 22, 10)), _lin((92, 50, 24)))
        self.crown_body = [(u * 0.62, v * 0.62) for u, v in
                           [(-0.78, 0.30), (-0.98, -0.42), (-0.50, -0.02), (0.0, -0.66),
                            (0.50, -0.02), (0.98, -0.42), (0.78, 0.30)]]
        L = self.light
        reach = self.SQUARE_R + 2 * self.PIECE_H * math.hypot(L[0], L[2]) / L[1] + 0.3
        self.shadow_reach = reach * reach
        self._piece_rows()

    # -- projection --------------------------------------------------------------------------
    def ray(self, sx, sy):
        """Direction through the image point (sx, sy) in pixels."""
        ratio = self.width / self.height
        u = (2 * sx / self.width - 1) * ratio
        v = 1 - 2 * sy / self.height
        f, r, up = self.fwd, self.right, self.up
        return _norm(f[0] * self.focal + r[0] * u + up[0] * v,
                     f[1] * self.focal + r[1] * u + up[1] * v,
                     f[2] * self.focal + r[2] * u + up[2] * v)

    def project(self, p):
        d = tuple(a - b for a, b in zip(p, self.eye))
        z = sum(a * b for a, b in zip(d, self.fwd))
        x = sum(a * b for a, b in zip(d, self.right)) / z * self.focal
        y = sum(a * b for a, b in zip(d, self.up)) / z * self.focal
        ratio = self.width / self.height
        return (x / ratio + 1) * self.width / 2, (1 - y) * self.height / 2

    def _piece_rows(self):
        """For each image row, the pieces whose screen box it crosses (a cheap culling)."""
        self.piece_rows = [[] for _ in range(self.height)]
        self.piece_box = []
        for i, (px, pz, h, _, _) in enumerate(self.pieces):
            xs, ys = [], []
            R = self.SQUARE_R + 0.02
            for dx in (-R, R):
                for dz in (-R, R):
                    for y in (0.0, h + 0.01):
                        sx, sy = self.project((px + dx, y, pz + dz))
                        xs.append(sx)
                        ys.append(sy)
            box = (min(xs) - 1, max(xs) + 1)
            self.piece_box.append(box)
            for row in range(max(0, int(min(ys)) - 1), min(self.height, int(max(ys)) + 2)):
                self.piece_rows[row].append(i)

    # -- intersection ------------------------------------------------------------------------
    def hit_piece(self, i, o, d):
        px, pz, h, _, _ = self.pieces[i]
        R = self.SQUARE_R
        best = None
        # top cap
        if d[1] < 0:
            t = (h - o[1]) / d[1]
            x, z = o[0] + t * d[0] - px, o[2] + t * d[2] - pz
            if x * x + z * z <= R * R:
                best = (t, "top")
        # side
        ox, oz = o[0] - px, o[2] - pz
        a = d[0] * d[0] + d[2] * d[2]
        b = 2 * (ox * d[0] + oz * d[2])
        c = ox * ox + oz * oz - R * R
        disc = b * b - 4 * a * c
        if disc >= 0 and a > 1e-12:
            t = (-b - math.sqrt(disc)) / (2 * a)
            y = o[1] + t * d[1]
            if t > 0 and 0 <= y <= h and (best is None or t < best[0]):
                best = (t, "side")
        return best

    def shadow(self, p, skip=-1):
        """Light reaching point p, 0..1, with soft edges from the pieces."""
        L = self.light
        lit = 1.0
        R = self.SQUARE_R
        for i, (px, pz, h, _, _) in enumerate(self.pieces):
            if i == skip:
                continue
            ox, oz = p[0] - px, p[2] - pz
            if ox * ox + oz * oz > self.shadow_reach:
                continue
            # the ray p + t L is inside the piece's height band for t in [t0, t1]
            if L[1] <= 0:
                continue
            t0 = max(0.0, (0.0 - p[1]) / L[1])
            t1 = (h - p[1]) / L[1]
            if t1 <= 0:
                continue
            # closest approach of the ray's ground track to the piece's axis within [t0, t1]
            a = L[0] * L[0] + L[2] * L[2]
            t = -(ox * L[0] + oz * L[2]) / a
            t = min(max(t, t0), t1)
            dx, dz = ox + t * L[0], oz + t * L[2]
            dist = math.sqrt(dx * dx + dz * dz)
            soft = 0.02 + 0.12 * t
            k = (dist - (R - soft)) / (2 * soft)
            if k < 1:
                k = max(0.0, k)
                lit *= k * k * (3 - 2 * k)
                if lit <= 0.0:
                    return 0.0
        return lit

    def occlusion(self, x, z):
        """Darkening of the board near the foot of each piece."""
        ao = 1.0
        R = self.SQUARE_R
        for px, pz, h, _, _ in self.pieces:
            dx, dz = x - px, z - pz
            dd = dx * dx + dz * dz
            if dd < 1.0:
                d = math.sqrt(dd) - R
                if d < 0.25:
                    ao *= 1 - 0.55 * math.exp(-max(d, 0.0) / 0.06)
        return ao

    # -- materials ---------------------------------------------------------------------------
    def shade(self, n, albedo, p, sheen=0.25, shine=40.0, shadow=1.0, ambient=0.22):
        L = self.light
        diff = max(0.0, n[0] * L[0] + n[1] * L[1] + n[2] * L[2])
        # view-dependent highlight
        v = _norm(*(e - q for e, q in zip(self.eye, p)))
        hv = _norm(L[0] + v[0], L[1] + v[1], L[2] + v[2])
        glint = max(0.0, n[0] * hv[0] + n[1] * hv[1] + n[2] * hv[2]) ** shine * sheen
        sky = 0.5 + 0.5 * n[1]
        lightpool = self.pool(p)
        out = []
        for a in albedo:
            out.append((a * (ambient * sky + 1.3 * diff * shadow) + glint * shadow) * lightpool)
        return out

    def pool(self, p):
        """A warm pool of light on the board, dimmer towards the far corner."""
        dx, dz = p[0] + 0.6, p[2] - 0.8
        r2 = (dx * dx + dz * dz) / 40.0
        return 0.45 + 0.75 * math.exp(-r2)

    def square_colour(self, x, z):
        col, row = int(math.floor(x + 4)), int(math.floor(z + 4))
        fx, fz = x + 4 - col, z + 4 - row
        dark = (row + col) % 2 == 1
        seed = row * 8 + col
        if dark:
            # walnut, grain across
            g = fz * 9 + 1.6 * _noise(fx * 3, fz * 6 + seed * 7, seed) + seed * 0.37
            ring = 0.5 + 0.5 * math.sin(g * 2 * math.pi)
            fibre = _noise(fx * 40, fz * 3, seed + 99)
            t = 0.35 + 0.4 * ring ** 3 + 0.25 * fibre
            c0, c1 = self.walnut
        else:
            g = fx * 7 + 1.2 * _noise(fx * 5 + seed * 5, fz * 2.5, seed) + seed * 0.29
            ring = 0.5 + 0.5 * math.sin(g * 2 * math.pi)
            fibre = _noise(fx * 3, fz * 40, seed + 77)
            t = 0.55 + 0.3 * ring ** 4 + 0.15 * fibre
            c0, c1 = self.maple
        t = min(1.0, max(0.0, t))
        base = [a + (b - a) * t for a, b in zip(c0, c1)]
        # a faint bevel at each square's edge
        edge = min(fx, 1 - fx, fz, 1 - fz)
        if edge < 0.025:
            base = [v * (0.72 + 0.28 * edge / 0.025) for v in base]
        return base

    def crown_at(self, u, v):
        """The part of the crown decal at (u, v) on a king's face (units of radius), with a
        dark edge round it."""
        part = self._crown_part(u, v)
        if part:
            return part
        for du, dv in ((0.06, 0.0), (-0.06, 0.0), (0.0, 0.06), (0.0, -0.06)):
            if self._crown_part(u + du, v + dv):
                return "edge"
        return None

    def _crown_part(self, u, v):
        inside = False
        pts = self.crown_body
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > v) != (yj > v) and u < (xj - xi) * (v - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        if -0.5 <= u <= 0.5 and 0.15 <= v <= 0.39:
            return "band"
        for cx, cy, r in ((-0.61, -0.31, 0.095), (0.0, -0.47, 0.1), (0.61, -0.31, 0.095)):
            if (u - cx) ** 2 + (v - cy) ** 2 <= r * r:
                return "tip"
        return "body" if inside else None

    def piece_colour(self, i, t, kind, o, d):
        px, pz, h, colour, king = self.pieces[i]
        m = self.mat[colour]
        R = self.SQUARE_R
        p = (o[0] + t * d[0], o[1] + t * d[1], o[2] + t * d[2])
        rx, rz = p[0] - px, p[2] - pz
        rho = math.sqrt(rx * rx + rz * rz)
        if kind == "side":
            nx, nz = rx / rho, rz / rho
            ang = math.atan2(rz, rx)
            ripple = math.sin(ang * 72) * 0.18
            # tangent for the reeding
            tx, tz = -nz, nx
            n = _norm(nx + tx * ripple, 0.0, nz + tz * ripple)
            y = p[1]
            # rounded top edge and, for a king, the seam between the two discs
            top_round = max(0.0, (y - (h - 0.03)) / 0.03)
            n = _norm(n[0] * (1 - top_round * 0.6), top_round * 0.9, n[2] * (1 - top_round * 0.6))
            albedo = m["mid"]
            if king and abs(y - self.PIECE_H) < 0.012:
                albedo = m["dark"]
            s = self.shadow(p, skip=i)
            return self.shade(n, albedo, p, sheen=0.25, shine=30, shadow=s)
        # top face
        q = rho / R
        n = (0.0, 1.0, 0.0)
        albedo = m["base"] if colour == "red" else [(a + b) / 2 for a, b in zip(m["base"],
                                                                               m["mid"])]
        if q > 0.86:
            # rolled rim
            a = (q - 0.86) / 0.14 * 1.25
            n = _norm(rx / rho * math.sin(a), math.cos(a), rz / rho * math.sin(a))
        elif q > 0.80:
            a = -0.5
            n = _norm(rx / rho * math.sin(a), math.cos(a), rz / rho * math.sin(a))
        elif not king:
            for ring in (0.64, 0.44, 0.24):
                if abs(q - ring) < 0.035:
                    a = (q - ring) / 0.035 * 0.6
                    n = _norm(rx / rho * math.sin(a), math.cos(a), rz / rho * math.sin(a))
        s = self.shadow(p, skip=i)
        sheen = 0.35 if colour == "red" else 0.22
        if king:
            # the crown is laid on the face, upright as seen from the camera's side
            cu, cv = self._face_coords(rx, rz)
            part = self.crown_at(cu / R, cv / R)
            if part:
                g = self.gold
                albedo = {"body": g["mid"], "band": g["shade"], "tip": g["base"],
                          "edge": [v * 0.5 for v in g["dark"]]}[part]
                return self.shade(n, albedo, p, sheen=0.45, shine=25, shadow=s)
        return self.shade(n, albedo, p, sheen=sheen, shine=60, shadow=s)

    def _face_coords(self, rx, rz):
        """Coordinates on a piece's face: u to the camera's right, v towards the camera."""
        r = self.right
        rn = _norm(r[0], 0.0, r[2])
        return rx * rn[0] + rz * rn[2], -(rx * rn[2] - rz * rn[0])

    def board_colour(self, o, d):
        """The board, its frame and the table, for a ray that hits no piece."""
        B = 4 + self.FRAME
        # the board's top face
        if d[1] < 0:
            t = -o[1] / d[1]
            x, z = o[0] + t * d[0], o[2] + t * d[2]
            if abs(x) <= B and abs(z) <= B:
                p = (x, 0.0, z)
                if abs(x) <= 4 and abs(z) <= 4:
                    albedo = self.square_colour(x, z)
                    s = self.shadow(p) * self.occlusion(x, z)
                    return self.shade((0.0, 1.0, 0.0), albedo, p, sheen=0.3, shine=50,
                                      shadow=s, ambient=0.28 * self.occlusion(x, z))
                # frame with a rounded outer edge and a dark inlay line
                e = B - max(abs(x), abs(z))
                inner = max(abs(x), abs(z)) - 4
                grain = _noise(x * 2 + z * 2, (x - z) * 18, 5)
                c0, c1 = self.frame_wood
                albedo = [a + (b - a) * (0.45 + 0.4 * grain) for a, b in zip(c0, c1)]
                if inner < 0.05:
                    albedo = [v * 0.6 for v in self.gold["shade"]] if 0.015 < inner < 0.04 \
                        else [v * 0.5 for v in albedo]
                n = (0.0, 1.0, 0.0)
                if e < 0.08:
                    a = (0.08 - e) / 0.08 * 1.2
                    if abs(x) > abs(z):
                        n = _norm(math.copysign(math.sin(a), x), math.cos(a), 0.0)
                    else:
                        n = _norm(0.0, math.cos(a), math.copysign(math.sin(a), z))
                return self.shade(n, albedo, p, sheen=0.35, shine=40, shadow=self.shadow(p))
        # the board's sides (facing the camera: +x and +z)
        for axis, sign in ((0, 1), (2, 1), (0, -1), (2, -1)):
            if d[axis] * sign >= 0:
                continue
            t = (sign * B - o[axis]) / d[axis]
            p = (o[0] + t * d[0], o[1] + t * d[1], o[2] + t * d[2])
            other = 2 - axis
            if -self.THICK <= p[1] <= 0 and abs(p[other]) <= B:
                n = (float(sign), 0.0, 0.0) if axis == 0 else (0.0, 0.0, float(sign))
                c0, c1 = self.frame_wood
                grain = _noise(p[other] * 1.5, p[1] * 30, 9)
                albedo = [(a + (b - a) * (0.3 + 0.4 * grain)) * 0.8 for a, b in zip(c0, c1)]
                return self.shade(n, albedo, p, sheen=0.15, shine=20, shadow=1.0)
        # the table: dark cloth in the light pool
        if d[1] < 0:
            t = (-self.THICK - o[1]) / d[1]
            x, z = o[0] + t * d[0], o[2] + t * d[2]
            p = (x, -self.THICK, z)
            # the board's own soft shadow on the cloth
            sx, sz = x + 0.25, z + 0.2
            sh = min(1.0, max(0.0, (max(abs(sx), abs(sz)) - B + 0.05) / 0.6))
            weave = 0.9 + 0.1 * _noise(x * 30, z * 30, 3)
            albedo = [v * weave for v in _lin((26, 48, 38))]
            return self.shade((0.0, 1.0, 0.0), albedo, p, sheen=0.02, shine=8,
                              shadow=0.35 + 0.65 * sh, ambient=0.35)
        return [0.0, 0.0, 0.0]

    def sample(self, sx, sy):
        d = self.ray(sx, sy)
        o = self.eye
        row = min(self.height - 1, max(0, int(sy)))
        best = None
        for i in self.piece_rows[row]:
            x0, x1 = self.piece_box[i]
            if not x0 <= sx <= x1:
                continue
            h = self.hit_piece(i, o, d)
            if h and (best is None or h[0] < best[0]):
                best = (h[0], h[1], i)
        if best:
            return self.piece_colour(best[2], best[0], best[1], o, d)
        return self.board_colour(o, d)


def render_about(width=256, height=320, supersample=3):
    """The About picture as rows of sRGB bytes (RGB).

    Every pixel corner is sampled once; a pixel whose four corners agree takes their mean,
    any other is sampled again on a supersample x supersample grid inside it.
    """
    scene = Scene(width, height)
    corners = [[scene.sample(x, y) for x in range(width + 1)] for y in range(height + 1)]
    n = supersample
    offs = [(k + 0.5) / n for k in range(n)]
    out = bytearray()
    for y in range(height):
        top, bottom = corners[y], corners[y + 1]
        for x in range(width):
            quad = (top[x], top[x + 1], bottom[x], bottom[x + 1])
            spread = max(max(c[k] for c in quad) - min(c[k] for c in quad) for k in range(3))
            acc = [sum(c[k] for c in quad) for k in range(3)]
            count = 4
            if spread > 0.02:
                for oy in offs:
                    for ox in offs:
                        c = scene.sample(x + ox, y + oy)
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                count += n * n
            # a vignette towards the picture's edges
            u, v = (x + 0.5) / width - 0.5, (y + 0.5) / height - 0.45
            vig = 1.0 - 0.55 * (u * u * 1.6 + v * v) ** 1.2 * 2.2
            k = vig / count
            out += bytes(_srgb(c * k) for c in acc)
    return bytes(out)


def about_image(width=256, height=320, supersample=3, quality=90):
    """The About picture: (JPEG bytes encoded by cjpeg, the lossless RGB pixels)."""
    pixels = render_about(width, height, supersample)
    ppm = b"P6\n%d %d\n255\n" % (width, height) + pixels
    cjpeg = shutil.which("cjpeg")
    if not cjpeg:
        raise SystemExit("cjpeg is missing: apt-get install libjpeg-turbo-progs")
    with tempfile.TemporaryDirectory() as tmp:
        src = pathlib.Path(tmp) / "about.ppm"
        src.write_bytes(ppm)
        result = subprocess.run([cjpeg, "-quality", str(quality), "-optimize", str(src)],
                                capture_output=True, check=True)
    return result.stdout, pixels
