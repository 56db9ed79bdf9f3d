"""Reads glyph outlines from a TrueType font file, so a generator can draw letters as paths.

Supports the tables a plain TrueType font has: cmap (format 4), head, hhea, hmtx, loca, glyf
(simple and composite glyphs) and an optional old-style kern table (format 0). Outlines come
back as SVG path data in font units with y pointing down, quadratic curves as written in the
font. Standard library only.
"""
import struct


class Font:
    def __init__(self, filename):
        with open(filename, "rb") as f:
            self.data = f.read()
        num_tables = struct.unpack(">H", self.data[4:6])[0]
        self.tables = {}
        for i in range(num_tables):
            tag, _, offset, length = struct.unpack(">4sIII", self.data[12 + 16 * i:28 + 16 * i])
            self.tables[tag.decode("latin-1")] = (offset, length)
        head = self.table("head")
        self.units_per_em = struct.unpack(">H", head[18:20])[0]
        self.long_loca = struct.unpack(">h", head[50:52])[0] == 1
        hhea = self.table("hhea")
        self.ascender, self.descender = struct.unpack(">hh", hhea[4:8])
        self.num_hmetrics = struct.unpack(">H", hhea[34:36])[0]
        self.cmap = self._read_cmap()
        self.kerning = self._read_kern()

    def table(self, tag):
        offset, length = self.tables[tag]
        return self.data[offset:offset + length]

    def _read_cmap(self):
        cmap = self.table("cmap")
        count = struct.unpack(">H", cmap[2:4])[0]
        for i in range(count):
            platform, encoding, offset = struct.unpack(">HHI", cmap[4 + 8 * i:12 + 8 * i])
            if (platform, encoding) in ((3, 1), (0, 3)) and \
                    struct.unpack(">H", cmap[offset:offset + 2])[0] == 4:
                return self._cmap4(cmap, offset)
        raise ValueError("no Unicode cmap of format 4")

    @staticmethod
    def _cmap4(cmap, offset):
        seg2 = struct.unpack(">H", cmap[offset + 6:offset + 8])[0]
        ends = offset + 14
        starts = ends + seg2 + 2
        deltas = starts + seg2
        ranges = deltas + seg2
        mapping = {}
        for s in range(seg2 // 2):
            end = struct.unpack(">H", cmap[ends + 2 * s:ends + 2 * s + 2])[0]
            start = struct.unpack(">H", cmap[starts + 2 * s:starts + 2 * s + 2])[0]
            delta = struct.unpack(">h", cmap[deltas + 2 * s:deltas + 2 * s + 2])[0]
            roff = struct.unpack(">H", cmap[ranges + 2 * s:ranges + 2 * s + 2])[0]
            for c in range(start, min(end, 0x2FF) + 1):
                if roff == 0:
                    g = (c + delta) & 0xFFFF
                else:
                    at = ranges + 2 * s + roff + 2 * (c - start)
                    g = struct.unpack(">H", cmap[at:at + 2])[0]
                    if g:
                        g = (g + delta) & 0xFFFF
                if g:
                    mapping[c] = g
        return mapping

    def _read_kern(self):
        if "kern" not in self.tables:
            return {}
        kern = self.table("kern")
        pairs = {}
        n_tables = struct.unpack(">H", kern[2:4])[0]
        pos = 4
        for _ in range(n_tables):
            length, coverage = struct.unpack(">HH", kern[pos + 2:pos + 6])
            if coverage >> 8 == 0:
                n_pairs = struct.unpack(">H", kern[pos + 6:pos + 8])[0]
                for k in range(n_pairs):
                    left, right, value = struct.unpack(
                        ">HHh", kern[pos + 14 + 6 * k:pos + 20 + 6 * k])
                    pairs[(left, right)] = value
            pos += length
        return pairs

    def glyph_index(self, char):
        return self.cmap.get(ord(char), 0)

    def advance(self, glyph):
        hmtx = self.table("hmtx")
        i = min(glyph, self.num_hmetrics - 1)
        return struct.unpack(">H", hmtx[4 * i:4 * i + 2])[0]

    def _glyph_data(self, glyph):
        loca = self.table("loca")
        if self.long_loca:
            start, end = struct.unpack(">II", loca[4 * glyph:4 * glyph + 8])
        else:
            start, end = (2 * v for v in struct.unpack(">HH", loca[2 * glyph:2 * glyph + 4]))
        offset = self.tables["glyf"][0]
        return self.data[offset + start:offset + end]

    def contours(self, glyph):
        """The glyph's contours: lists of (x, y, on_curve) in font units, y up."""
        data = self._glyph_data(glyph)
        if not data:
            return []
        n = struct.unpack(">h", data[0:2])[0]
        if n >= 0:
            return self._simple(data, n)
        return self._composite(data)

    @staticmethod
    def _simple(data, n):
        ends = struct.unpack(f">{n}H", data[10:10 + 2 * n])
        count = ends[-1] + 1 if n else 0
        pos = 10 + 2 * n
        ilen = struct.unpack(">H", data[pos:pos + 2])[0]
        pos += 2 + ilen
        flags = []
        while len(flags) < count:
            f = data[pos]
            pos += 1
            flags.append(f)
            if f & 8:
                flags.extend([f] * data[pos])
                pos += 1

        def coords(short_bit, same_bit):
            nonlocal pos
            out, v = [], 0
            for f in flags[:count]:
                if f & short_bit:
                    d = data[pos]
                    pos += 1
                    v += d if f & same_bit else -d
                elif not f & same_bit:
                    v += struct.unpack(">h", data[pos:pos + 2])[0]
                    pos += 2
                out.append(v)
            return out

        xs = coords(2, 16)
        ys = coords(4, 32)
        contours, start = [], 0
        for end in ends:
            contours.append([(xs[i], ys[i], bool(flags[i] & 1)) for i in range(start, end + 1)])
            start = end + 1
        return contours

    def _composite(self, data):
        pos = 10
        result = []
        while True:
            flags, glyph = struct.unpack(">HH", data[pos:pos + 4])
            pos += 4
            if flags & 1:
                dx, dy = struct.unpack(">hh", data[pos:pos + 4])
                pos += 4
            else:
                dx, dy = struct.unpack(">bb", data[pos:pos + 2])
                pos += 2
            a, b, c, d = 1.0, 0.0, 0.0, 1.0
            if flags & 8:
                a = d = struct.unpack(">h", data[pos:pos + 2])[0] / 16384
                pos += 2
            elif flags & 0x40:
                a, d = (v / 16384 for v in struct.unpack(">hh", data[pos:pos + 4]))
                pos += 4
            elif flags & 0x80:
                a, b, c, d = (v / 16384 for v in struct.unpack(">hhhh", data[pos:pos + 8]))
                pos += 8
            if not flags & 2:
                dx = dy = 0  # point matching is not needed by the fonts we use
            for contour in self.contours(glyph):
                result.append([(a * x + c * y + dx, b * x + d * y + dy, on)
                               for x, y, on in contour])
            if not flags & 0x20:
                return result


def contour_path(contour, scale, ox, oy):
    """SVG path data of one TrueType contour, placed at (ox, oy) (the baseline), y down."""
    def p(pt):
        return ox + pt[0] * scale, oy - pt[1] * scale

    pts = [(p(q), q[2]) for q in contour]
    n = len(pts)
    if n == 0:
        return ""
    # start on an on-curve point, or the midpoint of two off-curve points
    start = next((i for i in range(n) if pts[i][1]), None)
    if start is None:
        (x0, y0), _ = pts[0]
        (x1, y1), _ = pts[1]
        pts.insert(1, (((x0 + x1) / 2, (y0 + y1) / 2), True))
        n += 1
        start = 1
    pts = pts[start:] + pts[:start]
    fmt = "{:.2f}".format
    (sx, sy), _ = pts[0]
    d = [f"M{fmt(sx)},{fmt(sy)}"]
    i = 1
    while i <= n:
        (x, y), on = pts[i % n]
        if on:
            d.append(f"L{fmt(x)},{fmt(y)}")
            i += 1
            continue
        (nx, ny), non = pts[(i + 1) % n]
        if not non:
            nx, ny = (x + nx) / 2, (y + ny) / 2
            d.append(f"Q{fmt(x)},{fmt(y)} {fmt(nx)},{fmt(ny)}")
            i += 1
        else:
            d.append(f"Q{fmt(x)},{fmt(y)} {fmt(nx)},{fmt(ny)}")
            i += 2
    return " ".join(d) + " Z"


def text_path(font, text, size, x, baseline, tracking=0.0, kern=True, adjust=None):
    """SVG path data of a line of text and its advance width, in pixels.

    tracking adds that many em between letters; adjust maps a pair of characters to an extra
    shift in em (optical kerning by hand where the font has no kern table).
    """
    scale = size / font.units_per_em
    parts = []
    pen = x
    prev = None
    for ch in text:
        g = font.glyph_index(ch)
        if prev is not None:
            if kern:
                pen += font.kerning.get((prev[1], g), 0) * scale
            if adjust:
                pen += adjust.get(prev[0] + ch, 0.0) * size
            pen += tracking * size
        for contour in font.contours(g):
            parts.append(contour_path(contour, scale, pen, baseline))
        pen += font.advance(g) * scale
        prev = (ch, g)
    return " ".join(parts), pen - x


def bounds(font, text, size, tracking=0.0, adjust=None):
    """(x0, y0, x1, y1) of the text's outline points at the origin, y down."""
    scale = size / font.units_per_em
    pen = 0.0
    xs, ys = [], []
    prev = None
    for ch in text:
        g = font.glyph_index(ch)
        if prev is not None:
            pen += font.kerning.get((prev[1], g), 0) * scale
            if adjust:
                pen += adjust.get(prev[0] + ch, 0.0) * size
            pen += tracking * size
        for contour in font.contours(g):
            for px, py, _ in contour:
                xs.append(pen + px * scale)
                ys.append(-py * scale)
        pen += font.advance(g) * scale
        prev = (ch, g)
    return min(xs), min(ys), max(xs), max(ys)
