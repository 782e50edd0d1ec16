#!/usr/bin/env python3
"""Draws the double-size toolbar pictures (NAME@2x.xpm) for high-density
screens. Each picture is redrawn from shapes at twice the size of its
16-pixel original, in the same palette and style: flat colours inside black
outlines, now two pixels wide so the weight matches at 200%, with curves and
slants drawn at the finer grid instead of doubled stair steps.

Run it from this folder after changing a drawing: python3 draw2x.py
"""
import math

PALETTE = {
    '.': 'None', 'k': '#000000', 'w': '#FFFFFF', 'g': '#C0C0C0', 'd': '#808080',
    'h': '#E0E0E0', 'n': '#000080', 'y': '#FFFF00', 'Y': '#D8B000', 'p': '#FFFFC0',
    'O': '#E0A000', 'B': '#A06030', 'b': '#0000FF', 'L': '#C0E0FF', 'G': '#00FF00',
    'e': '#008000', 'c': '#00FFFF', 'r': '#FF0000', 'T': '#F0D890', 'f': '#70A8F0',
    'F': '#3060C0', 'E': '#E8E8E8',
}


# ---- shapes: functions of a point, true inside ----------------------------

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def poly(*pts):
    def inside(x, y):
        hit = False
        n = len(pts)
        for i in range(n):
            (ax, ay), (bx, by) = pts[i], pts[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out ** 2


def line(ax, ay, bx, by, r):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) <= r
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# ---- the canvas -------------------------------------------------------------

class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [['.'] * w for _ in range(h)]

    def cells(self, shape):
        # Sampled at pixel centres.
        return {(x, y) for y in range(self.h) for x in range(self.w)
                if shape(x + 0.5, y + 0.5)}

    def fill(self, shape, colour):
        for x, y in self.cells(shape):
            self.px[y][x] = colour

    def draw(self, shape, colour, edge='k', width=2):
        """Fills the shape and gives it an outline `width` pixels wide."""
        inside = self.cells(shape)
        # Outside within `width` pixels (Euclidean) makes a pixel part of the edge.
        reach = [(dx, dy) for dx in range(-width, width + 1) for dy in range(-width, width + 1)
                 if 0 < dx * dx + dy * dy <= width * width]
        for x, y in inside:
            on_edge = any((x + dx, y + dy) not in inside for dx, dy in reach)
            self.px[y][x] = edge if on_edge else colour

    def dot(self, x, y, colour):
        self.px[y][x] = colour

    def xpm(self, name):
        used = sorted({c for row in self.px for c in row})
        lines = ['/* XPM */', 'static const char *const %s_2x_xpm[] = {' % name,
                 '"%d %d %d 1",' % (self.w, self.h, len(used))]
        lines += ['"%s c %s",' % (c, PALETTE[c]) for c in used]
        rows = ['"%s"' % ''.join(r) for r in self.px]
        lines += [r + ',' for r in rows[:-1]] + [rows[-1], '};', '']
        return '\n'.join(lines)


PICTURES = {}


def picture(w, h):
    def register(fn):
        PICTURES[fn.__name__.rstrip('_')] = (w, h, fn)
        return fn
    return register


# ---- the pictures, in toolbar order ----------------------------------------

@picture(32, 30)
def new(c):
    c.draw(poly((4, 0), (20, 0), (28, 8), (28, 30), (4, 30)), 'w')
    c.draw(poly((18, 0), (28, 10), (18, 10)), 'g')


@picture(32, 30)
def save(c):
    c.draw(poly((0, 0), (30, 0), (30, 30), (4, 30), (0, 26)), 'n')
    c.draw(rect(4, 0, 26, 16), 'w')
    c.fill(rect(8, 5, 20, 6), 'd')
    c.fill(rect(8, 10, 16, 11), 'd')
    c.draw(rect(7, 18, 25, 30), 'g')
    c.fill(rect(11, 21, 15, 27), 'k')


@picture(32, 30)
def open_(c):
    c.draw(poly((0, 6), (2, 4), (10, 4), (12, 8), (26, 8), (26, 30), (0, 30)), 'y')
    c.fill(rect(4, 11, 24, 16), 'Y')
    c.draw(poly((6, 16), (32, 16), (24, 30), (0, 30)), 'y')
    c.fill(poly((4, 26), (25, 26), (23, 28), (3, 28)), 'O')
    c.fill(rect(2, 7, 9, 8), 'p')


