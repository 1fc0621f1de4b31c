#!/usr/bin/python3
"""tesmora.streamlines and tesmora.matplotlib.streamplot beside matplotlib's Axes.streamplot on
the same arrays, in one run: times, line counts and the largest gap between lines.

    PYTHONPATH=build/dev/python bench/python_streamplot.py [--flowgen build/dev/bin/tesmora-flowgen]
        [--realdata tests/data/realdata] [--dpi 100]

For every field and d_sep 5, 10 and 20 matplotlib is given the density (of 0.5 to 6) whose
line count comes nearest Tesmora's. Times are the best of a few runs; "place" is
tesmora.streamlines alone, "call" the placement and the artists, "drawn" adds drawing the
figure. "gap" is how far the Axes' pixel farthest from any line lies from the nearest one, over
the pixels where the flow moves (needs scipy): d_sep + 1.5 at most means no gap wider than
the lines' spacing. Not a test: it prints what it measures.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import tesmora  # noqa: E402
import tesmora.matplotlib  # noqa: E402

try:
    from scipy import ndimage
except ImportError:  # gaps are left out
    ndimage = None

DENSITIES = (0.5, 0.75, 1.0, 1.5, 2.0, 3.0, 4.0, 6.0)
FIGSIZE = (6.4, 4.8)


def best_of(runs, work):
    best, result = float("inf"), None
    for _ in range(runs):
        start = time.perf_counter()
        result = work()
        best = min(best, time.perf_counter() - start)
    return best, result


def axes(dpi):
    fig, ax = plt.subplots(figsize=FIGSIZE, dpi=dpi)
    return fig, ax


def largest_gap(ax, segments_display, moving):
    """The largest distance from a pixel where the flow moves to the nearest line, in display
    pixels."""
    if ndimage is None:
        return float("nan")
    box = ax.get_window_extent()
    w, h = int(round(box.width)), int(round(box.height))
    free = np.ones((h, w), dtype=bool)
    for seg in segments_display:
        seg = seg - (box.x0, box.y0)
        for a, b in zip(seg[:-1], seg[1:]):
            n = int(np.ceil(np.hypot(*(b - a)))) + 1
            px = np.clip(np.round(np.linspace(a[0], b[0], n)).astype(int), 0, w - 1)
            py = np.clip(np.round(np.linspace(a[1], b[1], n)).astype(int), 0, h - 1)
            free[py, px] = False
    distance = ndimage.distance_transform_edt(free)
    return float(distance[moving(w, h, box)].max())


def moving_mask(ax, x, y, u, v):
    """The display pixels of the Axes whose nearest node has a moving flow."""
    speed = np.hypot(u, v)

    def mask(w, h, box):
        cx, cy = np.meshgrid(np.arange(w) + 0.5 + box.x0, np.arange(h) + 0.5 + box.y0)
        data = ax.transData.inverted().transform(np.column_stack((cx.ravel(), cy.ravel())))
        inside = (data[:, 0] >= x[0]) & (data[:, 0] <= x[-1]) & (data[:, 1] >= y[0]) & (data[:, 1] <= y[-1])
        i = np.clip(np.searchsorted(x, data[:, 0]), 0, x.size - 1)
        j = np.clip(np.searchsorted(y, data[:, 1]), 0, y.size - 1)
        return (inside & (speed[j, i] > 0)).reshape(h, w)

    return mask


def tesmora_run(x, y, u, v, dsep, dpi):
    fig, ax = axes(dpi)
    start = time.perf_counter()
    drawn = tesmora.matplotlib.streamplot(ax, x, y, u, v, dsep=dsep, color="k", linewidth=0.8)
    call = time.perf_counter() - start
    fig.canvas.draw()
    total = time.perf_counter() - start
    return fig, ax, drawn, call, total


def matplotlib_run(x, y, u, v, density, dpi):
    fig, ax = axes(dpi)
    start = time.perf_counter()
    drawn = ax.streamplot(x, y, u, v, density=density, color="k", linewidth=0.8)
    call = time.perf_counter() - start
    fig.canvas.draw()
    total = time.perf_counter() - start
    return fig, ax, drawn, call, total


def fields(flowgen, realdata):
    for name in ("karman_piv", "soapfilm_piv", "flatplate_graded", "cavity_graded"):
        yield name, tesmora.load(os.path.join(realdata, name + ".gri"))
    if flowgen:
        with tempfile.TemporaryDirectory() as folder:
            for name in ("cylinder", "vortex-street", "double-gyre", "saddle", "rotation"):
                path = os.path.join(folder, name + ".gri")
                subprocess.run([flowgen, name, path], check=True, capture_output=True)
                yield name, tesmora.load(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--flowgen", default=os.path.join(here, "..", "build", "dev", "bin", "tesmora-flowgen"))
    parser.add_argument("--realdata", default=os.path.join(here, "..", "tests", "data", "realdata"))
    parser.add_argument("--dpi", type=int, default=100)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    flowgen = args.flowgen if os.access(args.flowgen, os.X_OK) else None

    print(f"Axes of a {FIGSIZE[0]} x {FIGSIZE[1]} inch figure at {args.dpi} dpi; times in ms, best of {args.runs}")
    print(f"{'field':17} {'dsep':>4} {'lines':>5} {'place':>7} {'call':>7} {'drawn':>7} {'gap':>5} | "
          f"{'dens':>4} {'lines':>5} {'call':>7} {'drawn':>7} {'gap':>5} | {'x place':>7} {'x call':>7} {'x drawn':>7}")
    ratios = {"place": [], "call": [], "drawn": []}
    for name, f in fields(flowgen, args.realdata):
        x, y, u, v = f.x, f.y, f.u.astype(np.float64), f.v.astype(np.float64)
        # matplotlib's lines at each density, once: its count and time.
        theirs = {}
        for density in DENSITIES:
            try:
                fig, ax, drawn, call, total = matplotlib_run(x, y, u, v, density, args.dpi)
            except ValueError as error:
                theirs = str(error)
                break
            count = len(drawn.arrows.get_paths()) if hasattr(drawn.arrows, "get_paths") else 0
            theirs[density] = (count, call, total, fig, ax, drawn)
        for dsep in (5, 10, 20):
            fig, ax, drawn, call, total = tesmora_run(x, y, u, v, dsep, args.dpi)
            for _ in range(args.runs - 1):
                plt.close(fig)
                fig, ax, drawn, c, t = tesmora_run(x, y, u, v, dsep, args.dpi)
                call, total = min(call, c), min(total, t)
            box = ax.get_window_extent()
            size = (int(round(box.width)), int(round(box.height)))
            x0, x1 = sorted(ax.get_xlim())
            y0, y1 = sorted(ax.get_ylim())
            place, lines = best_of(
                args.runs,
                lambda: tesmora.streamlines(x, y, u, v, dsep=dsep, size=size, aspect="stretch", window=(x0, x1, y0, y1)),
            )
            moving = moving_mask(ax, x, y, u, v)
            gap = largest_gap(ax, [ax.transData.transform(line) for line in lines], moving)
            plt.close(fig)
            row = f"{name:17} {dsep:4} {len(lines):5} {place * 1e3:7.1f} {call * 1e3:7.1f} {total * 1e3:7.1f} {gap:5.1f} | "
            if isinstance(theirs, str):
                print(row + f"matplotlib refuses: {theirs}")
                continue
            density = min(theirs, key=lambda d: abs(theirs[d][0] - len(lines)))
            count, mcall, mtotal, mfig, max_, mdrawn = theirs[density]
            segments = [mdrawn.lines.get_segments()]
            mgap = largest_gap(max_, [max_.transData.transform(s) for s in segments[0]], moving_mask(max_, x, y, u, v))
            ratios["place"].append(mcall / place)
            ratios["call"].append(mcall / call)
            ratios["drawn"].append(mtotal / total)
            print(row + f"{density:4} {count:5} {mcall * 1e3:7.0f} {mtotal * 1e3:7.0f} {mgap:5.1f} | "
                  f"{mcall / place:7.0f} {mcall / call:7.0f} {mtotal / total:7.1f}")
        if isinstance(theirs, dict):
            for entry in theirs.values():
                plt.close(entry[3])
    for key, values in ratios.items():
        if values:
            print(f"matplotlib / tesmora, {key}: {min(values):.0f} x at least, {np.median(values):.0f} x median")
    return 0


if __name__ == "__main__":
    sys.exit(main())
