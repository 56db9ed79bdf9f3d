#!/usr/bin/env python3
"""Draws the pictures of the main window and the dialogs.

Writes into resources/images/:
  toolbar/*.svg        thirteen 24x24 toolbar icons
  palette/0..6.png     seven 40x40 setup palette pictures (pieces, side to move, clear board)
  think/0..9.png       ten 32x32 frames of the thinking animation (two gold gears)
  dialogs/*.svg        32x32 dialog icons: computer, memory, disk
  results/*.svg        64x64 game result pictures: human-won, computer-won, finish, draw
  about/title.png      336x124 product title for the About box
  about/image.jpg      256x320 board seen at an angle, for the About box
  icons/velk-checkers.svg and icons/velk-checkers-N.png (N = 16, 32, 48, 64, 128, 256)
and the resource list resources/app.qrc beside them.

Icons are written as SVG. PNG files are the SVG drawings rendered by rsvg-convert (Debian
package librsvg2-bin) and re-encoded by our own writer; the About title's letters are outlines
read from a TrueType font (Vollkorn from fonts-vollkorn, else DejaVu Serif); the About image is
ray-cast in Python and encoded by cjpeg (libjpeg-turbo-progs). Standard library only;
deterministic for fixed tool versions. Usage:
    tools/gen_app_images.py [--out DIR] [--preview DIR] [--only GROUP,...]
"""
import argparse
import math
import pathlib

import app_images_about
from app_images_svg import (GOLD, RED, WOOD_DARK, WOOD_FRAME, WOOD_LIGHT, Svg, circle,
                            contact_sheet, crown, ellipse, mix, normalise_png, num, path,
                            piece, poly, read_png, rect, render_svg, rgb, rounded_rect_path,
                            soft_ellipse,
                            soft_rect)

# ---------------------------------------------------------------------------------------------
# Toolbar icons: filled glyphs with a one-pixel outline of a darker shade of their own colour,
# a glossy top-lit gradient and a faint shadow one pixel below. Qt draws them as they are and
# derives the hover and disabled looks itself.

HUES = {
    "blue": ((128, 186, 246), (52, 118, 210), (30, 70, 140)),
    "green": ((150, 222, 112), (54, 156, 58), (26, 96, 34)),
    "amber": ((255, 218, 112), (232, 146, 28), (138, 80, 12)),
    "teal": ((120, 218, 204), (30, 150, 140), (14, 88, 84)),
    "folder": ((255, 226, 130), (238, 176, 52), (146, 96, 18)),
    "slate": ((122, 156, 206), (52, 84, 140), (26, 44, 84)),
    "violet": ((204, 164, 246), (128, 72, 204), (70, 32, 124)),
}


def glyph(svg, d, hue, shadow=True, gloss=True, sw=1.0):
    """A filled shape with the toolbar look: a shadow, a top-lit fill and an outline."""
    top, bottom, line = HUES[hue] if isinstance(hue, str) else hue
    if shadow:
        svg.add(path(d, fill="#000", fill_opacity=0.16, stroke="#000", stroke_opacity=0.16,
                     stroke_width=sw * 1.6, stroke_linejoin="round",
                     transform="translate(0.3 1)"))
    if gloss:
        stops = [(0, mix(top, (255, 255, 255), 0.55)), (0.2, mix(top, (255, 255, 255), 0.15)),
                 (0.5, top), (1, bottom)]
    else:
        stops = [(0, top), (1, bottom)]
    svg.add(path(d, fill=svg.linear(stops), stroke=rgb(line), stroke_width=sw,
                 stroke_linejoin="round"))


def arrow_path(x0, x1, tip, shaft=2.5, head=7.5, cy=12.0):
    """A right-pointing block arrow from x0 to the tip, its head starting at x1."""
    return poly([(x0, cy - shaft), (x1, cy - shaft), (x1, cy - head), (tip, cy),
                 (x1, cy + head), (x1, cy + shaft), (x0, cy + shaft)])


def mirrored(svg_fn):
    def draw(svg):
        svg.group('transform="matrix(-1 0 0 1 24 0)"')
        svg_fn(svg)
        svg.end()
    return draw


def tb_next(svg):
    glyph(svg, arrow_path(3.5, 12.5, 20.5), "blue")


def tb_last(svg):
    glyph(svg, arrow_path(2.5, 10.5, 17.5, head=7.0), "blue")
    glyph(svg, "M17.5,4.5 H20.5 V19.5 H17.5 Z", "blue")


def tb_resume(svg):
    glyph(svg, "M7.5,4.5 L19.5,12 L7.5,19.5 Z", "green")


def tb_pause(svg):
    glyph(svg, "M6.5,4.5 H10.5 V19.5 H6.5 Z", "amber")
    glyph(svg, "M13.5,4.5 H17.5 V19.5 H13.5 Z", "amber")


def floppy(svg, s):
    """A floppy disk filling a 24-unit box scaled by s (so it serves 24 and 32 pixels)."""
    svg.group(f'transform="scale({num(s)})"')
    body = "M3.5,3.5 H18 L20.5,6 V20.5 H3.5 Z"
    glyph(svg, body, "slate", sw=1.0 / s)
    # the metal shutter with its slot
    metal = svg.linear([(0, (246, 248, 252)), (1, (168, 178, 192))])
    svg.add(rect(7.5, 3.5, 9, 6, fill=metal, stroke="#27354f", stroke_width=1.0 / s))
    svg.add(rect(13, 4.8, 2, 3.4, fill="#2a3850"))
    # the label
    label = svg.linear([(0, (255, 253, 244)), (1, (226, 220, 204))])
    svg.add(rect(6.5, 12.5, 11, 8, fill=label, stroke="#27354f", stroke_width=1.0 / s))
    svg.add(path("M8,15.3 H16", stroke="#c23a30", stroke_width=0.9 / s))
    svg.add(path("M8,17.8 H16", stroke="#8a94a8", stroke_width=0.9 / s))
    svg.end()


def tb_save(svg):
    floppy(svg, 1.0)


