#!/usr/bin/python3
"""Checks the handset art that shell/art/make_skins.py draws, read the way
the program reads it: keys, 24-bit BMPs, the outline, the placements, the
buttons' pictures and the icons. Exit status 0 when all holds, 1 with the
failures listed.

    /usr/bin/python3 tests/shell/art/skin_art_check.py SKINDIR
"""

import os
import re
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


def skin_int(text):
    m = re.match(r"[+-]?\d+", text)
    return int(m.group()) if m else 0


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
            first = line.split()[0]
            if first != key:
                failures.append("%s:%d: the line starting %r is read as key %r" % (path, n, first, key))
            values[key] = re.match(r"[^ \t]*[ \t]*(.*)", line[at:], re.S).group(1)
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
    if hsize < 40 or planes != 1 or bpp != 24 or comp != 0:
        raise ValueError("not an uncompressed 24-bit BMP (%d bits)" % bpp)
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


def crop(rows, x, y, w, h):
    return [rows[yy][3 * x:3 * (x + w)] for yy in range(y, y + h)]


def check_skin(path, failures):
    name = os.path.basename(path)
    fail = lambda msg: failures.append("%s: %s" % (name, msg))
    values = parse_skin(path, failures)
    missing = [k for k, _ in KEYS if k not in values and k != "skin.transparent.color"]
    if missing:
        return fail("keys missing: " + " ".join(missing))
    num = {k: skin_int(v) for k, v in values.items() if dict(KEYS)[k] == INT}
    if (values["canvas.background.color"].strip().upper(), values["canvas.foreground.color"].strip()) != ("FFFFFF", "000000"):
        fail("the canvas is not black on white")

    directory = os.path.dirname(path)
    images = {}
    for key, kind in KEYS:
        if kind != IMAGE:
            continue
        value = values[key]
        file = os.path.join(directory, value)
        if os.path.basename(value) != value or not os.path.isfile(file):
            fail("%s: %r is not a file beside the skin" % (key, value))
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
    rows_with = [y for y in range(H) if any(inside[y])]
    if rows_with and rows_with != list(range(rows_with[0], rows_with[-1] + 1)):
        fail("the window's rows are not contiguous")
    # The body is one rounded slab: every row and every column of the window
    # is one run, each row's touching the last; a light gap in the edge
    # would notch or split them.
    for y in rows_with:
        runs = sum(1 for x in range(W) if inside[y][x] and (x == 0 or not inside[y][x - 1]))
        if runs != 1 or (y > rows_with[0] and not any(a and b for a, b in zip(inside[y], inside[y - 1]))):
            fail("row %d of the window is %d runs or apart from the row above" % (y, runs))
            break
    for x in range(W):
        runs = sum(1 for y in range(H) if inside[y][x] and (y == 0 or not inside[y - 1][x]))
        if runs > 1:
            fail("column %d of the window has %d runs (the body leaks at its edge)" % (x, runs))
            break
    area = sum(map(sum, inside))
    if area < 0.6 * W * H:
        fail("the window keeps only %d of %d pixels" % (area, W * H))

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
        if r[3] != 24 or r[2] < 56:
            fail("%s is %dx%d, not 24 px high and at least 56 wide" % (ctl, r[2], r[3]))

    on, off = images.get("ind.connection.on.bitmap"), images.get("ind.connection.off.bitmap")
    if on and off:
        if on[:2] != off[:2] or on[2] == off[2]:
            fail("the indicator's on and off pictures differ in size or not at all")
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
        x, y = num["vbut.%s.x" % b], num["vbut.%s.y" % b]
        place("button " + b, x, y, bw, bh)
        if x < 0 or y < 0 or x + bw > W or y + bh > H:
            continue
        if len({tuple(p[2]) for p in pics}) != len(pics):
            fail("%s: two of its states look the same" % b)
        here = crop(main, x, y, bw, bh)
        if b == "pushIndicator":
            # the envelope only shows while a push waits
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
    ok = head[:8] == b"\x89PNG\r\n\x1a\n" and head[12:16] == b"IHDR"
    if not ok or struct.unpack(">II", head[16:24]) != (size, size) or head[25] not in (4, 6):
        failures.append("%s: not a %dx%d PNG with alpha" % (path, size, size))


def main(argv):
    d = argv[1]
    failures = []
    skins = sorted(f for f in os.listdir(d) if f.endswith(".skin")) if os.path.isdir(d) else []
    for expected in ("tovrin.skin", "tovrin-large.skin"):
        if expected not in skins:
            failures.append("%s missing from %s" % (expected, d))
    sizes = {s: check_skin(os.path.join(d, s), failures) for s in skins}
    small, large = sizes.get("tovrin.skin"), sizes.get("tovrin-large.skin")
    if small and large and not (large[0] > small[0] and large[1] > small[1]):
        failures.append("tovrin-large.skin is not larger than tovrin.skin")
    for icon, size in (("tovrin.png", 128), ("tovrin-48.png", 48)):
        p = os.path.join(d, icon)
        if os.path.isfile(p):
            check_png(p, size, failures)
        else:
            failures.append("%s missing" % p)
    for f in failures:
        print("FAIL " + f)
    if not failures:
        print("skin art: %s and the icons are sound" % ", ".join(skins))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
