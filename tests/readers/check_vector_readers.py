#!/usr/bin/python3
"""Renders a frame to AI and DXF, opens each file in a real reader and
compares the reader's picture with the raster render of the same frame.

Usage: check_vector_readers.py PENWRIGHT SCENE WORKDIR [extra render args...]

AI: Ghostscript (with the operator prolog in tests/support) draws the file at
one point per pixel. DXF: ezdxf reads it, its audit must find no errors, and
its drawing add-on renders it through matplotlib onto the image's pixel grid.
Line pixels must agree within 2 pixels with an F1 score of at least 0.95
(lines-only pictures for DXF, whose format has no fills by default).
"""
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
HERE = os.path.dirname(os.path.abspath(__file__))
PROLOG = os.path.join(HERE, "..", "support", "ai_prolog.ps")


def run(cmd):
    r = subprocess.run(cmd, capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit("failed: %s\n%s%s" % (" ".join(cmd), r.stdout, r.stderr))
    return r


def dark(path):
    img = mpimg.imread(path)
    if img.dtype != np.float32 and img.dtype != np.float64:
        img = img / 255.0
    lum = img[..., :3].mean(axis=2)
    return lum < 0.6


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
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
