#!/usr/bin/python3
"""Tesmora's placements beside VTK's vtkEvenlySpacedStreamlines2D, in one loop.

Five flows sampled at the pixels of a 350 x 560 grid in pixel units (node (i, j) at
(i + 0.5, j + 0.5): VTK 9.1's filter can crash on a data set that starts at the origin). Each
repetition runs VTK's Update() and then tesmora-render on the same field, so that both see the
same load on the machine; the times are medians. Tesmora's time is the placement_ms of
--stats, VTK's the wall clock of Update(). Beside the times: streamlines, the largest gap over
the moving pixels (distance to the nearest line point, points rounded to pixels) and the
retraced share (points within 1.5 px of a point of the same line more than 3 d_sep earlier
along it).

    /usr/bin/python3 bench/peers.py BIN [--reps 5] [--dsep 5,10,20] [--method rk2,rk4]
        [--speed-scale 1] [--step time|px1] [--flows rotation,...] [--no-vtk]

BIN is the folder of tesmora-render (build/bench/bin for the optimised build). Needs numpy
and, for the peer, Debian's python3-vtk9.
"""
import argparse
import json
import math
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

W, H = 350, 560


def field(name, scale):
    x, y = np.meshgrid(np.arange(W) + 0.5, np.arange(H) + 0.5)
    cx, cy = W / 2.0, H / 2.0
    dx, dy = x - cx, y - cy
    if name == "rotation":
        u, v = -0.1 * dy, 0.1 * dx
    elif name == "saddle":
        u, v = 0.01 * dx, -0.01 * dy
    elif name == "double-gyre":
        a, sx, sy = 0.03, x / 175.0, y / 280.0
        u = -math.pi * a * np.sin(math.pi * sx) * np.cos(math.pi * sy) * 175.0
        v = math.pi * a * np.cos(math.pi * sx) * np.sin(math.pi * sy) * 280.0
    elif name == "cylinder":
        r2 = dx * dx + dy * dy
        R2 = 40.0 * 40.0
        with np.errstate(divide="ignore", invalid="ignore"):
            u = 1.0 - R2 * (dx * dx - dy * dy) / (r2 * r2)
            v = -2.0 * R2 * dx * dy / (r2 * r2)
        inside = r2 < R2
        u[inside] = 0.0
        v[inside] = 0.0
    elif name == "vortex-rows":
        u, v = np.ones_like(x), np.zeros_like(x)
        for k in range(-1, 8):
            for row, sign in ((cx - 40.0, 1.0), (cx + 40.0, -1.0)):
                vy = 80.0 * k + (40.0 if sign < 0 else 0.0)
                ex, ey = x - row, y - vy
                r2 = ex * ex + ey * ey + 1e-12
                g = sign * 12.0 * 10.0 / (2.0 * math.pi) * (1.0 - np.exp(-r2 / 100.0)) / r2
                u += -g * ey
                v += g * ex
    else:
        raise ValueError(name)
    return x, y, u * scale, v * scale


def write_columns(path, x, y, u, v):
    np.savetxt(path, np.column_stack([x.ravel(), y.ravel(), u.ravel(), v.ravel()]), fmt="%.9g",
               header="x y u v")


def vtk_place(x, y, u, v, dsep, method):
    import vtk
    from vtk.util import numpy_support

    image = vtk.vtkImageData()
    image.SetDimensions(W, H, 1)
    image.SetOrigin(0.5, 0.5, 0.0)
    image.SetSpacing(1.0, 1.0, 1.0)
    vectors = np.column_stack([u.ravel(), v.ravel(), np.zeros(u.size)]).astype(np.float64)
    array = numpy_support.numpy_to_vtk(vectors, deep=True)
    array.SetName("velocity")
    image.GetPointData().SetVectors(array)
    f = vtk.vtkEvenlySpacedStreamlines2D()
    f.SetInputData(image)
    if method == "rk4":
        f.SetIntegratorTypeToRungeKutta4()
    else:
        f.SetIntegratorTypeToRungeKutta2()
    f.SetInitialIntegrationStep(0.5)
    f.SetIntegrationStepUnit(1)  # length units
    f.SetSeparatingDistance(dsep)
    f.SetSeparatingDistanceRatio(0.5)
    f.SetClosedLoopMaximumDistance(0.05)
    f.SetMaximumNumberOfSteps(4000)
    f.SetStartPosition(W / 2.0 + 60.3, H / 2.0 + 0.3, 0.0)
    f.SetComputeVorticity(False)
    t0 = time.perf_counter()
    f.Update()
    ms = (time.perf_counter() - t0) * 1e3
    return ms, f.GetOutput().GetNumberOfLines()


def mpl_place(x, y, u, v, dsep):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    figure, axes = plt.subplots(figsize=(3.5, 5.6), dpi=100)
    # Its mask cells d_sep pixels wide: 30 cells across at density 1.
    t0 = time.perf_counter()
    axes.streamplot(x[0], y[:, 0], u, v, density=W / (30.0 * dsep), integration_direction="both")
    ms = (time.perf_counter() - t0) * 1e3
    plt.close(figure)
    return ms


