// tesmora._core: the scene's loading, placement and drawing for numpy arrays. The package's
// Python side (tesmora/__init__.py) checks the arrays and names the bad argument; this side
// takes C-contiguous float64 axes and float32 or float64 fields of matching shapes, checks
// them again (python/array_input.h, which a fuzzer drives without Python), and raises
// ValueError rather than crash on anything else.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/data_set.h"
#include "base/settings_table.h"
#include "base/shown_numbers.h"
#include "formats/format_reader.h"
#include "lettering/legend_text_painter.h"
#include "python/array_input.h"
#include "render/offscreen_context.h"
#include "render/picture_frame.h"
#include "render/view_projection.h"
#include "scene/flow_scene.h"
#include "scene/scene_settings.h"
#include "streamlines/separation_grid.h"
#include "streamlines/shown_axes.h"

namespace py = pybind11;

namespace {

using Axis = py::array_t<double, py::array::c_style>;

// A numpy array as the checks take it: native float32 and float64 by their type, anything
// else as Other, which they refuse.
arrays::View ViewOf(const py::array& a) {
    arrays::View view;
    view.data = a.data();
    view.element = py::isinstance<py::array_t<float>>(a)    ? arrays::Element::Float32
                   : py::isinstance<py::array_t<double>>(a) ? arrays::Element::Float64
                                                            : arrays::Element::Other;
    view.ndim = static_cast<int>(a.ndim());
    for (int d = 0; d < std::min(view.ndim, 2); ++d) {
        view.shape[static_cast<std::size_t>(d)] = a.shape(d);
        view.strides[static_cast<std::size_t>(d)] = a.strides(d);
    }
    return view;
}

// An option's value with the conversions the checks may ask of it made beforehand; one that
// fails is kept as its failure, raised only if the checks read the value so.
arrays::OptionValue OptionOf(const py::handle& value, bool item = false) {
    using Type = arrays::OptionValue::Type;
    arrays::OptionValue v;
    if (value.is_none()) {
        v.type = Type::None;
    } else if (py::isinstance<py::bool_>(value)) {
        v.type = Type::Bool;
        v.truth = value.cast<bool>();
    } else if (py::isinstance<py::int_>(value)) {
        v.type = Type::Int;
        try {
            v.whole = value.cast<long long>();
        } catch (const py::cast_error&) {
            // Beyond 64 bits: its digits, as Python writes them, for the message that names it.
            try {
                v.text = std::string(py::str(value));
            } catch (py::error_already_set& e) {
                v.textFailure = py::str(e.value());
            }
        }
        try {
            v.number = value.cast<double>();
        } catch (const py::cast_error&) {
        }
    } else if (py::isinstance<py::float_>(value)) {
        v.type = Type::Float;
        v.number = value.cast<double>();
    } else if (py::isinstance<py::str>(value)) {
        v.type = Type::Text;
        try {
            v.text = value.cast<std::string>();
        } catch (const py::cast_error&) {
        }
    } else if (!item && (py::isinstance<py::tuple>(value) || py::isinstance<py::list>(value))) {
        v.type = Type::Sequence;
        for (const py::handle element : value.cast<py::sequence>())
            v.items.push_back(OptionOf(element, true));
    } else {
        v.type = Type::Other;
    }
    return v;
}

// The keyword options in their order. A key that has no text of its own raises Python's error
// where the checks reach it, after those of the keys before it.
DrawSettings SettingsOf(const py::dict& options) {
    arrays::Options plain;
    for (const auto& [key, value] : options) {
        std::string text;
        try {
            text = py::str(key);
        } catch (py::error_already_set&) {
            (void)arrays::SettingsOf(plain);
            throw;
        }
        plain.emplace_back(std::move(text), OptionOf(value));
    }
    return arrays::SettingsOf(plain);
}

// Opens DATA with SETTINGS, the interpreter free meanwhile.
std::unique_ptr<arrays::Placed> Open(DataSetArrays&& data, const DrawSettings& s,
                                     std::optional<std::uint32_t> seed, bool linesOnly,
                                     FlowScene::WorkMemory* memory = nullptr) {
    py::gil_scoped_release free;
    return arrays::Open(std::move(data), s, seed, linesOnly, memory);
}

DataSetArrays ArraysOf(const Axis& x, const Axis& y, const py::array& u, const py::array& v,
                       const std::optional<py::array>& p, const std::optional<py::array>& w,
                       bool wantVorticity) {
    const std::optional<arrays::View> pv = p ? std::optional(ViewOf(*p)) : std::nullopt;
    const std::optional<arrays::View> wv = w ? std::optional(ViewOf(*w)) : std::nullopt;
    return arrays::ArraysOf(ViewOf(x), ViewOf(y), ViewOf(u), ViewOf(v), pv ? &*pv : nullptr,
                            wv ? &*wv : nullptr, wantVorticity);
}

py::array_t<double> ShownPoints(ShownAxes& axes, const Streamline& s) {
    py::array_t<double> out({static_cast<py::ssize_t>(s.GetCount()), py::ssize_t{2}});
    auto o = out.mutable_unchecked<2>();
    const PixelPoint* p = s.Data();
    for (py::ssize_t i = 0; i < o.shape(0); ++i) {
        const ShownPoint w = axes.At(p[i]);
        o(i, 0) = w.x;
        o(i, 1) = w.y;
    }
    return out;
}

py::array_t<std::int32_t> PixelPoints(const Streamline& s) {
    py::array_t<std::int32_t> out({static_cast<py::ssize_t>(s.GetCount()), py::ssize_t{2}});
    auto o = out.mutable_unchecked<2>();
    const PixelPoint* p = s.Data();
    for (py::ssize_t i = 0; i < o.shape(0); ++i) {
        o(i, 0) = p[i].x;
        o(i, 1) = p[i].y;
    }
    return out;
}

// The placed streamlines: each in the data's coordinates (as tesmora-render's
// streamlines_world) and in raster pixels (as its streamlines), the seed pixel of each, the
// picture's size and the first seed that was drawn (None for the fine placement).
py::dict Place(const Axis& x, const Axis& y, const py::array& u, const py::array& v, const py::dict& options,
               const py::object& seed) {
    const DrawSettings s = SettingsOf(options);
    const std::optional<std::uint32_t> fixed = arrays::SeedOf(OptionOf(seed));
    // A figure's placements follow one another at one size: each thread keeps the last one's
    // working memory (a few megabytes) for the next, which would otherwise fault in its pages
    // afresh, a fifth of a call's time.
    thread_local FlowScene::WorkMemory spare;
    const std::unique_ptr<arrays::Placed> placed =
        Open(ArraysOf(x, y, u, v, std::nullopt, std::nullopt, false), s, fixed, true, &spare);
    const FlowScene& scene = placed->scene;
    py::list lines, pixels, seedPixels, seeds;
    ShownAxes axes(scene);
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i) {
        const Streamline& line = scene.StreamlineAt(i);
        lines.append(ShownPoints(axes, line));
        pixels.append(PixelPoints(line));
        const PixelPoint at =
            line.GetCount() ? line.GetPoint(std::min(line.SeedIndex(), line.GetCount() - 1)) : PixelPoint{};
        seedPixels.append(py::make_tuple(at.x, at.y));
        const ShownPoint w = axes.At(at);
        seeds.append(py::make_tuple(w.x, w.y));
    }
    py::dict out;
    out["lines"] = lines;
    out["pixels"] = pixels;
    out["seed_pixels"] = seedPixels;
    out["seeds"] = seeds;
    out["size"] = py::make_tuple(scene.Raster().width, scene.Raster().height);
    out["seed"] = scene.m_modes.placement == kPlacementFine ? py::object(py::none())
                                                            : py::object(py::int_(scene.LastSeed()));
    spare = placed->scene.TakeWorkMemory();
    return out;
}