def tb_open(svg):
    back = "M2.5,5.5 H9 L11,7.5 H19.5 V19.5 H2.5 Z"
    glyph(svg, back, ((236, 186, 70), (196, 128, 24), (140, 90, 16)), gloss=False)
    paper = svg.linear([(0, (255, 255, 255)), (1, (230, 232, 236))])
    svg.add(path("M5.5,9.5 L6.5,6.5 H17.5 V13 H5.5 Z", fill=paper, stroke="#8c8f96",
                 stroke_width=0.8))
    svg.add(path("M8.2,8.8 H15.5", stroke="#9aa3b3", stroke_width=0.8))
    front = "M2.5,19.5 L5.5,10.5 H22.5 L19.5,19.5 Z"
    glyph(svg, front, "folder", shadow=False)


def star(cx, cy, r_out, r_in, points=4, turn=0.0):
    pts = []
    for i in range(points * 2):
        a = math.pi * i / points + turn - math.pi / 2
        r = r_out if i % 2 == 0 else r_in
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return poly(pts)


def mini_board(svg, x, y, n, sq, frame=1.0, pieces=()):
    """An n x n corner of the board at (x, y) with squares of sq units and a dark frame."""
    size = n * sq
    svg.add(rect(x - frame / 2, y - frame / 2, size + frame, size + frame,
                 fill=rgb(WOOD_FRAME), stroke=rgb(WOOD_FRAME), stroke_width=frame))
    light = svg.linear([(0, mix(WOOD_LIGHT, (255, 255, 255), 0.25)), (1, WOOD_LIGHT)])
    dark = svg.linear([(0, mix(WOOD_DARK, (255, 220, 180), 0.12)), (1, WOOD_DARK)])
    for row in range(n):
        for col in range(n):
            fill = dark if (row + col) % 2 else light
            svg.add(rect(x + col * sq, y + row * sq, sq, sq, fill=fill))
    for col, row, colour in pieces:
        c = "#c8222a" if colour == "red" else "#f4efe2"
        line = RED["line"] if colour == "red" else (90, 80, 70)
        svg.add(circle(x + (col + 0.5) * sq, y + (row + 0.5) * sq, sq * 0.36, fill=c,
                       stroke=rgb(line), stroke_width=sq * 0.14))


def tb_new(svg):
    svg.add(soft_rect(svg, 3.3, 7, 16, 16, 0.5, 0.7, 0.3, layers=3))
    mini_board(svg, 3, 6, 4, 4, pieces=((1, 0, "red"), (2, 3, "white")))
    # a four-pointed sparkle for "new"
    glyph(svg, star(18.5, 5.5, 5.5, 1.9), ((255, 246, 190), (240, 184, 40), (140, 90, 8)),
          gloss=False)


def tb_history(svg):
    # a parchment scroll with a list of moves, red and white bullets
    sheet = "M5.5,4.5 H18.5 V19.5 H5.5 Z"
    glyph(svg, sheet, ((255, 250, 232), (236, 220, 180), (120, 90, 50)), gloss=False)
    for y, colour in ((8.5, "red"), (11.5, "white"), (14.5, "red")):
        c = "#d02a2a" if colour == "red" else "#fbf8ef"
        svg.add(circle(8.6, y, 1.25, fill=c, stroke="#5a3a20", stroke_width=0.6))
        svg.add(path(f"M11,{num(y)} H16.2", stroke="#8a6a48", stroke_width=1.0,
                     stroke_linecap="round"))
    roll = ((250, 236, 200), (196, 160, 100), (110, 78, 38))
    glyph(svg, "M4.5,2.5 H19.5 A1.5,1.5 0 0 1 19.5,5.5 H4.5 A1.5,1.5 0 0 1 4.5,2.5 Z", roll,
          gloss=False)
    glyph(svg, "M4.5,18.5 H19.5 A1.5,1.5 0 0 1 19.5,21.5 H4.5 A1.5,1.5 0 0 1 4.5,18.5 Z", roll,
          gloss=False)


def arc_arrow(cx, cy, r_in, r_out, a0, a1, head_w=3.0, head_len=5.0):
    """A thick clockwise arc from angle a0 to a1 (degrees, screen coordinates) with a head."""
    def p(r, a):
        a = math.radians(a)
        return cx + r * math.cos(a), cy + r * math.sin(a)

    rm = (r_in + r_out) / 2
    span = a1 - a0
    large = 1 if span > 180 else 0
    o0, o1 = p(r_out, a0), p(r_out, a1)
    i0, i1 = p(r_in, a0), p(r_in, a1)
    hb_out, hb_in = p(r_out + head_w, a1), p(r_in - head_w, a1)
    tip_angle = a1 + math.degrees(head_len / rm)
    tip = p(rm, tip_angle)
    return (f"M{num(i0[0])},{num(i0[1])} "
            f"L{num(o0[0])},{num(o0[1])} "
            f"A{num(r_out)},{num(r_out)} 0 {large} 1 {num(o1[0])},{num(o1[1])} "
            f"L{num(hb_out[0])},{num(hb_out[1])} L{num(tip[0])},{num(tip[1])} "
            f"L{num(hb_in[0])},{num(hb_in[1])} L{num(i1[0])},{num(i1[1])} "
            f"A{num(r_in)},{num(r_in)} 0 {large} 0 {num(i0[0])},{num(i0[1])} Z")


def take_back_path(cy=8.5, shaft=2.0, bend_x=14.0, r=5.0, tail_x=10.0, head=5.2, base_x=10.5,
                   tip_x=5.5):
    """A block arrow pointing left along y = cy whose shaft bends round a half circle back
    down and ends pointing left again below it: the back of a turn."""
    oc, ic = r + shaft, r - shaft
    ccy = cy + r
    return (f"M{num(tail_x)},{num(ccy + oc)} H{num(bend_x)} "
            f"A{num(oc)},{num(oc)} 0 0 0 {num(bend_x)},{num(cy - shaft)} "
            f"H{num(base_x)} V{num(cy - head)} L{num(tip_x)},{num(cy)} L{num(base_x)},"
            f"{num(cy + head)} V{num(cy + shaft)} H{num(bend_x)} "
            f"A{num(ic)},{num(ic)} 0 0 1 {num(bend_x)},{num(ccy + ic)} H{num(tail_x)} Z")


