#!/usr/bin/python3
"""Checks the handset art that shell/art/make_skins.py draws.

    /usr/bin/python3 tests/shell/art/skin_art_check.py SKINDIR

For every *.skin file in SKINDIR, read the way the program reads
it (first key of the key table found anywhere in the line; the value after
the rest of the key token and the blanks):

- every line names the key it starts with, and every key of the table is
  given (skin.transparent.color may be left out); canvas white on black;
- every image exists and is an uncompressed 24-bit BMP of the size its
  header claims;
- the outline rule (light pixels joined to the border are outside) keeps
  the body as one region, one run a row and a column, with the four
  corners and the white surround cut away;
- canvas, title, controls, buttons and indicator lie inside the window;
  the title sits directly above the canvas; controls are 24 px high and at
  least 56 wide; no two rectangles come closer than 2 px;
- each button's up picture is the main picture at its place (the push
  envelope excepted: the main picture shows the bare body there, which its
  pictures' border matches), and its states differ.

Also the icons: PNG with alpha, 128x128 and 48x48. Only the standard
library. Exit status 0 when all holds, 1 with the failures listed.
"""

import os
import struct
import sys

IMAGE, INT, COLOUR = "image", "int", "colour"

BUTTONS = ["back", "bookmark", "menu", "home", "refresh", "stop", "go",
           "up", "down", "left", "right", "pushIndicator"]


def key_table():
    keys = [("skin.bitmap", IMAGE), ("skin.transparent.color", COLOUR),
            ("skin.title.x", INT), ("skin.title.y", INT),
            ("skin.title.width", INT), ("skin.title.height", INT),
            ("canvas.background.color", COLOUR), ("canvas.foreground.color", COLOUR),
            ("canvas.x", INT), ("canvas.y", INT), ("canvas.width", INT), ("canvas.height", INT),
            ("ind.connection.x", INT), ("ind.connection.y", INT),
            ("ind.connection.on.bitmap", IMAGE), ("ind.connection.off.bitmap", IMAGE)]
    for b in BUTTONS:
        keys += [("vbut.%s.x" % b, INT), ("vbut.%s.y" % b, INT),
                 ("vbut.%s.up.bitmap" % b, IMAGE), ("vbut.%s.down.bitmap" % b, IMAGE)]
        if b != "down":
            keys.append(("vbut.%s.highlight.bitmap" % b, IMAGE))
    for c in ("but.action1", "but.action2", "drop.action3", "drop.status"):
        keys += [(c + ".x", INT), (c + ".y", INT), (c + ".width", INT), (c + ".height", INT)]
    return keys


KEYS = key_table()
OPTIONAL = {"skin.transparent.color"}


def skin_int(text):
    i, sign = 0, 1
    if text[:1] in "+-" and text:
        sign = -1 if text[0] == "-" else 1
        i = 1
    j = i
    while j < len(text) and text[j].isdigit():
        j += 1
    return sign * int(text[i:j]) if j > i else 0


def skin_colour(text):
    value, weight = 0, 1
    for ch in reversed(text):
        if ch in "0123456789abcdefABCDEF":
            value += int(ch, 16) * weight
        weight *= 16
    return value


def parse_skin(path, failures):
    """{key: value text} as the program reads the file."""
    values = {}
    with open(path, "rb") as f:
        raw = f.read()
    for n, line in enumerate(raw.decode("latin-1").split("\n"), 1):
        if not line or line.startswith("#"):
            continue
        if "\r" in line:
            failures.append("%s:%d: carriage return in the line" % (path, n))
        for key, _kind in KEYS:
            at = line.find(key)
            if at < 0:
                continue
            i = at
            while i < len(line) and line[i] not in " \t":
                i += 1
            while i < len(line) and line[i] in " \t":
                i += 1
            first = line.split()[0]
            if first != key:
                failures.append("%s:%d: the line starting %r is read as key %r" % (path, n, first, key))
            values[key] = line[i:]
            break
        else:
            if line.strip():
                failures.append("%s:%d: no key in %r" % (path, n, line))
    return values


