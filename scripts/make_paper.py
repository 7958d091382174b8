#!/usr/bin/env python3
"""Writes the paper texture the canvas examples use (examples/paper.png).

The relief is filtered noise: white noise smoothed at three scales (fine
fibres, grain, and a faint cloudiness), added with falling weights and
scaled to a narrow band of greys around the middle. The canvas turns grey
differences between neighbouring texels into slopes, so the band's width
sets how strongly the paper shows; this one darkens or lightens a pixel by
a few percent, enough to see and not enough to swamp the drawing.

The noise repeats with a period of SIZE - 2 and the image repeats it one
texel further on every side: the canvas tiles the texture's interior (all
but the outermost texels), so the tiles meet without a seam.

Only the standard library is used (zlib for the PNG data), and the noise
comes from a fixed seed: running the script again writes the same bytes.

    scripts/make_paper.py                 # examples/paper.png
    scripts/make_paper.py -o my.png --size 512 --strength 1.5 --seed 7
"""

import argparse
import os
import random
import struct
import zlib

# (box-blur radius in texels, weight): fibres, grain, cloudiness.
SCALES = [(1, 1.0), (3, 0.8), (12, 0.5)]
# Grey levels (of 255) one standard deviation of the mixed noise spans.
DEFAULT_STRENGTH = 12.0


def box_blur_wrapped(values, n, radius):
    """Separable box blur of an n x n periodic field."""
    width = 2 * radius + 1
    out = [0.0] * (n * n)
    for y in range(n):
        row = values[y * n:(y + 1) * n]
        s = sum(row[(x) % n] for x in range(-radius, radius + 1))
        for x in range(n):
            out[y * n + x] = s / width
            s += row[(x + radius + 1) % n] - row[(x - radius) % n]
    final = [0.0] * (n * n)
    for x in range(n):
        s = sum(out[(y % n) * n + x] for y in range(-radius, radius + 1))
        for y in range(n):
            final[y * n + x] = s / width
            s += out[((y + radius + 1) % n) * n + x] - out[((y - radius) % n) * n + x]
    return final


def normalised(values):
    mean = sum(values) / len(values)
    var = sum((v - mean) ** 2 for v in values) / len(values)
    sd = var ** 0.5 or 1.0
    return [(v - mean) / sd for v in values]


def paper(period, strength, seed):
    rng = random.Random(seed)
    mixed = [0.0] * (period * period)
    for radius, weight in SCALES:
        noise = [rng.random() for _ in range(period * period)]
        layer = normalised(box_blur_wrapped(noise, period, radius))
        mixed = [m + weight * v for m, v in zip(mixed, layer)]
    mixed = normalised(mixed)
    return [min(255, max(0, int(round(128 + strength * v)))) for v in mixed]


def padded(grey, period):
    """The period x period tile with one texel of its own wrap on each side."""
    size = period + 2
    rows = []
    for y in range(size):
        ty = (y - 1) % period
        rows.append(bytes(grey[ty * period + (x - 1) % period] for x in range(size)))
    return size, rows


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_grey_png(path, size, rows):
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", size, size, 8, 0, 0, 0, 0)  # 8-bit greyscale
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", zlib.compress(raw, 9)) +
            png_chunk(b"IEND", b""))
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description="Write a tileable paper texture for a canvas.")
    parser.add_argument("-o", "--output", default=os.path.join(root, "examples", "paper.png"))
    parser.add_argument("--size", type=int, default=256, help="width and height in texels (at least 8)")
    parser.add_argument("--strength", type=float, default=1.0, help="relief, 1 = the examples' paper")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if args.size < 8:
        parser.error("--size must be at least 8")
    if args.strength < 0:
        parser.error("--strength must not be negative")
    period = args.size - 2
    size, rows = padded(paper(period, DEFAULT_STRENGTH * args.strength, args.seed), period)
    write_grey_png(args.output, size, rows)
    print(args.output)


if __name__ == "__main__":
    main()