def tb_take_back(svg):
    # two heads on one bent arrow: the computer's reply and your own move both go back
    glyph(svg, take_back_path(), "violet")
    glyph(svg, poly([(6.4, 3.3), (1.0, 8.5), (6.4, 13.7)]), "violet")


def tb_rotate_right(svg):
    mini_board(svg, 9, 9.5, 2, 3, frame=0.8)
    glyph(svg, arc_arrow(12, 12.5, 6.2, 8.8, -28, 240, head_w=3.0, head_len=4.8), "teal")


# In the order of the toolbar image strip: 0 Show History ... 11 Rotate Left; Take Back Move's
# icon follows them.
TOOLBAR = [
    ("history", tb_history),
    ("pause", tb_pause),
    ("resume", tb_resume),
    ("previous", mirrored(tb_next)),
    ("next", tb_next),
    ("save", tb_save),
    ("open", tb_open),
    ("new", tb_new),
    ("first", mirrored(tb_last)),
    ("last", tb_last),
    ("rotate-right", tb_rotate_right),
    ("rotate-left", mirrored(tb_rotate_right)),
    ("take-back", tb_take_back),
]
DIALOGS = ("computer", "memory", "disk")
RESULTS = ("human-won", "computer-won", "finish", "draw")


def toolbar_svgs():
    out = {}
    for name, draw in TOOLBAR:
        svg = Svg(24, 24)
        draw(svg)
        out[name] = svg.text()
    return out


# ---------------------------------------------------------------------------------------------
# The setup palette: 40x40 pictures

def palette_piece(colour, king):
    svg = Svg(40, 40, raster=True)
    piece(svg, 20, 19 - (3.2 if king else 1.6), 16.5, colour, king=king)
    return svg


def turn_badge(svg, cx, cy, r):
    """A green round badge with a white arrow: this side moves."""
    svg.add(soft_ellipse(svg, cx, cy + 0.8, r + 1.6, r + 1.6, 0.45, core=0.6))
    fill = svg.linear([(0, (132, 220, 104)), (1, (34, 132, 46))])
    svg.add(circle(cx, cy, r, fill=fill, stroke="#fff", stroke_width=1.4))
    svg.add(circle(cx, cy, r + 0.7, fill="none", stroke="#1c5a24", stroke_width=0.8))
    k = r / 8.0
    arrow = poly([(cx - 4.6 * k, cy - 1.7 * k), (cx + 0.2 * k, cy - 1.7 * k),
                  (cx + 0.2 * k, cy - 4.6 * k), (cx + 5.4 * k, cy), (cx + 0.2 * k, cy + 4.6 * k),
                  (cx + 0.2 * k, cy + 1.7 * k), (cx - 4.6 * k, cy + 1.7 * k)])
    svg.add(path(arrow, fill="#fff", stroke="#1c5a24", stroke_width=0.5,
                 stroke_linejoin="round"))


def palette_turn(colour):
    svg = Svg(40, 40, raster=True)
    piece(svg, 16.5, 15.5, 14, colour)
    turn_badge(svg, 30, 30, 8)
    return svg


def eraser(svg, cx, cy, angle, length, width):
    """A two-tone rubber eraser centred on (cx, cy), turned by angle degrees."""
    svg.group(f'transform="translate({num(cx)} {num(cy)}) rotate({num(angle)})"')
    x0, y0 = -length / 2, -width / 2
    svg.add(soft_rect(svg, x0, y0 + 1.2, length, width, 1.6, 0.9, 0.35))
    pink = svg.linear([(0, (255, 190, 190)), (0.5, (240, 120, 128)), (1, (190, 70, 84))])
    blue = svg.linear([(0, (150, 200, 250)), (0.5, (64, 128, 210)), (1, (36, 78, 150))])
    svg.add(rect(x0, y0, length, width, rx=1.6, fill=pink, stroke="#6e2430",
                 stroke_width=0.8))
    svg.add(path(f"M{num(x0 + length * 0.45)},{num(y0)} H{num(x0 + length - 1.6)} "
                 f"A1.6,1.6 0 0 1 {num(x0 + length)},{num(y0 + 1.6)} "
                 f"V{num(y0 + width - 1.6)} A1.6,1.6 0 0 1 {num(x0 + length - 1.6)},"
                 f"{num(y0 + width)} H{num(x0 + length * 0.45)} Z",
                 fill=blue, stroke="#1d3c6e", stroke_width=0.8))
    svg.add(path(f"M{num(x0 + 1.5)},{num(y0 + 1.3)} H{num(x0 + length - 1.8)}", stroke="#fff",
                 stroke_opacity=0.55, stroke_width=0.9, stroke_linecap="round"))
    svg.end()


def palette_clear():
    svg = Svg(40, 40, raster=True)
    svg.add(soft_rect(svg, 3.8, 5.2, 29, 29, 1.5, 1.0, 0.35))
    svg.add(rect(3, 4, 29, 29, rx=1.5, fill=rgb(WOOD_FRAME)))
    mini_board(svg, 4.5, 5.5, 4, 6.5, frame=0.0)
    svg.add(rect(4.5, 5.5, 26, 26, fill="none", stroke="#000", stroke_opacity=0.35,
                 stroke_width=0.6))
    # sweep marks behind the eraser
    for x, y in ((11, 27.5), (14, 30.5), (9, 24.5)):
        svg.add(path(f"M{num(x)},{num(y)} l5,-5", stroke="#fff", stroke_opacity=0.75,
                     stroke_width=1.1, stroke_linecap="round"))
    eraser(svg, 26, 27, -40, 17, 8.5)
    return svg


def palette_svgs():
    return [palette_piece("red", False), palette_piece("red", True),
            palette_piece("white", False), palette_piece("white", True),
            palette_turn("red"), palette_turn("white"), palette_clear()]


# ---------------------------------------------------------------------------------------------
# The thinking animation: two meshing gold gears that turn a little with each frame. Played
# forward and then backward, the gears rock to and fro, which reads as machinery at work.

