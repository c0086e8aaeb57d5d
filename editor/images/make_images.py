#!/usr/bin/env python3
# Draws the editor's tool cursors (32 x 32 PNG with transparency) and the glyphs of its
# tool buttons (16 x 16 BMP, 24 bits, the background in the bottom-left pixel's colour).
# Run from this folder; the images it writes are kept in the repository.
import struct
import zlib

# ---- Canvas -----------------------------------------------------------------------------

class Canvas:
    def __init__(self, size, background=None):
        self.size = size
        self.px = [[background for _ in range(size)] for _ in range(size)]

    def put(self, x, y, c):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = c

    def line(self, x1, y1, x2, y2, c):
        dx, dy = abs(x2 - x1), -abs(y2 - y1)
        sx, sy = (1 if x1 < x2 else -1), (1 if y1 < y2 else -1)
        err = dx + dy
        while True:
            self.put(x1, y1, c)
            if x1 == x2 and y1 == y2:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x1 += sx
            if e2 <= dx:
                err += dx
                y1 += sy

    def rect(self, x1, y1, x2, y2, c, fill=None):
        for y in range(y1, y2 + 1):
            for x in range(x1, x2 + 1):
                edge = x in (x1, x2) or y in (y1, y2)
                if edge:
                    self.put(x, y, c)
                elif fill is not None:
                    self.put(x, y, fill)

    def dashed_rect(self, x1, y1, x2, y2, c, gap):
        for x in range(x1, x2 + 1):
            if (x - x1) % 3 != 2:
                self.put(x, y1, c)
                self.put(x, y2, c)
            elif gap is not None:
                self.put(x, y1, gap)
                self.put(x, y2, gap)
        for y in range(y1, y2 + 1):
            if (y - y1) % 3 != 2:
                self.put(x1, y, c)
                self.put(x2, y, c)
            elif gap is not None:
                self.put(x1, y, gap)
                self.put(x2, y, gap)

    def ellipse(self, cx, cy, rx, ry, c, fill=None):
        for y in range(cy - ry, cy + ry + 1):
            for x in range(cx - rx, cx + rx + 1):
                d = ((x - cx) / (rx + 0.5)) ** 2 + ((y - cy) / (ry + 0.5)) ** 2
                if d <= 1.0:
                    inner = ((x - cx) / (rx - 0.5)) ** 2 + ((y - cy) / (ry - 0.5)) ** 2 if rx > 1 and ry > 1 else 2
                    if inner > 1.0:
                        self.put(x, y, c)
                    elif fill is not None:
                        self.put(x, y, fill)

    def art(self, x0, y0, rows, colours):
        for j, row in enumerate(rows):
            for i, ch in enumerate(row):
                if ch in colours:
                    self.put(x0 + i, y0 + j, colours[ch])

    def outline(self, c):
        # A one-pixel border of colour c around everything drawn, where nothing is drawn.
        n = self.size
        add = []
        for y in range(n):
            for x in range(n):
                if self.px[y][x] is not None:
                    continue
                for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1), (1, 1), (-1, -1), (1, -1), (-1, 1)):
                    xx, yy = x + dx, y + dy
                    if 0 <= xx < n and 0 <= yy < n and self.px[yy][xx] not in (None, c):
                        add.append((x, y))
                        break
        for x, y in add:
            self.px[y][x] = c


BLACK, WHITE = (0, 0, 0), (255, 255, 255)

# ---- Files ------------------------------------------------------------------------------

