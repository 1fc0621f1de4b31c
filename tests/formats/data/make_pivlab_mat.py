#!/usr/bin/python3
# Writes mat/pivlab_*.mat with SciPy's MATLAB writer (Debian: python3-scipy), shaped as PIVlab
# saves its results: one cell per frame of x, y, u_original, v_original, u_filtered,
# v_filtered, u_smoothed, v_smoothed, typevector_original, typevector_filtered, with calxy and
# units. Kept as a record of how the files were made; the tests read the files and never run this.
#
# Frame f holds velocity (x + 2y + f, 3x - y) on x = 16, 32, ... 144, y = 16, 32, ... 112
# (pixels, rows running down the image as PIVlab's do); the smoothed cells are empty, so the
# filtered ones are read. In frame 0 the filtered vector at row 1, column 2 is NaN (rejected,
# not replaced) and typevector marks row 4, column 5 as masked (0) and row 3, column 3 as
# replaced (2), whose value stays.
import os
import numpy as np
import scipy.io

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mat")
os.makedirs(here, exist_ok=True)

frames = 3
xs = 16.0 * np.arange(1, 10)
ys = 16.0 * np.arange(1, 8)
x, y = np.meshgrid(xs, ys)


def cells(make):
    c = np.empty((frames, 1), dtype=object)
    for f in range(frames):
        c[f, 0] = make(f)
    return c


def u(f):
    return x + 2 * y + f


def v(f):
    return 3 * x - y


def typevector(f):
    t = np.ones(x.shape)
    if f == 0:
        t[4, 5] = 0
        t[3, 3] = 2
    return t


def filtered(field):
    def make(f):
        a = field(f).copy()
        if f == 0:
            a[1, 2] = np.nan
        return a
    return make


common = {
    "x": cells(lambda f: x),
    "y": cells(lambda f: y),
    "u_original": cells(u),
    "v_original": cells(v),
    "typevector_original": cells(typevector),
    "calxy": 1.0,
    "units": "[px] respectively [px/frame]",
}
scipy.io.savemat(os.path.join(here, "pivlab_frames.mat"), {
    **common,
    "u_filtered": cells(filtered(u)),
    "v_filtered": cells(filtered(v)),
    "typevector_filtered": cells(typevector),
    "u_smoothed": cells(lambda f: np.zeros((0, 0))),
    "v_smoothed": cells(lambda f: np.zeros((0, 0))),
}, do_compression=True)
# One frame as plain matrices, as a single pair's results, the original vectors only.
scipy.io.savemat(os.path.join(here, "pivlab_single.mat"), {
    "x": x, "y": y, "u_original": u(0), "v_original": v(0), "typevector_original": typevector(0),
}, do_compression=False)
