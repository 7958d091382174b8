#!/usr/bin/env python3
"""Plays a Flash file in the test player and compares its frames with pictures.

    check_movie.py --movie FILE.swf --work DIR --frames N \
        [--reference FRAME=PNG ...] [--distinct A,B] [compare_lines options after --]

Checks that the player reports N frames, takes every frame named by a
--reference and compares it with that picture (compare_lines.py: line F1 at
2 pixels and fill samples), and for --distinct A,B that frames A and B are
different pictures. --make CMD runs first (a program that writes the movie).
Exits 0 when everything holds, 1 when not, 77 when the browser cannot start.
"""

import argparse
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
import compare_lines  # noqa: E402


def main():
    p = argparse.ArgumentParser()
    p.add_argument('--make', nargs='+', help='command that writes the movie first')
    p.add_argument('--movie', required=True)
    p.add_argument('--work', required=True)
    p.add_argument('--frames', type=int, required=True)
    p.add_argument('--reference', action='append', default=[], help='FRAME=PNG')
    p.add_argument('--distinct', action='append', default=[], help='A,B: these frames must differ')
    p.add_argument('compare', nargs='*', help='options passed to compare_lines.py')
    args = p.parse_args()
    os.makedirs(args.work, exist_ok=True)
    if args.make:
        subprocess.run(args.make, check=True)

    refs = {}
    for item in args.reference:
        frame, path = item.split('=', 1)
        refs[int(frame)] = path
    wanted = set(refs)
    for pair in args.distinct:
        wanted.update(int(v) for v in pair.split(','))
    shots = os.path.join(args.work, 'player')
    run = subprocess.run(['node', os.path.join(HERE, 'play.js'), args.movie, shots] + [str(f) for f in sorted(wanted)],
                         capture_output=True, text=True, timeout=240)
    sys.stderr.write(run.stderr)
    if run.returncode == 77:
        print('SKIPPED: the browser cannot start on this machine (' + run.stderr.strip() + ')')
        return 77
    if run.returncode != 0:
        print(f'the player failed with exit code {run.returncode}')
        return 1
    meta = json.loads(run.stdout.strip().splitlines()[-1])
    print('player:', json.dumps(meta))
    ok = True
    if meta['frames'] != args.frames or meta['headerFrames'] != args.frames:
        print(f"FAIL: the player sees {meta['frames']} frames, want {args.frames}")
        ok = False

    for frame, ref in sorted(refs.items()):
        shot = os.path.join(shots, f'frame_{frame}.png')
        result = compare_lines.main([ref, shot] + args.compare)
        print(f'frame {frame} against {os.path.basename(ref)}: exit {result}')
        ok &= result == 0
    for pair in args.distinct:
        a, b = (int(v) for v in pair.split(','))
        result = compare_lines.main([os.path.join(shots, f'frame_{a}.png'), os.path.join(shots, f'frame_{b}.png'),
                                     '--auto-samples', '8'])
        print(f'frames {a} and {b} differ: {"yes" if result == 1 else "NO"}')
        ok &= result == 1
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
