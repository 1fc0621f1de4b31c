"""tesmora.matplotlib.streamplot: the lines are tesmora.streamlines' in the Axes' own pixels,
and their arrow heads and colours follow the flow."""

import os

import numpy as np
import pytest

import tesmora

matplotlib = pytest.importorskip("matplotlib")
matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import tesmora.matplotlib  # noqa: E402

CAVITY = os.path.join(os.environ["TESMORA_REALDATA"], "cavity_graded.gri")


@pytest.mark.parametrize("dpi", [60, 100, 150])
def test_the_lines_are_placed_in_the_axes_pixels_on_an_uneven_grid(dpi):
    field = tesmora.load(CAVITY)
    fig = plt.figure(figsize=(5, 4), dpi=dpi)
    ax = fig.add_axes((0.1, 0.15, 0.8, 0.7))
    drawn = tesmora.matplotlib.streamplot(ax, field.x, field.y, field.u, field.v, dsep=8, arrows=False)
    # The Axes' size in pixels from the figure's, independent of the Axes' own reports.
    size = (round(5 * dpi * 0.8), round(4 * dpi * 0.7))
    x0, x1 = ax.get_xlim()
    y0, y1 = ax.get_ylim()
    assert x0 <= field.x[0] and x1 >= field.x[-1]
    expected = tesmora.streamlines(field.x, field.y, field.u, field.v, dsep=8, size=size, aspect="stretch",
                                   window=(x0, x1, y0, y1))
    paths = drawn.lines.get_segments()
    assert len(paths) == len(expected) > 5 * dpi / 60
    assert all(np.array_equal(p, e) for p, e in zip(paths, expected))
    assert len(drawn.arrows.get_offsets()) == 0
    fig.canvas.draw()
    plt.close(fig)


def test_arrow_heads_point_downstream_and_colours_follow_the_speed():
    # Flow from right to left, faster towards the top, on an uneven grid.
    x = np.cumsum(np.linspace(0.5, 2.0, 50))
    y = np.cumsum(np.linspace(1.5, 0.5, 40))
    X, Y = np.meshgrid(x, y)
    u = -(1.0 + Y / Y.max()) + 0.1 * np.sin(X / 5)
    v = 0.2 * np.cos(X / 7)
    fig, ax = plt.subplots(figsize=(6, 4), dpi=100)
    ax.invert_yaxis()
    drawn = tesmora.matplotlib.streamplot(ax, x, y, u, v, dsep=10, color="speed", cmap="viridis")
    segments = drawn.lines.get_segments()
    assert len(segments) > 100 and all(len(s) == 2 for s in segments)
    mids = np.array([(s[0] + s[1]) / 2 for s in segments])
    values = drawn.lines.get_array()
    assert values.shape == (len(segments),)
    # The speed grows towards the top (large y) nearly everywhere.
    order = np.argsort(mids[:, 1])
    assert np.corrcoef(mids[order, 1], values[order])[0, 1] > 0.9

    heads = drawn.arrows
    offsets = heads.get_offsets()
    assert len(offsets) >= 10
    shown = ax.transData
    for point, verts in zip(offsets, heads.get_paths()):
        tip = verts.vertices[0] - verts.vertices[1:3].mean(axis=0)
        i = np.clip(np.searchsorted(x, point[0]), 1, x.size - 1)
        j = np.clip(np.searchsorted(y, point[1]), 1, y.size - 1)
        flow = shown.transform(point + 1e-3 * np.array([u[j, i], v[j, i]])) - shown.transform(point)
        assert np.dot(tip, flow) > 0
    fig.canvas.draw()
    plt.close(fig)