@picture(32, 30)
def print_(c):
    c.draw(rect(8, 0, 24, 14), 'w')
    c.fill(rect(11, 4, 20, 5), 'd')
    c.fill(rect(11, 8, 17, 9), 'd')
    c.draw(poly((4, 10), (28, 10), (32, 14), (32, 30), (0, 30), (0, 14)), 'g')
    c.fill(rect(2, 12, 29, 13), 'w')
    c.fill(rect(2, 20, 29, 21), 'd')
    c.fill(rect(22, 16, 23, 17), 'r')
    c.fill(rect(25, 16, 26, 17), 'e')
    c.draw(rect(5, 22, 27, 30), 'w')
    c.fill(rect(8, 26, 16, 27), 'd')


@picture(32, 30)
def cut(c):
    # Two blades crossing at the pivot, then the handles' rings.
    c.draw(poly((6, 0), (11, 0), (19, 17), (14, 20)), 'g')
    c.draw(poly((26, 0), (21, 0), (13, 17), (18, 20)), 'g')
    c.fill(rect(15, 15, 16, 16), 'k')
    c.draw(ring(8, 24, 6, 3.2), 'k', width=1)
    c.draw(ring(24, 24, 6, 3.2), 'k', width=1)
    c.draw(line(11, 20, 14, 17, 1.4), 'k', width=1)
    c.draw(line(21, 20, 18, 17, 1.4), 'k', width=1)


def page_with_lines(c, x0, y0, x1, y1, rows, lengths):
    c.draw(poly((x0, y0), (x1 - 6, y0), (x1, y0 + 6), (x1, y1), (x0, y1)), 'w')
    c.draw(poly((x1 - 7, y0), (x1, y0 + 7), (x1 - 7, y0 + 7)), 'g')
    for row, length in zip(rows, lengths):
        c.fill(rect(x0 + 4, row, x0 + 4 + length, row + 1), 'n')


@picture(32, 30)
def copy(c):
    page_with_lines(c, 0, 0, 18, 24, [7, 11, 15, 19], [8, 8, 8, 8])
    page_with_lines(c, 12, 6, 32, 30, [13, 17, 21, 25], [14, 14, 12, 14])


@picture(32, 30)
def paste(c):
    c.draw(rect(0, 3, 28, 30), 'B')
    c.draw(poly((8, 2), (10, 0), (18, 0), (20, 2), (20, 8), (8, 8)), 'd')
    c.fill(rect(11, 2, 17, 3), 'w')
    page_with_lines(c, 12, 10, 32, 30, [16, 20, 24], [14, 14, 12])


@picture(32, 32)
def inet(c):
    c.draw(ellipse(12, 12, 12, 12), 'b')
    # Land masses in green, with darker shores, on the blue sea.
    c.fill(poly((4, 5), (10, 3), (12, 8), (8, 12), (9, 17), (5, 15), (2, 10)), 'G')
    c.fill(poly((14, 13), (20, 11), (22, 16), (17, 21), (15, 18)), 'G')
    c.fill(poly((13, 2), (18, 3), (16, 6)), 'G')
    c.fill(line(3, 9, 6, 6, 0.8), 'e')
    c.fill(line(16, 19, 20, 15, 0.8), 'e')
    c.fill(rect(5, 4, 6, 5), 'c')
    outline = ring(12, 12, 12.2, 10.4)
    c.fill(outline, 'k')
    # The download arrow.
    c.draw(poly((20, 18), (26, 18), (26, 24), (31, 24), (23, 32), (15, 24), (20, 24)), 'y')


@picture(48, 44)
def encrypt(c):
    c.draw(minus(union(ellipse(15, 14, 11, 12), rect(4, 14, 26, 20)),
                 union(ellipse(15, 15, 7, 8), rect(8, 15, 22, 22))), 'g')
    c.fill(line(9, 12, 10, 7, 0.8), 'w')
    c.draw(rect(2, 16, 34, 42), 'y')
    c.fill(rect(4, 18, 5, 40), 'p')
    c.fill(rect(30, 18, 32, 40), 'O')
    c.fill(rect(4, 37, 32, 40), 'O')
    c.fill(ellipse(18, 23, 3, 3), 'k')
    c.fill(poly((16.5, 24), (19.5, 24), (20.5, 29), (15.5, 29)), 'k')
    # The key, its bow on the right, its blade along the lock's foot.
    c.draw(rect(15, 32, 36, 38), 'w')
    c.fill(rect(17, 38, 20, 43), 'k')
    c.fill(rect(23, 38, 26, 42), 'k')
    c.fill(rect(18, 38, 19, 42), 'd')
    c.fill(rect(24, 38, 25, 41), 'd')
    c.fill(rect(17, 36, 33, 36.9), 'g')
    c.draw(minus(ellipse(40, 35, 8, 7), ellipse(41, 35, 2.5, 2.2)), 'g')
    c.fill(line(35, 32, 38, 30, 0.7), 'w')
    c.fill(line(42, 40, 45, 37, 0.7), 'd')