def gear_path(cx, cy, teeth, module, angle, hole):
    """Outline of a spur gear (teeth as trapezoids) with a round hole, for the even-odd rule."""
    r_pitch = module * teeth / 2
    r_tip, r_root = r_pitch + module * 0.8, r_pitch - module * 0.9
    pts = []
    step = 2 * math.pi / teeth
    for i in range(teeth):
        base = angle + i * step
        for frac, r in ((-0.30, r_root), (-0.17, r_tip), (0.17, r_tip), (0.30, r_root)):
            a = base + frac * step
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
        for frac in (0.42, 0.5, 0.58):
            a = base + frac * step
            pts.append((cx + r_root * math.cos(a), cy + r_root * math.sin(a)))
    d = poly(pts)
    d += (f" M{num(cx + hole)},{num(cy)} A{num(hole)},{num(hole)} 0 1 0 {num(cx - hole)},"
          f"{num(cy)} A{num(hole)},{num(hole)} 0 1 0 {num(cx + hole)},{num(cy)} Z")
    return d


GEAR_MODULE = 1.5
GEAR_A = (11.2, 11.2, 12)      # centre and teeth of the large gear
GEAR_B_TEETH = 8


def think_frame(i):
    svg = Svg(32, 32, raster=True)
    ax, ay, an = GEAR_A
    bn = GEAR_B_TEETH
    m = GEAR_MODULE
    dist = m * (an + bn) / 2 + 0.3
    bx, by = ax + dist / math.sqrt(2), ay + dist / math.sqrt(2)
    turn = 2 * math.pi / an * 0.25 * i        # a quarter tooth per frame
    angle_a = math.pi / 4 + turn
    # B turns the other way, a gap facing A's tooth on the line between the centres
    angle_b = math.pi / 4 + math.pi / bn - turn * an / bn
    gears = [(bx, by, bn, angle_b, 1.6), (ax, ay, an, angle_a, 2.3)]
    shapes = [(cx, cy, n, ang, hole, gear_path(cx, cy, n, m, ang, hole))
              for cx, cy, n, ang, hole in gears]
    for cx, cy, n, ang, hole, d in shapes:
        svg.add(path(d, fill="#000", fill_opacity=0.4, fill_rule="evenodd",
                     transform="translate(0.5 1.0)", filter=svg.blur(0.7)))
    for cx, cy, n, ang, hole, d in shapes:
        r = m * n / 2 + m * 0.8
        body = svg.linear([(0, GOLD["hi"]), (0.3, GOLD["light"]), (0.62, GOLD["base"]),
                           (1, GOLD["shade"])], cx - r, cy - r, cx + r * 0.7, cy + r, user=True)
        svg.add(path(d, fill=body, fill_rule="evenodd", stroke=rgb(GOLD["line"]),
                     stroke_width=0.8, stroke_linejoin="round"))
        r_root = m * n / 2 - m * 0.9
        # a bevel just inside the teeth and a raised hub round the hole
        svg.add(circle(cx, cy, r_root - 0.6, fill="none", stroke=rgb(GOLD["dark"]),
                       stroke_width=0.55, stroke_opacity=0.55))
        svg.add(circle(cx + 0.2, cy + 0.3, r_root - 0.1, fill="none", stroke=rgb(GOLD["hi"]),
                       stroke_width=0.45, stroke_opacity=0.6))
        svg.add(circle(cx, cy, hole + 0.9, fill="none", stroke=rgb(GOLD["hi"]),
                       stroke_width=0.8, stroke_opacity=0.85))
        if n > 8:
            # four lightening holes, turning with the gear
            for k in range(4):
                a = ang + math.pi / 4 + k * math.pi / 2
                hx = cx + (hole + r_root) / 2 * math.cos(a)
                hy = cy + (hole + r_root) / 2 * math.sin(a)
                svg.add(circle(hx, hy, 1.25, fill=rgb(GOLD["dark"]), stroke=rgb(GOLD["line"]),
                               stroke_width=0.4))
    return svg


def think_svgs():
    return [think_frame(i) for i in range(10)]


# ---------------------------------------------------------------------------------------------
# Dialog icons (32x32) and result pictures (64x64)

def monitor(svg, x, y, w, h, rows=3, pieces=()):
    """A flat-panel monitor whose screen shows the board; (x, y, w, h) is the panel."""
    u = w / 26.0
    stand = svg.linear([(0, (222, 226, 232)), (1, (136, 142, 152))])
    neck_w = 5 * u
    svg.add(path(poly([(x + w / 2 - neck_w / 2, y + h - u), (x + w / 2 + neck_w / 2, y + h - u),
                       (x + w / 2 + neck_w * 0.7, y + h + 3.2 * u),
                       (x + w / 2 - neck_w * 0.7, y + h + 3.2 * u)]),
                 fill=stand, stroke="#3a404a", stroke_width=0.8 * u))
    svg.add(rect(x + w / 2 - 7 * u, y + h + 2.8 * u, 14 * u, 2.4 * u, rx=1.2 * u, fill=stand,
                 stroke="#3a404a", stroke_width=0.8 * u))
    svg.add(soft_rect(svg, x, y + 1.0 * u, w, h, 1.8 * u, 0.8 * u, 0.3))
    bezel = svg.linear([(0, (112, 120, 134)), (0.1, (70, 76, 88)), (1, (34, 38, 46))])
    svg.add(rect(x, y, w, h, rx=1.8 * u, fill=bezel, stroke="#1a1d24", stroke_width=0.8 * u))
    sx, sy, sw_, sh = x + 1.8 * u, y + 1.8 * u, w - 3.6 * u, h - 3.6 * u
    svg.add(rect(sx, sy, sw_, sh, fill="#141820"))
    cell = sh / rows
    cols = int(math.ceil(sw_ / cell))
    bx = sx + (sw_ - cols * cell) / 2
    light = svg.linear([(0, mix(WOOD_LIGHT, (255, 255, 255), 0.2)), (1, WOOD_LIGHT)])
    dark = svg.linear([(0, mix(WOOD_DARK, (255, 220, 180), 0.1)), (1, WOOD_DARK)])
    for row in range(rows):
        for col in range(cols):
            # each square cut to the screen
            x0, x1 = max(sx, bx + col * cell), min(sx + sw_, bx + (col + 1) * cell)
            svg.add(rect(x0, sy + row * cell, x1 - x0, cell,
                         fill=dark if (row + col) % 2 else light))
    for col, row, colour in pieces:
        piece(svg, bx + (col + 0.5) * cell, sy + (row + 0.44) * cell, cell * 0.42, colour,
              shadow=False, rings=1, thick=cell * 0.09, outline=max(0.5, cell * 0.06))
    gloss = svg.linear([(0, (255, 255, 255), 0.34), (1, (255, 255, 255), 0.04)])
    svg.add(path(poly([(sx, sy), (sx + sw_ * 0.62, sy), (sx + sw_ * 0.32, sy + sh),
                       (sx, sy + sh)]), fill=gloss))
    svg.add(rect(sx, sy, sw_, sh, fill="none", stroke="#000", stroke_opacity=0.6,
                 stroke_width=0.5 * u))
    svg.add(circle(x + w / 2, y + h - 0.9 * u, 0.35 * u, fill="#7fe08a"))


