#!/usr/bin/env python3
"""Draws the program's own pictures into data/ and data/pictures/.

data/LOGO.BMP       the picture the main view stretches over its whole area (8 bits)
data/LOGOINIT.BMP   the start-up picture shown for two seconds on red (8 bits)
data/LogoPrn.Bmp    the logo printed at the head of the information report (8 bits)
data/pictures/      small PNG pictures loaded by Qt:
  toolbar_<command>.png  16 x 15 toolbar buttons, in toolbar order 32772, 32784, 32771, 32776,
                         57606, 57664 (tester software, install software, serial port, language,
                         printer set-up, information)
  toolbar_<command>@2x.png  the same at 32 x 30 for screens scaled by 2, enlarged with Scale2x
                         so that the pixel drawing keeps its hard edges
  flag_<code>.png        64 x 40 flags of the language dialog (ITA, ING, FRA, TED, SPA, GRE),
                         and flag_<code>@2x.png at 128 x 80
  app_128_<size>.png     the program's window icon (resource 128) at 16, 32, 48, 64, 128 and 256
                         pixels: the handheld tester on the red of the start-up picture; the
                         desktop's icon theme takes the same pictures
data/icons/zolt.svg     the same icon drawn as scalable shapes, for the desktop's icon theme
  folder.png, folder_open.png, drive_fixed.png, drive_removable.png, drive_cdrom.png,
  drive_network.png      16 x 16 pictures of the folder tree
data/pictures/software/ the tester software dialog's pictures, built into its own folder's code:
  vehicle_209.png        70 x 19 icon of a vehicle row (bitmap resource 209)
  ecu_226.png            30 x 22 icon of an ECU row (bitmap resource 226)
  drag_316.png           32 x 32 cursor of an ECU being dragged (cursor resource 316), hot spot 0,0

The small pictures are drawn here from pixel grids and geometry and written as PNG with the
standard library; the three large ones are drawn with ImageMagick's convert (Debian imagemagick)
and the DejaVu fonts (fonts-dejavu-core). Run it again after a change; the output is stable.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DATA = os.path.join(ROOT, "data")
PICTURES = os.path.join(DATA, "pictures")


def write_png(path, width, height, rows):
    """Writes RGBA rows (lists of (r, g, b, a)) as an 8-bit RGBA PNG."""
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def hex_colour(text):
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


# Colours of the pixel grids; "." is transparent. No grid uses pure white, which the folder tree
# treats as transparent in pictures without an alpha channel.
GRID_COLOURS = {
    "k": "#202428",  # outline
    "g": "#7c8690",  # grey
    "l": "#c4cad0",  # light grey
    "w": "#f4f6f8",  # near white
    "b": "#1d5fb4",  # blue
    "B": "#78aef0",  # light blue
    "d": "#0e2f5a",  # dark blue
    "y": "#f2c230",  # yellow
    "Y": "#b88a10",  # dark yellow
    "o": "#fde38a",  # pale yellow
    "r": "#d42a2a",  # red
    "G": "#2fa84f",  # green
    "D": "#17692e",  # dark green
    "s": "#9aa4ae",  # steel
}


def grid_rows(grid, width, height):
    assert len(grid) == height, (len(grid), height)
    rows = []
    for line in grid:
        assert len(line) == width, line
        rows.append([(0, 0, 0, 0) if ch == "." else hex_colour(GRID_COLOURS[ch]) + (255,)
                     for ch in line])
    return rows


TOOLBAR = {
    # 32772 tester software: the handheld tester with its screen and keys.
    32772: [
        "....kkkkkkkk....",
        "...kssssssssk...",
        "...kskkkkkkskk..",
        "...kskBBBBksk.k.",
        "...kskBwwBksk..k",
        "...kskBBBBksk..k",
        "...kskBwBBksk..k",
        "...kskkkkkksk.k.",
        "...kssssssssk.k.",
        "...ksGssssrsk.k.",
        "...kssssssssk.k.",
        "...kslslslssk..k",
        "...kssssssssk..k",
        "...kslslslssk..k",
        "....kkkkkkkk....",
    ],
    # 32784 install new software: an arrow down into a tray.
    32784: [
        "......DDDD......",
        "......DGGD......",
        "......DGGD......",
        "......DGGD......",
        "...DDDDGGDDDD...",
        "....DGGGGGGD....",
        ".....DGGGGD.....",
        "......DGGD......",
        ".kk....DD....kk.",
        ".kgk........kgk.",
        ".kglkkkkkkkklgk.",
        ".kglllllllllllk.",
        ".kgggggggggGggk.",
        ".kggggggggggggk.",
        "..kkkkkkkkkkkk..",
    ],
    # 32771 serial port: a nine-pin connector and its cable.
    32771: [
        "................",
        "kkkkkkkkkkkkkkkk",
        "kssssssssssssssk",
        "ksyYsyYsyYsyYssk",
        ".ksssssssssssk..",
        ".kssyYsyYsyYssk.",
        "..ksssssssssk...",
        "...kkkkkkkkkk...",
        "......kggk......",
        "......kggk......",
        "......kggk......",
        ".......kggk.....",
        "........kggk....",
        ".........kggk...",
        "..........kggk..",
    ],
    # 32776 language: a globe.
    32776: [
        ".....kkkkkk.....",
        "...kkbbBGGbkk...",
        "..kbbBGGGGbbbk..",
        ".kbGGGGGGbbbbbk.",
        ".kbbGGGGbbbGGbk.",
        "kbbbbGGbbbGGGGbk",
        "kbbbbbGGbbbGGGbk",
        "kbbbbbGGGbbbGbbk",
        "kbbbbGGGGGbbbbbk",
        "kbbbbGGGGbbbbbbk",
        ".kbbbbGGbbbbGbk.",
        ".kbbbbGbbbbGGbk.",
        "..kbbbbbbbbbbk..",
        "...kkbbbbbbkk...",
        ".....kkkkkk.....",
    ],
    # 57606 printer set-up: a printer with a sheet.
    57606: [
        "................",
        "....kkkkkkkk....",
        "....kwwwwwwk....",
        "....kwkkkkwk....",
        "....kwwwwwwk....",
        ".kkkkkkkkkkkkkk.",
        "kllllllllllllllk",
        "klllllllllllGGlk",
        "kggggggggggggggk",
        "kggkkkkkkkkkkggk",
        "kggkwwwwwwwwkggk",
        ".kkkwkkkkkkwkkk.",
        "....kwwwwwwk....",
        "....kkkkkkkk....",
        "................",
    ],
    # 57664 information: an "i" in a blue disc.
    57664: [
        ".....kkkkkk.....",
        "...kkbbbbbbkk...",
        "..kbbbbwwbbbbk..",
        ".kbbbbbwwbbbbbk.",
        ".kbbbbbbbbbbbbk.",
        "kbbbbbwwwbbbbbbk",
        "kbbbbbbwwbbbbbbk",
        "kbbbbbbwwbbbbbbk",
        "kbbbbbbwwbbbbbbk",
        "kbbbbbbwwbbbbbbk",
        ".kbbbbbwwbbbbbk.",
        ".kbbbbwwwwbbbbk.",
        "..kbbbbbbbbbbk..",
        "...kkbbbbbbkk...",
        ".....kkkkkk.....",
    ],
}

TREE = {
    "folder": [
        "................",
        "................",
        ".kkkkk..........",
        "kooooYk.........",
        "koyyyyYkkkkkkk..",
        "koyyyyyyyyyyyYk.",
        "koyyyyyyyyyyyYk.",
        "koyyyyyyyyyyyYk.",
        "koyyyyyyyyyyyYk.",
        "koyyyyyyyyyyyYk.",
        "koyyyyyyyyyyyYk.",
        "koyyyyyyyyyyyYk.",
        "kYYYYYYYYYYYYYk.",
        ".kkkkkkkkkkkkk..",
        "................",
        "................",
    ],
    "folder_open": [
        "................",
        "................",
        ".kkkkk..........",
        "kooooYk.........",
        "koyyyyYkkkkkk...",
        "koyyyyyyyyyyYk..",
        "koyykkkkkkkkkkkk",
        "koykoooooooooook",
        "koykoyyyyyyyyyk.",
        "kokoyyyyyyyyyYk.",
        "kokoyyyyyyyyyk..",
        "kkoyyyyyyyyyYk..",
        "kkYYYYYYYYYYk...",
        ".kkkkkkkkkkk....",
        "................",
        "................",
    ],
    "drive_fixed": [
        "................",
        "................",
        "................",
        "................",
        "...kkkkkkkkkkk..",
        "..kllllllllllk..",
        ".kllllllllllkk..",
        "kkkkkkkkkkkklk..",
        "kssssssssssksk..",
        "ksgggggggGGkk...",
        "kssssssssssk....",
        "kkkkkkkkkkkk....",
        "................",
        "................",
        "................",
        "................",
    ],
    "drive_removable": [
        "................",
        "................",
        "................",
        "......kkkk......",
        ".....kgkkgk.....",
        ".....kgkkgk.....",
        "....kkkkkkkk....",
        "....kbbbbbbk....",
        "....kbBBBBbk....",
        "....kbbbbbbk....",
        "....kbbbbbbk....",
        "....kbbrbbbk....",
        "....kbbbbbbk....",
        "....kddddddk....",
        ".....kkkkkk.....",
        "................",
    ],
    "drive_cdrom": [
        "................",
        ".....kkkkkk.....",
        "...kkllBBllkk...",
        "..klllBBBllllk..",
        ".kllllBBBlllllk.",
        ".klllllkklllllk.",
        "kllllkkggkkllllk",
        "klllklg..glkBllk",
        "kllBklg..glkBBlk",
        "kllBBkkggkklBBlk",
        ".kllBBlkklllllk.",
        ".klllBBlllllllk.",
        "..kllllllllllk..",
        "...kkllllllkk...",
        ".....kkkkkk.....",
        "................",
    ],
    "drive_network": [
        "................",
        "................",
        "...kkkkkkkkkkk..",
        "..kllllllllllk..",
        ".kllllllllllkk..",
        "kkkkkkkkkkkklk..",
        "kssssssssssksk..",
        "ksgggggggGGkk...",
        "kssssssssssk....",
        "kkkkkkkkkkkk....",
        ".....kgk........",
        ".....kgk........",
        "kkkkkkgkkkkkkkk.",
        "kggggggggggggggk",
        "kkkkkkkkkkkkkkk.",
        "................",
    ],
}


class Canvas:
    """A pixel grid painted with the grid colours; outline() rings painted shapes in "k"."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.px = [[None] * width for _ in range(height)]

    def fill(self, inside, colour):
        for y in range(self.height):
            for x in range(self.width):
                if inside(x + 0.5, y + 0.5):
                    self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour)

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def outline(self):
        """Every painted pixel next to an unpainted one (or the edge) becomes outline."""
        ring = []
        for y in range(self.height):
            for x in range(self.width):
                if self.px[y][x] is None:
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    nx, ny = x + dx, y + dy
                    if not (0 <= nx < self.width and 0 <= ny < self.height) or \
                            self.px[ny][nx] is None:
                        ring.append((x, y))
                        break
        for x, y in ring:
            self.px[y][x] = "k"

    def rows(self):
        return [[(0, 0, 0, 0) if c is None else hex_colour(GRID_COLOURS[c]) + (255,)
                 for c in row] for row in self.px]


