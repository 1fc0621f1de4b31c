"""Evenly spaced streamlines for numpy arrays, placed and drawn by Tesmora's C++ core.

    field = tesmora.load("karman.vec")
    lines = tesmora.streamlines(field.x, field.y, field.u, field.v, dsep=10)
    picture = tesmora.render(field.x, field.y, field.u, field.v, background="vorticity")
    tesmora.matplotlib.streamplot(ax, field.x, field.y, field.u, field.v)

The keyword options are tesmora-render's, named as its options with '_' for '-'
(dtest_percent for --dtest-percent, step_px for --step-px, ...).
"""

from __future__ import annotations

import importlib
import os

import numpy as np

from . import _core

__all__ = ["Field", "Streamlines", "load", "streamlines", "render", "OPTIONS"]

# The options of tesmora-render that take a picture's settings, in its --help's order.
OPTIONS = tuple(name.replace("-", "_") for name in _core.settings())

# The largest number of nodes an axis may have, as the file formats hold them.
_MAX_AXIS = 32767


class Field:
    """A data set as a file holds it, one plane of it.

    x, y: the lattice's coordinates (1-D float64, as the file has them); for a grid that is
    not rectilinear, nodes_x and nodes_y hold every node's and x, y only the first row's and
    column's. u, v, p, w: velocity, pressure and vorticity, (nj, ni) float32; invalid: where
    the file marks a vector invalid (read as u = v = 0). names and units: the name of the
    column each field was read from and the unit written with it, "" where the file gives
    none, keyed x, y, u, v, p, w.
    """

    def __init__(self, raw: dict, path: str, plane: int):
        self.path = path
        self.plane = plane
        self.planes = raw["planes"]
        self.format = raw["format"]
        self.rectilinear = raw["rectilinear"]
        self.nodes_x = raw["nodes_x"]
        self.nodes_y = raw["nodes_y"]
        self.x = self.nodes_x[0].copy()
        self.y = self.nodes_y[:, 0].copy()
        self.u, self.v, self.p, self.w = raw["u"], raw["v"], raw["p"], raw["w"]
        self.invalid = raw["invalid"]
        self.pressure_missing = raw["pressure_missing"]
        self.vorticity_computed = raw["vorticity_computed"]
        self.names = {key: label["name"] for key, label in raw["labels"].items()}
        self.units = {key: label["unit"] for key, label in raw["labels"].items()}

    @property
    def speed(self) -> np.ndarray:
        return np.hypot(self.u, self.v)

    def __repr__(self) -> str:
        nj, ni = self.u.shape
        units = ", ".join(f"{k} [{u}]" for k, u in self.units.items() if u)
        return f"<tesmora.Field {self.path!r} plane {self.plane}: {ni} x {nj} nodes, {self.format}" + (
            f", {units}>" if units else ">"
        )


class Streamlines(list):
    """The placed streamlines: a list of (N, 2) float64 arrays of (x, y) in the data's
    coordinates, in the order they were placed, each running downstream.

    seeds: (M, 2) float64, the point each line grew from; seed_pixels: the same in picture
    pixels; pixels: with pixels=True, each line's (N, 2) int32 picture pixels (x to the right,
    y upwards from the bottom row), else None; size: the picture's (width, height); seed: the
    first seed drawn by the standard placement (None for the fine one), which draws the
    same lines again.
    """

    seeds: np.ndarray
    seed_pixels: np.ndarray
    pixels: list | None
    size: tuple
    seed: int | None


def load(path, plane: int = 0) -> Field:
    """Reads any file the viewer opens (.gri pair, column text, Tecplot, VTK) into a Field."""
    if isinstance(plane, bool) or not isinstance(plane, (int, np.integer)):
        raise TypeError("plane must be a whole number")
    path = os.fspath(path)
    # The file system's bytes, so that a name in no encoding still opens.
    return Field(_core.load(os.fsencode(path), int(plane)), os.fsdecode(path), int(plane))


def _axis(name: str, values) -> np.ndarray:
    a = np.asarray(values)
    if a.dtype.kind not in "iuf":
        raise TypeError(f"{name} must hold real numbers, not {a.dtype}")
    if a.ndim != 1:
        raise ValueError(f"{name} must be 1-D, not of shape {a.shape}")
    if not 2 <= a.size <= _MAX_AXIS:
        raise ValueError(f"{name} must have 2 to {_MAX_AXIS} values, not {a.size}")
    a = np.ascontiguousarray(a, dtype=np.float64)
    with np.errstate(over="ignore", invalid="ignore"):
        single = a.astype(np.float32)
    if not np.all(np.isfinite(single)):
        raise ValueError(f"{name} must be finite numbers within single precision")
    # The core holds coordinates in single precision, where they must still increase.
    if not np.all(single[1:] > single[:-1]):
        at = int(np.argmin(single[1:] > single[:-1]))
        raise ValueError(
            f"{name} must increase strictly (in single precision): {name}[{at}] = {a[at]!r}, "
            f"{name}[{at + 1}] = {a[at + 1]!r}"
        )
    return a