// The legend's letters are drawn with Qt Gui's fonts, which need its application; without a
// display, on its offscreen platform. One made here lives as long as the interpreter.
void EnsureGuiApplication() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (QCoreApplication::instance())
        throw py::value_error("legend needs Qt Gui, but this process runs a Qt application without it");
    static int argc = 1;
    static char name[] = "tesmora";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static const std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

// The picture tesmora-render writes for the same settings, as (height, width, 3) bytes, top
// row first; with CLICKS, the streamline of each raster pixel drawn over it.
py::array_t<std::uint8_t> Render(const Axis& x, const Axis& y, const py::array& u, const py::array& v,
                                 const std::optional<py::array>& p, const std::optional<py::array>& w,
                                 const py::dict& options, const py::object& seed,
                                 const std::vector<std::pair<int, int>>& clicks) {
    const DrawSettings s = SettingsOf(options);
    const std::optional<std::uint32_t> fixed = arrays::SeedOf(OptionOf(seed));
    if (s.legend) EnsureGuiApplication();
    const std::unique_ptr<arrays::Placed> placed = Open(ArraysOf(x, y, u, v, p, w, true), s, fixed, false);
    FlowScene& scene = placed->scene;
    const RasterSize raster = scene.Raster();
    for (const auto& [cx, cy] : clicks)
        if (cx < 0 || cy < 0 || cx >= raster.width - 1 || cy >= raster.height - 1)
            throw py::value_error("clicks: (" + std::to_string(cx) + ", " + std::to_string(cy) +
                                  ") lies outside the " + std::to_string(raster.width) + " x " +
                                  std::to_string(raster.height) + " picture");
    const int width = PictureWidth(s.legend, raster.width);
    std::vector<std::uint8_t> rgb;
    std::string error;
    {
        py::gil_scoped_release free;
        // One context per thread, as OpenGL's current context is; grown when a picture needs more.
        thread_local std::unique_ptr<OffscreenContext> context;
        const int needWidth = kImageOriginX + width, needHeight = kImageOriginY + raster.height;
        if (!context || context->Width() < needWidth || context->Height() < needHeight) {
            context.reset();
            context = OffscreenContext::Create(needWidth, needHeight, &error);
        }
        if (context) {
            SetViewProjection(context->Width(), context->Height());
            BeginFrame();
            const std::unique_ptr<QtLegendTextPainter> text =
                s.legend ? std::make_unique<QtLegendTextPainter>() : nullptr;
            DrawPicture(scene, PictureFrame{}, text.get());
            for (const auto& [cx, cy] : clicks) TraceAndDrawClick(scene, cx, cy);
            EndFrame();
            rgb = ReadPicture(*context, width, raster.height);
        }
    }
    if (rgb.empty()) throw std::runtime_error("no OpenGL context for the picture: " + error);
    py::array_t<std::uint8_t> out(
        {static_cast<py::ssize_t>(raster.height), static_cast<py::ssize_t>(width), py::ssize_t{3}});
    const std::size_t row = static_cast<std::size_t>(width) * 3u;
    // The raster's rows come bottom first.
    for (int r = 0; r < raster.height; ++r)
        std::memcpy(out.mutable_data(r), rgb.data() + static_cast<std::size_t>(raster.height - 1 - r) * row,
                    row);
    return out;
}