def dialog_computer():
    svg = Svg(32, 32)
    monitor(svg, 2.5, 3.5, 27, 19, rows=2, pieces=((2, 1, "red"), (1, 0, "white")))
    return svg


def dialog_memory():
    svg = Svg(32, 32)

    def stick(x, y, w, h, shade):
        svg.add(soft_rect(svg, x, y + 1, w, h, 0.5, 0.8, 0.3))
        pcb = svg.linear([(0, mix((70, 170, 96), (0, 0, 0), shade)),
                          (1, mix((24, 104, 52), (0, 0, 0), shade))])
        notch = 0.38 * w
        outline = poly([(x, y), (x + w, y), (x + w, y + h), (x + notch + 1.2, y + h),
                        (x + notch + 1.2, y + h - 1.4), (x + notch, y + h - 1.4),
                        (x + notch, y + h), (x, y + h)])
        svg.add(path(outline, fill=pcb, stroke="#0e3a1c", stroke_width=0.8,
                     stroke_linejoin="round"))
        # gold contacts along the edge
        cx = x + 1.2
        while cx < x + w - 1.4:
            if not (x + notch - 0.6 < cx < x + notch + 1.6):
                svg.add(rect(cx, y + h - 3.0, 0.9, 2.6, fill="#e9c04e"))
            cx += 1.55
        # memory chips
        chip = svg.linear([(0, (70, 74, 84)), (1, (18, 20, 26))])
        for k in range(4):
            chx = x + 1.6 + k * (w - 3.2) / 4
            svg.add(rect(chx + 0.3, y + 2.0, (w - 3.2) / 4 - 0.8, h - 6.6, rx=0.4, fill=chip,
                         stroke="#050608", stroke_width=0.5))
            svg.add(path(f"M{num(chx + 0.9)},{num(y + 2.7)} h{num((w - 3.2) / 4 - 2.0)}",
                         stroke="#fff", stroke_opacity=0.3, stroke_width=0.5))
        svg.add(circle(x + w - 1.5, y + 1.6, 0.5, fill="#e9c04e"))

    stick(4.5, 4.5, 25, 12.5, 0.25)
    stick(2.5, 14.5, 25, 12.5, 0.0)
    return svg


def dialog_disk():
    svg = Svg(32, 32)
    floppy(svg, 32 / 24)
    return svg


def trophy(svg, cx, top, scale):
    """A gold cup on a dark wooden plinth; top is the rim, scale 1 = 64-pixel picture."""
    s = scale
    gold = svg.linear([(0, GOLD["mid"]), (0.25, GOLD["hi"]), (0.5, GOLD["light"]),
                       (0.8, GOLD["base"]), (1, GOLD["shade"])], 0, 0, 1, 0)
    line = rgb(GOLD["line"])
    lw = 1.0 * s
    # handles
    for side in (-1, 1):
        hx = cx + side * 12 * s
        svg.add(path(f"M{num(hx)},{num(top + 4 * s)} c{num(side * 9 * s)},{num(-1 * s)} "
                     f"{num(side * 9 * s)},{num(13 * s)} {num(-side * 1.5 * s)},{num(17 * s)}",
                     fill="none", stroke=line, stroke_width=4.2 * s, stroke_linecap="round"))
        svg.add(path(f"M{num(hx)},{num(top + 4 * s)} c{num(side * 9 * s)},{num(-1 * s)} "
                     f"{num(side * 9 * s)},{num(13 * s)} {num(-side * 1.5 * s)},{num(17 * s)}",
                     fill="none", stroke=rgb(GOLD["base"]), stroke_width=2.4 * s,
                     stroke_linecap="round"))
    # cup
    cup = (f"M{num(cx - 14 * s)},{num(top)} H{num(cx + 14 * s)} "
           f"C{num(cx + 14 * s)},{num(top + 16 * s)} {num(cx + 8 * s)},{num(top + 22 * s)} "
           f"{num(cx + 2.4 * s)},{num(top + 24 * s)} V{num(top + 31 * s)} "
           f"H{num(cx - 2.4 * s)} V{num(top + 24 * s)} "
           f"C{num(cx - 8 * s)},{num(top + 22 * s)} {num(cx - 14 * s)},{num(top + 16 * s)} "
           f"{num(cx - 14 * s)},{num(top)} Z")
    svg.add(path(cup, fill=gold, stroke=line, stroke_width=lw, stroke_linejoin="round"))
    svg.add(ellipse(cx, top, 14 * s, 2.4 * s, fill=rgb(GOLD["dark"]), stroke=line,
                    stroke_width=lw))
    svg.add(ellipse(cx, top + 0.6 * s, 12.5 * s, 1.5 * s, fill=rgb(GOLD["shade"])))
    # foot
    foot = (f"M{num(cx - 2.4 * s)},{num(top + 30 * s)} H{num(cx + 2.4 * s)} "
            f"L{num(cx + 8 * s)},{num(top + 35 * s)} H{num(cx - 8 * s)} Z")
    svg.add(path(foot, fill=gold, stroke=line, stroke_width=lw, stroke_linejoin="round"))
    wood = svg.linear([(0, (120, 70, 40)), (1, (56, 30, 16))])
    svg.add(rect(cx - 11 * s, top + 35 * s, 22 * s, 8 * s, rx=1 * s, fill=wood,
                 stroke="#2a160a", stroke_width=lw))
    svg.add(rect(cx - 6 * s, top + 37.3 * s, 12 * s, 3.4 * s, rx=0.5 * s, fill=gold,
                 stroke=line, stroke_width=0.6 * s))
    # gloss
    svg.add(path(f"M{num(cx - 9 * s)},{num(top + 4 * s)} C{num(cx - 9 * s)},{num(top + 12 * s)} "
                 f"{num(cx - 6 * s)},{num(top + 17 * s)} {num(cx - 3 * s)},{num(top + 19 * s)}",
                 fill="none", stroke="#fff", stroke_opacity=0.6, stroke_width=1.6 * s,
                 stroke_linecap="round"))