@picture(32, 32)
def search(c):
    c.draw(poly((18, 22), (22, 18), (32, 28), (28, 32)), 'B')
    c.draw(ellipse(11, 11, 11, 11), 'd')
    c.draw(ellipse(11, 11, 8, 8), 'L', width=1)
    c.fill(line(6, 9, 8, 6, 1.0), 'w')
    c.fill(rect(5, 11, 6, 12), 'w')


@picture(32, 32)
def underline(c):
    bowl = minus(minus(ellipse(15.5, 16, 9.5, 8.2), ellipse(15.5, 14, 3.5, 7.5)), rect(0, 0, 32, 15.9))
    c.fill(union(rect(6, 4, 12, 16), rect(19, 4, 25, 16), rect(4, 2, 14, 4), rect(17, 2, 27, 4), bowl), 'k')
    c.fill(rect(4, 27, 27, 28), 'k')


@picture(32, 32)
def italic(c):
    c.fill(union(poly((15, 4), (21, 4), (15, 24), (9, 24)),
                 rect(12, 2, 24, 4), rect(6, 24, 18, 26)), 'k')


@picture(32, 32)
def bold(c):
    outer = union(rect(4, 2, 19, 26), ellipse(19, 8.5, 6.5, 6.5), ellipse(20, 19, 7, 7))
    holes = union(rect(14, 6, 18, 11), ellipse(18, 8.5, 2.5, 2.5),
                  rect(14, 15, 19, 22), ellipse(19, 18.5, 3, 3.5))
    c.fill(minus(outer, holes), 'k')


@picture(32, 30)
def color(c):
    # A painter's palette with its thumb hole and four paints.
    board = minus(ellipse(16, 14.5, 15.5, 13), ellipse(25, 20, 3.2, 3))
    c.draw(board, 'T')
    c.draw(ellipse(9, 8, 3.2, 2.8), 'r', width=1)
    c.draw(ellipse(18, 7, 3.2, 2.8), 'G', width=1)
    c.draw(ellipse(7, 16, 3.2, 2.8), 'b', width=1)
    c.draw(ellipse(15, 22, 3.2, 2.8), 'y', width=1)


@picture(32, 30)
def fullscreen(c):
    c.draw(rect(0, 0, 32, 26), 'g')
    c.draw(rect(3, 3, 29, 23), 'L', edge='n', width=1)
    # Arrows out to the four corners.
    for (x, y, sx, sy) in [(5, 5, 1, 1), (27, 5, -1, 1), (5, 21, 1, -1), (27, 21, -1, -1)]:
        c.fill(poly((x, y), (x + sx * 5, y), (x, y + sy * 5)), 'n')
        c.fill(line(x + sx * 2, y + sy * 2, x + sx * 5.5, y + sy * 5.5, 0.75), 'n')
    c.draw(rect(9, 25, 23, 28), 'g')
    c.fill(rect(4, 28, 28, 30), 'k')


@picture(32, 32)
def tip(c):
    c.draw(union(ellipse(16, 11, 12, 11), poly((8, 18), (24, 18), (21, 24), (11, 24))), 'y')
    c.fill(ellipse(11, 7, 3, 2.5), 'w')
    c.fill(ellipse(10, 10, 1.5, 2.5), 'p')
    c.fill(minus(ring(16, 11, 10, 8.6), rect(0, 0, 20, 32)), 'O')
    c.draw(rect(10, 22, 22, 27), 'g')
    c.fill(rect(12, 24, 14, 25), 'w')
    c.draw(rect(10, 26, 22, 31), 'g')
    c.fill(rect(12, 28, 14, 29), 'w')
    c.fill(rect(0, 31, 32, 32), '.')
    c.fill(rect(12, 30, 20, 32), 'k')


if __name__ == '__main__':
    for name, (w, h, fn) in PICTURES.items():
        canvas = Canvas(w, h)
        fn(canvas)
        with open('%s@2x.xpm' % name, 'w') as out:
            out.write(canvas.xpm(name))
