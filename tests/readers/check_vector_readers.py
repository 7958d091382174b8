#!/usr/bin/python3
"""Renders a frame to AI and DXF, opens each file in a real reader and
compares the reader's picture with the raster render of the same frame.

Usage: check_vector_readers.py PENWRIGHT SCENE WORKDIR [--fills] [extra render args...]

AI: Ghostscript (with the operator prolog in tests/support) draws the file at
one point per pixel. DXF: ezdxf reads it, its audit must find no errors, and
its drawing add-on renders it through matplotlib onto the image's pixel grid.
Line pixels must agree within 2 pixels with an F1 score of at least 0.95
(lines-only pictures for DXF, whose format has no fills by default).

With --fills (for a scene whose surfaces are one flat colour per object, so
that flat vector polygons can look like the raster at all) the fill colours
are checked too: points deep inside the raster's flat regions, away from
every line and edge, must have the raster's colour in Ghostscript's picture
of the AI file and in the player's picture of the SWF file (the Flash player
in headless Chromium, tests/support/swf_player).
"""
import json
import os
import subprocess
import sys

import numpy as np
import matplotlib
matplotlib.use("Agg")
import matplotlib.image as mpimg
import matplotlib.pyplot as plt

TOLERANCE = 2  # pixels a reader's line may sit off the raster's
MIN_F1 = 0.95
# A fill sample stands this many pixels clear of any colour change in the
# raster: past the line's half width, its antialiasing and the 2 pixels a
# reader's line may be off.
FILL_CLEARANCE = 6
# A flat region's pixels differ by at most this much (0..1 per channel).
FLAT = 2.5 / 255
# Largest channel difference of a matching fill sample: the vector colour is
# the 16-bit colour cut to the file's precision (8 bits in SWF, a truncation
# where the raster rounds) and converted back by the reader.
FILL_TOLERANCE = 4.5 / 255
FILL_SAMPLES = 24  # at most, spread over the flat regions
MIN_FILL_SAMPLES = 4
HERE = os.path.dirname(os.path.abspath(__file__))
PROLOG = os.path.join(HERE, "..", "support", "ai_prolog.ps")
PLAYER = os.path.join(HERE, "..", "support", "swf_player", "play.js")


