"""Evenly spaced streamlines on a matplotlib Axes, in place of Axes.streamplot.

    fig, ax = plt.subplots()
    ax.imshow(speed, extent=(x[0], x[-1], y[0], y[-1]), origin="lower")
    tesmora.matplotlib.streamplot(ax, x, y, u, v, dsep=10, color="speed")

The lines' distance is measured in the Axes' display pixels, so it follows the figure's size
and dpi as they are when streamplot is called.
"""

from __future__ import annotations

import matplotlib
import matplotlib.collections as mcollections
import matplotlib.colors as mcolors
import matplotlib.streamplot as mstreamplot
import numpy as np

import tesmora

__all__ = ["streamplot"]

# Arrow heads as matplotlib's "-|>" at arrowsize 1: 4 points long, 4 points wide.
_HEAD_LENGTH_IN = 4.0 / 72.0
_HEAD_HALF_WIDTH_IN = 2.0 / 72.0


def _sample(x, y, field, px, py):
    """FIELD, given on the lattice x, y, at the points (px, py), bilinear within each cell."""
    i = np.clip(np.searchsorted(x, px) - 1, 0, x.size - 2)
    j = np.clip(np.searchsorted(y, py) - 1, 0, y.size - 2)
    tx = np.clip((px - x[i]) / (x[i + 1] - x[i]), 0.0, 1.0)
    ty = np.clip((py - y[j]) / (y[j + 1] - y[j]), 0.0, 1.0)
    f = np.asarray(field, dtype=np.float64)
    return (
        f[j, i] * (1 - tx) * (1 - ty)
        + f[j, i + 1] * tx * (1 - ty)
        + f[j + 1, i] * (1 - tx) * ty
        + f[j + 1, i + 1] * tx * ty
    )


def _per_segment(name, value, x, y, lines):
    """A colour or width value for every segment: VALUE sampled at the segments' midpoints when
    it is a field of the lattice's shape, else None."""
    if isinstance(value, str) or value is None or np.ndim(value) == 0:
        return None
    field = np.asarray(value)
    if field.shape != (y.size, x.size):
        raise ValueError(f"{name} must be one value or an array of shape (len(y), len(x)) = {(y.size, x.size)}")
    mids = np.concatenate([(line[1:] + line[:-1]) / 2 for line in lines]) if lines else np.empty((0, 2))
    return _sample(x, y, field, mids[:, 0], mids[:, 1])