def confetti(svg, items):
    colours = ["#e2383a", "#3a7be0", "#f2c230", "#3cb45a", "#f4efe2", "#b05ad8"]
    for i, (x, y, a) in enumerate(items):
        svg.add(rect(x - 1.4, y - 0.7, 2.8, 1.4, fill=colours[i % len(colours)],
                     stroke="#000", stroke_opacity=0.35, stroke_width=0.3,
                     transform=f"rotate({num(a)} {num(x)} {num(y)})"))


def result_human_won():
    svg = Svg(64, 64)
    svg.add(soft_ellipse(svg, 32, 57.5, 22, 4.2, 0.4))
    trophy(svg, 32, 12, 1.0)
    # the winner's piece on the cup
    piece(svg, 32, 20.5, 6.2, "red", king=True, shadow=False, thick=0.9, outline=0.5)
    for x, y, r in ((9, 11, 4.2), (55, 17, 3.4), (49, 5, 2.4)):
        svg.add(path(star(x, y, r, r * 0.32), fill=rgb(GOLD["hi"]), stroke=rgb(GOLD["mid"]),
                     stroke_width=0.5))
    confetti(svg, ((14, 4, 30), (22, 6, -20), (42, 4, 60), (58, 30, 15), (6, 28, -40),
                   (52, 42, 70), (11, 45, 20), (36, 3, -10)))
    return svg


def result_computer_won():
    svg = Svg(64, 64)
    svg.add(soft_ellipse(svg, 32, 59, 20, 3.6, 0.4))
    monitor(svg, 5, 17, 54, 34, pieces=((1, 0, "red"), (2, 1, "white"), (4, 2, "red")))
    svg.group('transform="rotate(-12 34 12)"')
    svg.add(soft_ellipse(svg, 34, 18, 12.5, 3.2, 0.45))
    crown(svg, 34, 11, 11.5)
    svg.end()
    return svg


def checkered_flag(svg, x0, y0, w, h, cols, rows, wave):
    """A checkered flag whose cloth waves; (x0, y0) is its corner at the pole."""
    def pt(u, v):
        # u across 0..1, v down 0..1; the cloth waves more away from the pole
        x = x0 + u * w
        y = y0 + v * h + wave * math.sin(u * 2 * math.pi * 1.1) * u ** 0.8 + u * 2.0
        return x, y

    def shade(u):
        return math.cos(u * 2 * math.pi * 1.1) * u ** 0.8

    def edge(u0, u1, v):
        return [pt(u0 + (u1 - u0) * k / 4, v) for k in range(5)]

    outline = edge(0, 1, 0) + [pt(1, v / 4) for v in range(1, 4)] + edge(1, 0, 1) \
        + [pt(0, 1 - v / 4) for v in range(1, 4)]
    svg.add(path(poly(outline), fill="#000", fill_opacity=0.12, stroke="#000",
                 stroke_opacity=0.12, stroke_width=2.4, stroke_linejoin="round",
                 transform="translate(1 1.6)"))
    svg.add(path(poly(outline), fill="#000", fill_opacity=0.14, transform="translate(1 1.6)"))
    for r in range(rows):
        for c in range(cols):
            u0, u1 = c / cols, (c + 1) / cols
            v0, v1 = r / rows, (r + 1) / rows
            pts = edge(u0, u1, v0) + edge(u1, u0, v1)
            lit = shade((u0 + u1) / 2)
            if (r + c) % 2:
                colour = mix((40, 42, 48), (96, 100, 110), max(0.0, lit))
            else:
                colour = mix((250, 250, 246), (176, 178, 184), max(0.0, -lit))
            svg.add(path(poly(pts), fill=rgb(colour)))
    svg.add(path(poly(outline), fill="none", stroke="#1c1d22", stroke_width=0.9,
                 stroke_linejoin="round"))


def result_finish():
    svg = Svg(64, 64)
    svg.add(soft_ellipse(svg, 16, 60, 11, 3.0, 0.4))
    pole = svg.linear([(0, (120, 124, 134)), (0.4, (250, 250, 252)), (1, (90, 94, 104))],
                      0, 0, 1, 0)
    svg.add(rect(12.5, 6, 3.4, 54, rx=1, fill=pole, stroke="#30333a", stroke_width=0.8))
    checkered_flag(svg, 16, 9, 42, 28, 6, 4, 3.6)
    svg.add(circle(14.2, 6, 3.2, fill=svg.radial([(0, GOLD["hi"]), (0.6, GOLD["base"]),
                                                  (1, GOLD["shade"])], 13, 5, 4),
                   stroke=rgb(GOLD["line"]), stroke_width=0.8))
    return svg


