"""The module tesmora against the programs: the same files give the same lines and pictures as
tesmora-render, and bad arrays are refused with a message naming the argument."""

import json
import os
import subprocess
import threading

import numpy as np
import pytest

import tesmora

REALDATA = os.environ["TESMORA_REALDATA"]
RENDER = os.environ["TESMORA_RENDER"]
SOAPFILM = os.path.join(REALDATA, "sources", "soapfilm_Run000001.vec")
CAVITY = os.path.join(REALDATA, "cavity_graded.gri")


def render_tool(path, tmp_path, *options):
    """What tesmora-render draws and places for PATH: the picture's bytes as an array and the
    streamline JSON."""
    png, lines = tmp_path / "p.png", tmp_path / "p.json"
    subprocess.run([RENDER, path, *options, "-o", str(png), "--streamlines-json", str(lines)], check=True,
                   capture_output=True)
    from PIL import Image

    return np.asarray(Image.open(png).convert("RGB")), json.loads(lines.read_text())


# The module's options for tesmora-render's, and back: the same settings table names both.
CASES = [
    (["--seed", "7"], dict(seed=7)),
    (["--placement", "fine", "--step-px", "1", "--aspect", "equal", "--dsep", "6"],
     dict(placement="fine", step_px=1.0, aspect="equal", dsep=6)),
    (["--seed", "3", "--method", "rk4", "--dtest-percent", "30", "--size", "200x120", "--window", "0.005,0.04,0.002,0.03",
      "--background", "vorticity", "--colormap", "coolwarm", "--legend"],
     dict(seed=3, method="rk4", dtest_percent=30, size=(200, 120), window=(0.005, 0.04, 0.002, 0.03),
          background="vorticity", colormap="coolwarm", legend=True)),
]


@pytest.mark.parametrize("path", [SOAPFILM, CAVITY, os.path.join(REALDATA, "karman_piv.gri")])
@pytest.mark.parametrize("options,keywords", CASES)
def test_the_arrays_of_a_file_give_what_tesmora_render_gives_for_it(path, options, keywords, tmp_path):
    if "--window" in options and path != CAVITY:
        pytest.skip("the window lies in the cavity")
    picture, made = render_tool(path, tmp_path, *options)
    field = tesmora.load(path)
    args = (field.x, field.y, field.u, field.v)
    drawing = {k: v for k, v in keywords.items() if k not in ("background", "colormap", "legend")}
    placed = tesmora.streamlines(*args, **{"step_px": None, "placement": "standard", "aspect": "stretch",
                                           **drawing}, pixels=True)
    assert [line.tolist() for line in placed] == made["streamlines_world"]
    assert [p.tolist() for p in placed.pixels] == made["streamlines"]
    assert placed.seed_pixels.tolist() == made["seed_pixels"]
    assert len(placed) > 0
    drawn = tesmora.render(*args, field.p, field.w, **keywords)
    assert drawn.dtype == np.uint8 and drawn.shape == picture.shape
    assert np.array_equal(drawn, picture)


def test_load_keeps_the_files_names_units_and_invalid_vectors():
    soap = tesmora.load(SOAPFILM)
    assert soap.units == {"x": "mm", "y": "mm", "u": "m/s", "v": "m/s", "p": "", "w": ""}
    assert soap.names["u"] == "U" and soap.names["p"] == ""
    assert soap.u.shape == soap.invalid.shape == (soap.y.size, soap.x.size) == (63, 63)
    assert soap.format == "Tecplot ASCII, POINT" and soap.pressure_missing and soap.vorticity_computed
    assert soap.invalid.sum() == 353
    assert not soap.u[soap.invalid].any() and not soap.v[soap.invalid].any()
    assert soap.x[0] == 0.31248 and soap.y[-1] == -0.31248
    assert np.all(np.diff(soap.x) > 0) and np.all(np.diff(soap.y) > 0)

    cavity = tesmora.load(CAVITY)
    assert cavity.format == "gri" and set(cavity.units.values()) == {""} and not cavity.invalid.any()
    with pytest.raises(ValueError, match="plane must lie in 0 .. 0"):
        tesmora.load(CAVITY, plane=1)
    with pytest.raises(ValueError, match="nothing-here"):
        tesmora.load(os.path.join(REALDATA, "nothing-here.vec"))


