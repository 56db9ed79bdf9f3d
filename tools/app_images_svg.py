"""Small helpers shared by the application picture generators.

An SVG document builder with numbered gradient and filter ids, the piece, crown and board
drawings that several pictures share, a minimal PNG reader and writer (RGBA, zlib) and the call
that turns an SVG into a PNG with rsvg-convert (Debian package librsvg2-bin).

Standard library only; every output is a pure function of the arguments, so runs repeat exactly.
"""
import math
import struct
import subprocess
import zlib


def num(v):
    """A coordinate with at most three decimals and no trailing zeros."""
    s = f"{v:.3f}".rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def rgb(c):
    return "#%02x%02x%02x" % tuple(max(0, min(255, round(v))) for v in c[:3])


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


class Svg:
    """An SVG document: definitions with ids numbered in creation order, then the body.

    Files the program loads are drawn by Qt's SVG renderer (Qt 6.4 on Debian 12), which knows
    gradients, transforms and opacity but ignores filters and clip paths; only a picture that
    the generator itself turns into a PNG (raster=True) may use a blur or a clip.
    """

    def __init__(self, width, height, view=None, raster=False):
        self.raster = raster
        self.width, self.height = width, height
        self.view = view or (0, 0, width, height)
        self.defs = []
        self.body = []
        self.count = 0

    def uid(self, prefix):
        self.count += 1
        return f"{prefix}{self.count}"

    def _stops(self, stops):
        out = []
        for stop in stops:
            offset, colour = stop[0], stop[1]
            opacity = stop[2] if len(stop) > 2 else 1.0
            extra = "" if opacity >= 1.0 else f' stop-opacity="{num(opacity)}"'
            out.append(f'<stop offset="{num(offset)}" stop-color="{rgb(colour)}"{extra}/>')
        return "".join(out)

    def linear(self, stops, x1=0.0, y1=0.0, x2=0.0, y2=1.0, user=False):
        """A linear gradient; coordinates in the box of the shape unless user is set."""
        gid = self.uid("g")
        units = ' gradientUnits="userSpaceOnUse"' if user else ""
        self.defs.append(f'<linearGradient id="{gid}" x1="{num(x1)}" y1="{num(y1)}" '
                         f'x2="{num(x2)}" y2="{num(y2)}"{units}>{self._stops(stops)}'
                         f'</linearGradient>')
        return f"url(#{gid})"

    def radial(self, stops, cx, cy, r, fx=None, fy=None, user=True):
        gid = self.uid("g")
        units = ' gradientUnits="userSpaceOnUse"' if user else ""
        focus = ""
        if fx is not None:
            focus = f' fx="{num(fx)}" fy="{num(fy)}"'
        self.defs.append(f'<radialGradient id="{gid}" cx="{num(cx)}" cy="{num(cy)}" r="{num(r)}"'
                         f'{focus}{units}>{self._stops(stops)}</radialGradient>')
        return f"url(#{gid})"

    def blur(self, radius):
        if not self.raster:
            raise ValueError("filters are for rasterised pictures only")
        fid = self.uid("f")
        self.defs.append(f'<filter id="{fid}" x="-50%" y="-50%" width="200%" height="200%">'
                         f'<feGaussianBlur stdDeviation="{num(radius)}"/></filter>')
        return f"url(#{fid})"

    def clip(self, inner):
        if not self.raster:
            raise ValueError("clip paths are for rasterised pictures only")
        cid = self.uid("c")
        self.defs.append(f'<clipPath id="{cid}">{inner}</clipPath>')
        return f"url(#{cid})"

    def add(self, element):
        self.body.append(element)

    def group(self, attrs=""):
        """Opens a group; close it with end()."""
        self.body.append(f"<g {attrs}>" if attrs else "<g>")

    def end(self):
        self.body.append("</g>")

    def text(self):
        v = " ".join(num(c) for c in self.view)
        head = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{num(self.width)}" '
                f'height="{num(self.height)}" viewBox="{v}">')
        defs = "<defs>" + "".join(self.defs) + "</defs>" if self.defs else ""
        return head + "\n" + defs + ("\n" if defs else "") + "\n".join(self.body) + "\n</svg>\n"