def scale_pan(svg, px, py, colour):
    """A gold pan of the scales hanging from (px, py - 19), a checker lying in it; (px, py)
    is the middle of its rim."""
    line = rgb(GOLD["line"])
    rx, ry, depth = 11.0, 2.6, 7.5
    hook = py - 19
    for dx in (-rx + 0.6, rx - 0.6):
        svg.add(path(f"M{num(px)},{num(hook)} L{num(px + dx)},{num(py)}", stroke=line,
                     stroke_width=0.9, stroke_linecap="round"))
        svg.add(path(f"M{num(px)},{num(hook)} L{num(px + dx)},{num(py)}",
                     stroke=rgb(GOLD["light"]), stroke_width=0.4, stroke_linecap="round"))
    svg.add(circle(px, hook, 1.3, fill=rgb(GOLD["base"]), stroke=line, stroke_width=0.6))
    # the inside of the pan, seen over the near rim
    svg.add(ellipse(px, py, rx, ry, fill=rgb(GOLD["shade"]), stroke=line, stroke_width=0.8))
    # the checker lies flat, so it is seen foreshortened: squashed from above
    r, squash = 7.6, 0.55
    cy = py - 4.4
    svg.group(f'transform="translate(0 {num(cy)}) scale(1 {num(squash)}) '
              f'translate(0 {num(-cy)})"')
    piece(svg, px, cy, r, colour, shadow=False, rings=2, thick=r * 0.55, outline=0.9)
    svg.end()
    bowl = svg.linear([(0, GOLD["mid"]), (0.25, GOLD["hi"]), (0.5, GOLD["light"]),
                       (0.8, GOLD["base"]), (1, GOLD["shade"])], 0, 0, 1, 0)
    front = (f"M{num(px - rx)},{num(py)} A{num(rx)},{num(ry)} 0 0 0 {num(px + rx)},{num(py)} "
             f"C{num(px + rx - 1)},{num(py + depth)} {num(px - rx + 1)},{num(py + depth)} "
             f"{num(px - rx)},{num(py)} Z")
    svg.add(path(front, fill=bowl, stroke=line, stroke_width=0.8, stroke_linejoin="round"))
    svg.add(path(f"M{num(px - rx + 2.4)},{num(py + ry + 0.9)} "
                 f"Q{num(px - rx + 4)},{num(py + depth - 1.6)} {num(px - 2)},"
                 f"{num(py + depth - 1.2)}", fill="none", stroke="#fff", stroke_opacity=0.55,
                 stroke_width=0.9, stroke_linecap="round"))


def result_draw():
    svg = Svg(64, 64)
    svg.add(soft_ellipse(svg, 32, 59, 21, 3.6, 0.4))
    line = rgb(GOLD["line"])
    gold = svg.linear([(0, GOLD["mid"]), (0.25, GOLD["hi"]), (0.5, GOLD["light"]),
                       (0.8, GOLD["base"]), (1, GOLD["shade"])], 0, 0, 1, 0)
    # the plinth, the foot and the post
    wood = svg.linear([(0, (120, 70, 40)), (1, (56, 30, 16))])
    svg.add(rect(19, 53, 26, 5.5, rx=1, fill=wood, stroke="#2a160a", stroke_width=1.0))
    svg.add(path("M29.6,46 H34.4 L40,53 H24 Z", fill=gold, stroke=line, stroke_width=1.0,
                 stroke_linejoin="round"))
    svg.add(rect(30.2, 12, 3.6, 35, fill=gold, stroke=line, stroke_width=0.9))
    # the beam, level: neither side outweighs the other
    svg.add(rect(12.5, 13.6, 39, 2.8, rx=1.4, fill=svg.linear(
        [(0, GOLD["hi"]), (0.45, GOLD["base"]), (1, GOLD["shade"])]), stroke=line,
        stroke_width=0.9))
    svg.add(circle(32, 15, 2.6, fill=svg.radial([(0, GOLD["hi"]), (0.6, GOLD["base"]),
                                                 (1, GOLD["shade"])], 31, 14, 3.2),
                   stroke=line, stroke_width=0.8))
    svg.add(path("M32,13 L30,5.5 H34 Z", fill=gold, stroke=line, stroke_width=0.8,
                 stroke_linejoin="round"))
    svg.add(circle(32, 5, 2.2, fill=svg.radial([(0, GOLD["hi"]), (0.6, GOLD["base"]),
                                                (1, GOLD["shade"])], 31.2, 4.2, 2.8),
                   stroke=line, stroke_width=0.8))
    scale_pan(svg, 14, 35, "red")
    scale_pan(svg, 50, 35, "white")
    return svg


# ---------------------------------------------------------------------------------------------
# The application icon: a red and a white checker on a board corner

def app_icon(small=False):
    svg = Svg(64, 64)
    if not small:
        svg.add(soft_rect(svg, 3.2, 4.6, 57.6, 57.6, 7, 1.4, 0.4))
    frame = svg.linear([(0, (130, 76, 42)), (1, (62, 32, 16))])
    svg.add(rect(3, 3, 58, 58, rx=7, fill=frame, stroke="#2a1408", stroke_width=1.2))
    n = 2 if small else 3
    x, y, size = 8.5, 8.5, 50
    sq = size / n
    light = svg.linear([(0, mix(WOOD_LIGHT, (255, 255, 255), 0.3)), (1, WOOD_LIGHT)])
    dark = svg.linear([(0, mix(WOOD_DARK, (255, 220, 180), 0.15)), (1, WOOD_DARK)])
    for row in range(n):
        for col in range(n):
            # the board's corners are rounded, so the corner squares are too
            radii = (3 if (row, col) == (0, 0) else 0, 3 if (row, col) == (0, n - 1) else 0,
                     3 if (row, col) == (n - 1, n - 1) else 0, 3 if (row, col) == (n - 1, 0) else 0)
            svg.add(path(rounded_rect_path(x + col * sq, y + row * sq, sq, sq, radii),
                         fill=dark if (row + col) % 2 else light))
    svg.add(rect(x, y, size, size, rx=3, fill="none", stroke="#1e0e06", stroke_width=1.2))
    svg.add(path(f"M4.5,10 A5.5,5.5 0 0 1 10,4.5 H54", fill="none", stroke="#fff",
                 stroke_opacity=0.35, stroke_width=1.2, stroke_linecap="round"))
    if small:
        piece(svg, 42, 19.5, 15, "white", rings=1, thick=3.2, outline=2.2)
        piece(svg, 22, 38.5, 15, "red", rings=1, thick=3.2, outline=2.2)
    else:
        piece(svg, 41.5, 20, 14.5, "white", rings=2, thick=3.0)
        piece(svg, 22.5, 39, 14.5, "red", rings=2, thick=3.0)
    return svg