def field(ni=40, nj=30, dtype=np.float64):
    """A vortex on an uneven lattice."""
    x = np.cumsum(np.linspace(1.0, 2.0, ni))
    y = np.cumsum(np.linspace(2.0, 1.0, nj))
    X, Y = np.meshgrid(x - x.mean(), y - y.mean())
    return x, y, (-Y).astype(dtype), X.astype(dtype)


def test_the_lines_do_not_depend_on_memory_order_dtype_or_how_a_vector_is_marked_invalid():
    x, y, u, v = field()
    reference = tesmora.streamlines(x, y, u, v)
    assert len(reference) > 20
    same = [
        (x.tolist(), y.astype(np.float32), np.asfortranarray(u), v[::1, :]),
        (x, y, u.astype(np.float32), np.asfortranarray(v.astype(np.float32))),
        (x, y, np.repeat(u, 2, axis=1)[:, ::2], v[::-1][::-1]),
    ]
    for args in same:
        assert [a.tolist() for a in tesmora.streamlines(*args)] == [a.tolist() for a in reference]
    # NaN marks a vector invalid, read as a still one, as the readers read a file's.
    holed_u, still_u, still_v = u.copy(), u.copy(), v.copy()
    holed_u[10:14, 5:9] = np.nan
    still_u[10:14, 5:9] = 0
    still_v[10:14, 5:9] = 0
    holed = tesmora.streamlines(x, y, holed_u, v)
    assert [a.tolist() for a in holed] == [a.tolist() for a in tesmora.streamlines(x, y, still_u, still_v)]
    assert all(np.isfinite(a).all() and a.dtype == np.float64 and a.shape[1] == 2 for a in holed)


def test_bad_arguments_are_refused_naming_the_argument():
    x, y, u, v = field()
    bad = [
        (dict(x=x[:-1]), ValueError, "u must have the shape"),
        (dict(v=v.T), ValueError, "v must have the shape"),
        (dict(x=x[::-1]), ValueError, "x must increase strictly"),
        (dict(y=np.r_[y[:5], y[4], y[6:]]), ValueError, "y must increase strictly"),
        (dict(x=np.r_[1.0, 1.0 + 1e-9]), ValueError, r"x must increase strictly \(in single precision\)"),
        (dict(x=x[:1], u=u[:, :1], v=v[:, :1]), ValueError, "x must have 2 to 32767 values, not 1"),
        (dict(y=np.r_[y[:-1], np.nan]), ValueError, "y must be finite"),
        (dict(x=x * 1e300), ValueError, "x must be finite numbers within single precision"),
        (dict(x=x.reshape(2, -1)), ValueError, "x must be 1-D"),
        (dict(x=x.astype(complex)), TypeError, "x must hold real numbers"),
        (dict(u=u.astype(np.int32)), TypeError, "u must be float32 or float64, not int32"),
        (dict(v=v.astype(object)), TypeError, "v must be float32 or float64"),
        (dict(dsep=4), ValueError, "dsep must be a whole number of pixels from 5 to 20, not 4"),
        (dict(dsep=21), ValueError, "dsep must be"),
        (dict(dsep=10.0), TypeError, "dsep must be a whole number"),
        (dict(dsep=True), TypeError, "dsep must be a whole number"),
        (dict(dtest_percent=95), ValueError, "dtest_percent must be a whole percentage from 10 to 90"),
        (dict(step_px=0.1), ValueError, "step_px must be a length in pixels from 0.25 to 5"),
        (dict(step_px=float("nan")), ValueError, "step_px must be"),
        (dict(method="rk3"), ValueError, "method must be one of euler|rk2|rk4, not 'rk3'"),
        (dict(placement=1), TypeError, "placement must be one of standard|fine"),
        (dict(size=(20, 100)), ValueError, "size: "),
        (dict(size=(100.5, 100)), TypeError, "size must be"),
        (dict(window=(1, 0, 0, 1)), ValueError, "window: "),
        (dict(window=(0, 1, 0)), ValueError, "window must have 4 numbers"),
        (dict(seed=-1), ValueError, "seed must lie in"),
        (dict(seed=2**40), ValueError, "seed must lie in"),
        (dict(seed="1"), TypeError, "seed must be"),
    ]
    for change, error, message in bad:
        arguments = {"x": x, "y": y, "u": u, "v": v, **change}
        with pytest.raises(error, match=message):
            tesmora.streamlines(**arguments)
    with pytest.raises(TypeError, match="unexpected keyword argument 'colour'"):
        tesmora.render(x, y, u, v, colour="viridis")
    with pytest.raises(ValueError, match=r"clicks: \(400, 10\) lies outside the 350 x 560 picture"):
        tesmora.render(x, y, u, v, clicks=[(400, 10)])
    with pytest.raises(ValueError, match="p must have the shape"):
        tesmora.render(x, y, u, v, p=u[1:])


