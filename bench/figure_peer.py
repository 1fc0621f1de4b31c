#!/usr/bin/python3
"""A published figure of a PIV field, made whole by tesmora-render and by the matplotlib script a
scientist would write for it (imshow + streamplot + colorbar, axes, title), each as a process of
its own from the same text file to a PNG, in turns, and the medians compared.

    bench/figure_peer.py build/rel/bin [--reps 5] [--file FIELD.txt] [--keep DIR]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_FILE = os.path.join(HERE, "..", "tests", "data", "realdata", "sources", "karman_field_A000.txt")

# What a matplotlib user writes for the same figure: the columns read, the lattice rebuilt, the
# speed as the background, streamlines with their direction, a labelled colour bar.
MATPLOTLIB_SCRIPT = r'''
import sys
import numpy as np
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt

path, out = sys.argv[1], sys.argv[2]
x, y, u, v = np.loadtxt(path, usecols=(0, 1, 2, 3), unpack=True)
xs, ys = np.unique(x), np.unique(y)
ix, iy = np.searchsorted(xs, x), np.searchsorted(ys, y)
U = np.full((ys.size, xs.size), np.nan)
V = np.full((ys.size, xs.size), np.nan)
U[iy, ix], V[iy, ix] = u, v
speed = np.hypot(U, V)
fig, ax = plt.subplots(figsize=(6.4, 4.8))
image = ax.imshow(speed, origin="lower", extent=(xs[0], xs[-1], ys[0], ys[-1]), cmap="viridis")
ax.streamplot(xs, ys, U, V, color="white", density=2, linewidth=0.8, arrowsize=1)
fig.colorbar(image, ax=ax, label="speed [px/frame]")
ax.set_xlabel("x [px]")
ax.set_ylabel("y [px]")
ax.set_title("Karman wake")
ax.set_aspect("equal")
fig.savefig(out, dpi=100)
'''


def timed(command):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("figure_peer: %s failed: %s" % (command[0], done.stderr.decode(errors="replace")))
    return elapsed


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("bin", help="the folder with tesmora-render")
    p.add_argument("--reps", type=int, default=5)
    p.add_argument("--file", default=DEFAULT_FILE)
    p.add_argument("--keep", help="a folder to leave both figures in")
    a = p.parse_args()
    folder = a.keep or tempfile.mkdtemp(prefix="figure_peer_")
    os.makedirs(folder, exist_ok=True)
    script = os.path.join(folder, "matplotlib_figure.py")
    with open(script, "w") as f:
        f.write(MATPLOTLIB_SCRIPT)
    tesmora = [os.path.join(a.bin, "tesmora-render"), a.file, "-o", os.path.join(folder, "tesmora.png"),
               "--size", "auto", "--aspect", "equal", "--axes", "--line-arrows", "--smooth", "--legend",
               "--placement", "fine", "--step-px", "1", "--title", "Karman wake"]
    mpl = [sys.executable, script, a.file, os.path.join(folder, "matplotlib.png")]
    # One of each first, so that neither pays for a cold disk cache alone.
    timed(tesmora)
    timed(mpl)
    ours, theirs = [], []
    for _ in range(a.reps):
        ours.append(timed(tesmora))
        theirs.append(timed(mpl))
    o, t = statistics.median(ours), statistics.median(theirs)
    print("file\t%s" % os.path.basename(a.file))
    print("tesmora-render\t%.0f ms" % (1000 * o))
    print("matplotlib\t%.0f ms" % (1000 * t))
    print("ratio\t%.1f x" % (t / o))
    print("figures in\t%s" % folder)


if __name__ == "__main__":
    main()