def _field(name: str, values, shape) -> np.ndarray:
    a = np.asarray(values)
    if a.dtype not in (np.float32, np.float64):
        raise TypeError(f"{name} must be float32 or float64, not {a.dtype}")
    if a.shape != shape:
        raise ValueError(f"{name} must have the shape (len(y), len(x)) = {shape}, not {a.shape}")
    return np.ascontiguousarray(a)


def _arrays(x, y, u, v, p=None, w=None):
    x, y = _axis("x", x), _axis("y", y)
    shape = (y.size, x.size)
    u, v = _field("u", u, shape), _field("v", v, shape)
    p = None if p is None else _field("p", p, shape)
    w = None if w is None else _field("w", w, shape)
    return x, y, u, v, p, w


def _plain(value):
    """numpy's scalars as Python's, which the options are checked as."""
    if isinstance(value, np.bool_):
        return bool(value)
    if isinstance(value, np.integer):
        return int(value)
    if isinstance(value, np.floating):
        return float(value)
    return value


def streamlines(
    x,
    y,
    u,
    v,
    *,
    dsep: int = 10,
    dtest_percent: int = 50,
    method: str = "rk2",
    step_px: float | None = 1.0,
    placement: str = "fine",
    size=(350, 560),
    aspect: str = "equal",
    window=None,
    seed: int | None = None,
    pixels: bool = False,
) -> Streamlines:
    """Evenly spaced streamlines of the velocity (u, v) on the lattice x, y.

    x, y: 1-D, strictly increasing, not necessarily evenly spaced; u, v: (len(y), len(x))
    float32 or float64 in any memory order, NaN where a vector is invalid. dsep: the lines'
    distance in picture pixels (5..20), dtest_percent: how close a line may come to another
    before it ends, in percent of dsep; size: the picture's (width, height) in pixels, which
    the distances are measured in; aspect: "equal" (one scale for both axes) or "stretch"
    (each axis to the picture); window: (x0, x1, y0, y1) of the data to fill the picture, or
    None for all of it; step_px: the integration step in picture pixels, None for the time
    step of 0.1 in the data's units; seed: the standard placement's first seed, None for one
    from the clock. The interpreter's lock is released while the lines are placed.
    """
    x, y, u, v, _, _ = _arrays(x, y, u, v)
    options = dict(
        dsep=dsep,
        dtest_percent=dtest_percent,
        method=method,
        step_px=step_px,
        placement=placement,
        size=size,
        aspect=aspect,
        window=window,
    )
    raw = _core.place(x, y, u, v, {key: _plain(value) for key, value in options.items()}, _plain(seed))
    out = Streamlines(raw["lines"])
    out.seeds = np.array(raw["seeds"], dtype=np.float64).reshape(-1, 2)
    out.seed_pixels = np.array(raw["seed_pixels"], dtype=np.int32).reshape(-1, 2)
    out.pixels = raw["pixels"] if pixels else None
    out.size = raw["size"]
    out.seed = raw["seed"]
    return out


def render(x, y, u, v, p=None, w=None, *, seed: int | None = None, clicks=(), **options) -> np.ndarray:
    """The picture tesmora-render draws, as an (height, width, 3) uint8 array, top row first.

    The keyword options are tesmora-render's, with its defaults (see OPTIONS): background,
    method, dsep, dtest_percent, step_px, colormap, aspect, placement, size, window, legend,
    hedgehog, arrows_by_speed. p and w are pressure and vorticity for the backgrounds, 0 and
    derived from u and v when not given. clicks: picture pixels (x, y from the bottom row)
    whose streamlines are drawn over the picture, as the viewer's clicks.
    """
    x, y, u, v, p, w = _arrays(x, y, u, v, p, w)
    points = []
    for click in clicks:
        if len(click) != 2 or not all(isinstance(c, (int, np.integer)) and not isinstance(c, bool) for c in click):
            raise TypeError("clicks must be pairs of whole pixels (x, y)")
        if not all(abs(int(c)) < 2**31 for c in click):
            raise ValueError(f"clicks: ({click[0]}, {click[1]}) lies outside any picture")
        points.append((int(click[0]), int(click[1])))
    return _core.render(x, y, u, v, p, w, {key: _plain(value) for key, value in options.items()}, _plain(seed), points)


def __getattr__(name):
    # matplotlib is imported only by those who draw with it.
    if name == "matplotlib":
        return importlib.import_module(".matplotlib", __name__)
    raise AttributeError(f"module 'tesmora' has no attribute {name!r}")
