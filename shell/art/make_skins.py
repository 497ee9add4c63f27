#!/usr/bin/python3
"""Tovrin's own handset art, drawn from code at build time.

    /usr/bin/python3 shell/art/make_skins.py OUTDIR [--previews DIR]
    /usr/bin/python3 shell/art/make_skins.py --list

Writes into OUTDIR two skins: "tovrin.skin" (canvas
120x160) and "tovrin-large.skin" (canvas 176x208), each with its 24-bit
bottom-up BMP pictures, and the application icon "tovrin.png" (128x128)
and "tovrin-48.png" (48x48). Nothing is copied from anywhere: every
picture is drawn here with cairo (Debian's python3-cairo).

The handset is drawn in two layers: the body (shell, bezel, panels, the
navigation dish) and the keys. Every key picture is a cut-out of the body
at the key's own rectangle with the key drawn over it, clipped to that
rectangle, so the pictures blend in; the main picture is the body with
every key drawn in its "up" state (the push envelope excepted: it is only
shown while a push message waits, by painting its own picture).

--previews DIR also renders PNG previews from the BMP files just written:
each skin at 1x and 2x (raw, and cut by the window-outline rule onto a
desktop colour with stand-ins for the native controls and a card), and a
sheet per skin with every key's states side by side.

--list prints the names of the files written into OUTDIR, one a line.
"""

import math
import os
import struct
import sys

# The twelve virtual buttons in the key table's order; the down key has no
# highlight picture (the key table has no vbut.down.highlight.bitmap).
BUTTONS = ["back", "bookmark", "menu", "home", "refresh", "stop", "go",
           "up", "down", "left", "right", "pushIndicator"]
FILE_PART = {"pushIndicator": "push"}

# name, canvas width, canvas height, scale of the drawing
SKINS = [("tovrin", 120, 160, 1.0), ("tovrin-large", 176, 208, 1.3)]

CONTROL_HEIGHT = 24
TITLE_HEIGHT = 16
SURROUND = 6          # white margin around the body, cut away by the outline


def button_states(button):
    return ("up", "down") if button == "down" else ("up", "down", "highlight")


def button_file(skin, button, state):
    return "%s-%s-%s.bmp" % (skin, FILE_PART.get(button, button), state)


def output_names():
    names = []
    for skin, _cw, _ch, _s in SKINS:
        names += [skin + ".skin", skin + ".bmp", skin + "-ind-on.bmp", skin + "-ind-off.bmp"]
        for b in BUTTONS:
            names += [button_file(skin, b, st) for st in button_states(b)]
    names += ["tovrin.png", "tovrin-48.png"]
    return names


# --------------------------------------------------------------------------
# BMP: uncompressed 24 bits per pixel, bottom-up rows padded to 4 bytes.

def _pixel_offsets():
    # cairo's RGB24/ARGB32 pixels are native-endian 32-bit 0xAARRGGBB words.
    return (0, 1, 2) if sys.byteorder == "little" else (3, 2, 1)   # B, G, R


def surface_rgb_rows(surface):
    """Rows top to bottom, each bytes B,G,R per pixel."""
    surface.flush()
    w, h, stride = surface.get_width(), surface.get_height(), surface.get_stride()
    data = bytes(surface.get_data())
    ob, og, orr = _pixel_offsets()
    rows = []
    for y in range(h):
        src = data[y * stride:y * stride + 4 * w]
        row = bytearray(3 * w)
        row[0::3] = src[ob::4]
        row[1::3] = src[og::4]
        row[2::3] = src[orr::4]
        rows.append(bytes(row))
    return rows


def write_bmp(path, surface):
    w, h = surface.get_width(), surface.get_height()
    rows = surface_rgb_rows(surface)
    pad = b"\0" * ((4 - (3 * w) % 4) % 4)
    body = b"".join(row + pad for row in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + body)