def soft_ellipse(svg, cx, cy, rx, ry, opacity, colour=(0, 0, 0), core=0.35):
    """A blurred-looking ellipse made of a radial gradient (no filter needed)."""
    fill = svg.radial([(0, colour, opacity), (core, colour, opacity * 0.85),
                       (0.7, colour, opacity * 0.35), (1, colour, 0.0)], 0.5, 0.5, 0.5,
                      user=False)
    return ellipse(cx, cy, rx, ry, fill=fill)


def soft_rect(svg, x, y, w, h, rx, spread, opacity, layers=5, transform=None):
    """A soft shadow of a rounded rectangle: stacked, ever smaller translucent copies."""
    each = 1 - (1 - opacity) ** (1.0 / layers)
    out = []
    for k in range(layers):
        grow = spread * (1 - 2 * (k + 0.5) / layers)
        out.append(rect(x - grow, y - grow, w + 2 * grow, h + 2 * grow,
                        rx=max(0.0, rx + grow), fill="#000", fill_opacity=round(each, 4),
                        transform=transform))
    return "".join(out)


def attrs(**kw):
    """Keyword arguments as SVG attributes; stroke_width becomes stroke-width."""
    parts = []
    for key, value in kw.items():
        if value is None:
            continue
        if isinstance(value, float):
            value = num(value)
        parts.append(f'{key.replace("_", "-")}="{value}"')
    return " ".join(parts)


def circle(cx, cy, r, **kw):
    return f'<circle cx="{num(cx)}" cy="{num(cy)}" r="{num(r)}" {attrs(**kw)}/>'


def ellipse(cx, cy, rx, ry, **kw):
    return (f'<ellipse cx="{num(cx)}" cy="{num(cy)}" rx="{num(rx)}" ry="{num(ry)}" '
            f'{attrs(**kw)}/>')


def rect(x, y, w, h, rx=0.0, **kw):
    r = f' rx="{num(rx)}"' if rx else ""
    return (f'<rect x="{num(x)}" y="{num(y)}" width="{num(w)}" height="{num(h)}"{r} '
            f'{attrs(**kw)}/>')


def path(d, **kw):
    return f'<path d="{d}" {attrs(**kw)}/>'


def rounded_rect_path(x, y, w, h, radii):
    """Path data of a rectangle whose corners (top left, top right, bottom right, bottom
    left) have the given radii."""
    tl, tr, br, bl = radii
    d = f"M{num(x + tl)},{num(y)} H{num(x + w - tr)}"
    if tr:
        d += f" A{num(tr)},{num(tr)} 0 0 1 {num(x + w)},{num(y + tr)}"
    d += f" V{num(y + h - br)}"
    if br:
        d += f" A{num(br)},{num(br)} 0 0 1 {num(x + w - br)},{num(y + h)}"
    d += f" H{num(x + bl)}"
    if bl:
        d += f" A{num(bl)},{num(bl)} 0 0 1 {num(x)},{num(y + h - bl)}"
    d += f" V{num(y + tl)}"
    if tl:
        d += f" A{num(tl)},{num(tl)} 0 0 1 {num(x + tl)},{num(y)}"
    return d + " Z"


def poly(points, close=True):
    """Path data through the points."""
    d = "M" + " L".join(f"{num(x)},{num(y)}" for x, y in points)
    return d + (" Z" if close else "")


# ---------------------------------------------------------------------------------------------
# Colours of the board and its pieces (the same materials as the piece sets and square patterns)

RED = {"hi": (255, 150, 130), "light": (236, 84, 70), "base": (204, 34, 36),
       "mid": (164, 20, 26), "shade": (120, 12, 18), "dark": (70, 6, 10), "line": (44, 6, 8)}
CREAM = {"hi": (255, 255, 252), "light": (250, 247, 238), "base": (236, 231, 217),
         "mid": (214, 207, 191), "shade": (178, 171, 158), "dark": (120, 114, 106),
         "line": (66, 60, 56)}
GOLD = {"hi": (255, 246, 200), "light": (250, 224, 124), "base": (234, 192, 72),
        "mid": (206, 156, 40), "shade": (160, 112, 20), "dark": (104, 66, 8), "line": (70, 42, 6)}