py::dict Label(const FieldLabel& l) {
    py::dict d;
    d["name"] = l.name;
    d["unit"] = l.unit;
    return d;
}

// A file as the viewer opens it: plane PLANE's fields as (nj, ni) float32 arrays, the nodes'
// coordinates as the file has them (a far grid's shift added back), the reader's notes.
py::dict Load(const std::string& path, long long plane) {
    SeparationGrid grid;
    arrays::FirstMessage reporter;
    FlowScene scene(grid, &reporter);
    formats::FormatReader reader;
    scene.SetDataSetReader(&reader);
    bool loaded = false;
    {
        py::gil_scoped_release free;
        loaded = scene.LoadDataSet(path);
    }
    if (!loaded) throw py::value_error(reporter.Text());
    const std::int64_t ni = scene.m_ni, nj = scene.m_nj, nk = scene.m_nk;
    if (plane < 0 || plane >= nk)
        throw py::value_error("plane must lie in 0 .. " + std::to_string(nk - 1) + " for " + path + ", not " +
                              std::to_string(plane));
    const WorldOrigin& origin = scene.Origin();
    const auto at = [&](std::int64_t i, std::int64_t j) {
        return static_cast<std::size_t>((plane * nj + j) * ni + i);
    };
    py::array_t<double> xs({static_cast<py::ssize_t>(nj), static_cast<py::ssize_t>(ni)}),
        ys({static_cast<py::ssize_t>(nj), static_cast<py::ssize_t>(ni)});
    auto xo = xs.mutable_unchecked<2>(), yo = ys.mutable_unchecked<2>();
    for (std::int64_t j = 0; j < nj; ++j)
        for (std::int64_t i = 0; i < ni; ++i) {
            const GridNode node = scene.m_pNodes[at(i, j)];
            xo(j, i) = ShownCoordinate(node.x, origin.x);
            yo(j, i) = ShownCoordinate(node.y, origin.y);
        }
    const auto field = [&](const std::unique_ptr<float[]>& f) {
        py::array_t<float> out({static_cast<py::ssize_t>(nj), static_cast<py::ssize_t>(ni)});
        std::memcpy(out.mutable_data(), f.get() + at(0, 0),
                    static_cast<std::size_t>(ni * nj) * sizeof(float));
        return out;
    };
    const DataSetNotes& notes = scene.Notes();
    py::array_t<bool> invalid({static_cast<py::ssize_t>(nj), static_cast<py::ssize_t>(ni)});
    bool* mask = invalid.mutable_data();
    for (std::size_t k = 0; k < static_cast<std::size_t>(ni * nj); ++k)
        mask[k] = !notes.invalid.empty() && notes.invalid[at(0, 0) + k] != 0;
    py::dict out;
    out["nodes_x"] = xs;
    out["nodes_y"] = ys;
    out["u"] = field(scene.m_pU);
    out["v"] = field(scene.m_pV);
    out["p"] = field(scene.m_pP);
    out["w"] = field(scene.m_pW);
    out["invalid"] = invalid;
    out["rectilinear"] = scene.IsRectilinear();
    out["planes"] = nk;
    out["format"] = notes.format.empty() ? std::string("gri") : notes.format;
    out["pressure_missing"] = notes.pressureMissing;
    out["vorticity_computed"] = notes.vorticityComputed;
    py::dict labels;
    labels["x"] = Label(notes.x);
    labels["y"] = Label(notes.y);
    labels["u"] = Label(notes.u);
    labels["v"] = Label(notes.v);
    labels["p"] = Label(notes.p);
    labels["w"] = Label(notes.w);
    out["labels"] = labels;
    return out;
}