def tesmora_place(binary, path, dsep, method, step, placement, json_path):
    args = [os.path.join(binary, "tesmora-render"), path, "--placement", placement, "--dsep", str(dsep),
            "--method", method, "--stats", "--seed", "1", "-o", json_path + ".png", "--streamlines-json",
            json_path]
    if step == "px1":
        args += ["--step-px", "1"]
    out = subprocess.run(args, check=True, capture_output=True, text=True).stdout
    stats = json.loads(out.strip().splitlines()[-1])
    return stats["placement_ms"], stats["streamlines"]


def gap_and_retraced(lines, moving, dsep):
    feature = np.zeros((H, W), bool)
    retraced = points = 0
    for line in lines:
        first = {}
        arc = 0.0
        for i, (px, py) in enumerate(line):
            if i:
                arc += math.hypot(px - line[i - 1][0], py - line[i - 1][1])
            over = any(arc - first.get((px + ox, py + oy), math.inf) > 3 * dsep
                       for ox in (-1, 0, 1) for oy in (-1, 0, 1))
            retraced += over
            first.setdefault((px, py), arc)
            if 0 <= px < W and 0 <= py < H:
                feature[py, px] = True
        points += len(line)
    # Brute force, a block of moving pixels at a time against every feature pixel: exact and
    # dependency-free.
    fy, fx = (a.astype(np.int32) for a in np.nonzero(feature))
    my, mx = (a.astype(np.int32) for a in np.nonzero(moving))
    best = np.full(mx.size, np.inf)
    if fx.size:
        for k in range(0, mx.size, 1024):
            d2 = (mx[k:k + 1024, None] - fx[None, :]) ** 2 + (my[k:k + 1024, None] - fy[None, :]) ** 2
            best[k:k + 1024] = d2.min(axis=1)
    gap = math.sqrt(best.max()) if best.size else 0.0
    return gap, (retraced / points if points else 0.0)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("bin")
    p.add_argument("--reps", type=int, default=5)
    p.add_argument("--dsep", default="5,10,20")
    p.add_argument("--method", default="rk2,rk4")
    p.add_argument("--speed-scale", type=float, default=1.0)
    p.add_argument("--step", default="px1", choices=["time", "px1"])
    p.add_argument("--flows", default="rotation,saddle,double-gyre,cylinder,vortex-rows")
    p.add_argument("--no-vtk", action="store_true")
    p.add_argument("--mpl", action="store_true", help="also matplotlib's streamplot")
    p.add_argument("--quality", action="store_true", help="also the largest gap and the retraced share")
    a = p.parse_args()
    tmp = tempfile.mkdtemp(prefix="tesmora-peers-")
    print("flow\tdsep\tmethod\tVTK ms\tVTK lines\tfine ms\tstandard ms\tfine lines\tVTK/fine\tfine/standard"
          + ("\tmpl ms\tmpl/standard" if a.mpl else "") + ("\tgap px\tretraced %" if a.quality else ""))
    for name in a.flows.split(","):
        x, y, u, v = field(name, a.speed_scale)
        path = os.path.join(tmp, name + ".txt")
        write_columns(path, x, y, u, v)
        moving = np.isfinite(u) & np.isfinite(v) & ((u != 0) | (v != 0))
        for dsep in map(int, a.dsep.split(",")):
            for method in a.method.split(","):
                vt, fine, std, mp = [], [], [], []
                vlines = flines = 0
                jp = os.path.join(tmp, "lines.json")
                for _ in range(a.reps):
                    if not a.no_vtk:
                        ms, vlines = vtk_place(x, y, u, v, dsep, method)
                        vt.append(ms)
                    if a.mpl:
                        mp.append(mpl_place(x, y, u, v, dsep))
                    ms, flines = tesmora_place(a.bin, path, dsep, method, a.step, "fine", jp)
                    fine.append(ms)
                    ms, _ = tesmora_place(a.bin, path, dsep, method, a.step, "standard", jp + ".std")
                    std.append(ms)
                vm = statistics.median(vt) if vt else float("nan")
                fm, sm = statistics.median(fine), statistics.median(std)
                row = f"{name}\t{dsep}\t{method}\t{vm:.1f}\t{vlines}\t{fm:.2f}\t{sm:.2f}\t{flines}\t{vm / fm:.1f}\t{fm / sm:.2f}"
                if a.mpl:
                    mm = statistics.median(mp)
                    row += f"\t{mm:.1f}\t{mm / sm:.1f}"
                if a.quality:
                    gap, retraced = gap_and_retraced(json.load(open(jp))["streamlines"], moving, dsep)
                    row += f"\t{gap:.1f}\t{100 * retraced:.2f}"
                print(row, flush=True)


if __name__ == "__main__":
    sys.exit(main())
