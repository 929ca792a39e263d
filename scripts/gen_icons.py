#!/usr/bin/env python3
"""Draws the program's icons (LEDs, module icon, scenario-list buttons) as PNG
files in resources/icons/, and the application icon for the desktop menu as
SVG plus PNG sizes in the hicolor layout under packaging/icons/.  Pure Python:
shapes are predicates over pixel coordinates, anti-aliased by 4x4
supersampling, written with zlib.

Usage: scripts/gen_icons.py [resource icon directory [application icon directory]]
"""
import math
import os
import struct
import sys
import zlib

SS = 4  # supersampling per axis


def write_png(path, width, height, pixels):
    """pixels: list of rows, each a list of (r, g, b, a) tuples, 0..255."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)  # filter: none
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(size)] for _ in range(size)]

    def fill(self, inside, colour, box=None):
        """Paints colour (r, g, b[, a]) or colour(x, y) over the shape `inside`;
        `box` (x0, y0, x1, y1), if given, bounds the shape and saves time."""
        n = self.size
        if box is None:
            box = (0, 0, n, n)
        xs = range(max(0, int(box[0])), min(n, int(math.ceil(box[2])) + 1))
        ys = range(max(0, int(box[1])), min(n, int(math.ceil(box[3])) + 1))
        for y in ys:
            for x in xs:
                hits = 0
                cx = cy = 0.0
                for sy in range(SS):
                    for sx in range(SS):
                        fx = x + (sx + 0.5) / SS
                        fy = y + (sy + 0.5) / SS
                        if inside(fx, fy):
                            hits += 1
                            cx += fx
                            cy += fy
                if not hits:
                    continue
                cov = hits / (SS * SS)
                c = colour(cx / hits, cy / hits) if callable(colour) else colour
                a = (c[3] / 255.0 if len(c) > 3 else 1.0) * cov
                r0, g0, b0, a0 = self.px[y][x]
                out_a = a + a0 * (1 - a)
                if out_a <= 0:
                    continue
                mix = [(c[i] * a + p * a0 * (1 - a)) / out_a for i, p in enumerate((r0, g0, b0))]
                self.px[y][x] = (mix[0], mix[1], mix[2], out_a)

    def save(self, path):
        rows = [[(clamp(r), clamp(g), clamp(b), clamp(a * 255)) for r, g, b, a in row] for row in self.px]
        write_png(path, self.size, self.size, rows)


def clamp(v):
    return max(0, min(255, int(round(v))))


# Shape predicates --------------------------------------------------------

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        qx = min(max(x, x0 + r), x1 - r)
        qy = min(max(y, y0 + r), y1 - r)
        return (x - qx) ** 2 + (y - qy) ** 2 <= r * r
    return inside


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def ring(shape_outer, shape_inner):
    return minus(shape_outer, shape_inner)


def shade(base, light=0.55):
    """A radial highlight towards the upper left, for the LED balls."""
    r, g, b = base

    def colour(x, y, cx=6.0, cy=5.5, rad=9.0):
        d = min(1.0, math.hypot(x - cx, y - cy) / rad)
        k = light * (1 - d)
        return (r + (255 - r) * k, g + (255 - g) * k, b + (255 - b) * k)
    return colour


# Icons -------------------------------------------------------------------

def led(path, base):
    c = Canvas(16)
    c.fill(circle(8, 8, 7.2), (60, 60, 60))
    c.fill(circle(8, 8, 6.2), shade(base))
    c.save(path)


def plus_shape(cx, cy, half, width):
    return union(rect(cx - half, cy - width / 2, cx + half, cy + width / 2),
                 rect(cx - width / 2, cy - half, cx + width / 2, cy + half))


def list_lines(canvas, x0=3, x1=15, top=5, step=5, count=3):
    for i in range(count):
        y = top + i * step
        canvas.fill(rect(x0, y, x0 + 2, y + 2), (70, 90, 130))
        canvas.fill(rect(x0 + 4, y, x1, y + 2), (70, 90, 130))


def star(cx, cy, r_out, r_in):
    pts = []
    for i in range(10):
        r = r_out if i % 2 == 0 else r_in
        a = -math.pi / 2 + i * math.pi / 5
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return polygon(pts)


def icon_list_star(path):
    c = Canvas(24)
    list_lines(c)
    c.fill(star(17, 17, 6.5, 2.8), (120, 90, 0))
    c.fill(star(17, 17, 5.3, 2.2), (250, 200, 30))
    c.save(path)


def icon_folder_open(path):
    c = Canvas(24)
    c.fill(polygon([(2, 5), (9, 5), (11, 7), (20, 7), (20, 19), (2, 19)]), (170, 120, 20))
    c.fill(polygon([(6, 10), (23, 10), (19, 19), (2, 19)]), (250, 200, 70))
    c.save(path)


def icon_save(path):
    c = Canvas(24)
    c.fill(round_rect(3, 3, 21, 21, 2), (40, 70, 140))
    c.fill(rect(7, 3, 17, 9), (225, 230, 240))
    c.fill(rect(13, 4, 15, 8), (40, 70, 140))
    c.fill(rect(6, 13, 18, 21), (245, 245, 245))
    c.fill(rect(8, 15, 16, 16), (170, 170, 170))
    c.fill(rect(8, 18, 16, 19), (170, 170, 170))
    c.save(path)


def icon_list_add(path):
    c = Canvas(24)
    list_lines(c)
    c.fill(circle(17, 17, 6.5), (30, 120, 30))
    c.fill(plus_shape(17, 17, 4, 2), (255, 255, 255))
    c.save(path)


def icon_add(path):
    c = Canvas(24)
    c.fill(plus_shape(12, 12, 9, 6), (30, 110, 30))
    c.fill(plus_shape(12, 12, 8, 4), (80, 190, 70))
    c.save(path)


def icon_remove(path):
    c = Canvas(24)
    c.fill(rect(3, 9, 21, 15), (140, 20, 20))
    c.fill(rect(4, 10, 20, 14), (225, 60, 50))
    c.save(path)


def icon_copy(path):
    c = Canvas(24)
    for x0, y0 in ((3, 3), (9, 8)):
        c.fill(rect(x0, y0, x0 + 12, y0 + 13), (90, 90, 90))
        c.fill(rect(x0 + 1, y0 + 1, x0 + 11, y0 + 12), (250, 250, 250))
        for i in range(3):
            c.fill(rect(x0 + 3, y0 + 4 + 3 * i, x0 + 9, y0 + 5 + 3 * i), (150, 160, 190))
    c.save(path)


def icon_trashcan_delete(path):
    c = Canvas(24)
    c.fill(rect(9, 2, 15, 4), (90, 90, 90))
    c.fill(round_rect(4, 4, 20, 7, 1), (110, 110, 110))
    c.fill(polygon([(5.5, 8), (18.5, 8), (17, 22), (7, 22)]), (150, 150, 150))
    for x in (9, 12, 15):
        c.fill(rect(x - 0.6, 10, x + 0.6, 20), (100, 100, 100))
    c.fill(segment(13, 13, 21, 21, 2.6), (200, 30, 30))
    c.fill(segment(21, 13, 13, 21, 2.6), (200, 30, 30))
    c.save(path)


def icon_mdx11(path):
    c = Canvas(64)
    # module case with a front panel, a trace window and a row of inputs
    c.fill(round_rect(4, 8, 60, 56, 5), (35, 55, 95))
    c.fill(round_rect(6, 10, 58, 54, 4), (60, 95, 160))
    c.fill(round_rect(11, 15, 53, 37, 2), (15, 25, 20))

    def trace(x, y):
        if not (13 <= x <= 51):
            return False
        v = 26 - 8 * math.sin((x - 13) / 38 * 2 * math.pi * 1.5)
        return abs(y - v) <= 1.3
    c.fill(trace, (90, 240, 110))
    for i in range(6):
        cx = 14 + i * 7.2
        c.fill(circle(cx, 46, 2.6), (220, 220, 225))
        c.fill(circle(cx, 46, 1.1), (30, 30, 30))
    c.save(path)


# Application icon -------------------------------------------------------
#
# Drawn once as a list of primitives in a 256-unit square; each primitive can
# both rasterise itself at any size and write itself as SVG, so the scalable
# icon and the PNG sizes show the same picture.  A panel with a screen and a
# trace, above a main scale with its sliding vernier.

APP_UNITS = 256.0
APP_PNG_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def hex_colour(c):
    return "#%02x%02x%02x" % tuple(int(v) for v in c[:3])


class Box:
    """A rectangle with optionally rounded corners."""

    def __init__(self, x0, y0, x1, y1, colour, r=0.0, min_size=0):
        self.x0, self.y0, self.x1, self.y1, self.r = x0, y0, x1, y1, r
        self.colour = colour
        self.min_size = min_size

    def draw(self, canvas):
        k = canvas.size / APP_UNITS
        shape = round_rect(self.x0 * k, self.y0 * k, self.x1 * k, self.y1 * k, self.r * k) if self.r \
            else rect(self.x0 * k, self.y0 * k, self.x1 * k, self.y1 * k)
        canvas.fill(shape, self.colour, (self.x0 * k, self.y0 * k, self.x1 * k, self.y1 * k))

    def svg(self):
        corner = ' rx="%g"' % self.r if self.r else ""
        return '<rect x="%g" y="%g" width="%g" height="%g"%s fill="%s"/>' % (
            self.x0, self.y0, self.x1 - self.x0, self.y1 - self.y0, corner, hex_colour(self.colour))


class Trace:
    """A polyline y = f(x) stroked with round ends; never thinner than
    `min_px` pixels, so that it stays visible in the small sizes."""

    def __init__(self, points, width, colour, min_px=1.4):
        self.points, self.width, self.colour, self.min_px = points, width, colour, min_px
        self.min_size = 0

    def draw(self, canvas):
        k = canvas.size / APP_UNITS
        pts = [(x * k, y * k) for x, y in self.points]
        half = max(self.width * k, self.min_px) / 2
        step = pts[1][0] - pts[0][0]

        def inside(x, y):
            # Only the segments near x can be within half a width.
            i = int((x - pts[0][0]) / step)
            reach = int(half / step) + 2
            for j in range(max(0, i - reach), min(len(pts) - 1, i + reach + 1)):
                ax, ay = pts[j]
                bx, by = pts[j + 1]
                dx, dy = bx - ax, by - ay
                t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
                if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half * half:
                    return True
            return False
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        canvas.fill(inside, self.colour, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half))

    def svg(self):
        path = "M" + " L".join("%.2f,%.2f" % p for p in self.points)
        return ('<path d="%s" fill="none" stroke="%s" stroke-width="%g" stroke-linecap="round" '
                'stroke-linejoin="round"/>' % (path, hex_colour(self.colour), self.width))


def app_icon_parts():
    parts = [
        Box(12, 12, 244, 244, (35, 55, 95), r=40),
        Box(20, 20, 236, 236, (60, 95, 160), r=33),
        Box(38, 38, 218, 148, (15, 25, 20), r=12),
    ]
    # a faint grid on the screen, only where it can be seen
    for x in (83, 128, 173):
        parts.append(Box(x - 1, 44, x + 1, 142, (45, 80, 55), min_size=48))
    parts.append(Box(44, 92, 212, 94, (45, 80, 55), min_size=48))
    # one and a half periods of a sine
    x0, x1 = 52.0, 204.0
    points = []
    n = 76
    for i in range(n + 1):
        x = x0 + (x1 - x0) * i / n
        points.append((x, 93 - 32 * math.sin((x - x0) / (x1 - x0) * 3 * math.pi)))
    parts.append(Trace(points, 9, (90, 240, 110)))
    # the main scale, ticks every 12 units, longer every fifth
    parts.append(Box(34, 162, 222, 190, (225, 230, 240), r=4))
    for i in range(15):
        x = 44 + 12 * i
        parts.append(Box(x - 1.5, 162, x + 1.5, 172 if i % 5 else 180, (40, 50, 70), min_size=48))
    # the vernier: ten divisions over nine of the main scale
    parts.append(Box(84, 190, 208, 226, (250, 200, 50), r=5))
    for i in range(11):
        x = 92 + 10.8 * i
        parts.append(Box(x - 1.5, 190, x + 1.5, 204 if i % 5 else 212, (90, 60, 0), min_size=48))
    return parts


def app_icon(out):
    parts = app_icon_parts()
    scalable = os.path.join(out, "hicolor", "scalable", "apps")
    os.makedirs(scalable, exist_ok=True)
    body = "\n".join("  " + p.svg() for p in parts)
    with open(os.path.join(scalable, "vernier.svg"), "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
                '%s\n</svg>\n' % body)
    for size in APP_PNG_SIZES:
        folder = os.path.join(out, "hicolor", "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        c = Canvas(size)
        for p in parts:
            if size >= p.min_size:
                p.draw(c)
        c.save(os.path.join(folder, "vernier.png"))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "icons")
    app_out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, "packaging", "icons")
    os.makedirs(out, exist_ok=True)
    led(os.path.join(out, "bullet_gray.png"), (150, 150, 150))
    led(os.path.join(out, "bullet_green.png"), (40, 180, 40))
    led(os.path.join(out, "bullet_red.png"), (210, 30, 30))
    icon_mdx11(os.path.join(out, "mdx11.png"))
    icon_list_star(os.path.join(out, "list_star.png"))
    icon_folder_open(os.path.join(out, "folder_open.png"))
    icon_save(os.path.join(out, "save.png"))
    icon_list_add(os.path.join(out, "list_add.png"))
    icon_add(os.path.join(out, "add.png"))
    icon_remove(os.path.join(out, "remove.png"))
    icon_copy(os.path.join(out, "copy.png"))
    icon_trashcan_delete(os.path.join(out, "trashcan_delete.png"))
    app_icon(app_out)


if __name__ == "__main__":
    main()