def read_bmp(path):
    """(width, height, rows of B,G,R bytes top to bottom); ValueError if not
    an uncompressed 24-bit BMP whose size matches its header."""
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 54 or data[:2] != b"BM":
        raise ValueError("not a BMP")
    offset = struct.unpack_from("<I", data, 10)[0]
    hsize, w, h, planes, bpp, comp = struct.unpack_from("<IiiHHI", data, 14)
    if hsize < 40 or planes != 1:
        raise ValueError("unexpected header")
    if bpp != 24:
        raise ValueError("%d bits per pixel, not 24" % bpp)
    if comp != 0:
        raise ValueError("compressed")
    top_down = h < 0
    h = abs(h)
    if w <= 0 or h <= 0:
        raise ValueError("empty")
    stride = (3 * w + 3) & ~3
    if len(data) < offset + stride * h:
        raise ValueError("cut short")
    rows = [data[offset + y * stride:offset + y * stride + 3 * w] for y in range(h)]
    if not top_down:
        rows.reverse()
    return w, h, rows


def outline_inside(w, h, rows):
    """inside[y][x] by the light-pixel rule."""
    light = [[row[3 * x] >= 192 and row[3 * x + 1] >= 192 and row[3 * x + 2] >= 192
              for x in range(w)] for row in rows]
    outside = [[False] * w for _ in range(h)]
    stack = [(x, 0) for x in range(w)] + [(x, h - 1) for x in range(w)]
    stack += [(0, y) for y in range(h)] + [(w - 1, y) for y in range(h)]
    while stack:
        x, y = stack.pop()
        if 0 <= x < w and 0 <= y < h and light[y][x] and not outside[y][x]:
            outside[y][x] = True
            stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return [[not o for o in row] for row in outside]


def components(w, h, inside):
    seen = [[False] * w for _ in range(h)]
    count = 0
    for y0 in range(h):
        for x0 in range(w):
            if inside[y0][x0] and not seen[y0][x0]:
                count += 1
                stack = [(x0, y0)]
                seen[y0][x0] = True
                while stack:
                    x, y = stack.pop()
                    for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                        if 0 <= nx < w and 0 <= ny < h and inside[ny][nx] and not seen[ny][nx]:
                            seen[ny][nx] = True
                            stack.append((nx, ny))
    return count


def crop(rows, x, y, w, h):
    return [rows[yy][3 * x:3 * (x + w)] for yy in range(y, y + h)]