def draw_vehicle():
    """A car seen from the side, facing right: red body, blue windows, dark wheels."""
    c = Canvas(70, 19)
    c.fill(lambda x, y: 5 <= x < 64 and 7 <= y < 15 and not (x < 7 and y < 9) and
           not (x >= 62 and y < 9), "r")
    c.fill(lambda x, y: 1 <= y < 8 and 18 - (y - 1) * 1.2 <= x < 44 + (y - 1) * 1.6, "r")
    c.outline()
    c.fill(lambda x, y: 2 <= y < 7 and 20.5 - (y - 2) * 1.2 <= x < 31, "B")
    c.fill(lambda x, y: 2 <= y < 7 and 32 <= x < 43 + (y - 2) * 1.6, "B")
    c.rect(21, 2, 25, 3, "w")  # a glint on the windscreen
    c.rect(5, 10, 64, 11, "d")  # the body's belt line
    c.rect(61, 8, 63, 10, "y")  # headlight
    c.rect(6, 8, 8, 10, "o")  # rear light
    for cx in (17, 51):
        c.disc(cx, 15, 4, "k")
        c.disc(cx, 15, 2.2, "l")
        c.disc(cx, 15, 0.8, "g")
    return c.rows()


def draw_ecu():
    """An ECU: a steel box with gold pins above and below, a blue label and a green lamp."""
    c = Canvas(30, 22)
    c.fill(lambda x, y: 3 <= x < 27 and 4 <= y < 18, "s")
    c.outline()
    for x in range(6, 25, 4):
        c.rect(x, 1, x + 2, 4, "Y")
        c.rect(x, 18, x + 2, 21, "Y")
    c.rect(7, 8, 20, 14, "b")
    c.rect(8, 9, 17, 10, "B")
    c.rect(8, 11, 14, 12, "B")
    c.rect(22, 9, 24, 11, "G")
    return c.rows()