WOOD_DARK = (94, 51, 29)
WOOD_LIGHT = (229, 201, 157)
WOOD_FRAME = (60, 32, 18)

MATERIALS = {"red": RED, "white": CREAM}

# The crown in its own units, x across -1..1, y down -1..1 (the shape the piece sets use).
CROWN_BODY = [(-0.78, 0.30), (-0.98, -0.42), (-0.50, -0.02), (0.0, -0.66), (0.50, -0.02),
              (0.98, -0.42), (0.78, 0.30)]
CROWN_TIPS = [(-0.98, -0.50, 0.15), (0.0, -0.76, 0.16), (0.98, -0.50, 0.15)]
CROWN_BAND = (-0.80, 0.24, 0.80, 0.62)


def crown(svg, cx, cy, scale, detail=True):
    """A gold crown centred on (cx, cy), half as wide as scale."""
    def pt(u, v):
        return cx + u * scale, cy + v * scale

    body = poly([pt(u, v) for u, v in CROWN_BODY])
    x0, y0 = pt(CROWN_BAND[0], CROWN_BAND[1])
    x1, y1 = pt(CROWN_BAND[2], CROWN_BAND[3])
    fill = svg.linear([(0, GOLD["hi"]), (0.35, GOLD["light"]), (0.7, GOLD["base"]),
                       (1, GOLD["shade"])], 0, cy - 0.8 * scale, 0, cy + 0.6 * scale, user=True)
    band = svg.linear([(0, GOLD["light"]), (0.5, GOLD["mid"]), (1, GOLD["dark"])])
    sw = max(0.35, scale * 0.07)
    line = rgb(GOLD["line"])
    # a soft dark halo lifts the crown off the face
    svg.add(path(body, fill="none", stroke="#000", stroke_opacity=0.28,
                 stroke_width=sw * 3, stroke_linejoin="round"))
    svg.add(rect(x0, y0, x1 - x0, y1 - y0, rx=scale * 0.06, fill="none", stroke="#000",
                 stroke_opacity=0.28, stroke_width=sw * 3))
    svg.add(path(body, fill=fill, stroke=line, stroke_width=sw, stroke_linejoin="round"))
    for u, v, r in CROWN_TIPS:
        x, y = pt(u, v)
        svg.add(circle(x, y, r * scale, fill=svg.radial(
            [(0, GOLD["hi"]), (0.6, GOLD["base"]), (1, GOLD["shade"])],
            x - r * scale * 0.35, y - r * scale * 0.35, r * scale * 1.3),
            stroke=line, stroke_width=sw))
    svg.add(rect(x0, y0, x1 - x0, y1 - y0, rx=scale * 0.06, fill=band, stroke=line,
                 stroke_width=sw))
    if detail:
        for u in (-0.45, 0.0, 0.45):
            x, y = pt(u, (CROWN_BAND[1] + CROWN_BAND[3]) / 2)
            r = scale * (0.11 if u == 0 else 0.085)
            svg.add(circle(x, y, r, fill=svg.radial(
                [(0, (255, 170, 160)), (0.5, (214, 30, 40)), (1, (110, 6, 16))],
                x - r * 0.3, y - r * 0.3, r * 1.2), stroke=line, stroke_width=sw * 0.6))
        hx0, hy0 = pt(-0.62, 0.28)
        svg.add(path(f"M{num(hx0)},{num(hy0)} H{num(cx + 0.62 * scale)}", stroke=GOLD_HI_HEX,
                     stroke_opacity=0.8, stroke_width=sw * 0.8, stroke_linecap="round"))


GOLD_HI_HEX = rgb(GOLD["hi"])