def check_skin(path, failures):
    name = os.path.basename(path)
    fail = lambda msg: failures.append("%s: %s" % (name, msg))
    values = parse_skin(path, failures)
    for key, _kind in KEYS:
        if key not in values and key not in OPTIONAL:
            fail("key %s missing" % key)
    if any(k not in values for k, _ in KEYS if k not in OPTIONAL):
        return
    num = {k: skin_int(v) for k, v in values.items() if dict(KEYS)[k] == INT}
    if skin_colour(values["canvas.background.color"]) != 0xFFFFFF:
        fail("canvas background is not FFFFFF")
    if skin_colour(values["canvas.foreground.color"]) != 0:
        fail("canvas foreground is not 000000")

    directory = os.path.dirname(path)
    images = {}
    for key, kind in KEYS:
        if kind != IMAGE:
            continue
        value = values[key]
        if os.path.basename(value) != value or not value:
            fail("%s: %r is not a plain file name" % (key, value))
            continue
        file = os.path.join(directory, value)
        if not os.path.isfile(file):
            fail("%s: %s does not exist" % (key, value))
            continue
        try:
            images[key] = read_bmp(file)
        except ValueError as e:
            fail("%s: %s: %s" % (key, value, e))
    if "skin.bitmap" not in images:
        return
    W, H, main = images["skin.bitmap"]

    # The outline.
    inside = outline_inside(W, H, main)
    for cx, cy in ((0, 0), (W - 1, 0), (0, H - 1), (W - 1, H - 1)):
        if inside[cy][cx]:
            fail("corner (%d,%d) is inside the window" % (cx, cy))
    if components(W, H, inside) != 1:
        fail("the window is not one region")
    rows_with = [y for y in range(H) if any(inside[y])]
    if rows_with and rows_with != list(range(rows_with[0], rows_with[-1] + 1)):
        fail("the window's rows are not contiguous")
    # The body is a rounded slab: every row and every column of the window
    # is one run; a light gap in the edge would notch or split them.
    for y in rows_with:
        runs = sum(1 for x in range(W) if inside[y][x] and (x == 0 or not inside[y][x - 1]))
        if runs != 1:
            fail("row %d of the window has %d runs (the body leaks or has holes at its edge)" % (y, runs))
            break
    for x in range(W):
        runs = sum(1 for y in range(H) if inside[y][x] and (y == 0 or not inside[y - 1][x]))
        if runs > 1:
            fail("column %d of the window has %d runs (the body leaks at its edge)" % (x, runs))
            break
    area = sum(map(sum, inside))
    if area < 0.6 * W * H:
        fail("the window keeps only %d of %d pixels" % (area, W * H))
    # Outside the window the picture is the white surround, but for the
    # antialiased fringe of the body's edge, right beside the window.
    stray = 0
    for y in range(H):
        for x in range(W):
            if inside[y][x] or main[y][3 * x:3 * x + 3] == b"\xff\xff\xff":
                continue
            if not any(inside[ny][nx] for ny in range(max(0, y - 1), min(H, y + 2))
                       for nx in range(max(0, x - 1), min(W, x + 2))):
                stray += 1
    if stray:
        fail("%d pixels outside the window are neither white nor the body's fringe" % stray)

    # Placements.
    rects = []

    def place(label, x, y, w, h, in_window=True):
        rects.append((label, x, y, w, h))
        if x < 0 or y < 0 or x + w > W or y + h > H or w <= 0 or h <= 0:
            fail("%s (%d,%d %dx%d) is not inside the %dx%d picture" % (label, x, y, w, h, W, H))
            return
        if in_window and not all(inside[yy][xx] for yy in range(y, y + h) for xx in range(x, x + w)):
            fail("%s (%d,%d %dx%d) is not wholly inside the window outline" % (label, x, y, w, h))

    t = [num["skin.title." + k] for k in ("x", "y", "width", "height")]
    c = [num["canvas." + k] for k in ("x", "y", "width", "height")]
    place("title", *t)
    place("canvas", *c)
    if not (t[0] == c[0] and t[2] == c[2] and t[1] + t[3] == c[1] and 12 <= t[3] <= 20):
        fail("the title strip is not a ~16 px strip directly above the canvas, as wide")
    for ctl in ("but.action1", "but.action2", "drop.action3", "drop.status"):
        r = [num[ctl + "." + k] for k in ("x", "y", "width", "height")]
        place(ctl, *r)
        if r[3] != 24:
            fail("%s is %d px high, not 24" % (ctl, r[3]))
        if r[2] < 56:
            fail("%s is %d px wide, under 56" % (ctl, r[2]))

    on, off = images.get("ind.connection.on.bitmap"), images.get("ind.connection.off.bitmap")
    if on and off:
        if on[:2] != off[:2]:
            fail("the indicator pictures differ in size")
        if on[2] == off[2]:
            fail("the indicator's on and off pictures are the same")
        place("indicator", num["ind.connection.x"], num["ind.connection.y"], on[0], on[1])

    for b in BUTTONS:
        states = ("up", "down") if b == "down" else ("up", "down", "highlight")
        pics = [images.get("vbut.%s.%s.bitmap" % (b, st)) for st in states]
        if None in pics:
            continue
        bw, bh = pics[0][0], pics[0][1]
        if any(p[:2] != (bw, bh) for p in pics):
            fail("%s: its pictures differ in size" % b)
            continue
        # key-sized: about 20..36 px on the default handset, in proportion
        # to the canvas on larger ones
        most = 40 * max(1.0, num["canvas.width"] / 120.0)
        if not (8 <= bw <= most and 8 <= bh <= most):
            fail("%s: pictures %dx%d, outside 8..%d px" % (b, bw, bh, most))
        x, y = num["vbut.%s.x" % b], num["vbut.%s.y" % b]
        place("button " + b, x, y, bw, bh)
        if x < 0 or y < 0 or x + bw > W or y + bh > H:
            continue
        for i in range(len(pics)):
            for j in range(i + 1, len(pics)):
                if pics[i][2] == pics[j][2]:
                    fail("%s: the %s and %s pictures are the same" % (b, states[i], states[j]))
        here = crop(main, x, y, bw, bh)
        if b == "pushIndicator":
            # the envelope only shows while a push waits: the main picture
            # has the bare body there, which the pictures' corners match
            for st, p in zip(states, pics):
                for cx, cy in ((0, 0), (bw - 1, 0), (0, bh - 1), (bw - 1, bh - 1)):
                    if p[2][cy][3 * cx:3 * cx + 3] != here[cy][3 * cx:3 * cx + 3]:
                        fail("%s: the %s picture does not blend into the body" % (b, st))
                        break
            if here == pics[0][2]:
                fail("%s: the main picture already shows the envelope" % b)
        elif here != pics[0][2]:
            fail("%s: the up picture is not the main picture at (%d,%d)" % (b, x, y))

    for i, (na, ax, ay, aw, ah) in enumerate(rects):
        for nb, bx, by, bw, bh in rects[i + 1:]:
            if {na, nb} == {"title", "canvas"}:
                continue
            apart = (bx - (ax + aw) >= 2 or ax - (bx + bw) >= 2 or
                     by - (ay + ah) >= 2 or ay - (by + bh) >= 2)
            if not apart:
                fail("%s and %s overlap or come closer than 2 px" % (na, nb))
    return W, H