def write_png(path, canvas):
    n = canvas.size
    raw = bytearray()
    for row in canvas.px:
        raw.append(0)
        for c in row:
            raw.extend((0, 0, 0, 0) if c is None else (c[0], c[1], c[2], 255))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_bmp(path, canvas, background):
    n = canvas.size
    line = (n * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(canvas.px):
        r = bytearray()
        for c in row:
            c = background if c is None else c
            r.extend((c[2], c[1], c[0]))
        r.extend(b"\0" * (line - len(r)))
        pixels.extend(r)
    header = struct.pack("<IiiHHIIiiII", 40, n, n, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(head + header + pixels)

# ---- Cursors (32 x 32; the hot spot is in the program's table) ---------------------------

def cross(c, x, y, arm=6):
    c.line(x - arm, y, x - 2, y, BLACK)
    c.line(x + 2, y, x + arm, y, BLACK)
    c.line(x, y - arm, x, y - 2, BLACK)
    c.line(x, y + 2, x, y + arm, BLACK)
    c.put(x, y, BLACK)


def sign(c, kind):
    # A plus or minus beside the tool: adding to or taking from the selection.
    if kind == "P":
        c.line(22, 26, 28, 26, BLACK)
        c.line(25, 23, 25, 29, BLACK)
    elif kind == "M":
        c.line(22, 26, 28, 26, BLACK)


def cursor_drag():
    c = Canvas(32)
    hand = [
        "     XX XX      ",
        "    XooXooXX    ",
        "    XooXooXoX   ",
        "  XXXooXooXooX  ",
        " XooXooooooooX  ",
        " XoooooooooooX  ",
        "  XooooooooooX  ",
        "  XoooooooooX   ",
        "   XooooooooX   ",
        "    XooooooX    ",
        "    XooooooX    ",
        "    XXXXXXXX    ",
    ]
    c.art(2, 2, hand, {"X": BLACK, "o": WHITE})
    return c


def cursor_lupe():
    c = Canvas(32)
    c.ellipse(7, 7, 6, 6, BLACK, WHITE)
    c.line(12, 12, 18, 18, BLACK)
    c.line(12, 13, 18, 19, BLACK)
    c.line(13, 12, 19, 18, BLACK)
    c.line(5, 7, 9, 7, BLACK)
    c.line(7, 5, 7, 9, BLACK)
    return c


def cursor_brush():
    c = Canvas(32)
    c.ellipse(8, 8, 6, 6, BLACK)
    c.put(8, 8, BLACK)
    return c


def cursor_cross():
    c = Canvas(32)
    cross(c, 8, 8, 8)
    return c


def cursor_line():
    c = Canvas(32)
    cross(c, 8, 8)
    c.line(18, 28, 28, 18, BLACK)
    return c


def cursor_shape():
    c = Canvas(32)
    cross(c, 8, 8)
    c.rect(17, 17, 27, 24, BLACK)
    c.ellipse(24, 26, 4, 3, BLACK)
    return c


def cursor_geosel(kind=""):
    c = Canvas(32)
    cross(c, 8, 8)
    c.dashed_rect(14, 14, 21, 21, BLACK, None)
    sign(c, kind)
    return c


def cursor_freesel(kind=""):
    c = Canvas(32)
    cross(c, 8, 8)
    lasso = [
        "  XXXXX  ",
        " X     X ",
        "X       X",
        "X       X",
        " X     X ",
        "  XX XX  ",
        "    X    ",
        "   X     ",
    ]
    c.art(13, 12, lasso, {"X": BLACK})
    sign(c, kind)
    return c


def cursor_drop():
    c = Canvas(32)
    pipette = [
        "X         ",
        " XX       ",
        " XoX      ",
        "  XoX     ",
        "   XoX    ",
        "    XoX   ",
        "     XoXX ",
        "      XXXX",
        "      XXXX",
        "       XX ",
    ]
    c.art(1, 1, pipette, {"X": BLACK, "o": WHITE})
    return c


def cursor_text():
    c = Canvas(32)
    c.line(5, 2, 7, 2, BLACK)
    c.line(9, 2, 11, 2, BLACK)
    c.line(8, 3, 8, 14, BLACK)
    c.line(5, 15, 7, 15, BLACK)
    c.line(9, 15, 11, 15, BLACK)
    c.line(6, 8, 10, 8, BLACK)
    return c


def cursor_wand(kind=""):
    c = Canvas(32)
    c.line(1, 1, 14, 14, BLACK)
    c.line(2, 1, 15, 14, BLACK)
    c.line(1, 2, 14, 15, BLACK)
    star = [
        "  X  ",
        "X X X",
        " XXX ",
        "X X X",
        "  X  ",
    ]
    c.art(15, 2, star, {"X": BLACK})
    sign(c, kind)
    return c


def cursor_fill():
    c = Canvas(32)
    bucket = [
        "    XX      ",
        "   XooX     ",
        "  XooooX    ",
        " XooooooX   ",
        "XooooooooX  ",
        " XooooooXXX ",
        "  XooooXXXXX",
        "   XooX  XXX",
        "    XX    X ",
    ]
    c.art(3, 4, bucket, {"X": BLACK, "o": WHITE})
    c.put(14, 14, BLACK)
    return c


CURSORS = [
    ("MYSB_DRAGC", cursor_drag),
    ("MYSB_LUPE", cursor_lupe),
    ("MYSB_BRUSHC", cursor_brush),
    ("MYKREUZ", cursor_cross),
    ("LINECURS", cursor_line),
    ("SHAPECURS", cursor_shape),
    ("GEOSELC", cursor_geosel),
    ("FREESELC", cursor_freesel),
    ("DROPCURS", cursor_drop),
    ("TXTCURS", cursor_text),
    ("MAGICWAND", cursor_wand),
    ("FLOODFILLC", cursor_fill),
    ("MAGICWANDP", lambda: cursor_wand("P")),
    ("MAGICWANDM", lambda: cursor_wand("M")),
    ("GEOSELCP", lambda: cursor_geosel("P")),
    ("GEOSELCM", lambda: cursor_geosel("M")),
    ("FREESELCP", lambda: cursor_freesel("P")),
    ("FREESELCM", lambda: cursor_freesel("M")),
]

# ---- Glyphs (16 x 16) -------------------------------------------------------------------

KEY = (255, 0, 255)  # the transparent colour; the bottom-left pixel always has it
GREY, DARK, BLUE, RED, YELLOW, BROWN, GREEN = (192, 192, 192), (96, 96, 96), (0, 0, 160), (200, 0, 0), (240, 200, 0), (150, 90, 30), (0, 140, 0)


def glyph(rows, colours):
    c = Canvas(16)
    c.art(0, 0, rows, colours)
    return c


PALETTE = {"X": BLACK, "o": WHITE, "g": GREY, "d": DARK, "b": BLUE, "r": RED, "y": YELLOW, "n": BROWN, "G": GREEN}

GLYPHS = {
    "TB_NEW": [
        "                ",
        "  XXXXXXXX      ",
        "  XooooooXX     ",
        "  XooooooXoX    ",
        "  XooooooXXXX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XoooooooooX   ",
        "  XXXXXXXXXXX   ",
        "                ",
    ],
    "TB_OPEN": [
        "                ",
        "                ",
        "  XXXX          ",
        " XyyyyX         ",
        " XyyyyyXXXXXX   ",
        " XyyyyyyyyyyX   ",
        " XyyyXXXXXXXXXXX",
        " XyyXnnnnnnnnnX ",
        " XyXnnnnnnnnnX  ",
        " XXnnnnnnnnnX   ",
        " XnnnnnnnnnX    ",
        " XXXXXXXXXX     ",
        "                ",
        "                ",
        "                ",
        "                ",
    ],
    "TB_SAVE": [
        "                ",
        " XXXXXXXXXXXXXX ",
        " XbXooooooooXbX ",
        " XbXooooooooXbX ",
        " XbXooooooooXbX ",
        " XbXooooooooXbX ",
        " XbbXXXXXXXXbbX ",
        " XbbbbbbbbbbbbX ",
        " XbbXXXXXXXXbbX ",
        " XbbXggXXggXbbX ",
        " XbbXggXXggXbbX ",
        " XbbXggXXggXbbX ",
        " XbbXggggggXbbX ",
        "  XXXXXXXXXXXXX ",
        "                ",
        "                ",
    ],
    "TB_CUT": [
        "                ",
        "    X      X    ",
        "    X      X    ",
        "    XX    XX    ",
        "     X    X     ",
        "     XX  XX     ",
        "      XXXX      ",
        "       XX       ",
        "      XXXX      ",
        "   rrrX  Xrrr   ",
        "  r  rr  rr  r  ",
        "  r   r  r   r  ",
        "  r  rr  rr  r  ",
        "   rrr    rrr   ",
        "                ",
        "                ",
    ],
    "TB_COPY": [
        "                ",
        " XXXXXXX        ",
        " XoooooXX       ",
        " XoooooXoX      ",
        " XoooXXXXXXX    ",
        " XoooXoooooXX   ",
        " XoooXoooooXoX  ",
        " XoooXoooooXXXX ",
        " XoooXoooooooX  ",
        " XXXXXoooooooX  ",
        "     XoooooooX  ",
        "     XoooooooX  ",
        "     XoooooooX  ",
        "     XXXXXXXXX  ",
        "                ",
        "                ",
    ],
    "TB_PASTE": [
        "                ",
        "     XXXXX      ",
        "  XXXXgggXXXX   ",
        "  XnnXXXXXnnX   ",
        "  XnnnnnnnnnX   ",
        "  XnnnXXXXXXXXX ",
        "  XnnnXoooooooX ",
        "  XnnnXoooooooX ",
        "  XnnnXoXXXXooX ",
        "  XnnnXoooooooX ",
        "  XnnnXoXXXXXoX ",
        "  XnnnXoooooooX ",
        "  XXXXXoooooooX ",
        "      XXXXXXXXX ",
        "                ",
        "                ",
    ],
    "TB_UNDO": [
        "                ",
        "                ",
        "    b           ",
        "   bb           ",
        "  bbbbbbbb      ",
        " bbbbbbbbbb     ",
        "  bb      bb    ",
        "   b       bb   ",
        "            b   ",
        "            b   ",
        "           bb   ",
        "          bb    ",
        "       bbbb     ",
        "                ",
        "                ",
        "                ",
    ],
    "TB_BACK": [
        "                ",
        "      XXXXXXXX  ",
        "      XggggggX  ",
        "      XggggggX  ",
        "   G  XggggggX  ",
        "  GG  XggggggX  ",
        " GGGGGGGgggggX  ",
        "GGGGGGGGggXggX  ",
        " GGGGGGGgggggX  ",
        "  GG  XggggggX  ",
        "   G  XggggggX  ",
        "      XggggggX  ",
        "      XggggggX  ",
        "      XXXXXXXX  ",
        "                ",
        "                ",
    ],
    "TOOL_ZOOM": [
        "                ",
        "   XXXX         ",
        "  XooooX        ",
        " XooXXooX       ",
        " XoXooooX       ",
        " XoooooXX       ",
        " XoooooX        ",
        "  XooooX        ",
        "   XXXXXX       ",
        "        XX      ",
        "         XX     ",
        "          XX    ",
        "           XX   ",
        "            X   ",
        "                ",
        "                ",
    ],
    "TOOL_HAND": [
        "                ",
        "      XX        ",
        "   XXXooXXX     ",
        "  XooXooXooX    ",
        "  XooXooXooX X  ",
        "  XooXooXooXXoX ",
        "  XooooooooXooX ",
        "XXXoooooooooooX ",
        "XooXoooooooooX  ",
        " XoooooooooooX  ",
        "  XoooooooooX   ",
        "   XooooooooX   ",
        "    XooooooX    ",
        "    XooooooX    ",
        "    XXXXXXXX    ",
        "                ",
    ],
    "TOOL_SELECT": [
        "                ",
        "                ",
        " XX XX XX XX X  ",
        " X           X  ",
        "                ",
        " X           X  ",
        " X           X  ",
        "                ",
        " X           X  ",
        " X           X  ",
        "                ",
        " X           X  ",
        " XX XX XX XX X  ",
        "                ",
        "                ",
        "                ",
    ],
    "TOOL_FREESEL": [
        "                ",
        "     XX XX      ",
        "   X       X    ",
        "  X         X   ",
        "             X  ",
        " X           X  ",
        " X          X   ",
        "  X             ",
        "   X      X     ",
        "     X XX       ",
        "     X          ",
        "    XX          ",
        "   XXX          ",
        "   XX           ",
        "                ",
        "                ",
    ],
    "TOOL_MAGIC": [
        "                ",
        "          y     ",
        "        y y y   ",
        "         yyy    ",
        "        yyyyy   ",
        "         yyy    ",
        "        X y y   ",
        "       XX       ",
        "      XX        ",
        "     XX         ",
        "    XX          ",
        "   XX           ",
        "  XX            ",
        " XX             ",
        "                ",
        "                ",
    ],
    "TOOL_DROP": [
        "                ",
        "            XX  ",
        "           XXXX ",
        "          XXXXX ",
        "         XXXXX  ",
        "        XoXXX   ",
        "       XoooX    ",
        "      XoooX     ",
        "     XoooX      ",
        "    XoooX       ",
        "   XoooX        ",
        "  XoooX         ",
        "  XooX          ",
        " XXX            ",
        "                ",
        "                ",
    ],
    "TOOL_BRUSH": [
        "                ",
        "            XX  ",
        "           XnX  ",
        "          XnX   ",
        "         XnX    ",
        "        XnX     ",
        "       XnX      ",
        "      XgX       ",
        "    XXgX        ",
        "   XbbX         ",
        "   XbbX         ",
        "  XbbX          ",
        " XbbX           ",
        " XXX            ",
        "                ",
        "                ",
    ],
    "TOOL_CLONE": [
        "                ",
        "      XXXX      ",
        "     XnnnnX     ",
        "     XnnnnX     ",
        "      XnnX      ",
        "      XnnX      ",
        "      XnnX      ",
        "   XXXXXXXXXX   ",
        "  XggggggggggX  ",
        "  XggggggggggX  ",
        "  XXXXXXXXXXXX  ",
        "  XrrrrrrrrrrX  ",
        "  XXXXXXXXXXXX  ",
        "                ",
        "                ",
        "                ",
    ],
    "TOOL_REPLACE": [
        "                ",
        " XXXXXX         ",
        " XrrrrX         ",
        " XrrrrX         ",
        " XrrrrX   X     ",
        " XrrrrX   XX    ",
        " XXXXXX XXXXX   ",
        "          XX    ",
        "          X     ",
        "        XXXXXX  ",
        "        XbbbbX  ",
        "        XbbbbX  ",
        "        XbbbbX  ",
        "        XbbbbX  ",
        "        XXXXXX  ",
        "                ",
    ],
    "TOOL_RETOUCH": [
        "                ",
        "       X        ",
        "       X        ",
        "      XbX       ",
        "      XbX       ",
        "     XbbbX      ",
        "    XbbbbbX     ",
        "   XbbbbbbbX    ",
        "   XbbobbbbX    ",
        "   XbobbbbbX    ",
        "   XbbbbbbbX    ",
        "    XbbbbbX     ",
        "     XXXXX      ",
        "                ",
        "                ",
        "                ",
    ],
    "TOOL_FILL": [
        "                ",
        "     XX         ",
        "    XooX        ",
        "   XooooX       ",
        "  XooooooX      ",
        " XooooooooX     ",
        "  XooooooXbb    ",
        "   XooooXbbbb   ",
        "    XooXbbbbbb  ",
        "     XX  bbbbb  ",
        "          bbb   ",
        "           b    ",
        "                ",
        "                ",
        "                ",
        "                ",
    ],
    "TOOL_TEXT": [
        "                ",
        "                ",
        "      XXX       ",
        "      XXX       ",
        "     XX XX      ",
        "     XX XX      ",
        "    XX   XX     ",
        "    XX   XX     ",
        "   XXXXXXXXX    ",
        "   XX     XX    ",
        "  XX       XX   ",
        "  XX       XX   ",
        " XXXX     XXXX  ",
        "                ",
        "                ",
        "                ",
    ],
    "TOOL_LINE": [
        "                ",
        "              X ",
        "             XX ",
        "            XX  ",
        "           XX   ",
        "          XX    ",
        "         XX     ",
        "        XX      ",
        "       XX       ",
        "      XX        ",
        "     XX         ",
        "    XX          ",
        "   XX           ",
        "  XX            ",
        "                ",
        "                ",
    ],
    "TOOL_SHAPE": [
        "                ",
        " XXXXXXXX       ",
        " XbbbbbbX       ",
        " XbbbbbbX       ",
        " XbbbbbbX       ",
        " XbbbbbbX       ",
        " XbbbbXXXXX     ",
        " XXXXXrrrrrXX   ",
        "     XrrrrrrrX  ",
        "    XrrrrrrrrrX ",
        "    XrrrrrrrrrX ",
        "    XrrrrrrrrrX ",
        "     XrrrrrrrX  ",
        "      XXXXXXX   ",
        "                ",
        "                ",
    ],
}


def main():
    for name, make in CURSORS:
        c = make()
        c.outline(WHITE)
        write_png("%s.png" % name, c)
    for name, rows in GLYPHS.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
        assert rows[15][0] == " ", name  # the transparent colour's pixel
        write_bmp("%s.bmp" % name, glyph(rows, PALETTE), KEY)


if __name__ == "__main__":
    main()
