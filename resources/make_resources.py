#!/usr/bin/env python3
"""Draws the component's pictures and writes them beside this script.

wave100.bmp .. wave106.bmp  the DAC waveform types Off, DC, Noise, Sine, Pulse,
                            Ramp, Triangle: 203 x 33 pixels, 16 colours
cond0.bmp .. cond3.bmp      the analog synchronisation conditions: above, below,
                            transition up, transition down (24 x 16)
logo.bmp                    the maker's logo on the General page
E14_140.ico                 the application icon, 32 x 32 and 16 x 16

Only the standard library is used and nothing random is left to chance, so a
second run writes the same bytes: run it after changing a drawing and commit
its output.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16 colours of the standard VGA palette, as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)


class Canvas:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.pixels = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def polyline(self, points, colour, thick=False):
        for (xa, ya), (xb, yb) in zip(points, points[1:]):
            self.line(xa, ya, xb, yb, colour)
            if thick:
                self.line(xa, ya + 1, xb, yb + 1, colour)


def write_bmp4(canvas, name):
    """A bottom-up 4-bit BMP with the 16-colour palette."""
    row_bytes = ((canvas.width + 1) // 2 + 3) // 4 * 4
    image = bytearray()
    for y in range(canvas.height - 1, -1, -1):
        row = canvas.pixels[y]
        packed = bytearray()
        for x in range(0, canvas.width, 2):
            high = row[x]
            low = row[x + 1] if x + 1 < canvas.width else 0
            packed.append((high << 4) | low)
        packed.extend(b"\0" * (row_bytes - len(packed)))
        image.extend(packed)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 4, 0,
                       len(image), 3780, 3780, 16, 16)
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(header + info + palette + image)


# Waveform pictures: a grid, the zero line, two periods of the wave.
WAVE_W, WAVE_H = 203, 33
MID = WAVE_H // 2
SWING = 12


def wave_canvas():
    c = Canvas(WAVE_W, WAVE_H, BLACK)
    for x in range(0, WAVE_W, 25):
        for y in range(0, WAVE_H, 2):
            c.set(x, y, GREY)
    for y in (MID - SWING, MID + SWING):
        for x in range(0, WAVE_W, 2):
            c.set(x, y, GREY)
    c.line(0, MID, WAVE_W - 1, MID, DARK_GREEN)
    c.rect(0, 0, WAVE_W - 1, 0, SILVER)
    c.rect(0, WAVE_H - 1, WAVE_W - 1, WAVE_H - 1, SILVER)
    c.rect(0, 0, 0, WAVE_H - 1, SILVER)
    c.rect(WAVE_W - 1, 0, WAVE_W - 1, WAVE_H - 1, SILVER)
    return c


def sampled(shape):
    """Points of a wave given as a function of the phase 0..1 (two periods)."""
    period = (WAVE_W - 4) / 2.0
    points = []
    for x in range(2, WAVE_W - 2):
        phase = ((x - 2) / period) % 1.0
        points.append((x, MID - int(round(shape(phase) * SWING))))
    return points


def noise_points():
    state = 12345
    points = []
    for x in range(2, WAVE_W - 2, 2):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        value = (state >> 8) % (2 * SWING + 1) - SWING
        points.append((x, MID - value))
    return points


def waves():
    off = wave_canvas()
    for x in range(2, WAVE_W - 2, 6):
        off.line(x, MID, x + 2, MID, GREY)
    yield 100, off

    dc = wave_canvas()
    dc.polyline([(2, MID - 8), (WAVE_W - 3, MID - 8)], YELLOW, thick=True)
    yield 101, dc

    noise = wave_canvas()
    noise.polyline(noise_points(), YELLOW)
    yield 102, noise

    sine = wave_canvas()
    sine.polyline(sampled(lambda p: math.sin(2 * math.pi * p)), YELLOW, thick=True)
    yield 103, sine

    pulse = wave_canvas()
    period = (WAVE_W - 4) // 2
    points = []
    for k in range(2):
        x0 = 2 + k * period
        points += [(x0, MID + SWING), (x0, MID - SWING), (x0 + period // 4, MID - SWING),
                   (x0 + period // 4, MID + SWING), (x0 + period, MID + SWING)]
    pulse.polyline(points, YELLOW)
    yield 104, pulse

    ramp = wave_canvas()
    points = []
    for k in range(2):
        x0 = 2 + k * period
        points += [(x0, MID + SWING), (x0 + period - 1, MID - SWING)]
    points.append((2 + 2 * period - 1, MID + SWING))
    ramp.polyline(points, YELLOW)
    yield 105, ramp

    triangle = wave_canvas()
    triangle.polyline(sampled(lambda p: 1 - 4 * abs(p - 0.5)), YELLOW)
    yield 106, triangle


# Synchronisation conditions: a dashed level and the signal crossing or
# staying beyond it, with an arrow for the transitions.
def conditions():
    def base():
        c = Canvas(24, 16, WHITE)
        for x in range(0, 24, 3):
            c.set(x, 8, RED)
            c.set(x + 1, 8, RED)
        return c

    above = base()
    above.polyline([(1, 5), (6, 2), (12, 4), (17, 1), (22, 4)], NAVY)
    yield 0, above
    below = base()
    below.polyline([(1, 11), (6, 14), (12, 12), (17, 15), (22, 12)], NAVY)
    yield 1, below
    up = base()
    up.polyline([(1, 14), (10, 14), (14, 2), (22, 2)], NAVY)
    up.line(18, 12, 18, 5, GREEN)
    up.polyline([(16, 7), (18, 5), (20, 7)], GREEN)
    yield 2, up
    down = base()
    down.polyline([(1, 2), (10, 2), (14, 14), (22, 14)], NAVY)
    down.line(18, 4, 18, 11, GREEN)
    down.polyline([(16, 9), (18, 11), (20, 9)], GREEN)
    yield 3, down


# A 5 x 7 pixel font, only for the letters the logo needs.
GLYPHS = {
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
}


def text(canvas, x, y, word, colour, scale):
    for letter in word:
        for row, bits in enumerate(GLYPHS[letter]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    canvas.rect(x + col * scale, y + row * scale,
                                x + col * scale + scale - 1, y + row * scale + scale - 1, colour)
        x += 6 * scale


def bird(canvas, x, y, colour, accent):
    """A kestrel hovering: spread wings, a body and a tail, seen from below."""
    wing = [(0, 9), (4, 6), (9, 4), (14, 6), (17, 9)]
    canvas.polyline([(x + a, y + b) for a, b in wing], colour, thick=True)
    canvas.polyline([(x + 34 - a, y + b) for a, b in wing], colour, thick=True)
    canvas.rect(x + 15, y + 5, x + 19, y + 16, colour)
    canvas.rect(x + 16, y + 2, x + 18, y + 4, accent)
    canvas.polyline([(x + 15, y + 17), (x + 13, y + 21), (x + 21, y + 21), (x + 19, y + 17)], colour)


def logo():
    c = Canvas(120, 30, WHITE)
    bird(c, 2, 3, NAVY, RED)
    text(c, 41, 8, "KESTREL", NAVY, 2)
    c.line(41, 26, 117, 26, RED)
    return c


def write_ico(name, sizes):
    """An icon of 32-bit images with their AND masks."""
    images = []
    for size in sizes:
        c = Canvas(size, size, None)
        scale = size / 32.0
        # A rounded blue tile with a white sine and a yellow pulse.
        for y in range(size):
            for x in range(size):
                cx, cy = min(x, size - 1 - x), min(y, size - 1 - y)
                if cx + cy >= int(3 * scale):
                    c.set(x, y, NAVY)
        pts = [(x, int(round(size / 2 - math.sin(2 * math.pi * x / (size - 1)) * size * 0.28)))
               for x in range(int(2 * scale), size - int(2 * scale))]
        c.polyline(pts, WHITE, thick=size >= 32)
        c.line(int(4 * scale), size - int(6 * scale), size - int(5 * scale), size - int(6 * scale), YELLOW)
        pixels = bytearray()
        mask_row = ((size + 31) // 32) * 4
        mask = bytearray()
        for y in range(size - 1, -1, -1):
            bits = 0
            row_mask = bytearray()
            for x in range(size):
                colour = c.pixels[y][x]
                if colour is None:
                    pixels += b"\0\0\0\0"
                    bits |= 0x80 >> (x % 8)
                else:
                    r, g, b = PALETTE[colour]
                    pixels += struct.pack("<BBBB", b, g, r, 255)
                if x % 8 == 7:
                    row_mask.append(bits)
                    bits = 0
            row_mask.extend(b"\0" * (mask_row - len(row_mask)))
            mask += row_mask
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                           len(pixels) + len(mask), 0, 0, 0, 0)
        images.append((size, info + pixels + mask))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    data = b""
    for size, blob in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob),
                               offset + len(data))
        data += blob
    with open(os.path.join(HERE, name), "wb") as out:
        out.write(header + entries + data)


def main():
    for number, canvas in waves():
        write_bmp4(canvas, "wave%d.bmp" % number)
    for index, canvas in conditions():
        write_bmp4(canvas, "cond%d.bmp" % index)
    write_bmp4(logo(), "logo.bmp")
    write_ico("E14_140.ico", [32, 16])


if __name__ == "__main__":
    main()