def read_bmp(path):
    """(width, height, rows of B,G,R bytes top to bottom) of a 24-bit BMP."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError("%s: not a BMP" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    _size, w, h, _planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    if bpp != 24 or comp != 0:
        raise ValueError("%s: not an uncompressed 24-bit BMP" % path)
    top_down = h < 0
    h = abs(h)
    stride = (3 * w + 3) & ~3
    rows = [data[offset + y * stride:offset + y * stride + 3 * w] for y in range(h)]
    if not top_down:
        rows.reverse()
    return w, h, rows


# --------------------------------------------------------------------------
# Colours and small drawing helpers.

def hexc(text, a=1.0):
    text = text.lstrip("#")
    return (int(text[0:2], 16) / 255.0, int(text[2:4], 16) / 255.0, int(text[4:6], 16) / 255.0, a)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def lighten(c, t):
    return mix(c, (1.0, 1.0, 1.0, c[3]), t)


def darken(c, t):
    return mix(c, (0.0, 0.0, 0.0, c[3]), t)


WHITE = (1.0, 1.0, 1.0, 1.0)


def rounded_rect(ctx, x, y, w, h, r, rb=None):
    """Rounded rectangle; r for the top corners, rb (default r) for the bottom."""
    rb = r if rb is None else rb
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - rb, y + h - rb, rb, 0, math.pi / 2)
    ctx.arc(x + rb, y + h - rb, rb, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    ctx.close_path()


def sector(ctx, cx, cy, r0, r1, a0, a1):
    """Plain annular sector between radii r0 < r1, angles a0 < a1 (radians)."""
    ctx.new_sub_path()
    ctx.arc(cx, cy, r1, a0, a1)
    ctx.arc_negative(cx, cy, r0, a1, a0)
    ctx.close_path()


def offset_polygon(pts, r):
    """The polygon pts (clockwise on screen) grown by r: round at convex
    corners, mitred where the outline bends inwards."""
    out = []
    n = len(pts)
    for i in range(n):
        (px, py), (ax, ay), (bx, by) = pts[i], pts[i - 1], pts[(i + 1) % n]
        d1x, d1y = px - ax, py - ay
        d2x, d2y = bx - px, by - py
        l1, l2 = math.hypot(d1x, d1y), math.hypot(d2x, d2y)
        n1 = (d1y / l1, -d1x / l1)
        n2 = (d2y / l2, -d2x / l2)
        cross = d1x * d2y - d1y * d2x
        if cross > 1e-9:
            t1 = math.atan2(n1[1], n1[0])
            t2 = math.atan2(n2[1], n2[0])
            while t2 < t1:
                t2 += 2 * math.pi
            steps = max(1, int((t2 - t1) / (math.pi / 24)))
            for k in range(steps + 1):
                t = t1 + (t2 - t1) * k / steps
                out.append((px + r * math.cos(t), py + r * math.sin(t)))
        else:
            sx, sy = n1[0] + n2[0], n1[1] + n2[1]
            q = sx * sx + sy * sy
            out.append((px + r * 2 * sx / q, py + r * 2 * sy / q))
    return out


def polygon_centroid(pts):
    a = cx = cy = 0.0
    for i in range(len(pts)):
        (x0, y0), (x1, y1) = pts[i - 1], pts[i]
        c = x0 * y1 - x1 * y0
        a += c
        cx += (x0 + x1) * c
        cy += (y0 + y1) * c
    return cx / (3 * a), cy / (3 * a)


def vgrad(cairo, y0, y1, stops):
    g = cairo.LinearGradient(0, y0, 0, y1)
    for t, c in stops:
        g.add_color_stop_rgba(t, *c)
    return g


def hgrad(cairo, x0, x1, stops):
    g = cairo.LinearGradient(x0, 0, x1, 0)
    for t, c in stops:
        g.add_color_stop_rgba(t, *c)
    return g


FONT = "Liberation Sans"


def text_centered(ctx, cairo, text, cx, baseline, size, color, bold=True, spacing=0.0):
    ctx.select_font_face(FONT, cairo.FONT_SLANT_NORMAL,
                         cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    ctx.set_font_size(size)
    widths = [ctx.text_extents(ch).x_advance for ch in text]
    total = sum(widths) + spacing * (len(text) - 1)
    x = cx - total / 2
    ctx.set_source_rgba(*color)
    for ch, wdt in zip(text, widths):
        ctx.move_to(x, baseline)
        ctx.show_text(ch)
        x += wdt + spacing


# --------------------------------------------------------------------------
# Palette.

BODY_EDGE = hexc("0c1a2e")
BODY_STOPS = [(0.00, hexc("1a3458")), (0.10, hexc("2c5a91")), (0.30, hexc("4377b3")),
              (0.55, hexc("3264a0")), (0.85, hexc("22497c")), (1.00, hexc("16304f"))]
BEZEL_TOP, BEZEL_BOTTOM = hexc("2a2f38"), hexc("0e1116")
PANEL = hexc("121b29")
DISH_TOP, DISH_BOTTOM = hexc("0d1828"), hexc("2a3e5a")
SILVER_TOP, SILVER_BOTTOM = hexc("f3f5f8"), hexc("a9b3c0")
RING_TOP, RING_BOTTOM = hexc("eef1f5"), hexc("9aa5b3")
ICON_DARK = hexc("26303c")
GO_TOP, GO_BOTTOM = hexc("ffc15a"), hexc("ee7410")
GREEN_TOP, GREEN_BOTTOM = hexc("7fe07a"), hexc("24a03a")
RED_TOP, RED_BOTTOM = hexc("ff8a7a"), hexc("d4282a")
GLOW = hexc("9be8ff")
BRAND = hexc("dfe7f1")


# --------------------------------------------------------------------------
# Geometry: every position in main-picture pixels.

class Rect:
    def __init__(self, x, y, w, h):
        self.x, self.y, self.w, self.h = int(x), int(y), int(w), int(h)

    def tuple(self):
        return (self.x, self.y, self.w, self.h)

    @staticmethod
    def around(x0, y0, x1, y1, pad):
        """The integer rectangle holding the box (x0,y0)-(x1,y1) grown by pad."""
        ix0 = int(math.floor(x0 - pad))
        iy0 = int(math.floor(y0 - pad))
        ix1 = int(math.ceil(x1 + pad))
        iy1 = int(math.ceil(y1 + pad))
        return Rect(ix0, iy0, ix1 - ix0, iy1 - iy0)


class Key:
    """One virtual button: its rectangle and how to draw it in a state."""

    def __init__(self, name, rect, draw):
        self.name, self.rect, self.draw = name, rect, draw


class Handset:
    """One skin: canvas cw x ch, the drawing scaled by s."""

    def __init__(self, cairo, name, cw, ch, s):
        self.cairo, self.name, self.cw, self.ch, self.s = cairo, name, cw, ch, s
        M = SURROUND
        self.bez = bez = round(9 * s)            # bezel margin round the glass
        side = round(24 * s)                     # body beside the bezel
        self.body_w = cw + 2 * (bez + side)
        self.W = self.body_w + 2 * M
        self.cx = self.W / 2.0

        self.canvas_x = M + side + bez
        self.earpiece_y = M + round(15 * s)
        self.brand_base = M + round(34 * s)
        self.bezel = Rect(self.canvas_x - bez, M + round(44 * s),
                          cw + 2 * bez, TITLE_HEIGHT + ch + 2 * bez)
        self.title = Rect(self.canvas_x, self.bezel.y + bez, cw, TITLE_HEIGHT)
        self.canvas = Rect(self.canvas_x, self.title.y + TITLE_HEIGHT, cw, ch)

        # The native controls on a recessed panel under the screen: the
        # two soft keys side by side, then the options list, then status.
        gap, ppad = 3, 5
        panel_y = self.bezel.y + self.bezel.h + round(8 * s)
        self.panel = Rect(self.canvas_x - ppad, panel_y, cw + 2 * ppad,
                          3 * CONTROL_HEIGHT + 2 * gap + 2 * ppad)
        y0 = panel_y + ppad
        soft_w = (cw - 4) // 2
        self.controls = {
            "action1": Rect(self.canvas_x, y0, soft_w, CONTROL_HEIGHT),
            "action2": Rect(self.canvas_x + cw - soft_w, y0, soft_w, CONTROL_HEIGHT),
            "action3": Rect(self.canvas_x, y0 + CONTROL_HEIGHT + gap, cw, CONTROL_HEIGHT),
            "status": Rect(self.canvas_x, y0 + 2 * (CONTROL_HEIGHT + gap), cw, CONTROL_HEIGHT),
        }

        # The navigation dish with its four-way ring and the centre key;
        # the six side keys stand in a column either side of it.
        self.dish_r = 45 * s
        self.ring_r1 = 41 * s
        self.ring_r0 = 23 * s
        self.go_r = 15 * s
        self.pad_cy = self.panel.y + self.panel.h + round(56 * s)
        self.body_bottom = int(round(self.pad_cy + 74 * s))
        self.H = self.body_bottom + M
        self.body = (M, M, self.W - M, self.body_bottom)   # x0, y0, x1, y1
        self.corner_top = 30 * s
        self.corner_bottom = 46 * s

        size = round(10 * s)
        self.indicator = Rect(self.bezel.x + round(4 * s), self.brand_base - size + 1, size, size)
        ew, eh = round(24 * s), round(18 * s)
        self.push_rect = Rect(self.bezel.x + self.bezel.w - round(4 * s) - ew,
                              self.brand_base - eh + round(4 * s), ew, eh)
        self.keys = self._make_keys()

    # ---- keys ----------------------------------------------------------

    def _make_keys(self):
        s, cx, cy = self.s, self.cx, self.pad_cy
        keys = []
        deg = math.pi / 180

        # The four-way ring: each key owns a sector of the ring that fits a
        # rectangle clear of its neighbours.
        half = 22 * deg
        for name, mid in (("up", -90), ("down", 90), ("left", 180), ("right", 0)):
            a0, a1 = mid * deg - half, mid * deg + half
            rect = self._sector_rect(self.ring_r0, self.ring_r1, a0, a1, 1)
            keys.append(Key(name, rect, self._ring_key(name, a0, a1)))

        gr = Rect.around(cx - self.go_r, cy - self.go_r, cx + self.go_r, cy + self.go_r, 2)
        keys.append(Key("go", gr, self._go_key))

        # Side keys: three in a column each side, hugging the dish: a band
        # of the column less the disc round the dish, corners rounded.
        rows = [(-47, -22), (-13, 13), (22, 47)]
        places = [("back", -1, 0), ("refresh", -1, 1), ("bookmark", -1, 2),
                  ("home", 1, 0), ("stop", 1, 1), ("menu", 1, 2)]
        for name, side, row in places:
            y0, y1 = rows[row]
            outline = self._column_outline(side, y0 * s, y1 * s, 75 * s, 40 * s, self.dish_r + 4 * s, 6 * s)
            xs = [p[0] for p in outline]
            ys = [p[1] for p in outline]
            rect = Rect.around(min(xs), min(ys), max(xs), max(ys), 2)
            keys.append(Key(name, rect, self._side_key(name, outline)))

        keys.append(Key("pushIndicator", self.push_rect, self._push_key))
        order = {b: i for i, b in enumerate(BUTTONS)}
        keys.sort(key=lambda k: order[k.name])
        return keys

    def _sector_rect(self, r0, r1, a0, a1, pad):
        pts = []
        for i in range(65):
            a = a0 + (a1 - a0) * i / 64.0
            for r in (r0, r1):
                pts.append((self.cx + r * math.cos(a), self.pad_cy + r * math.sin(a)))
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        return Rect.around(min(xs), min(ys), max(xs), max(ys), pad)

    # The common look of a raised key: drop shadow, gradient body, rim,
    # top light; pressed: darker, inset shadow; hover: lighter, glowing rim.
    def _key_body(self, ctx, path, top, bottom, state, y0, y1):
        cairo = self.cairo
        if state != "down":
            ctx.save()
            ctx.translate(0, 1)
            path(ctx)
            ctx.set_source_rgba(0, 0, 0, 0.45)
            ctx.fill()
            ctx.restore()
        if state == "down":
            top, bottom = darken(bottom, 0.22), darken(mix(top, bottom, 0.5), 0.12)
        elif state == "highlight":
            # pale keys lighten well; coloured ones would wash out
            t = 0.25 if min(top[:3]) > 0.8 else 0.12
            top, bottom = lighten(top, t), lighten(bottom, t)
        path(ctx)
        ctx.set_source(vgrad(cairo, y0, y1, [(0, top), (1, bottom)]))
        ctx.fill_preserve()
        ctx.set_source_rgba(*darken(bottom, 0.45))
        ctx.set_line_width(1.0)
        ctx.stroke()
        ctx.save()
        path(ctx)
        ctx.clip()
        if state == "down":
            ctx.translate(0, 2)
            path(ctx)
            ctx.set_source_rgba(0, 0, 0, 0.35)
            ctx.set_line_width(3.0)
            ctx.stroke()
        else:
            ctx.translate(0, 1.2)
            path(ctx)
            ctx.set_source_rgba(1, 1, 1, 0.65 if state == "up" else 0.9)
            ctx.set_line_width(1.2)
            ctx.stroke()
        ctx.restore()
        if state == "highlight":
            path(ctx)
            ctx.set_source_rgba(*GLOW[:3], 0.75)
            ctx.set_line_width(2.6)
            ctx.stroke()
            path(ctx)
            ctx.set_source_rgba(1, 1, 1, 0.9)
            ctx.set_line_width(0.9)
            ctx.stroke()

    def _ring_key(self, name, a0, a1):
        def draw(ctx, state):
            cairo, s, cx, cy = self.cairo, self.s, self.cx, self.pad_cy
            r0, r1 = self.ring_r0, self.ring_r1
            if state != "up":
                ctx.save()
                sector(ctx, cx, cy, r0 + 0.5, r1 - 0.5, a0, a1)
                ctx.clip()
                if state == "down":
                    g = cairo.RadialGradient(cx, cy, r0, cx, cy, r1)
                    g.add_color_stop_rgba(0, 0, 0, 0, 0.10)
                    g.add_color_stop_rgba(1, 0, 0, 0, 0.32)
                    ctx.set_source(g)
                    ctx.paint()
                    ctx.new_path()
                    ctx.arc(cx, cy, r1 - 1.5, a0, a1)
                    ctx.set_source_rgba(0, 0, 0, 0.35)
                    ctx.set_line_width(3)
                    ctx.stroke()
                else:
                    ctx.set_source_rgba(1, 1, 1, 0.35)
                    ctx.paint()
                    ctx.new_path()
                    ctx.arc(cx, cy, r1 - 1.2, a0, a1)
                    ctx.set_source_rgba(*GLOW[:3], 0.95)
                    ctx.set_line_width(2.4)
                    ctx.stroke()
                    ctx.new_path()
                    ctx.arc(cx, cy, r0 + 1.2, a0, a1)
                    ctx.set_line_width(1.6)
                    ctx.stroke()
                ctx.restore()
            # The arrow mark.
            mid = (a0 + a1) / 2
            rm = (r0 + r1) / 2 + 0.5 * s
            shift = 1 if state == "down" else 0
            px, py = cx + rm * math.cos(mid) + shift, cy + rm * math.sin(mid) + shift
            u = 4.2 * s
            dx, dy = math.cos(mid), math.sin(mid)
            nx, ny = -dy, dx
            ctx.move_to(px + dx * u, py + dy * u)
            ctx.line_to(px - dx * u * 0.55 + nx * u * 1.05, py - dy * u * 0.55 + ny * u * 1.05)
            ctx.line_to(px - dx * u * 0.55 - nx * u * 1.05, py - dy * u * 0.55 - ny * u * 1.05)
            ctx.close_path()
            col = hexc("1f6fc4") if state == "highlight" else ICON_DARK
            ctx.set_source_rgba(*col)
            ctx.set_line_join(cairo.LINE_JOIN_ROUND)
            ctx.set_line_width(1.2 * s)
            ctx.fill_preserve()
            ctx.stroke()
        return draw

    def _go_key(self, ctx, state):
        cairo, s, cx, cy, r = self.cairo, self.s, self.cx, self.pad_cy, self.go_r

        def path(c):
            c.new_sub_path()
            c.arc(cx, cy, r, 0, 2 * math.pi)
        self._key_body(ctx, path, GO_TOP, GO_BOTTOM, state, cy - r, cy + r)
        shift = 1 if state == "down" else 0
        text_centered(ctx, cairo, "GO", cx + shift, cy + 4 * s + shift, 11 * s,
                      (0.55, 0.25, 0.0, 0.55), spacing=0.3 * s)
        text_centered(ctx, cairo, "GO", cx + shift, cy + 3.4 * s + shift, 11 * s, WHITE, spacing=0.3 * s)

    def _column_outline(self, side, y0, y1, outer, inner, rin, rc):
        """The outline of a side key: rows y0..y1 and columns inner..outer
        (both from the dish centre, to the left for side -1, to the right
        for +1) outside the circle of radius rin; corners rounded by rc."""
        cx, cy = self.cx, self.pad_cy
        X0, X1 = cx - outer + rc, cx - inner - rc
        Y0, Y1 = cy + y0 + rc, cy + y1 - rc
        R = rin + rc
        corners = [(X0, Y0), (X1, Y0), (X1, Y1), (X0, Y1)]
        # the rectangle's outline, densely, each point marked inside the disc
        ring = []
        for i in range(4):
            (ax, ay), (bx, by) = corners[i], corners[(i + 1) % 4]
            n = max(2, int(math.hypot(bx - ax, by - ay) * 4))
            for k in range(n):
                x, y = ax + (bx - ax) * k / n, ay + (by - ay) * k / n
                ring.append((x, y, math.hypot(x - cx, y - cy) < R))
        # start outside the disc; every run inside becomes the arc of the
        # circle between the points where the outline enters and leaves it
        start = next(i for i, p in enumerate(ring) if not p[2])
        ring = ring[start:] + ring[:start]
        pts = []
        i = 0
        while i < len(ring):
            x, y, inside = ring[i]
            if not inside:
                pts.append((x, y))
                i += 1
                continue
            j = i
            while j < len(ring) and ring[j][2]:
                j += 1
            ex, ey = pts[-1]
            lx, ly = ring[j % len(ring)][:2]
            t0 = math.atan2(ey - cy, ex - cx)
            t1 = math.atan2(ly - cy, lx - cx)
            dt = (t1 - t0 + math.pi) % (2 * math.pi) - math.pi
            steps = max(2, int(abs(dt) * R))
            for k in range(1, steps):
                t = t0 + dt * k / steps
                pts.append((cx + R * math.cos(t), cy + R * math.sin(t)))
            i = j
        out = offset_polygon(pts, rc)
        if side > 0:
            out = [(2 * cx - x, y) for x, y in reversed(out)]
        return out

    def _side_key(self, name, outline):
        colours = {"refresh": (GREEN_TOP, GREEN_BOTTOM), "stop": (RED_TOP, RED_BOTTOM)}
        top, bottom = colours.get(name, (SILVER_TOP, SILVER_BOTTOM))
        icon_colour = WHITE if name in colours else ICON_DARK
        ys = [p[1] for p in outline]
        ix, iy = polygon_centroid(outline)

        def path(c):
            c.new_sub_path()
            for x, y in outline:
                c.line_to(x, y)
            c.close_path()

        def draw(ctx, state):
            cairo, s = self.cairo, self.s
            self._key_body(ctx, path, top, bottom, state, min(ys), max(ys))
            shift = 1 if state == "down" else 0
            col = icon_colour
            if state == "highlight" and icon_colour == ICON_DARK:
                col = hexc("1f5fa8")
            ICONS[name](ctx, cairo, ix + shift, iy + shift, s, col)
        return draw

    def _push_key(self, ctx, state):
        cairo, s = self.cairo, self.s
        r = self.push_rect
        x, y, w, h = r.x + 2, r.y + 2, r.w - 4, r.h - 4

        def path(c):
            rounded_rect(c, x + 0.5, y + 0.5, w - 1, h - 1, 2 * s)
        self._key_body(ctx, path, hexc("ffffff"), hexc("d9dee6"), state, y, y + h)
        shift = 1 if state == "down" else 0
        col = hexc("1f5fa8") if state == "highlight" else hexc("3a4656")
        ctx.move_to(x + 1.5 + shift, y + 1.5 + shift)
        ctx.line_to(x + w / 2 + shift, y + h * 0.58 + shift)
        ctx.line_to(x + w - 1.5 + shift, y + 1.5 + shift)
        ctx.set_source_rgba(*col)
        ctx.set_line_width(1.3 * s)
        ctx.set_line_join(cairo.LINE_JOIN_ROUND)
        ctx.stroke()
        # a small orange "new" dot
        ctx.arc(x + w - 2.5 * s + shift, y + h - 3 * s + shift, 2.2 * s, 0, 2 * math.pi)
        ctx.set_source_rgba(*GO_BOTTOM)
        ctx.fill()

    # ---- the body --------------------------------------------------------

    def body_path(self, ctx, inset):
        x0, y0, x1, y1 = self.body
        rounded_rect(ctx, x0 + inset, y0 + inset, x1 - x0 - 2 * inset, y1 - y0 - 2 * inset,
                     self.corner_top - inset, self.corner_bottom - inset)

    def draw_body(self, ctx, surround=True):
        cairo = self.cairo
        x0, y0, x1, y1 = self.body
        if surround:
            ctx.set_source_rgb(1, 1, 1)
            ctx.paint()

        # Shell: a rim of deep navy, a metallic blue face.
        self.body_path(ctx, 0)
        ctx.set_source_rgba(*BODY_EDGE)
        ctx.fill()
        self.body_path(ctx, 2.2)
        ctx.set_source(hgrad(cairo, x0, x1, BODY_STOPS))
        ctx.fill()
        ctx.save()
        self.body_path(ctx, 2.2)
        ctx.clip()
        # sheen: lighter towards the top, darker at the chin
        ctx.set_source(vgrad(cairo, y0, y1, [(0, (1, 1, 1, 0.16)), (0.35, (1, 1, 1, 0.0)),
                                             (0.75, (0, 0, 0, 0.0)), (1, (0, 0, 0, 0.22))]))
        ctx.paint()
        # bevel: light top-left, dark bottom-right
        g = cairo.LinearGradient(x0, y0, x1, y1)
        g.add_color_stop_rgba(0, 1, 1, 1, 0.55)
        g.add_color_stop_rgba(0.5, 1, 1, 1, 0.10)
        g.add_color_stop_rgba(1, 0, 0, 0, 0.35)
        self.body_path(ctx, 3.2)
        ctx.set_source(g)
        ctx.set_line_width(1.4)
        ctx.stroke()
        # a fine chrome trim just inside the rim
        self.body_path(ctx, 4.6)
        ctx.set_source(vgrad(cairo, y0, y1, [(0, (1, 1, 1, 0.55)), (0.5, (0.85, 0.9, 1, 0.25)),
                                             (1, (1, 1, 1, 0.45))]))
        ctx.set_line_width(1.0)
        ctx.stroke()
        ctx.restore()

        self._draw_earpiece(ctx)
        self._draw_brand(ctx)
        self._draw_screen(ctx)
        self._draw_panel(ctx)
        self._draw_dish(ctx)
        self._draw_microphone(ctx)

    def _draw_earpiece(self, ctx):
        cairo, s = self.cairo, self.s
        w, h = 36 * s, 5 * s
        x, y = self.cx - w / 2, self.earpiece_y - h / 2
        rounded_rect(ctx, x, y + 1, w, h, h / 2)
        ctx.set_source_rgba(1, 1, 1, 0.25)
        ctx.fill()
        rounded_rect(ctx, x, y, w, h, h / 2)
        ctx.set_source(vgrad(cairo, y, y + h, [(0, hexc("03070d")), (1, hexc("1b2636"))]))
        ctx.fill()
        # the grille's holes
        n = 7
        for i in range(n):
            hx = x + h / 2 + (w - h) * i / (n - 1)
            ctx.arc(hx, y + h / 2, 0.9 * s, 0, 2 * math.pi)
            ctx.set_source_rgba(*hexc("3d4d63"))
            ctx.fill()

    def _draw_brand(self, ctx):
        cairo, s = self.cairo, self.s
        size = 9 * s
        text_centered(ctx, cairo, "CORVALE", self.cx, self.brand_base + 0.8, size, (0, 0, 0, 0.45),
                      spacing=1.6 * s)
        text_centered(ctx, cairo, "CORVALE", self.cx, self.brand_base, size, BRAND, spacing=1.6 * s)

    def _draw_screen(self, ctx):
        cairo, s = self.cairo, self.s
        b = self.bezel
        rad = 10 * s
        # chrome ring round the bezel
        rounded_rect(ctx, b.x - 2.5, b.y - 2.5, b.w + 5, b.h + 5, rad + 2.5)
        ctx.set_source(vgrad(cairo, b.y - 3, b.y + b.h + 3,
                             [(0, hexc("e9eef4")), (0.5, hexc("8994a3")), (1, hexc("cfd6df"))]))
        ctx.fill()
        rounded_rect(ctx, b.x - 1, b.y - 1, b.w + 2, b.h + 2, rad + 1)
        ctx.set_source_rgba(*hexc("0b0e13"))
        ctx.fill()
        rounded_rect(ctx, b.x, b.y, b.w, b.h, rad)
        ctx.set_source(vgrad(cairo, b.y, b.y + b.h, [(0, BEZEL_TOP), (1, BEZEL_BOTTOM)]))
        ctx.fill()
        # a faint reflection across the glass frame
        ctx.save()
        rounded_rect(ctx, b.x, b.y, b.w, b.h, rad)
        ctx.clip()
        ctx.move_to(b.x, b.y + b.h * 0.42)
        ctx.line_to(b.x + b.w, b.y)
        ctx.line_to(b.x, b.y)
        ctx.close_path()
        ctx.set_source_rgba(1, 1, 1, 0.06)
        ctx.fill()
        ctx.restore()
        # the glass edge and the display itself (the runtime fills title
        # and canvas; they are painted white here as well)
        t, c = self.title, self.canvas
        ctx.rectangle(t.x - 1, t.y - 1, t.w + 2, t.h + c.h + 2)
        ctx.set_source_rgba(*hexc("05070a"))
        ctx.fill()
        ctx.rectangle(t.x, t.y, t.w, t.h + c.h)
        ctx.set_source_rgb(1, 1, 1)
        ctx.fill()

    def _draw_panel(self, ctx):
        cairo = self.cairo
        p = self.panel
        rounded_rect(ctx, p.x - 1, p.y - 1, p.w + 2, p.h + 3, 7)
        ctx.set_source_rgba(1, 1, 1, 0.22)
        ctx.fill()
        rounded_rect(ctx, p.x - 1, p.y - 1, p.w + 2, p.h + 2, 7)
        ctx.set_source_rgba(*hexc("08101c"))
        ctx.fill()
        rounded_rect(ctx, p.x, p.y, p.w, p.h, 6)
        ctx.set_source(vgrad(cairo, p.y, p.y + p.h, [(0, hexc("0a121e")), (0.15, PANEL), (1, hexc("1c2738"))]))
        ctx.fill()

    def _draw_dish(self, ctx):
        cairo, s, cx, cy = self.cairo, self.s, self.cx, self.pad_cy
        R = self.dish_r
        # recessed dish: light lower lip, dark upper lip
        ctx.arc(cx, cy + 1, R + 1, 0, 2 * math.pi)
        ctx.set_source_rgba(1, 1, 1, 0.25)
        ctx.fill()
        ctx.arc(cx, cy, R, 0, 2 * math.pi)
        ctx.set_source(vgrad(cairo, cy - R, cy + R, [(0, DISH_TOP), (1, DISH_BOTTOM)]))
        ctx.fill()
        # the ring: brushed silver, a chrome edge
        r0, r1 = self.ring_r0, self.ring_r1
        ctx.arc(cx, cy + 1, r1, 0, 2 * math.pi)
        ctx.set_source_rgba(0, 0, 0, 0.5)
        ctx.fill()
        ctx.new_sub_path()
        ctx.arc(cx, cy, r1, 0, 2 * math.pi)
        ctx.new_sub_path()
        ctx.arc_negative(cx, cy, r0, 2 * math.pi, 0)
        ctx.set_source(vgrad(cairo, cy - r1, cy + r1, [(0, RING_TOP), (1, RING_BOTTOM)]))
        ctx.fill()
        g = cairo.RadialGradient(cx - r1 * 0.3, cy - r1 * 0.5, 2, cx, cy, r1)
        g.add_color_stop_rgba(0, 1, 1, 1, 0.35)
        g.add_color_stop_rgba(1, 1, 1, 1, 0.0)
        ctx.new_sub_path()
        ctx.arc(cx, cy, r1, 0, 2 * math.pi)
        ctx.new_sub_path()
        ctx.arc_negative(cx, cy, r0, 2 * math.pi, 0)
        ctx.set_source(g)
        ctx.fill()
        ctx.arc(cx, cy, r1 - 0.5, 0, 2 * math.pi)
        ctx.set_source_rgba(*hexc("6c7888"))
        ctx.set_line_width(1)
        ctx.stroke()
        ctx.arc(cx, cy, r0 + 0.5, 0, 2 * math.pi)
        ctx.set_source_rgba(*hexc("5b6676"))
        ctx.stroke()
        # fine concentric brushing
        ctx.arc(cx, cy, (r0 + r1) / 2 + 6 * s, 0, 2 * math.pi)
        ctx.set_source_rgba(1, 1, 1, 0.18)
        ctx.set_line_width(0.8)
        ctx.stroke()
        ctx.arc(cx, cy, (r0 + r1) / 2 - 6 * s, 0, 2 * math.pi)
        ctx.set_source_rgba(0, 0, 0, 0.06)
        ctx.stroke()
        # the well round the centre key
        ctx.arc(cx, cy, self.go_r + 3 * s, 0, 2 * math.pi)
        ctx.set_source_rgba(0, 0, 0, 0.25)
        ctx.fill()

    def _draw_microphone(self, ctx):
        s = self.s
        y = self.body_bottom - 12 * s
        for dx in (-6, 0, 6):
            ctx.arc(self.cx + dx * s, y + 0.8, 1.4 * s, 0, 2 * math.pi)
            ctx.set_source_rgba(1, 1, 1, 0.2)
            ctx.fill()
            ctx.arc(self.cx + dx * s, y, 1.4 * s, 0, 2 * math.pi)
            ctx.set_source_rgba(*hexc("07101c"))
            ctx.fill()

    # ---- the connection indicator -------------------------------------

    def draw_indicator(self, ctx, on):
        s = self.s
        r = self.indicator
        x, y, w, h = r.x, r.y, r.w, r.h
        rounded_rect(ctx, x + 0.5, y + 0.5, w - 1, h - 1, 2 * s)
        ctx.set_source_rgba(*hexc("070c14"))
        ctx.fill()
        lit, dim = hexc("5cf07a"), hexc("4a5261")
        col = lit if on else dim
        # antenna mast and three signal bars
        bw = max(1.0, 1.4 * s)
        base = y + h - 2
        for i, frac in enumerate((0.35, 0.6, 0.85)):
            bx = x + 2 + i * (bw + 1) + 1.6 * s
            ctx.rectangle(bx, base - (h - 3) * frac, bw, (h - 3) * frac)
        ctx.set_source_rgba(*col)
        ctx.fill()
        ctx.move_to(x + 1.7, y + 1.8)
        ctx.line_to(x + 2.6 * s, y + 2.6 * s + 0.5)
        ctx.line_to(x + 3.5 * s, y + 1.8)
        ctx.move_to(x + 2.6 * s, y + 2 * s)
        ctx.line_to(x + 2.6 * s, base)
        ctx.set_line_width(0.9)
        ctx.stroke()
        if on:
            ctx.rectangle(x + 1, y + 1, w - 2, h - 2)
            ctx.set_source_rgba(*lit[:3], 0.12)
            ctx.fill()

    # ---- pictures --------------------------------------------------------

    def render_body(self):
        cairo = self.cairo
        surf = cairo.ImageSurface(cairo.FORMAT_RGB24, self.W, self.H)
        ctx = cairo.Context(surf)
        self.draw_body(ctx)
        return surf

    def crop(self, src, rect):
        cairo = self.cairo
        surf = cairo.ImageSurface(cairo.FORMAT_RGB24, rect.w, rect.h)
        ctx = cairo.Context(surf)
        ctx.set_source_surface(src, -rect.x, -rect.y)
        ctx.paint()
        return surf

    def draw_key(self, ctx, key, state):
        r = key.rect
        ctx.save()
        ctx.rectangle(r.x, r.y, r.w, r.h)
        ctx.clip()
        ctx.new_path()
        key.draw(ctx, state)
        ctx.restore()

    def key_picture(self, body, key, state):
        surf = self.crop(body, key.rect)
        ctx = self.cairo.Context(surf)
        ctx.translate(-key.rect.x, -key.rect.y)
        self.draw_key(ctx, key, state)
        return surf

    def indicator_picture(self, body, on):
        surf = self.crop(body, self.indicator)
        ctx = self.cairo.Context(surf)
        ctx.translate(-self.indicator.x, -self.indicator.y)
        self.draw_indicator(ctx, on)
        return surf

    def main_picture(self, body):
        cairo = self.cairo
        surf = cairo.ImageSurface(cairo.FORMAT_RGB24, self.W, self.H)
        ctx = cairo.Context(surf)
        ctx.set_source_surface(body, 0, 0)
        ctx.paint()
        for key in self.keys:
            if key.name != "pushIndicator":
                self.draw_key(ctx, key, "up")
        self.draw_indicator(ctx, False)
        return surf

    # ---- the definition file ----------------------------------------------

    def skin_text(self):
        n = self.name
        lines = [
            "# %s.skin: the Corvale handset of Tovrin, canvas %dx%d." % (n, self.cw, self.ch),
            "# Generated by shell/art/make_skins.py; do not edit, change the script.",
            "# One key and its value a line; image values are file names beside this",
            "# file. All positions are pixels of the skin picture.",
            "",
        ]

        def kv(key, value):
            lines.append("%-36s %s" % (key, value))
        kv("skin.bitmap", n + ".bmp")
        kv("skin.transparent.color", "FFFFFF")
        kv("skin.title.x", self.title.x)
        kv("skin.title.y", self.title.y)
        kv("skin.title.width", self.title.w)
        kv("skin.title.height", self.title.h)
        kv("canvas.background.color", "FFFFFF")
        kv("canvas.foreground.color", "000000")
        kv("canvas.x", self.canvas.x)
        kv("canvas.y", self.canvas.y)
        kv("canvas.width", self.canvas.w)
        kv("canvas.height", self.canvas.h)
        kv("ind.connection.x", self.indicator.x)
        kv("ind.connection.y", self.indicator.y)
        kv("ind.connection.on.bitmap", n + "-ind-on.bmp")
        kv("ind.connection.off.bitmap", n + "-ind-off.bmp")
        by_name = {k.name: k for k in self.keys}
        for b in BUTTONS:
            k = by_name[b]
            kv("vbut.%s.x" % b, k.rect.x)
            kv("vbut.%s.y" % b, k.rect.y)
            for st in button_states(b):
                kv("vbut.%s.%s.bitmap" % (b, st), button_file(n, b, st))
        for ctl, prefix in (("action1", "but.action1"), ("action2", "but.action2"),
                            ("action3", "drop.action3"), ("status", "drop.status")):
            r = self.controls[ctl]
            kv(prefix + ".x", r.x)
            kv(prefix + ".y", r.y)
            kv(prefix + ".width", r.w)
            kv(prefix + ".height", r.h)
        return "\n".join(lines) + "\n"

    def check_layout(self):
        rects = [("key " + k.name, k.rect) for k in self.keys]
        rects += [("control " + c, r) for c, r in self.controls.items()]
        rects += [("indicator", self.indicator), ("canvas", self.canvas), ("title", self.title)]
        for i, (na, a) in enumerate(rects):
            for nb, b in rects[i + 1:]:
                if {na, nb} == {"canvas", "title"}:
                    continue
                apart = (b.x - (a.x + a.w) >= 2 or a.x - (b.x + b.w) >= 2 or
                         b.y - (a.y + a.h) >= 2 or a.y - (b.y + b.h) >= 2)
                if not apart:
                    raise SystemExit("%s: %s %s and %s %s are closer than 2 px"
                                     % (self.name, na, a.tuple(), nb, b.tuple()))

    def write(self, outdir):
        self.check_layout()
        body = self.render_body()
        write_bmp(os.path.join(outdir, self.name + ".bmp"), self.main_picture(body))
        write_bmp(os.path.join(outdir, self.name + "-ind-on.bmp"), self.indicator_picture(body, True))
        write_bmp(os.path.join(outdir, self.name + "-ind-off.bmp"), self.indicator_picture(body, False))
        for key in self.keys:
            for st in button_states(key.name):
                write_bmp(os.path.join(outdir, button_file(self.name, key.name, st)),
                          self.key_picture(body, key, st))
        with open(os.path.join(outdir, self.name + ".skin"), "w", newline="\n") as f:
            f.write(self.skin_text())


# --------------------------------------------------------------------------
# The icons on the keys: each draws centred on (x, y) at scale s.

def _stroke(ctx, cairo, col, width):
    ctx.set_source_rgba(*col)
    ctx.set_line_width(width)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.stroke()


def icon_back(ctx, cairo, x, y, s, col):
    u = s
    # a return arrow: shaft along the top, curling down on the right
    ctx.move_to(x - 3 * u, y - 2.5 * u)
    ctx.line_to(x + 1 * u, y - 2.5 * u)
    ctx.arc(x + 1 * u, y + 1 * u, 3.5 * u, -math.pi / 2, math.pi / 2)
    ctx.line_to(x - 1.5 * u, y + 4.5 * u)
    _stroke(ctx, cairo, col, 1.8 * u)
    ctx.move_to(x - 7 * u, y - 2.5 * u)
    ctx.line_to(x - 2.5 * u, y - 6.5 * u)
    ctx.line_to(x - 2.5 * u, y + 1.5 * u)
    ctx.close_path()
    ctx.set_source_rgba(*col)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.set_line_width(0.8 * u)
    ctx.fill_preserve()
    ctx.stroke()


def icon_bookmark(ctx, cairo, x, y, s, col):
    ro, ri = 6.2 * s, 2.6 * s
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        r = ro if i % 2 == 0 else ri
        ctx.line_to(x + r * math.cos(a), y + 0.6 * s + r * math.sin(a))
    ctx.close_path()
    ctx.set_source_rgba(*hexc("f4b400"))
    ctx.fill_preserve()
    ctx.set_source_rgba(*col)
    ctx.set_line_width(1.0 * s)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.stroke()


def icon_menu(ctx, cairo, x, y, s, col):
    for dy in (-3.5, 0, 3.5):
        ctx.move_to(x - 5 * s, y + dy * s)
        ctx.line_to(x + 5 * s, y + dy * s)
    _stroke(ctx, cairo, col, 1.8 * s)


def icon_home(ctx, cairo, x, y, s, col):
    u = s
    ctx.move_to(x - 6.5 * u, y - 0.5 * u)
    ctx.line_to(x, y - 6.5 * u)
    ctx.line_to(x + 6.5 * u, y - 0.5 * u)
    _stroke(ctx, cairo, col, 1.7 * u)
    ctx.move_to(x - 4.5 * u, y - 1.5 * u)
    ctx.line_to(x - 4.5 * u, y + 5.5 * u)
    ctx.line_to(x + 4.5 * u, y + 5.5 * u)
    ctx.line_to(x + 4.5 * u, y - 1.5 * u)
    _stroke(ctx, cairo, col, 1.5 * u)
    ctx.rectangle(x - 1.3 * u, y + 1.5 * u, 2.6 * u, 4 * u)
    ctx.set_source_rgba(*col)
    ctx.fill()


def icon_refresh(ctx, cairo, x, y, s, col):
    r = 4.8 * s
    a0, a1 = -math.pi * 0.35, math.pi * 1.25
    ctx.new_path()
    ctx.arc(x, y, r, a0, a1)
    _stroke(ctx, cairo, col, 1.8 * s)
    # arrowhead at the start of the arc, pointing along it backwards
    hx, hy = x + r * math.cos(a0), y + r * math.sin(a0)
    tx, ty = -math.sin(a0), math.cos(a0)        # tangent (increasing angle)
    nx, ny = math.cos(a0), math.sin(a0)
    u = 3.2 * s
    ctx.move_to(hx - tx * u * 1.1, hy - ty * u * 1.1)
    ctx.line_to(hx + tx * u * 0.5 + nx * u, hy + ty * u * 0.5 + ny * u)
    ctx.line_to(hx + tx * u * 0.5 - nx * u, hy + ty * u * 0.5 - ny * u)
    ctx.close_path()
    ctx.set_source_rgba(*col)
    ctx.fill()


def icon_stop(ctx, cairo, x, y, s, col):
    u = 3.8 * s
    ctx.move_to(x - u, y - u)
    ctx.line_to(x + u, y + u)
    ctx.move_to(x + u, y - u)
    ctx.line_to(x - u, y + u)
    _stroke(ctx, cairo, col, 2.2 * s)


ICONS = {"back": icon_back, "bookmark": icon_bookmark, "menu": icon_menu,
         "home": icon_home, "refresh": icon_refresh, "stop": icon_stop}


# --------------------------------------------------------------------------
# The application icon: the default handset, tilted a little, on a
# transparent ground, with a card on its screen.

def draw_icon(cairo, size):
    h = Handset(cairo, "tovrin", 120, 160, 1.0)
    surf = cairo.ImageSurface(cairo.FORMAT_ARGB32, size, size)
    ctx = cairo.Context(surf)
    scale = size * 0.94 / h.H
    ctx.translate(size / 2.0, size / 2.0)
    ctx.rotate(-10 * math.pi / 180)
    ctx.scale(scale, scale)
    ctx.translate(-h.W / 2.0, -h.H / 2.0)
    if size < 64:
        # at small sizes thicken the outline so the shape reads
        h.body_path(ctx, -3)
        ctx.set_source_rgba(*BODY_EDGE)
        ctx.fill()
    h.draw_body(ctx, surround=False)
    for key in h.keys:
        if key.name != "pushIndicator":
            h.draw_key(ctx, key, "up")
    h.draw_indicator(ctx, True)
    # a card on the screen: a title bar, a heading and lines of text
    t, c = h.title, h.canvas
    ctx.rectangle(t.x, t.y, t.w, t.h)
    ctx.set_source_rgba(*hexc("2c5a91"))
    ctx.fill()
    ctx.rectangle(c.x, c.y, c.w, c.h)
    ctx.set_source(vgrad(cairo, c.y, c.y + c.h, [(0, hexc("ffffff")), (1, hexc("e6eefa"))]))
    ctx.fill()
    ctx.rectangle(c.x + 10, c.y + 12, 64, 12)
    ctx.set_source_rgba(*hexc("1a3458"))
    ctx.fill()
    for i, wdt in enumerate((96, 84, 100, 70)):
        ctx.rectangle(c.x + 10, c.y + 38 + i * 18, wdt, 8)
        ctx.set_source_rgba(*hexc("7a8aa0"))
        ctx.fill()
    ctx.rectangle(c.x + 10, c.y + 120, 60, 14)
    ctx.set_source_rgba(*GO_BOTTOM)
    ctx.fill()
    # the soft keys and lists on the panel under the screen
    for r in h.controls.values():
        rounded_rect(ctx, r.x + 1, r.y + 2, r.w - 2, r.h - 4, 5)
        ctx.set_source(vgrad(cairo, r.y, r.y + r.h, [(0, hexc("f4f6f9")), (1, hexc("c9d0da"))]))
        ctx.fill()
    return surf


# --------------------------------------------------------------------------
# Previews.

def bmp_surface(cairo, path):
    w, h, rows = read_bmp(path)
    surf = cairo.ImageSurface(cairo.FORMAT_RGB24, w, h)
    stride = surf.get_stride()
    buf = surf.get_data()
    ob, og, orr = _pixel_offsets()
    for y, row in enumerate(rows):
        line = bytearray(4 * w)
        line[ob::4] = row[0::3]
        line[og::4] = row[1::3]
        line[orr::4] = row[2::3]
        buf[y * stride:y * stride + 4 * w] = bytes(line)
    surf.mark_dirty()
    return surf, rows


def outline_mask(cairo, w, h, rows):
    """An A8 mask: 255 inside the window, 0 outside (the light-pixel rule)."""
    light = [[row[3 * x] >= 192 and row[3 * x + 1] >= 192 and row[3 * x + 2] >= 192
              for x in range(w)] for row in rows]
    outside = [[False] * w for _ in range(h)]
    stack = []
    for x in range(w):
        stack += [(x, 0), (x, h - 1)]
    for y in range(h):
        stack += [(0, y), (w - 1, y)]
    while stack:
        x, y = stack.pop()
        if 0 <= x < w and 0 <= y < h and light[y][x] and not outside[y][x]:
            outside[y][x] = True
            stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    mask = cairo.ImageSurface(cairo.FORMAT_A8, w, h)
    stride = mask.get_stride()
    buf = mask.get_data()
    for y in range(h):
        buf[y * stride:y * stride + w] = bytes(0 if o else 255 for o in outside[y])
    mask.mark_dirty()
    return mask


def parse_skin(path):
    values = {}
    for line in open(path):
        line = line.rstrip("\n")
        if line and not line.startswith("#") and line.split():
            parts = line.split(None, 1)
            values[parts[0]] = parts[1] if len(parts) > 1 else ""
    return values


def draw_mock_controls(ctx, cairo, skin, h):
    """Stand-ins for the native controls and a card, for previews only."""
    def ctl(prefix, label, drop):
        x, y = int(skin[prefix + ".x"]), int(skin[prefix + ".y"])
        w, hh = int(skin[prefix + ".width"]), int(skin[prefix + ".height"])
        rounded_rect(ctx, x + 0.5, y + 0.5, w - 1, hh - 1, 4)
        ctx.set_source(vgrad(cairo, y, y + hh, [(0, hexc("fbfbfb")), (1, hexc("dcdcdc"))]))
        ctx.fill_preserve()
        ctx.set_source_rgba(*hexc("8a8a8a"))
        ctx.set_line_width(1)
        ctx.stroke()
        ctx.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
        ctx.set_font_size(10)
        ctx.set_source_rgba(*hexc("202020"))
        if drop:
            ctx.move_to(x + 6, y + 16)
            ctx.show_text(label)
            ctx.move_to(x + w - 14, y + 10)
            ctx.rel_line_to(8, 0)
            ctx.rel_line_to(-4, 5)
            ctx.close_path()
            ctx.fill()
        else:
            text_centered(ctx, cairo, label, x + w / 2, y + 16, 10, hexc("202020"), bold=False)
    ctl("but.action1", "Link", False)
    ctl("but.action2", "Back", False)
    ctl("drop.action3", "Options", True)
    ctl("drop.status", "Offline", True)
    tx, ty = int(skin["skin.title.x"]), int(skin["skin.title.y"])
    cx, cy = int(skin["canvas.x"]), int(skin["canvas.y"])
    ctx.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_BOLD)
    ctx.set_font_size(10)
    ctx.set_source_rgb(0, 0, 0)
    ctx.move_to(tx + 3, ty + 12)
    ctx.show_text("Welcome")
    ctx.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
    for i, line in enumerate(["Tovrin WAP browser", "", "News", "Weather", "Games", "Search:"]):
        ctx.move_to(cx + 3, cy + 13 + i * 13)
        ctx.show_text(line)
    for i in (2, 3, 4):
        ctx.move_to(cx + 3, cy + 15 + i * 13)
        ctx.rel_line_to(ctx.text_extents(["News", "Weather", "Games"][i - 2]).x_advance, 0)
        ctx.set_line_width(1)
        ctx.stroke()


def render_previews(cairo, outdir, prevdir):
    os.makedirs(prevdir, exist_ok=True)
    written = []
    for name, _cw, _ch, _s in SKINS:
        skin = parse_skin(os.path.join(outdir, name + ".skin"))
        main, rows = bmp_surface(cairo, os.path.join(outdir, skin["skin.bitmap"]))
        w, h = main.get_width(), main.get_height()
        mask = outline_mask(cairo, w, h, rows)
        for zoom in (1, 2):
            # raw picture
            surf = cairo.ImageSurface(cairo.FORMAT_RGB24, w * zoom, h * zoom)
            ctx = cairo.Context(surf)
            ctx.scale(zoom, zoom)
            ctx.set_source_surface(main, 0, 0)
            ctx.get_source().set_filter(cairo.FILTER_NEAREST)
            ctx.paint()
            p = os.path.join(prevdir, "%s-raw-%dx.png" % (name, zoom))
            surf.write_to_png(p)
            written.append(p)
            # as the window would look: outline cut on a desktop, with mock controls
            m = 24
            surf = cairo.ImageSurface(cairo.FORMAT_RGB24, (w + 2 * m) * zoom, (h + 2 * m) * zoom)
            ctx = cairo.Context(surf)
            ctx.set_source(vgrad(cairo, 0, (h + 2 * m) * zoom, [(0, hexc("5d7890")), (1, hexc("34495e"))]))
            ctx.paint()
            ctx.scale(zoom, zoom)
            ctx.translate(m, m)
            win = cairo.ImageSurface(cairo.FORMAT_RGB24, w, h)
            wctx = cairo.Context(win)
            wctx.set_source_surface(main, 0, 0)
            wctx.paint()
            draw_mock_controls(wctx, cairo, skin, h)
            # as with a push message waiting and the connection up
            for key, xk, yk in (("vbut.pushIndicator.up.bitmap", "vbut.pushIndicator.x", "vbut.pushIndicator.y"),
                                ("ind.connection.on.bitmap", "ind.connection.x", "ind.connection.y")):
                pic = bmp_surface(cairo, os.path.join(outdir, skin[key]))[0]
                wctx.set_source_surface(pic, int(skin[xk]), int(skin[yk]))
                wctx.paint()
            ctx.set_source_surface(win, 0, 0)
            ctx.get_source().set_filter(cairo.FILTER_NEAREST)
            ctx.mask_surface(mask, 0, 0)
            p = os.path.join(prevdir, "%s-window-%dx.png" % (name, zoom))
            surf.write_to_png(p)
            written.append(p)
        # the key sheet: every button's states side by side, magnified
        zoom = 3
        entries = []
        for b in BUTTONS:
            pics = []
            for st in button_states(b):
                key = "vbut.%s.%s.bitmap" % (b, st)
                pics.append(bmp_surface(cairo, os.path.join(outdir, skin[key]))[0])
            entries.append((b, pics))
        entries.append(("indicator", [bmp_surface(cairo, os.path.join(outdir, skin[k]))[0]
                                      for k in ("ind.connection.off.bitmap", "ind.connection.on.bitmap")]))
        cell = max(max(p.get_width(), p.get_height()) for _b, ps in entries for p in ps) * zoom + 10
        label_w = 110
        sheet = cairo.ImageSurface(cairo.FORMAT_RGB24, label_w + 3 * cell, len(entries) * cell)
        ctx = cairo.Context(sheet)
        ctx.set_source_rgb(0.93, 0.93, 0.93)
        ctx.paint()
        for i, (b, pics) in enumerate(entries):
            text_centered(ctx, cairo, b, label_w / 2, i * cell + cell / 2 + 4, 12, hexc("202020"), bold=False)
            for j, pic in enumerate(pics):
                ctx.save()
                ctx.translate(label_w + j * cell + 5, i * cell + 5)
                ctx.scale(zoom, zoom)
                ctx.set_source_surface(pic, 0, 0)
                ctx.get_source().set_filter(cairo.FILTER_NEAREST)
                ctx.paint()
                ctx.restore()
        p = os.path.join(prevdir, "%s-keys.png" % name)
        sheet.write_to_png(p)
        written.append(p)
    for icon in ("tovrin.png", "tovrin-48.png"):
        src = cairo.ImageSurface.create_from_png(os.path.join(outdir, icon))
        zoom = 2 if src.get_width() > 64 else 4
        surf = cairo.ImageSurface(cairo.FORMAT_RGB24, src.get_width() * zoom * 2, src.get_height() * zoom)
        ctx = cairo.Context(surf)
        ctx.rectangle(0, 0, src.get_width() * zoom, src.get_height() * zoom)
        ctx.set_source_rgb(1, 1, 1)
        ctx.fill()
        ctx.rectangle(src.get_width() * zoom, 0, src.get_width() * zoom, src.get_height() * zoom)
        ctx.set_source_rgb(0.18, 0.2, 0.24)
        ctx.fill()
        for k in range(2):
            ctx.save()
            ctx.translate(k * src.get_width() * zoom, 0)
            ctx.scale(zoom, zoom)
            ctx.set_source_surface(src, 0, 0)
            ctx.get_source().set_filter(cairo.FILTER_NEAREST)
            ctx.paint()
            ctx.restore()
        p = os.path.join(prevdir, "icon-" + icon)
        surf.write_to_png(p)
        written.append(p)
    return written


# --------------------------------------------------------------------------

def main(argv):
    if argv[1:] == ["--list"]:
        print("\n".join(output_names()))
        return 0
    args = argv[1:]
    prevdir = None
    if "--previews" in args:
        i = args.index("--previews")
        if i + 1 >= len(args):
            sys.stderr.write("make_skins.py: --previews needs a directory\n")
            return 2
        prevdir = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    import cairo   # Debian's python3-cairo
    outdir = args[0]
    os.makedirs(outdir, exist_ok=True)
    for name, cw, ch, s in SKINS:
        Handset(cairo, name, cw, ch, s).write(outdir)
    draw_icon(cairo, 128).write_to_png(os.path.join(outdir, "tovrin.png"))
    draw_icon(cairo, 48).write_to_png(os.path.join(outdir, "tovrin-48.png"))
    if prevdir:
        for p in render_previews(cairo, outdir, prevdir):
            print(p)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