ICON_SIZES = (16, 32, 48, 64, 128, 256)


def qrc_entries():
    """(prefix, alias, path below resources/images) of every picture, in a fixed order."""
    entries = [("toolbar", f"{name}.svg", f"toolbar/{name}.svg") for name, _ in TOOLBAR]
    entries += [("palette", f"{i}.png", f"palette/{i}.png") for i in range(7)]
    entries += [("think", f"{i}.png", f"think/{i}.png") for i in range(10)]
    entries += [("dialogs", f"{n}.svg", f"dialogs/{n}.svg") for n in DIALOGS]
    entries += [("results", f"{n}.svg", f"results/{n}.svg") for n in RESULTS]
    entries += [("about", "title.png", "about/title.png"),
                ("about", "image.jpg", "about/image.jpg")]
    entries += [("icons", "velk-checkers.svg", "icons/velk-checkers.svg")]
    entries += [("icons", f"velk-checkers-{s}.png", f"icons/velk-checkers-{s}.png")
                for s in ICON_SIZES]
    return entries


def qrc_text(images_dir):
    rel = images_dir.name
    lines = ['<!DOCTYPE RCC>',
             '<!-- The pictures of the main window, the dialogs and the application icon, drawn',
             '     by tools/gen_app_images.py (which also writes this list). -->',
             '<RCC version="1.0">']
    prefix = None
    for pre, alias, file in qrc_entries():
        if pre != prefix:
            if prefix is not None:
                lines.append('  </qresource>')
            lines.append(f'  <qresource prefix="/{pre}">')
            prefix = pre
        lines.append(f'    <file alias="{alias}">{rel}/{file}</file>')
    lines += ['  </qresource>', '</RCC>', '']
    return "\n".join(lines)


def write(path_, data):
    path_.parent.mkdir(parents=True, exist_ok=True)
    if isinstance(data, str):
        data = data.encode()
    path_.write_bytes(data)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    default_out = root / "resources" / "images"
    ap.add_argument("--out", type=pathlib.Path, default=default_out)
    ap.add_argument("--preview", type=pathlib.Path, help="also write contact sheets here")
    ap.add_argument("--only", help="comma-separated groups to draw (default: all)")
    args = ap.parse_args()
    out = args.out
    groups = set(args.only.split(",")) if args.only else None

    def want(g):
        return groups is None or g in groups

    sheets = {}
    if want("toolbar"):
        icons = toolbar_svgs()
        for name, text in icons.items():
            write(out / "toolbar" / f"{name}.svg", text)
        sheets["toolbar"] = ([read_png(render_svg(t, 24, 24)) for t in icons.values()], 12)
    if want("palette"):
        images = []
        for i, svg in enumerate(palette_svgs()):
            png = normalise_png(render_svg(svg.text(), 40, 40))
            write(out / "palette" / f"{i}.png", png)
            images.append(read_png(png))
        sheets["palette"] = (images, 7)
    if want("think"):
        images = []
        for i, svg in enumerate(think_svgs()):
            png = normalise_png(render_svg(svg.text(), 32, 32))
            write(out / "think" / f"{i}.png", png)
            images.append(read_png(png))
        sheets["think"] = (images, 10)
    if want("dialogs"):
        images = []
        for name, fn in zip(DIALOGS, (dialog_computer, dialog_memory, dialog_disk)):
            text = fn().text()
            write(out / "dialogs" / f"{name}.svg", text)
            images.append(read_png(render_svg(text, 32, 32)))
        sheets["dialogs"] = (images, 3)
    if want("results"):
        images = []
        for name, fn in zip(RESULTS, (result_human_won, result_computer_won, result_finish,
                                           result_draw)):
            text = fn().text()
            write(out / "results" / f"{name}.svg", text)
            images.append(read_png(render_svg(text, 64, 64)))
        sheets["results"] = (images, 4)
    if want("icon"):
        big = app_icon().text()
        small = app_icon(small=True).text()
        write(out / "icons" / "velk-checkers.svg", big)
        images = []
        for size in ICON_SIZES:
            png = normalise_png(render_svg(small if size < 32 else big, size, size))
            write(out / "icons" / f"velk-checkers-{size}.png", png)
            images.append(read_png(png))
        sheets["icon"] = (images, 6)
    if want("title"):
        png = normalise_png(render_svg(app_images_about.title_svg().text(),
                                       app_images_about.TITLE_W, app_images_about.TITLE_H))
        write(out / "about" / "title.png", png)
        sheets["title"] = ([read_png(png)], 1)
    if want("image"):
        jpeg, rgb_pixels = app_images_about.about_image()
        write(out / "about" / "image.jpg", jpeg)
        # the preview shows the whole picture and the 129x252 cut-out the About box shows
        w, h = 256, 320
        rgba = bytearray()
        for i in range(0, len(rgb_pixels), 3):
            rgba += rgb_pixels[i:i + 3] + b"\xff"
        cut_x = (w - 129) // 2
        cut = b"".join(bytes(rgba[(y * w + cut_x) * 4:(y * w + cut_x + 129) * 4])
                       for y in range(252))
        sheets["about-image"] = ([(w, h, bytes(rgba)), (129, 252, cut)], 2)
    if groups is None and out.resolve() == default_out:
        # the resource list goes beside the pictures it names
        write(out.parent / "app.qrc", qrc_text(out))
    if args.preview:
        for name, (images, cols) in sheets.items():
            write(args.preview / f"{name}-x1.png", contact_sheet(images, 1, cols))
            scale = 1 if images[0][0] > 100 else 4
            write(args.preview / f"{name}-x{scale}.png",
                  contact_sheet(images, scale, min(cols, 6)))


if __name__ == "__main__":
    main()