def piece(svg, cx, cy, r, colour, king=False, shadow=True, rings=3, thick=None,
          outline=None):
    """A checker seen from above and a little in front: its side shows below the top face.

    (cx, cy) is the centre of the top face, r its radius. A king is two stacked discs and
    carries a gold crown. The light comes from the top left.
    """
    m = MATERIALS[colour]
    t = thick if thick is not None else r * 0.17
    side = t * (2 if king else 1)
    sw = outline if outline is not None else max(0.5, r * 0.05)
    line = rgb(m["line"])
    if shadow:
        svg.add(soft_ellipse(svg, cx + r * 0.1, cy + side + r * 0.1, r * 1.14, r * 1.1, 0.45,
                             core=0.75))
    # the reeded side: the lower half of a disc pushed down by the thickness
    hull = (f"M{num(cx - r)},{num(cy)} L{num(cx - r)},{num(cy + side)} "
            f"A{num(r)},{num(r)} 0 0 0 {num(cx + r)},{num(cy + side)} L{num(cx + r)},{num(cy)} Z")
    side_fill = svg.linear([(0, m["mid"]), (0.22, m["base"]), (0.55, m["shade"]),
                            (1, m["dark"])], 0, 0, 1, 0)
    svg.add(path(hull, fill=side_fill))
    # the reeding: each line ends on the hull's lower arc, so no clipping is needed
    steps = max(8, int(r * 1.6))
    for i in range(1, steps):
        a = math.pi * i / steps
        x = cx - r * math.cos(a)
        svg.add(path(f"M{num(x)},{num(cy)} V{num(cy + side + r * math.sin(a) - r * 0.02)}",
                     stroke="#000", stroke_opacity=0.22, stroke_width=max(0.3, r * 0.035)))
    if king:
        svg.add(path(f"M{num(cx - r)},{num(cy + t)} A{num(r)},{num(r)} 0 0 0 "
                     f"{num(cx + r)},{num(cy + t)}", fill="none", stroke=line,
                     stroke_opacity=0.85, stroke_width=sw * 1.1))
        svg.add(path(f"M{num(cx - r)},{num(cy + t + sw)} A{num(r)},{num(r)} 0 0 0 "
                     f"{num(cx + r)},{num(cy + t + sw)}", fill="none", stroke="#fff",
                     stroke_opacity=0.25, stroke_width=sw * 0.8))
    # the outline around the whole silhouette
    outline_d = (f"M{num(cx - r)},{num(cy)} A{num(r)},{num(r)} 0 0 1 {num(cx + r)},{num(cy)} "
                 f"L{num(cx + r)},{num(cy + side)} A{num(r)},{num(r)} 0 0 1 "
                 f"{num(cx - r)},{num(cy + side)} Z")
    svg.add(path(outline_d, fill="none", stroke=line, stroke_width=sw))
    # the top face
    face = svg.radial([(0, m["light"]), (0.45, m["base"]), (0.85, m["mid"]), (1, m["shade"])],
                      cx - r * 0.3, cy - r * 0.35, r * 1.35)
    svg.add(circle(cx, cy, r - sw * 0.5, fill=face))
    # rolled rim: light on the top left, dark on the bottom right
    rim_w = r * 0.16
    rim = svg.linear([(0, m["hi"]), (0.35, m["light"]), (0.65, m["mid"]), (1, m["dark"])],
                     cx - r, cy - r, cx + r, cy + r, user=True)
    svg.add(circle(cx, cy, r - rim_w / 2 - sw * 0.4, fill="none", stroke=rim,
                   stroke_width=rim_w))
    groove = svg.linear([(0, m["dark"]), (0.5, m["shade"]), (1, m["hi"])],
                        cx - r, cy - r, cx + r, cy + r, user=True)
    svg.add(circle(cx, cy, r - rim_w - sw * 0.4, fill="none", stroke=groove,
                   stroke_width=max(0.35, r * 0.045)))
    # turned rings: a dark cut with a bright lip below it
    if not king:
        for k in range(rings):
            rr = r * (0.64 - 0.2 * k)
            if rr <= r * 0.1:
                break
            svg.add(circle(cx, cy, rr, fill="none", stroke=rgb(m["dark"]),
                           stroke_width=max(0.3, r * 0.05), stroke_opacity=0.55))
            svg.add(circle(cx + r * 0.012, cy + r * 0.018, rr + r * 0.05, fill="none",
                           stroke=rgb(m["hi"]), stroke_width=max(0.25, r * 0.04),
                           stroke_opacity=0.55))
    else:
        svg.add(circle(cx, cy, r * 0.7, fill="none", stroke=rgb(m["dark"]),
                       stroke_width=max(0.3, r * 0.045), stroke_opacity=0.45))
        svg.add(circle(cx + r * 0.012, cy + r * 0.018, r * 0.75, fill="none",
                       stroke=rgb(m["hi"]), stroke_width=max(0.25, r * 0.04),
                       stroke_opacity=0.5))
        crown(svg, cx, cy + r * 0.06, r * 0.58)
    # a soft gloss on the top left
    gx, gy = cx - r * 0.36, cy - r * 0.42
    svg.group(f'transform="rotate(-35 {num(gx)} {num(gy)})"')
    svg.add(soft_ellipse(svg, gx, gy, r * 0.42, r * 0.25, 0.45 if colour == "red" else 0.6,
                         colour=(255, 255, 255), core=0.3))
    svg.end()