def run(cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("failed: %s\n%s%s" % (" ".join(cmd), r.stdout, r.stderr))
    return r


def rgb(path):
    img = mpimg.imread(path)
    if img.dtype != np.float32 and img.dtype != np.float64:
        img = img / 255.0
    img = img.astype(np.float64)
    if img.ndim == 2:
        img = np.stack([img] * 3, axis=2)
    if img.shape[2] == 4:  # over white, as a viewer shows it
        img = img[..., :3] * img[..., 3:] + (1.0 - img[..., 3:])
    return img[..., :3]


def dark(path):
    return rgb(path).mean(axis=2) < 0.6


def fill_samples(img, background):
    """Points of flat, non-background colour with nothing but that colour
    within FILL_CLEARANCE pixels, spread over the picture: a grid of
    candidates, then an even share of each colour's candidates, so that
    every flat-coloured object gets some."""
    h, w, _ = img.shape
    r = FILL_CLEARANCE
    flat = np.ones((h, w), dtype=bool)
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            if dx * dx + dy * dy > r * r:
                continue
            shifted = np.roll(np.roll(img, dy, axis=0), dx, axis=1)
            flat &= np.abs(shifted - img).max(axis=2) <= FLAT
    flat[:r, :] = flat[-r:, :] = False
    flat[:, :r] = flat[:, -r:] = False
    flat &= np.abs(img - np.asarray(background)).max(axis=2) > 8 / 255
    step = 7
    by_colour = {}
    for y in range(0, h, step):
        for x in range(0, w, step):
            if flat[y, x]:
                key = tuple(np.round(img[y, x] * 255).astype(int) // 4)
                by_colour.setdefault(key, []).append((x, y))
    picked = []
    groups = sorted(by_colour.values(), key=len, reverse=True)
    share = max(1, FILL_SAMPLES // max(1, len(groups)))
    for points in groups:
        n = min(share, len(points))
        picked += [points[int((i + 0.5) * len(points) / n)] for i in range(n)]
    return picked[:FILL_SAMPLES]


def check_fills(name, raster, candidate, samples):
    worst = 0.0
    bad = []
    for x, y in samples:
        a, b = raster[y, x], candidate[y, x]
        d = float(np.abs(a - b).max())
        worst = max(worst, d)
        if d > FILL_TOLERANCE:
            bad.append((x, y, tuple(np.round(a * 255).astype(int)), tuple(np.round(b * 255).astype(int))))
    print("%s fills: %d samples, largest difference %.1f/255 (tolerance %.1f)" %
          (name, len(samples), worst * 255, FILL_TOLERANCE * 255))
    for x, y, a, b in bad[:8]:
        print("   at %d,%d raster %s, %s %s" % (x, y, a, name, b))
    return not bad


def play_swf(movie, out_dir):
    """The player's picture of the movie's first frame, or None when the
    browser cannot start here (reported as a skip)."""
    r = subprocess.run(["node", PLAYER, movie, out_dir, "0"], capture_output=True, text=True, timeout=240)
    if r.returncode == 77:
        print("SWF: SKIPPED, the browser cannot start on this machine (%s)" % r.stderr.strip())
        return None
    if r.returncode != 0:
        sys.exit("the player failed (exit %d)\n%s%s" % (r.returncode, r.stdout, r.stderr))
    meta = json.loads(r.stdout.strip().splitlines()[-1])
    if meta.get("frames") != 1:
        sys.exit("the player sees %s frames in a one-frame movie" % meta.get("frames"))
    return os.path.join(out_dir, "frame_0.png")


def dilate(mask, r):
    out = mask.copy()
    for dy in range(-r, r + 1):
        for dx in range(-r, r + 1):
            out |= np.roll(np.roll(mask, dy, axis=0), dx, axis=1)
    return out


def f1(reference, candidate):
    if reference.shape != candidate.shape:
        sys.exit("picture sizes differ: %s vs %s" % (reference.shape, candidate.shape))
    precision = (candidate & dilate(reference, TOLERANCE)).sum() / max(1, candidate.sum())
    recall = (reference & dilate(candidate, TOLERANCE)).sum() / max(1, reference.sum())
    return 2 * precision * recall / max(1e-9, precision + recall), precision, recall


def main():
    penwright, scene, work = sys.argv[1:4]
    extra = sys.argv[4:]
    fills = "--fills" in extra
    extra = [a for a in extra if a != "--fills"]
    os.makedirs(work, exist_ok=True)
    common = [penwright, "-q", "render", scene, "--frame", "0", "--background", "1,1,1"] + extra
    raster = os.path.join(work, "raster.png")
    # Surfaces are compared elsewhere; here the lines alone.
    run(common + ["--set", "surfacesOn=false", "-o", raster])
    height, width = dark(raster).shape

    # Illustrator through Ghostscript.
    ai = os.path.join(work, "frame.ai")
    def ghostscript(src, png):
        run(["gs", "-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=png16m", "-g%dx%d" % (width, height), "-r72",
             "-sOutputFile=" + png, PROLOG, src, "-c", "showpage"])

    # With its fills, the file must still draw; the lines are compared alone.
    run(common + ["--mode", "vector", "-o", ai])
    ghostscript(ai, os.path.join(work, "frame_ai_filled.png"))
    lines_ai = os.path.join(work, "frame_lines.ai")
    run(common + ["--mode", "vector", "--set", "vectorFormatOptions.surface=0", "-o", lines_ai])
    ai_png = os.path.join(work, "frame_ai.png")
    ghostscript(lines_ai, ai_png)
    score, p, r = f1(dark(raster), dark(ai_png))
    print("AI  F1 %.3f (precision %.3f, recall %.3f)" % (score, p, r))
    ok = score >= MIN_F1

    # DXF through ezdxf.
    import ezdxf
    from ezdxf.addons.drawing import Frontend, RenderContext
    from ezdxf.addons.drawing.properties import LayoutProperties
    from ezdxf.addons.drawing.matplotlib import MatplotlibBackend
    dxf = os.path.join(work, "frame.dxf")
    run(common + ["--mode", "vector", "-o", dxf])
    doc = ezdxf.readfile(dxf)
    auditor = doc.audit()
    if auditor.has_errors or auditor.has_fixes:
        print("DXF audit: %d errors, %d fixes" % (len(auditor.errors), len(auditor.fixes)))
        for e in list(auditor.errors)[:5] + list(auditor.fixes)[:5]:
            print("  ", e)
        ok = False
    dpi = 100
    fig = plt.figure(figsize=(width / dpi, height / dpi), dpi=dpi)
    ax = fig.add_axes([0, 0, 1, 1])
    # A white page: colours 0 and 7 (the foreground) are drawn black on it.
    page = LayoutProperties.from_layout(doc.modelspace())
    page.set_colors("#FFFFFF")
    Frontend(RenderContext(doc), MatplotlibBackend(ax)).draw_layout(doc.modelspace(), finalize=True,
                                                                    layout_properties=page)
    # Back onto the image's own pixel grid, which finalising fitted away.
    ax.set_aspect("auto")
    fig.set_size_inches(width / dpi, height / dpi)
    ax.set_position([0, 0, 1, 1])
    ax.set_xlim(0, width)
    ax.set_ylim(0, height)
    ax.set_axis_off()
    ax.set_facecolor("white")
    fig.patch.set_facecolor("white")
    dxf_png = os.path.join(work, "frame_dxf.png")
    fig.savefig(dxf_png, dpi=dpi, facecolor="white")
    plt.close(fig)
    score, p, r = f1(dark(raster), dark(dxf_png))
    print("DXF F1 %.3f (precision %.3f, recall %.3f), %d entities" % (score, p, r, len(doc.modelspace())))
    ok = ok and score >= MIN_F1

    skipped = False
    if fills:
        # The surfaces with their lines, as drawn: samples keep clear of the lines.
        shaded = os.path.join(work, "raster_shaded.png")
        run(common + ["-o", shaded])
        reference = rgb(shaded)
        samples = fill_samples(reference, (1.0, 1.0, 1.0))
        colours = len({tuple(np.round(reference[y, x] * 255).astype(int)) for x, y in samples})
        print("fill samples: %d points in %d colours" % (len(samples), colours))
        if len(samples) < MIN_FILL_SAMPLES:
            print("too few flat interior points to sample (%d, want %d)" % (len(samples), MIN_FILL_SAMPLES))
            ok = False
        ok = check_fills("AI", reference, rgb(os.path.join(work, "frame_ai_filled.png")), samples) and ok
        swf = os.path.join(work, "frame.swf")
        run(common + ["--mode", "vector", "--format", "swf", "-o", swf])
        shot = play_swf(swf, os.path.join(work, "player"))
        if shot is None:
            skipped = True
        else:
            played = rgb(shot)
            if played.shape != reference.shape:
                sys.exit("the player's picture is %s, the raster %s" % (played.shape, reference.shape))
            ok = check_fills("SWF", reference, played, samples) and ok
    sys.exit(1 if not ok else 77 if skipped else 0)


if __name__ == "__main__":
    main()
