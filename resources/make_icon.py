#!/usr/bin/env python3
"""Draws Crawlmeter's icon, a magnifier over a bar chart, and writes the committed files
crawlmeter.png (128 x 128, indexed, 256 colours) and crawlmeter.ico (the same picture as an
8-bit Windows icon). A maintainer's tool: it needs Python 3 and nothing else.

Run it from anywhere: python3 resources/make_icon.py
"""

import math
import pathlib
import struct
import zlib

SIZE = 128
SUBSAMPLES = 4  # per axis: edges are smoothed from 16 samples a pixel
PALETTE_SIZE = 256
TRANSPARENT = (0, 0, 0, 0)  # palette entry 0; black, so the Windows icon's mask can clear it


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= radius**2

    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def ring(cx, cy, inner, outer):
    return lambda x, y: inner**2 <= (x - cx) ** 2 + (y - cy) ** 2 <= outer**2


def disc(cx, cy, radius):
    return ring(cx, cy, 0, radius)


def capsule(x0, y0, x1, y1, half_width):
    """A thick line with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length_sq = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length_sq))
        return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= half_width

    return inside


# Layers from the back to the front: (shape, (red, green, blue, opacity)).
LAYERS = [
    (rounded_rect(4, 4, 124, 124, 22), (0x2B, 0x5D, 0x9B, 1.0)),
    (rounded_rect(8, 8, 120, 120, 18), (0xF3, 0xF7, 0xFC, 1.0)),
    (rect(20, 80, 34, 104), (0x43, 0xA0, 0x47, 1.0)),
    (rect(40, 58, 54, 104), (0x1E, 0x88, 0xE5, 1.0)),
    (rect(60, 70, 74, 104), (0xFB, 0x8C, 0x00, 1.0)),
    (rect(80, 40, 94, 104), (0xE5, 0x39, 0x35, 1.0)),
    (rect(16, 104, 108, 108), (0x45, 0x5A, 0x64, 1.0)),
    (disc(72, 50, 24), (0xB3, 0xE5, 0xFC, 0.45)),
    (ring(72, 50, 22, 29), (0x26, 0x32, 0x38, 1.0)),
    (capsule(93, 71, 112, 90, 7), (0x26, 0x32, 0x38, 1.0)),
    (capsule(60, 36, 66, 32, 2.5), (0xFF, 0xFF, 0xFF, 0.8)),
]


def sample(x, y):
    """Premultiplied colour of one sample point, painting the layers in order."""
    r = g = b = a = 0.0
    for inside, (lr, lg, lb, opacity) in LAYERS:
        if inside(x, y):
            keep = 1.0 - opacity
            r, g, b = lr * opacity + r * keep, lg * opacity + g * keep, lb * opacity + b * keep
            a = opacity + a * keep
    return r, g, b, a


def render():
    """Straight (not premultiplied) RGBA pixels, row by row."""
    pixels = []
    step = 1.0 / SUBSAMPLES
    for py in range(SIZE):
        for px in range(SIZE):
            total = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    s = sample(px + (sx + 0.5) * step, py + (sy + 0.5) * step)
                    total = [t + v for t, v in zip(total, s)]
            count = SUBSAMPLES * SUBSAMPLES
            alpha = total[3] / count
            if alpha == 0:
                pixels.append(TRANSPARENT)
                continue
            rgb = tuple(round(c / count / alpha) for c in total[:3])
            pixels.append(rgb + (round(alpha * 255),))
    return pixels


def median_cut(colours, boxes_wanted):
    """Splits the weighted colours into boxes along their widest channel; one colour a box."""
    boxes = [list(colours.items())]
    while len(boxes) < boxes_wanted:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: sum(n for _, n in b))
        spans = [max(c[i] for c, _ in box) - min(c[i] for c, _ in box) for i in range(4)]
        channel = spans.index(max(spans))
        box.sort(key=lambda item: item[0][channel])
        middle = len(box) // 2
        boxes.remove(box)
        boxes += [box[:middle], box[middle:]]
    return [mean_colour(b) for b in boxes]


def mean_colour(box):
    weight = sum(n for _, n in box)
    return tuple(round(sum(c[i] * n for c, n in box) / weight) for i in range(4))


def quantise(pixels):
    """A full 256-entry palette (entry 0 transparent, unused entries too) and one palette index
    per pixel."""
    colours = {}
    for p in pixels:
        if p != TRANSPARENT:
            colours[p] = colours.get(p, 0) + 1
    palette = [TRANSPARENT] + sorted(median_cut(colours, PALETTE_SIZE - 1))
    nearest = {TRANSPARENT: 0}
    for colour in colours:
        nearest[colour] = min(
            range(1, len(palette)),
            key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])),
        )
    padded = palette + [TRANSPARENT] * (PALETTE_SIZE - len(palette))
    return padded, [nearest[p] for p in pixels]


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def write_png(path, palette, indices):
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 3, 0, 0, 0)  # 8-bit palette indices
    rows = b"".join(
        b"\x00" + bytes(indices[y * SIZE : (y + 1) * SIZE]) for y in range(SIZE)
    )
    path.write_bytes(
        b"\x89PNG\r\n\x1a\n"
        + png_chunk(b"IHDR", header)
        + png_chunk(b"PLTE", bytes(c for p in palette for c in p[:3]))
        + png_chunk(b"tRNS", bytes(p[3] for p in palette))
        + png_chunk(b"IDAT", zlib.compress(rows, 9))
        + png_chunk(b"IEND", b"")
    )


def write_ico(path, palette, indices):
    """One 8-bit image; a pixel less than half opaque becomes transparent through the mask."""
    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b, _ in palette)
    opaque = [palette[i][3] >= 128 for i in indices]
    bottom_up = range(SIZE - 1, -1, -1)
    xor = b"".join(
        bytes(indices[y * SIZE + x] if opaque[y * SIZE + x] else 0 for x in range(SIZE))
        for y in bottom_up
    )
    mask_row_bytes = SIZE // 8
    mask = bytearray()
    for y in bottom_up:
        row = bytearray(mask_row_bytes)
        for x in range(SIZE):
            if not opaque[y * SIZE + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, len(xor) + len(mask),
                       0, 0, PALETTE_SIZE, 0)
    image = info + colour_table + xor + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8, len(image), 6 + 16
    )
    path.write_bytes(directory + image)


def main():
    here = pathlib.Path(__file__).resolve().parent
    palette, indices = quantise(render())
    write_png(here / "crawlmeter.png", palette, indices)
    write_ico(here / "crawlmeter.ico", palette, indices)


if __name__ == "__main__":
    main()