def _heads(ax, lines, every_px):
    """Where the lines get their arrow heads, evenly along each line's length in display pixels
    (one at the middle of a line shorter than EVERY_PX, none on a line shorter than half of it),
    and which way the flow goes there: the points in data coordinates, unit directions in
    display space, and for each head the index of its segment among all the lines' segments."""
    lines = [line for line in lines if len(line) >= 2]
    if not lines:
        return np.empty((0, 2)), np.empty((0, 2)), np.empty(0, dtype=int)
    counts = np.array([len(line) for line in lines])
    points = np.concatenate(lines)
    shown = ax.transData.transform(points)
    steps = np.diff(shown, axis=0)
    lengths = np.hypot(steps[:, 0], steps[:, 1])
    # The steps from one line's last point to the next line's first are no segments.
    last = np.cumsum(counts) - 1
    joins = last[:-1]
    lengths[joins] = 0.0
    segment = np.ones(len(lengths), dtype=bool)
    segment[joins] = False
    ends = np.cumsum(lengths)
    starts = ends - lengths
    line_start = starts[last - counts + 1]
    line_length = ends[last - 1] - line_start
    heads = np.where(line_length >= every_px / 2, np.maximum(1, line_length // every_px), 0).astype(int)
    which = np.repeat(np.arange(len(lines)), heads)
    k = np.arange(heads.sum()) - np.repeat(np.cumsum(heads) - heads, heads)
    at = line_start[which] + (k + 0.5) * line_length[which] / heads[which]
    g = np.clip(np.searchsorted(ends, at), 0, len(lengths) - 1)
    keep = lengths[g] > 0
    g, at = g[keep], at[keep]
    t = ((at - starts[g]) / lengths[g])[:, None]
    where = points[g] + t * (points[g + 1] - points[g])
    directions = steps[g] / lengths[g][:, None]
    return where, directions, (np.cumsum(segment) - 1)[g]


def streamplot(
    ax,
    x,
    y,
    u,
    v,
    *,
    dsep: int = 10,
    dtest_percent: int = 50,
    color=None,
    cmap=None,
    norm=None,
    linewidth=None,
    arrows: bool = True,
    arrowsize: float = 1.0,
    zorder=None,
    method: str = "rk2",
    step_px: float | None = 1.0,
    placement: str = "fine",
    seed: int | None = None,
):
    """Draws evenly spaced streamlines of (u, v) on AX, as Axes.streamplot does.

    x, y: 1-D, strictly increasing (evenly spaced or not); u, v: (len(y), len(x)), NaN where
    invalid. dsep: the lines' distance in the Axes' display pixels (5..20); dtest_percent, method,
    step_px, placement, seed: as tesmora.streamlines. color: one colour, "speed", or an array of
    u's shape sampled along the lines through CMAP and NORM; linewidth: one width or such an
    array; arrows: arrow heads showing the flow's direction, about every 4 dsep (at least 40
    pixels) along each line.

    Returns a matplotlib.streamplot.StreamplotSet: .lines the LineCollection, .arrows the
    collection of arrow heads (empty without arrows).
    """
    x, y, u, v, _, _ = tesmora._arrays(x, y, u, v)
    if ax.get_xscale() != "linear" or ax.get_yscale() != "linear":
        raise ValueError("streamplot needs linear axes")
    if color is None:
        color = ax._get_lines.get_next_color()
    if isinstance(color, str) and color == "speed":
        color = np.hypot(u.astype(np.float64), v.astype(np.float64))
    if linewidth is None:
        linewidth = matplotlib.rcParams["lines.linewidth"]

    line_kw = {"zorder": 2 if zorder is None else zorder}
    collection = mcollections.LineCollection([], **line_kw)
    # The Axes end at the data unless the caller has chosen what they show, as with
    # Axes.streamplot; the lines are placed for the limits and the size the Axes then have.
    collection.sticky_edges.x[:] = [x[0], x[-1]]
    collection.sticky_edges.y[:] = [y[0], y[-1]]
    ax.add_collection(collection, autolim=False)
    ax.update_datalim([(x[0], y[0]), (x[-1], y[-1])])
    ax.autoscale_view()
    ax.apply_aspect()
    box = ax.get_window_extent()
    size = tuple(int(np.clip(round(side), 32, 8192)) for side in (box.width, box.height))
    x0, x1 = sorted(ax.get_xlim())
    y0, y1 = sorted(ax.get_ylim())
    lines = tesmora.streamlines(
        x,
        y,
        u,
        v,
        dsep=dsep,
        dtest_percent=dtest_percent,
        method=method,
        step_px=step_px,
        placement=placement,
        size=size,
        aspect="stretch",
        window=(x0, x1, y0, y1),
        seed=seed,
    )

    colours = _per_segment("color", color, x, y, lines)
    widths = _per_segment("linewidth", linewidth, x, y, lines)
    if colours is None and widths is None:
        # One path per line: far fewer paths for matplotlib to draw than one per segment.
        collection.set_segments(lines)
        collection.set_color(color)
        collection.set_linewidth(linewidth)
    else:
        pieces = [np.stack((line[:-1], line[1:]), axis=1) for line in lines if len(line) > 1]
        collection.set_segments(np.concatenate(pieces) if pieces else [])
        if colours is not None:
            collection.set_array(colours)
            collection.set_cmap(cmap)
            collection.set_norm(norm)
        else:
            collection.set_color(color)
        collection.set_linewidth(linewidth if widths is None else widths)

    heads = None
    if arrows and lines:
        points, directions, at = _heads(ax, lines, 4 * max(dsep, 10))
        if len(points):
            along = directions[:, None, :]
            across = np.stack((-directions[:, 1], directions[:, 0]), axis=1)[:, None, :]
            shape = np.array([[0.5, 0.0], [-0.5, 1.0], [-0.5, -1.0]])
            verts = (
                along * shape[None, :, 0:1] * _HEAD_LENGTH_IN * arrowsize
                + across * shape[None, :, 1:2] * _HEAD_HALF_WIDTH_IN * arrowsize
            )
            heads = mcollections.PolyCollection(
                verts,
                offsets=points,
                offset_transform=ax.transData,
                transform=ax.figure.dpi_scale_trans,
                linewidths=0,
                **line_kw,
            )
            if colours is not None:
                heads.set_array(colours[at])
                heads.set_cmap(collection.get_cmap())
                heads.set_norm(collection.norm)
            else:
                heads.set_facecolor(mcolors.to_rgba_array(collection.get_color())[0])
    if heads is None:
        # Made only when there are no heads: a collection costs a call as much as many heads.
        heads = mcollections.PolyCollection(
            [], offsets=np.empty((0, 2)), offset_transform=ax.transData, transform=ax.figure.dpi_scale_trans, **line_kw
        )
    ax.add_collection(heads, autolim=False)
    return mstreamplot.StreamplotSet(collection, heads)