def check_png(path, size, failures):
    with open(path, "rb") as f:
        head = f.read(33)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or head[12:16] != b"IHDR":
        failures.append("%s: not a PNG" % path)
        return
    w, h, depth, colour_type = struct.unpack(">IIBB", head[16:26])
    if (w, h) != (size, size):
        failures.append("%s: %dx%d, not %dx%d" % (path, w, h, size, size))
    if colour_type not in (4, 6):
        failures.append("%s: no alpha channel" % path)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: skin_art_check.py SKINDIR\n")
        return 2
    d = argv[1]
    failures = []
    skins = sorted(f for f in os.listdir(d) if f.endswith(".skin")) if os.path.isdir(d) else []
    for expected in ("tovrin.skin", "tovrin-large.skin"):
        if expected not in skins:
            failures.append("%s missing from %s" % (expected, d))
    sizes = {}
    for s in skins:
        sizes[s] = check_skin(os.path.join(d, s), failures)
    small, large = sizes.get("tovrin.skin"), sizes.get("tovrin-large.skin")
    if small and not (180 <= small[0] <= 230 and 400 <= small[1] <= 520):
        failures.append("tovrin.skin: picture %dx%d, not about 180..230 x 400..520" % small)
    if small and large and not (large[0] > small[0] and large[1] > small[1]):
        failures.append("tovrin-large.skin is not larger than tovrin.skin")
    for icon, size in (("tovrin.png", 128), ("tovrin-48.png", 48)):
        p = os.path.join(d, icon)
        if not os.path.isfile(p):
            failures.append("%s missing" % p)
        else:
            check_png(p, size, failures)
    for f in failures:
        print("FAIL " + f)
    if not failures:
        print("skin art: %s and the icons are sound" % ", ".join(skins))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