def draw_drag_cursor():
    """The pointer with an ECU at its tail, for an ECU being dragged into the selection."""
    c = Canvas(32, 32)
    arrow = [
        "k...........",
        "kk..........",
        "kwk.........",
        "kwwk........",
        "kwwwk.......",
        "kwwwwk......",
        "kwwwwwk.....",
        "kwwwwwwk....",
        "kwwwwwwwk...",
        "kwwwwwwwwk..",
        "kwwwwwwwwwk.",
        "kwwwwwwkkkkk",
        "kwwwkwwk....",
        "kwwk.kwwk...",
        "kwk..kwwk...",
        "kk....kwwk..",
        "k.....kwwk..",
        ".......kwwk.",
        ".......kkk..",
    ]
    for y, line in enumerate(arrow):
        for x, ch in enumerate(line):
            if ch != ".":
                c.px[y][x] = ch
    ecu = Canvas(16, 12)
    ecu.fill(lambda x, y: 1 <= x < 15 and 2 <= y < 10, "s")
    ecu.outline()
    for x in range(3, 13, 3):
        ecu.rect(x, 0, x + 1, 2, "Y")
        ecu.rect(x, 10, x + 1, 12, "Y")
    ecu.rect(4, 4, 10, 8, "b")
    ecu.rect(11, 5, 13, 7, "G")
    for y in range(12):
        for x in range(16):
            if ecu.px[y][x] is not None:
                c.px[18 + y][14 + x] = ecu.px[y][x]
    return c.rows()