# ---------------------------------------------------------------------------------------------
# PNG files


def png_bytes(width, height, rgba):
    """A PNG file from rows of RGBA bytes (bytes of length width*height*4)."""
    raw = bytearray()
    stride = width * 4
    for y in range(height):
        raw.append(0)
        raw += rgba[y * stride:(y + 1) * stride]

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def read_png(data):
    """Decodes an 8-bit RGB or RGBA PNG (as rsvg-convert and png_bytes write) to RGBA."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, ctype, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if depth != 8 or ctype not in (2, 6) or interlace:
                raise ValueError("unsupported PNG")
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    bpp = 4 if ctype == 6 else 3
    raw = zlib.decompress(idat)
    stride = width * bpp
    out = bytearray()
    prev = bytearray(stride)
    i = 0
    for _ in range(height):
        ftype = raw[i]
        line = bytearray(raw[i + 1:i + 1 + stride])
        i += 1 + stride
        for x in range(stride):
            a = line[x - bpp] if x >= bpp else 0
            b = prev[x]
            c = prev[x - bpp] if x >= bpp else 0
            if ftype == 1:
                line[x] = (line[x] + a) & 255
            elif ftype == 2:
                line[x] = (line[x] + b) & 255
            elif ftype == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif ftype == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[x] = (line[x] + pred) & 255
        prev = line
        if bpp == 4:
            out += line
        else:
            for x in range(width):
                out += line[x * 3:x * 3 + 3] + b"\xff"
    return width, height, bytes(out)


def render_svg(svg_text, width, height, rsvg="rsvg-convert"):
    """The SVG drawn at width x height by rsvg-convert, as PNG bytes."""
    try:
        result = subprocess.run([rsvg, "-w", str(width), "-h", str(height), "-f", "png"],
                                input=svg_text.encode(), capture_output=True, check=True)
    except FileNotFoundError:
        raise SystemExit("rsvg-convert is missing: apt-get install librsvg2-bin") from None
    return result.stdout


def normalise_png(data):
    """Re-encodes a PNG as plain RGBA with fixed settings, so files depend on pixels only."""
    w, h, px = read_png(data)
    return png_bytes(w, h, px)


def contact_sheet(images, scale, columns, background=((200, 200, 200), (236, 236, 236)),
                  gap=6, cell=8):
    """Lays RGBA images (w, h, bytes) on a grid, each scaled up by nearest neighbour, over a
    grey checkerboard that shows transparency; returns PNG bytes."""
    cw = max(w for w, _, _ in images) * scale
    ch = max(h for _, h, _ in images) * scale
    rows = (len(images) + columns - 1) // columns
    W = columns * (cw + gap) + gap
    H = rows * (ch + gap) + gap
    buf = bytearray(W * H * 4)
    for y in range(H):
        for x in range(W):
            c = background[((x // cell) + (y // cell)) & 1]
            o = (y * W + x) * 4
            buf[o:o + 4] = bytes((c[0], c[1], c[2], 255))
    for n, (w, h, px) in enumerate(images):
        ox = gap + (n % columns) * (cw + gap)
        oy = gap + (n // columns) * (ch + gap)
        for y in range(h * scale):
            for x in range(w * scale):
                s = ((y // scale) * w + (x // scale)) * 4
                a = px[s + 3] / 255.0
                o = ((oy + y) * W + ox + x) * 4
                for k in range(3):
                    buf[o + k] = round(px[s + k] * a + buf[o + k] * (1 - a))
    return png_bytes(W, H, bytes(buf))