py::list SettingsRows() {
    py::list rows;
    for (const settings::Row& row : settings::Table()) rows.append(row.name);
    return rows;
}

}  // namespace

PYBIND11_MODULE(_core, m) {
    // The checks' failures as the exceptions Python callers catch: ValueError, TypeError, and
    // the RuntimeError pybind11 raises for a value that does not convert.
    py::register_local_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const arrays::InputError& e) {
            PyObject* type = e.Kind() == arrays::ErrorKind::Value  ? PyExc_ValueError
                             : e.Kind() == arrays::ErrorKind::Type ? PyExc_TypeError
                                                                   : PyExc_RuntimeError;
            PyErr_SetString(type, e.what());
        }
    });
    m.doc() = "The numeric core of Tesmora for numpy arrays; use the tesmora package.";
    m.def("load", &Load, py::arg("path"), py::arg("plane"));
    m.def("place", &Place, py::arg("x"), py::arg("y"), py::arg("u"), py::arg("v"), py::arg("options"),
          py::arg("seed"));
    m.def("render", &Render, py::arg("x"), py::arg("y"), py::arg("u"), py::arg("v"), py::arg("p"),
          py::arg("w"), py::arg("options"), py::arg("seed"), py::arg("clicks"));
    m.def("settings", &SettingsRows);
}