SOFTWARE_PICTURES = {
    "vehicle_209": (70, 19, draw_vehicle),
    "ecu_226": (30, 22, draw_ecu),
    "drag_316": (32, 32, draw_drag_cursor),
}


def scale2x(grid):
    """Doubles a pixel grid with Scale2x (EPX): edges stay hard and diagonals get smoother steps
    instead of the blur of an interpolated enlargement."""
    height, width = len(grid), len(grid[0])
    out = [[None] * (2 * width) for _ in range(2 * height)]
    for y in range(height):
        for x in range(width):
            e = grid[y][x]
            b = grid[y - 1][x] if y > 0 else e
            h = grid[y + 1][x] if y + 1 < height else e
            d = grid[y][x - 1] if x > 0 else e
            f = grid[y][x + 1] if x + 1 < width else e
            out[2 * y][2 * x] = d if d == b and b != f and d != h else e
            out[2 * y][2 * x + 1] = f if b == f and b != d and f != h else e
            out[2 * y + 1][2 * x] = d if d == h and d != b and h != f else e
            out[2 * y + 1][2 * x + 1] = f if h == f and d != h and b != f else e
    return ["".join(row) for row in out]


def supersample(width, height, colour_at, n=4):
    """Renders colour_at(u, v) (coordinates 0..1) with n x n samples per pixel."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = colour_at((x + (sx + 0.5) / n) / width, (y + (sy + 0.5) / n) / height)
                    for i in range(3):
                        acc[i] += c[i]
            row.append(tuple(round(a / (n * n)) for a in acc) + (255,))
        rows.append(row)
    return rows


def bands(colours, vertical):
    cs = [hex_colour(c) for c in colours]
    return lambda u, v: cs[min(int((u if vertical else v) * len(cs)), len(cs) - 1)]


def spain(u, v):
    return hex_colour("#f1bf00") if 0.25 <= v < 0.75 else hex_colour("#aa151b")


def greece(u, v):
    blue, white = hex_colour("#0d5eaf"), hex_colour("#ffffff")
    stripe = 1 / 9
    canton_w = 5 * stripe * 40 / 64  # square canton five stripes high
    if v < 5 * stripe and u < canton_w:
        cu, cv = u / canton_w, v / (5 * stripe)
        return white if abs(cu - 0.5) < 0.1 or abs(cv - 0.5) < 0.1 else blue
    return blue if int(v / stripe) % 2 == 0 else white


def united_kingdom(u, v):
    blue, white, red = hex_colour("#012169"), hex_colour("#ffffff"), hex_colour("#c8102e")
    x, y = u * 60 - 30, v * 30 - 15  # flag units from the centre, y downward
    if abs(x) < 3 or abs(y) < 3:
        return red
    if abs(x) < 5 or abs(y) < 5:
        return white
    # Diagonal arm towards the corner of this quadrant; the red band lies on its anticlockwise
    # side (broad white uppermost at the hoist).
    dx, dy = math.copysign(30, x), math.copysign(15, y)
    length = math.hypot(dx, dy)
    t = (x * dy - y * dx) / length  # signed distance from the diagonal, anticlockwise positive
    if 0 < t < 2:
        return red
    if abs(t) < 3:
        return white
    return blue


FLAGS = {
    "ITA": bands(["#009246", "#ffffff", "#ce2b37"], vertical=True),
    "ING": united_kingdom,
    "FRA": bands(["#0055a4", "#ffffff", "#ef4135"], vertical=True),
    "TED": bands(["#000000", "#dd0000", "#ffce00"], vertical=False),
    "SPA": spain,
    "GRE": greece,
}


def draw_flag(code, scale=1):
    width, height = 64 * scale, 40 * scale
    rows = supersample(width, height, FLAGS[code])
    edge = (96, 96, 96, 255)  # a thin frame keeps the white of a flag apart from the dialog
    for i in range(scale):
        for x in range(width):
            rows[i][x] = rows[-1 - i][x] = edge
        for row in rows:
            row[i] = row[-1 - i] = edge
    return rows


def rounded_box(u, v, left, top, right, bottom, radius):
    """Signed distance of (u, v) from a rounded rectangle: negative inside."""
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hx, hy = (right - left) / 2 - radius, (bottom - top) / 2 - radius
    qx, qy = abs(u - cx) - hx, abs(v - cy) - hy
    outside = math.hypot(max(qx, 0), max(qy, 0))
    return outside + min(max(qx, qy), 0) - radius


def app_icon(size):
    """The window icon: the handheld tester of the toolbar and start-up pictures, standing on a
    red tile. Outlines are at least a pixel wide at every size."""
    px = 1 / size
    line = max(px, 0.04)
    ink, body, screen = hex_colour("#202428"), hex_colour("#c4cad0"), hex_colour("#1d5fb4")
    light, key, green = hex_colour("#78aef0"), hex_colour("#202428"), hex_colour("#2fa84f")
    top_red, bottom_red = hex_colour("#d42a2a"), hex_colour("#7a0000")

    def colour_at(u, v):
        tile = rounded_box(u, v, 0, 0, 1, 1, 0.2)
        if tile > 0:
            return (0, 0, 0, 0)
        if tile > -line:
            return ink + (255,)
        tester = rounded_box(u, v, 0.27, 0.1, 0.73, 0.9, 0.09)
        if tester > 0:
            red = tuple(round(a + (b - a) * v) for a, b in zip(top_red, bottom_red))
            return red + (255,)
        if tester > -line:
            return ink + (255,)
        if 0.36 <= u < 0.64 and 0.2 <= v < 0.47:
            if size >= 32 and 0.41 <= u < 0.59 and any(y <= v < y + 1.5 * px
                                                      for y in (0.26, 0.32, 0.38)):
                return light + (255,)
            return screen + (255,)
        for i, ku in enumerate((0.36, 0.46, 0.56)):
            for kv in (0.56, 0.68, 0.78):
                if ku <= u < ku + max(px, 0.08) and kv <= v < kv + max(px, 0.06):
                    return (green if (i, kv) == (0, 0.56) else key) + (255,)
        return body + (255,)

    return supersample_rgba(size, size, colour_at)


def app_icon_svg():
    """The window icon of app_icon as scalable shapes, on a 256-unit square."""
    s = 256
    line = 0.04 * s

    def box(left, top, right, bottom, radius, fill, inset=0.0):
        return (f'<rect x="{left * s + inset:g}" y="{top * s + inset:g}" '
                f'width="{(right - left) * s - 2 * inset:g}" '
                f'height="{(bottom - top) * s - 2 * inset:g}" '
                f'rx="{max(radius * s - inset, 0):g}" fill="{fill}"/>')

    shapes = [
        box(0, 0, 1, 1, 0.2, "#202428"),
        box(0, 0, 1, 1, 0.2, "url(#red)", line),
        box(0.27, 0.1, 0.73, 0.9, 0.09, "#202428"),
        box(0.27, 0.1, 0.73, 0.9, 0.09, "#c4cad0", line),
        box(0.36, 0.2, 0.64, 0.47, 0, "#1d5fb4"),
    ]
    for y in (0.26, 0.32, 0.38):
        shapes.append(box(0.41, y, 0.59, y + 0.012, 0, "#78aef0"))
    for i, ku in enumerate((0.36, 0.46, 0.56)):
        for kv in (0.56, 0.68, 0.78):
            colour = "#2fa84f" if (i, kv) == (0, 0.56) else "#202428"
            shapes.append(box(ku, kv, ku + 0.08, kv + 0.06, 0, colour))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" '
            f'viewBox="0 0 {s} {s}">\n'
            '  <title>ZOLT</title>\n'
            '  <defs>\n'
            '    <linearGradient id="red" x1="0" y1="0" x2="0" y2="1">\n'
            '      <stop offset="0" stop-color="#d42a2a"/>\n'
            '      <stop offset="1" stop-color="#7a0000"/>\n'
            '    </linearGradient>\n'
            '  </defs>\n' + "".join(f"  {shape}\n" for shape in shapes) + "</svg>\n")


def supersample_rgba(width, height, colour_at, n=4):
    """As supersample, for colours with alpha: averages premultiplied samples."""
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = colour_at((x + (sx + 0.5) / n) / width,
                                           (y + (sy + 0.5) / n) / height)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3]
            row.append((0, 0, 0, 0) if alpha == 0 else
                       tuple(round(c / alpha) for c in acc[:3]) + (round(alpha / (n * n)),))
        rows.append(row)
    return rows


def convert(*args):
    subprocess.run(["convert", *map(str, args)], check=True)


def to_bmp8(source, target):
    """Writes `source` as an uncompressed 8-bit .BMP with the 40-byte header."""
    convert(source, "-dither", "FloydSteinberg", "-colors", "256", "-type", "palette",
            "-compress", "none", "BMP3:" + target)


def draw_logo(tmp):
    """The main view's picture: a dark workshop-blue field with the program's name and an ECU."""
    w, h = 640, 480
    png = os.path.join(tmp, "logo.png")
    draw = []
    # Faint circuit traces across the field.
    for i in range(14):
        y = 40 + i * 30
        x0 = 20 + (i * 53) % 120
        x1 = w - 20 - (i * 37) % 140
        if 220 < y < 440:  # beside the name and the line below it only
            x0, x1 = min(x0, 40), max(x1, w - 40)
            draw.append(f"line {x0},{y} 70,{y} line {w - 70},{y} {x1},{y}")
        else:
            draw.append(f"line {x0},{y} {x1},{y}")
        draw.append(f"circle {x0},{y} {x0 + 3},{y}")
        draw.append(f"circle {x1},{y} {x1 + 3},{y}")
    convert("-size", f"{w}x{h}", "gradient:#1f4a78-#07111d",
            "-fill", "none", "-stroke", "#24507f", "-strokewidth", "1",
            "-draw", " ".join(draw),
            # The control unit: a chip with its pins, above the name.
            "-stroke", "#9fb7cf", "-strokewidth", "3", "-fill", "#102a46",
            "-draw", "roundrectangle 250,70 390,190 10,10",
            "-fill", "#9fb7cf", "-stroke", "none",
            "-draw", " ".join(f"rectangle {x},58 {x + 8},70 rectangle {x},190 {x + 8},202"
                              for x in range(262, 380, 20)),
            "-draw", " ".join(f"rectangle 238,{y} 250,{y + 8} rectangle 390,{y} 402,{y + 8}"
                              for y in range(82, 180, 20)),
            "-fill", "#d42a2a", "-draw", "circle 320,130 320,100",
            "-fill", "#f4f6f8", "-draw", "circle 320,130 320,115",
            "-fill", "#d42a2a", "-draw", "circle 320,130 320,122",
            # Name, red rule and the line beneath it.
            "-font", "DejaVu-Sans-Bold", "-pointsize", "120", "-fill", "#f4f6f8",
            "-gravity", "north", "-annotate", "+0+215", "ZOLT",
            "-fill", "#d42a2a", "-draw", "rectangle 170,358 470,363",
            "-font", "DejaVu-Sans", "-pointsize", "26", "-fill", "#c4d4e4",
            "-annotate", "+0+384", "VELANTO tester manager",
            png)
    to_bmp8(png, os.path.join(DATA, "LOGO.BMP"))


def draw_splash(tmp):
    """The start-up picture, shown on the splash window's red background."""
    w, h = 480, 260
    png = os.path.join(tmp, "splash.png")
    convert("-size", f"{w}x{h}", "gradient:#d41212-#7a0000",
            "-fill", "none", "-stroke", "#e44a4a", "-strokewidth", "2",
            "-draw", "roundrectangle 10,10 470,250 14,14",
            # The handheld tester on the left.
            "-stroke", "#202428", "-strokewidth", "3", "-fill", "#c4cad0",
            "-draw", "roundrectangle 40,40 150,220 14,14",
            "-fill", "#1d5fb4", "-draw", "rectangle 56,58 134,120",
            "-stroke", "none", "-fill", "#78aef0",
            "-draw", "rectangle 64,70 120,76 rectangle 64,86 110,92 rectangle 64,102 100,108",
            "-fill", "#202428",
            "-draw", " ".join(f"roundrectangle {x},{y} {x + 18},{y + 12} 3,3"
                              for x in (58, 86, 114) for y in (140, 162, 184)),
            "-fill", "#2fa84f", "-draw", "roundrectangle 58,140 76,152 3,3",
            "-stroke", "#202428", "-strokewidth", "5", "-fill", "none",
            "-draw", "bezier 95,40 95,14 175,14 190,40",
            # Name and line.
            "-stroke", "none", "-font", "DejaVu-Sans-Bold", "-pointsize", "84",
            "-fill", "#fff4f4", "-annotate", "+180+140", "ZOLT",
            "-fill", "#fff4f4", "-draw", "rectangle 184,156 440,159",
            "-font", "DejaVu-Sans", "-pointsize", "19", "-fill", "#ffe2e2",
            "-annotate", "+184+194", "VELANTO tester manager",
            png)
    to_bmp8(png, os.path.join(DATA, "LOGOINIT.BMP"))


