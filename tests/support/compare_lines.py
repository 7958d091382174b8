#!/usr/bin/env python3
"""Compares a picture drawn by another program with our raster render.

    compare_lines.py REFERENCE.png CANDIDATE.png [options]

Line pixels are found in both pictures (pixels near the line colour); each
set is widened by the tolerance and the F1 score of the two is computed:
precision = share of the candidate's line pixels that lie near a reference
line pixel, recall = the same the other way round. Fill colours are compared
at sample points, given (--sample X,Y) or chosen automatically in flat
interior regions of the reference (--auto-samples N).

Prints one JSON line with the numbers and exits 0 when the F1 score reaches
--min-f1 and every sample matches, 1 when not, 2 on bad input.

Only the standard library is used: PNG is decoded with zlib.
"""

import argparse
import json
import struct
import sys
import zlib


class PngError(Exception):
    pass


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def read_png(path):
    """Returns (width, height, rows) with rows as lists of (r, g, b) tuples, 8 bits a channel."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise PngError(f'{path}: not a PNG file')
    pos, idat, palette, header = 8, [], None, None
    while pos + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if len(body) != length:
            raise PngError(f'{path}: truncated {kind!r} chunk')
        pos += 12 + length
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'PLTE':
            palette = [tuple(body[i:i + 3]) for i in range(0, len(body) - 2, 3)]
        elif kind == b'IDAT':
            idat.append(body)
        elif kind == b'IEND':
            break
    if header is None:
        raise PngError(f'{path}: no header')
    width, height, depth, colour, _, _, interlace = header
    if interlace != 0:
        raise PngError(f'{path}: interlaced PNG is not supported')
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}.get(colour)
    if channels is None or depth not in ((8, 16) if colour != 3 else (8,)):
        raise PngError(f'{path}: colour type {colour} at {depth} bits is not supported')
    raw = zlib.decompress(b''.join(idat))
    bpp = channels * depth // 8
    stride = width * bpp
    prev = bytearray(stride)
    rows = []
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        if len(line) != stride:
            raise PngError(f'{path}: image data ends early')
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif kind == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, prev))
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                up_left = prev[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + _paeth(left, prev[i], up_left)) & 0xFF
        elif kind != 0:
            raise PngError(f'{path}: bad filter {kind} in row {y}')
        prev = line
        samples = line[::2] if depth == 16 else line  # high bytes
        if colour == 0:
            row = [(v, v, v) for v in samples]
        elif colour == 2:
            row = list(zip(samples[0::3], samples[1::3], samples[2::3]))
        elif colour == 3:
            row = [palette[v] for v in samples]
        elif colour == 4:
            # Grey with alpha, over white.
            row = [(_over_white(v, a),) * 3 for v, a in zip(samples[0::2], samples[1::2])]
        else:
            row = [tuple(_over_white(c, a) for c in (r, g, b))
                   for r, g, b, a in zip(samples[0::4], samples[1::4], samples[2::4], samples[3::4])]
        rows.append(row)
    return width, height, rows


def _over_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255


def line_pixels(rows, colour, distance):
    """The set of (x, y) whose colour lies within `distance` (per channel) of the line colour."""
    lr, lg, lb = colour
    found = set()
    for y, row in enumerate(rows):
        for x, (r, g, b) in enumerate(row):
            if abs(r - lr) <= distance and abs(g - lg) <= distance and abs(b - lb) <= distance:
                found.add((x, y))
    return found


def disc(radius):
    r2 = radius * radius
    return [(dx, dy) for dy in range(-radius, radius + 1) for dx in range(-radius, radius + 1) if dx * dx + dy * dy <= r2]


def dilate(pixels, radius):
    offsets = disc(radius)
    return {(x + dx, y + dy) for x, y in pixels for dx, dy in offsets}


def f1_score(reference, candidate, tolerance):
    if not reference and not candidate:
        return 1.0, 1.0, 1.0
    near_ref = dilate(reference, tolerance)
    near_cand = dilate(candidate, tolerance)
    precision = sum(1 for p in candidate if p in near_ref) / len(candidate) if candidate else 0.0
    recall = sum(1 for p in reference if p in near_cand) / len(reference) if reference else 0.0
    f1 = 2 * precision * recall / (precision + recall) if precision + recall > 0 else 0.0
    return f1, precision, recall


def auto_samples(rows, lines, count, background, radius=4, spacing=12):
    """Points deep inside flat regions of the reference that are neither line nor background."""
    height, width = len(rows), len(rows[0]) if rows else 0
    near_lines = dilate(lines, radius + 2)
    picked = []
    for y in range(radius, height - radius, spacing):
        for x in range(radius, width - radius, spacing):
            c = rows[y][x]
            if (x, y) in near_lines or max(abs(a - b) for a, b in zip(c, background)) <= 8:
                continue
            flat = all(max(abs(a - b) for a, b in zip(rows[y + dy][x + dx], c)) <= 2
                       for dy in (-radius, 0, radius) for dx in (-radius, 0, radius))
            if flat:
                picked.append((x, y))
    if len(picked) <= count:
        return picked
    step = len(picked) / count
    return [picked[int(i * step)] for i in range(count)]


def parse_colour(text):
    parts = [int(v) for v in text.split(',')]
    if len(parts) != 3 or any(v < 0 or v > 255 for v in parts):
        raise argparse.ArgumentTypeError(f'bad colour {text!r}: want R,G,B in 0..255')
    return tuple(parts)


def parse_point(text):
    parts = [int(v) for v in text.split(',')]
    if len(parts) != 2:
        raise argparse.ArgumentTypeError(f'bad point {text!r}: want X,Y')
    return tuple(parts)


def compare(reference_path, candidate_path, args):
    rw, rh, ref = read_png(reference_path)
    cw, ch, cand = read_png(candidate_path)
    if (rw, rh) != (cw, ch):
        raise PngError(f'sizes differ: {reference_path} is {rw}x{rh}, {candidate_path} is {cw}x{ch}')
    ref_lines = line_pixels(ref, args.line_colour, args.line_distance)
    cand_lines = line_pixels(cand, args.line_colour, args.line_distance)
    f1, precision, recall = f1_score(ref_lines, cand_lines, args.tolerance)
    points = list(args.sample or [])
    if args.auto_samples:
        points += auto_samples(ref, ref_lines, args.auto_samples, args.background)
    samples, samples_ok = [], True
    for x, y in points:
        if not (0 <= x < rw and 0 <= y < rh):
            raise PngError(f'sample point {x},{y} lies outside the {rw}x{rh} picture')
        a, b = ref[y][x], cand[y][x]
        ok = max(abs(p - q) for p, q in zip(a, b)) <= args.colour_tolerance
        samples_ok &= ok
        samples.append({'x': x, 'y': y, 'reference': a, 'candidate': b, 'ok': ok})
    passed = f1 >= args.min_f1 and samples_ok and (not args.auto_samples or len(samples) > 0)
    return {
        'f1': round(f1, 4), 'precision': round(precision, 4), 'recall': round(recall, 4),
        'reference_line_pixels': len(ref_lines), 'candidate_line_pixels': len(cand_lines),
        'samples': samples, 'pass': passed,
    }


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    p.add_argument('reference')
    p.add_argument('candidate')
    p.add_argument('--tolerance', type=int, default=2, help='pixels each line set is widened by (2)')
    p.add_argument('--min-f1', type=float, default=0.95)
    p.add_argument('--line-colour', type=parse_colour, default=(0, 0, 0), help='R,G,B of the lines (0,0,0)')
    p.add_argument('--line-distance', type=int, default=112,
                   help='largest channel difference from the line colour a line pixel may have (112)')
    p.add_argument('--background', type=parse_colour, default=(255, 255, 255))
    p.add_argument('--sample', type=parse_point, action='append', help='X,Y of a fill sample (repeatable)')
    p.add_argument('--auto-samples', type=int, default=0, help='also sample N flat interior points')
    p.add_argument('--colour-tolerance', type=int, default=24,
                   help='largest channel difference of a matching fill sample (24)')
    args = p.parse_args(argv)
    try:
        result = compare(args.reference, args.candidate, args)
    except (OSError, PngError, zlib.error) as e:
        print(f'compare_lines.py: {e}', file=sys.stderr)
        return 2
    print(json.dumps(result))
    return 0 if result['pass'] else 1


if __name__ == '__main__':
    sys.exit(main())
