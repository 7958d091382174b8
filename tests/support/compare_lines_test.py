#!/usr/bin/env python3
"""Checks the picture comparison tool on pictures whose differences are known."""

import math
import os
import random
import struct
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compare_lines  # noqa: E402


def write_png(path, rows, filters=None):
    """8-bit RGB PNG; `filters` gives each row's filter type (0..4), the encoder's own choice."""
    width, height = len(rows[0]), len(rows)
    raw = bytearray()
    prev = bytearray(width * 3)
    for y, row in enumerate(rows):
        line = bytearray(v for px in row for v in px)
        kind = filters[y] if filters else 0
        out = bytearray(len(line))
        for i, v in enumerate(line):
            left = line[i - 3] if i >= 3 else 0
            up, up_left = prev[i], (prev[i - 3] if i >= 3 else 0)
            pred = [0, left, up, (left + up) >> 1, compare_lines._paeth(left, up, up_left)][kind]
            out[i] = (v - pred) & 0xFF
        raw.append(kind)
        raw += out
        prev = line

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(bytes(raw))) + chunk(b'IEND', b''))


def drawing(width=160, height=120, shift=0, fill=(220, 40, 40)):
    """A filled box, its outline, a circle and a dashed line, moved right by `shift` pixels."""
    rows = [[(255, 255, 255)] * width for _ in range(height)]

    def put(x, y, c):
        x += shift
        if 0 <= x < width and 0 <= y < height:
            rows[y][x] = c

    for y in range(20, 60):
        for x in range(20, 80):
            put(x, y, fill)
    black = (0, 0, 0)
    for t in range(0, 60):
        for w in (0, 1):
            put(20 + t, 20 + w, black)
            put(20 + t, 59 - w, black)
    for t in range(20, 60):
        for w in (0, 1):
            put(20 + w, t, black)
            put(79 - w, t, black)
    for a in range(720):
        x = 120 + 25 * math.cos(math.radians(a / 2))
        y = 60 + 25 * math.sin(math.radians(a / 2))
        put(int(x), int(y), black)
        put(int(x) + 1, int(y), black)
    for x in range(10, 150):
        if (x // 6) % 2 == 0:
            put(x, 100, black)
            put(x, 101, black)
    return rows


class CompareLines(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def png(self, name, rows, filters=None):
        path = os.path.join(self.dir.name, name)
        write_png(path, rows, filters)
        return path

    def run_tool(self, *args):
        import contextlib
        import io
        out = io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(io.StringIO()):
            code = compare_lines.main(list(args))
        return code, out.getvalue()

    def test_decoder_undoes_every_filter(self):
        rng = random.Random(3)
        rows = [[(rng.randrange(256), rng.randrange(256), rng.randrange(256)) for _ in range(37)] for _ in range(23)]
        path = self.png('noise.png', rows, [y % 5 for y in range(23)])
        width, height, decoded = compare_lines.read_png(path)
        self.assertEqual((width, height), (37, 23))
        self.assertEqual(decoded, rows)

    def test_small_shift_passes_large_shift_fails(self):
        ref = self.png('ref.png', drawing())
        code, out = self.run_tool(ref, self.png('same.png', drawing()))
        self.assertEqual(code, 0, out)
        self.assertIn('"f1": 1.0', out)
        code, out = self.run_tool(ref, self.png('near.png', drawing(shift=1)), '--auto-samples', '5')
        self.assertEqual(code, 0, out)
        code, out = self.run_tool(ref, self.png('far.png', drawing(shift=5)))
        self.assertEqual(code, 1, out)
        # Within the widened tolerance the same shift passes again.
        code, out = self.run_tool(ref, self.png('far2.png', drawing(shift=5)), '--tolerance', '5')
        self.assertEqual(code, 0, out)

    def test_missing_lines_lower_the_recall(self):
        rows = drawing()
        for y in range(95, 105):
            rows[y] = [(255, 255, 255)] * len(rows[y])  # the dashed line is gone
        code, out = self.run_tool(self.png('ref.png', drawing()), self.png('cand.png', rows))
        self.assertEqual(code, 1, out)
        self.assertIn('"precision": 1.0', out)

    def test_fill_colours_are_sampled(self):
        ref = self.png('ref.png', drawing())
        code, out = self.run_tool(ref, self.png('blue.png', drawing(fill=(40, 40, 220))), '--auto-samples', '4')
        self.assertEqual(code, 1, out)
        self.assertIn('"ok": false', out)
        code, out = self.run_tool(ref, self.png('close.png', drawing(fill=(230, 50, 30))), '--sample', '50,40')
        self.assertEqual(code, 0, out)

    def test_bad_input(self):
        ref = self.png('ref.png', drawing())
        self.assertEqual(self.run_tool(ref, self.png('small.png', drawing(width=100)))[0], 2)
        bogus = os.path.join(self.dir.name, 'bogus.png')
        with open(bogus, 'wb') as f:
            f.write(b'not a png')
        self.assertEqual(self.run_tool(ref, bogus)[0], 2)
        self.assertEqual(self.run_tool(ref, ref, '--sample', '500,5')[0], 2)


if __name__ == '__main__':
    unittest.main()