def draw_print_logo(tmp):
    """The report's logo: dark ink on white, at 300 x 100 (printed six times larger)."""
    w, h = 300, 100
    png = os.path.join(tmp, "print.png")
    convert("-size", f"{w}x{h}", "xc:#ffffff",
            "-stroke", "#0e2f5a", "-strokewidth", "3", "-fill", "none",
            "-draw", "roundrectangle 8,14 78,86 8,8",
            "-stroke", "none", "-fill", "#0e2f5a",
            "-draw", " ".join(f"rectangle {x},6 {x + 5},14 rectangle {x},86 {x + 5},94"
                              for x in range(18, 70, 14)),
            "-fill", "#d42a2a", "-draw", "circle 43,50 43,30",
            "-fill", "#ffffff", "-draw", "circle 43,50 43,40",
            "-fill", "#d42a2a", "-draw", "circle 43,50 43,45",
            "-font", "DejaVu-Sans-Bold", "-pointsize", "52", "-fill", "#0e2f5a",
            "-annotate", "+94+62", "ZOLT",
            "-fill", "#d42a2a", "-draw", "rectangle 96,70 288,72",
            "-font", "DejaVu-Sans", "-pointsize", "14", "-fill", "#0e2f5a",
            "-annotate", "+96+90", "VELANTO tester manager",
            png)
    to_bmp8(png, os.path.join(DATA, "LogoPrn.Bmp"))


