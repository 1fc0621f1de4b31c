#!/usr/bin/python3
"""A video of a flow that changes in time, made whole by tesmora-render and by the matplotlib
script a scientist would write for it (imshow + streamplot + FuncAnimation through FFMpegWriter),
each as a process of its own from the same .gri series to an MP4 of the same size, in turns, and
the medians compared.

    /usr/bin/python3 bench/video_peer.py build/rel/bin [--reps 3] [--frames 100] [--keep DIR]

BIN holds tesmora-flowgen and tesmora-render. Needs numpy, matplotlib and the ffmpeg program
(Debian's ffmpeg package), which FFMpegWriter runs.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

# What a matplotlib user writes for the same video: the .gri pair read with numpy (a 40-byte
# text header "SN4DB ni nj nk ...", then x, y and an unused float per node; each solution file
# u, v, an unused float, p and w per node, little-endian float32, i fastest), the speed as the
# background over one colour range for the whole series, streamlines about d_sep pixels apart
# (streamplot's density 1 is 30 lines across), every frame drawn anew and piped to ffmpeg.
MATPLOTLIB_SCRIPT = r'''
import sys
import numpy as np
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
from matplotlib.animation import FFMpegWriter, FuncAnimation

geometry, count, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
width, height, dsep = int(sys.argv[4]), int(sys.argv[5]), float(sys.argv[6])
with open(geometry, "rb") as f:
    ni, nj = (int(t) for t in f.read(40)[6:].split()[:2])
nodes = np.fromfile(geometry, dtype="<f4", offset=40).reshape(nj, ni, 3)
x, y = nodes[0, :, 0].astype(float), nodes[:, 0, 1].astype(float)
frames = []
for n in range(count):
    record = np.fromfile("%s%05d.dat" % (geometry[:-3], n), dtype="<f4").reshape(nj, ni, 5)
    frames.append((record[..., 0].astype(float), record[..., 1].astype(float)))
top = max(np.hypot(u, v).max() for u, v in frames)

fig = plt.figure(figsize=(width / 100, height / 100), dpi=100)
ax = fig.add_axes([0, 0, 1, 1])
ax.set_axis_off()
u, v = frames[0]
image = ax.imshow(np.hypot(u, v), origin="lower", extent=(x[0], x[-1], y[0], y[-1]), cmap="Greens_r",
                  vmin=0, vmax=top, aspect="auto", interpolation="bilinear")
density = (width / dsep / 30, height / dsep / 30)
lines = []

def draw(n):
    u, v = frames[n]
    image.set_data(np.hypot(u, v))
    for artist in lines + list(ax.patches):
        artist.remove()
    lines[:] = [ax.streamplot(x, y, u, v, color="white", linewidth=0.7, density=density,
                              arrowstyle="-").lines]
    return [image] + lines

animation = FuncAnimation(fig, draw, frames=count, blit=False)
animation.save(out, writer=FFMpegWriter(fps=25, codec="libx264", extra_args=["-pix_fmt", "yuv420p"]), dpi=100)
'''


def run(command, what):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("video_peer: %s failed: %s" % (what, done.stderr.decode(errors="replace")))
    return elapsed


def video_size(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                          "stream=width,height,nb_frames", "-of", "csv=p=0", path],
                         capture_output=True, text=True, check=True).stdout.strip()
    return [int(t) for t in out.split(",")[:3]]


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("bin", help="the folder with tesmora-flowgen and tesmora-render")
    p.add_argument("--reps", type=int, default=3)
    p.add_argument("--frames", type=int, default=100)
    p.add_argument("--keep", help="a folder to leave the series and both videos in")
    a = p.parse_args()
    folder = a.keep or tempfile.mkdtemp(prefix="video_peer_")
    os.makedirs(folder, exist_ok=True)
    geometry = os.path.join(folder, "gyre.gri")
    run([os.path.join(a.bin, "tesmora-flowgen"), "forced-double-gyre", geometry, "--ni", "200", "--nj", "100",
         "--frames", str(a.frames)], "tesmora-flowgen")
    script = os.path.join(folder, "matplotlib_video.py")
    with open(script, "w") as f:
        f.write(MATPLOTLIB_SCRIPT)
    ours_mp4, theirs_mp4 = os.path.join(folder, "tesmora.mp4"), os.path.join(folder, "matplotlib.mp4")
    dsep = 10
    tesmora = [os.path.join(a.bin, "tesmora-render"), geometry, "--frames", "0:%d" % (a.frames - 1), "--fps", "25",
               "--step-px", "1", "--size", "auto", "--dsep", str(dsep), "--seed", "1", "-o", ours_mp4]
    # tesmora-render's video first, so that the matplotlib one is made at its size; this run
    # also warms the disk cache for both.
    run(tesmora, "tesmora-render")
    width, height, count = video_size(ours_mp4)
    mpl = [sys.executable, script, geometry, str(a.frames), theirs_mp4, str(width), str(height), str(dsep)]
    run(mpl, "the matplotlib script")
    if video_size(theirs_mp4)[:2] != [width, height]:
        sys.exit("video_peer: the matplotlib video is %s, not %dx%d" % (video_size(theirs_mp4), width, height))
    ours, theirs = [], []
    for _ in range(a.reps):
        ours.append(run(tesmora, "tesmora-render"))
        theirs.append(run(mpl, "the matplotlib script"))
    o, t = statistics.median(ours), statistics.median(theirs)
    print("video\t%d frames, %dx%d, H.264" % (count, width, height))
    print("tesmora-render\t%.2f s (%.0f ms a frame)" % (o, 1000 * o / a.frames))
    print("matplotlib\t%.2f s (%.0f ms a frame)" % (t, 1000 * t / a.frames))
    print("ratio\t%.1f x" % (t / o))
    print("videos in\t%s" % folder)


if __name__ == "__main__":
    main()