def test_hostile_arrays_end_in_lines_or_a_python_error():
    """Random shapes, dtypes, memory orders and values, many of them absurd: every call either
    places finite lines inside the window or raises ValueError or TypeError."""
    rng = np.random.default_rng(31)
    specials = np.array([np.nan, np.inf, -np.inf, 0.0, -0.0, 1e-45, 3.4e38, 1e308, -1e30])
    for _ in range(150):
        ni, nj = rng.integers(1, 24, size=2)
        x = np.sort(rng.normal(0, 10 ** rng.uniform(-30, 30), ni))
        y = np.cumsum(rng.uniform(0, 3, nj)) * 10 ** rng.uniform(-5, 5)
        dtype = rng.choice([np.float32, np.float64, np.int16, np.float16])
        u = rng.normal(0, 10 ** rng.uniform(-20, 20), (nj, ni))
        v = rng.normal(0, 1, (nj + rng.integers(0, 2), ni))
        for field_ in (u, v):
            mask = rng.random(field_.shape) < 0.2
            field_[mask] = rng.choice(specials, mask.sum())
        if rng.random() < 0.3:
            u = np.asfortranarray(u)
        try:
            with np.errstate(all="ignore"):
                lines = tesmora.streamlines(x, y, u.astype(dtype), v.astype(dtype), dsep=int(rng.integers(5, 21)),
                                            placement=str(rng.choice(["fine", "standard"])), seed=1,
                                            step_px=None if rng.random() < 0.3 else 1.0)
        except (ValueError, TypeError) as error:
            assert str(error)
            continue
        for line in lines:
            assert line.ndim == 2 and line.shape[1] == 2 and np.isfinite(line).all()


def test_threads_place_at_once_as_one_after_the_other():
    # One after the other, each placement works in the memory the one before left; each thread's
    # first works in fresh memory: the lines must not tell the two apart, in either placement.
    fields = [field(30 + 7 * k, 25 + 5 * k) for k in range(4)]
    kinds = ["fine", "fine", "standard", "fine"]
    alone = [tesmora.streamlines(*f, dsep=5 + k, placement=kinds[k]) for k, f in enumerate(fields)]
    together = [None] * len(fields)

    def place(k):
        together[k] = tesmora.streamlines(*fields[k], dsep=5 + k, placement=kinds[k])

    threads = [threading.Thread(target=place, args=(k,)) for k in range(len(fields))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for a, b in zip(alone, together):
        assert [line.tolist() for line in a] == [line.tolist() for line in b]