def main():
    os.makedirs(PICTURES, exist_ok=True)
    for command, grid in TOOLBAR.items():
        write_png(os.path.join(PICTURES, f"toolbar_{command}.png"), 16, 15,
                  grid_rows(grid, 16, 15))
        write_png(os.path.join(PICTURES, f"toolbar_{command}@2x.png"), 32, 30,
                  grid_rows(scale2x(grid), 32, 30))
    for name, grid in TREE.items():
        write_png(os.path.join(PICTURES, f"{name}.png"), 16, 16, grid_rows(grid, 16, 16))
    for code in FLAGS:
        write_png(os.path.join(PICTURES, f"flag_{code}.png"), 64, 40, draw_flag(code))
        write_png(os.path.join(PICTURES, f"flag_{code}@2x.png"), 128, 80, draw_flag(code, 2))
    for size in (16, 32, 48, 64, 128, 256):
        write_png(os.path.join(PICTURES, f"app_128_{size}.png"), size, size, app_icon(size))
    os.makedirs(os.path.join(DATA, "icons"), exist_ok=True)
    with open(os.path.join(DATA, "icons", "zolt.svg"), "w", encoding="utf-8") as f:
        f.write(app_icon_svg())
    os.makedirs(os.path.join(PICTURES, "software"), exist_ok=True)
    for name, (width, height, draw) in SOFTWARE_PICTURES.items():
        write_png(os.path.join(PICTURES, "software", f"{name}.png"), width, height, draw())
    if "--small-only" in sys.argv:
        return
    with tempfile.TemporaryDirectory() as tmp:
        draw_logo(tmp)
        draw_splash(tmp)
        draw_print_logo(tmp)


if __name__ == "__main__":
    main()
