// tesmora._core: the scene's loading, placement and drawing for numpy arrays. The package's
// Python side (tesmora/__init__.py) checks the arrays and names the bad argument; this side
// takes C-contiguous float64 axes and float32 or float64 fields of matching shapes, checks
// them again, and raises ValueError rather than crash on anything else.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <QGuiApplication>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/data_set.h"
#include "base/settings_table.h"
#include "base/shown_numbers.h"
#include "formats/format_reader.h"
#include "formats/vorticity.h"
#include "lettering/legend_text_painter.h"
#include "render/offscreen_context.h"
#include "render/picture_frame.h"
#include "render/view_projection.h"
#include "scene/flow_scene.h"
#include "scene/scene_settings.h"
#include "streamlines/separation_grid.h"

namespace py = pybind11;

namespace {

// The first failure the scene reports, in English, for the exception that carries it.
class FirstMessage final : public Reporter {
public:
    void Report(const std::string& text, const std::string&) override {
        if (m_text.empty()) m_text = text;
    }
    void Tell(const Message& message) override { Report(message.english, message.caption); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

using Axis = py::array_t<double, py::array::c_style>;

// A shortest text that reads back as V, for the settings table's text values.
std::string Shortest(double v) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, v);
    return std::string(text, written.ptr);
}

// A field of NJ x NI values as float, the way the readers narrow a file's doubles.
bool CopyField(const py::array& a, std::int64_t ni, std::int64_t nj, float* out) {
    if (a.ndim() != 2 || a.shape(0) != nj || a.shape(1) != ni) return false;
    const auto n = static_cast<std::size_t>(ni * nj);
    if (py::isinstance<py::array_t<float, py::array::c_style>>(a)) {
        std::memcpy(out, a.data(), n * sizeof(float));
        return true;
    }
    if (py::isinstance<py::array_t<double, py::array::c_style>>(a)) {
        const auto* in = static_cast<const double*>(a.data());
        for (std::size_t k = 0; k < n; ++k) out[k] = static_cast<float>(in[k]);
        return true;
    }
    return false;
}

// The data set of the arrays: node (i, j) at (x[i], y[j]); a node where u or v is not a
// number is invalid and, as the readers read it, still; pressure 0 without P, vorticity
// derived from u and v without W where WANT_VORTICITY, else 0.
DataSetArrays ArraysOf(const Axis& x, const Axis& y, const py::array& u, const py::array& v,
                       const std::optional<py::array>& p, const std::optional<py::array>& w,
                       bool wantVorticity) {
    if (x.ndim() != 1 || y.ndim() != 1) throw py::value_error("x and y must be 1-D");
    const std::int64_t ni = x.shape(0), nj = y.shape(0);
    if (!CountsUsable(ni, nj, 1))
        throw py::value_error("x and y need " + std::to_string(kMinAxisCount) + " to " +
                              std::to_string(kMaxAxisCount) + " nodes each, not " + std::to_string(ni) +
                              " and " + std::to_string(nj));
    DataSetArrays d;
    if (!d.Allocate(ni, nj, 1)) throw py::value_error("not enough memory for the data set");
    for (std::int64_t j = 0; j < nj; ++j)
        for (std::int64_t i = 0; i < ni; ++i)
            d.nodes[d.Index(i, j)] = {static_cast<float>(x.at(i)), static_cast<float>(y.at(j))};
    const auto fill = [&](const py::array& a, float* out, const char* name) {
        if (!CopyField(a, ni, nj, out))
            throw py::value_error(std::string(name) +
                                  " must be a C-ordered float32 or float64 array of shape (" +
                                  std::to_string(nj) + ", " + std::to_string(ni) + ")");
    };
    fill(u, d.u.get(), "u");
    fill(v, d.v.get(), "v");
    const auto n = static_cast<std::size_t>(d.NodeCount());
    std::vector<std::uint8_t> invalid(n, 0);
    for (std::size_t k = 0; k < n; ++k)
        if (!std::isfinite(d.u[k]) || !std::isfinite(d.v[k])) {
            d.u[k] = d.v[k] = 0.0f;
            invalid[k] = 1;
            ++d.notes.invalidNodes;
        }
    if (p)
        fill(*p, d.p.get(), "p");
    else
        std::fill_n(d.p.get(), n, 0.0f);
    if (w) {
        fill(*w, d.w.get(), "w");
    } else if (wantVorticity) {
        const std::vector<double> xs(x.data(), x.data() + ni), ys(y.data(), y.data() + nj);
        formats::ComputeVorticity(
            xs, ys, 1, d.u.get(), d.v.get(),
            d.notes.invalidNodes ? std::span<const std::uint8_t>(invalid) : std::span<const std::uint8_t>(),
            d.w.get());
    } else {
        std::fill_n(d.w.get(), n, 0.0f);
    }
    d.notes.pressureMissing = !p;
    d.notes.vorticityComputed = !w;
    if (d.notes.invalidNodes) d.notes.invalid = std::move(invalid);
    return d;
}

// The settings as tesmora-render takes them, each keyword named as the settings table names
// its option, with '_' for '-': choices as their words, whole numbers, lengths as numbers
// (None leaves one out), switches as bools, size as (width, height) or its text, window as
// (x0, x1, y0, y1) or None.
DrawSettings SettingsOf(const py::dict& options) {
    DrawSettings s;
    for (const auto& [keyObject, value] : options) {
        const std::string key = py::str(keyObject);
        std::string name = key;
        for (char& c : name)
            if (c == '_') c = '-';
        const settings::Row* row = settings::Find(name);
        if (!row) throw py::type_error("unexpected keyword argument '" + key + "'");
        const bool isBool = py::isinstance<py::bool_>(value);
        const bool isInt = py::isinstance<py::int_>(value) && !isBool;
        const bool isNumber = isInt || py::isinstance<py::float_>(value);
        const std::string range = Shortest(row->lo) + " to " + Shortest(row->hi);
        switch (row->kind) {
            case settings::Kind::Choice: {
                const std::string choices = settings::ChoiceList(*row);
                if (!py::isinstance<py::str>(value)) throw py::type_error(key + " must be one of " + choices);
                int chosen = 0;
                if (!settings::ValueOf(row->choices, row->aliases, value.cast<std::string>(), chosen))
                    throw py::value_error(key + " must be one of " + choices + ", not '" +
                                          value.cast<std::string>() + "'");
                row->set(s, chosen);
                break;
            }
            case settings::Kind::Whole: {
                if (!isInt) throw py::type_error(key + " must be " + row->what);
                // Compared as Python numbers, so that no whole number is too large to be told.
                if (value < py::float_(row->lo) || value > py::float_(row->hi))
                    throw py::value_error(key + " must be " + row->what + " from " + range + ", not " +
                                          std::string(py::str(value)));
                row->set(s, static_cast<double>(value.cast<int>()));
                break;
            }
            case settings::Kind::Length: {
                if (value.is_none()) {
                    row->set(s, 0.0);
                    break;
                }
                if (!isNumber) throw py::type_error(key + " must be " + row->what + " or None");
                const double length = value.cast<double>();
                if (!(length >= row->lo && length <= row->hi))
                    throw py::value_error(key + " must be " + row->what + " from " + range + ", not " +
                                          Shortest(length));
                row->set(s, length);
                break;
            }
            case settings::Kind::Switch:
                if (!isBool) throw py::type_error(key + " must be True or False");
                row->set(s, value.cast<bool>() ? 1.0 : 0.0);
                break;
            case settings::Kind::Text: {
                std::string text;
                if (value.is_none()) {
                    text = row->samples.empty() ? std::string() : row->samples.front();
                    if (name == "window") text = "all";
                } else if (py::isinstance<py::str>(value)) {
                    text = value.cast<std::string>();
                } else if (py::isinstance<py::tuple>(value) || py::isinstance<py::list>(value)) {
                    const auto items = value.cast<py::sequence>();
                    const bool size = name == "size";
                    const std::size_t wanted = size ? 2 : 4;
                    if (items.size() != wanted)
                        throw py::value_error(key + " must have " + std::to_string(wanted) +
                                              " numbers, not " + std::to_string(items.size()));
                    for (std::size_t i = 0; i < wanted; ++i) {
                        const py::handle item = items[i];
                        const bool whole = py::isinstance<py::int_>(item) && !py::isinstance<py::bool_>(item);
                        if (size ? !whole : !(whole || py::isinstance<py::float_>(item)))
                            throw py::type_error(key + (size ? " must be (width, height) in whole pixels"
                                                             : " must be (x0, x1, y0, y1), four numbers"));
                        text += (i ? (size ? "x" : ",") : "") + (size ? std::to_string(item.cast<long long>())
                                                                      : Shortest(item.cast<double>()));
                    }
                } else {
                    throw py::type_error(key + " has the wrong type");
                }
                std::string why;
                if (!row->read(s, text, why)) throw py::value_error(key + ": " + why);
                break;
            }
        }
    }
    return s;
}

std::optional<std::uint32_t> SeedOf(const py::object& seed) {
    if (seed.is_none()) return std::nullopt;
    if (!py::isinstance<py::int_>(seed) || py::isinstance<py::bool_>(seed))
        throw py::type_error("seed must be a whole number or None");
    const py::int_ n = seed.cast<py::int_>();
    if (n < py::int_(0) || n > py::int_(0xFFFFFFFFull))
        throw py::value_error("seed must lie in 0 .. 2**32 - 1");
    return seed.cast<std::uint32_t>();
}

// A scene of its own per call, so that calls on several threads never share one.
struct Placed {
    SeparationGrid grid;
    FirstMessage reporter;
    FlowScene scene{grid, &reporter};
};

// Opens DATA with SETTINGS, the interpreter free meanwhile; ValueError with the scene's reason
// when the data set fails its checks.
std::unique_ptr<Placed> Open(DataSetArrays&& data, const DrawSettings& s, std::optional<std::uint32_t> seed) {
    auto placed = std::make_unique<Placed>();
    bool opened = false;
    {
        py::gil_scoped_release free;
        ApplyDrawSettings(placed->scene, s);
        // The standard placement's first seed without one: from the clock, as tesmora-render's.
        placed->scene.SetFixedSeed(seed);
        FlowScene& scene = placed->scene;
        opened = scene.AdoptDataSet(std::move(data), "the arrays");
        // The rest of FlowScene::OpenDataSet once its file is loaded.
        if (opened) {
            if (scene.ViewChanged()) scene.ApplyView();
            scene.ResetForDraw();
            scene.BuildRasters();
            scene.PlaceStreamlines();
        }
    }
    if (!opened) throw py::value_error(placed->reporter.Text());
    return placed;
}

py::array_t<double> ShownPoints(const FlowScene& scene, const Streamline& s) {
    py::array_t<double> out({static_cast<py::ssize_t>(s.GetCount()), py::ssize_t{2}});
    auto o = out.mutable_unchecked<2>();
    const PixelPoint* p = s.Data();
    for (py::ssize_t i = 0; i < o.shape(0); ++i) {
        const ShownPoint w = scene.PixelToShown(p[i].x, p[i].y);
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
    const std::optional<std::uint32_t> fixed = SeedOf(seed);
    const std::unique_ptr<Placed> placed =
        Open(ArraysOf(x, y, u, v, std::nullopt, std::nullopt, false), s, fixed);
    const FlowScene& scene = placed->scene;
    py::list lines, pixels, seedPixels, seeds;
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i) {
        const Streamline& line = scene.StreamlineAt(i);
        lines.append(ShownPoints(scene, line));
        pixels.append(PixelPoints(line));
        const PixelPoint at =
            line.GetCount() ? line.GetPoint(std::min(line.SeedIndex(), line.GetCount() - 1)) : PixelPoint{};
        seedPixels.append(py::make_tuple(at.x, at.y));
        const ShownPoint w = scene.PixelToShown(at.x, at.y);
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
    const std::optional<std::uint32_t> fixed = SeedOf(seed);
    if (s.legend) EnsureGuiApplication();
    const std::unique_ptr<Placed> placed = Open(ArraysOf(x, y, u, v, p, w, true), s, fixed);
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
    FirstMessage reporter;
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
    m.doc() = "The numeric core of Tesmora for numpy arrays; use the tesmora package.";
    m.def("load", &Load, py::arg("path"), py::arg("plane"));
    m.def("place", &Place, py::arg("x"), py::arg("y"), py::arg("u"), py::arg("v"), py::arg("options"),
          py::arg("seed"));
    m.def("render", &Render, py::arg("x"), py::arg("y"), py::arg("u"), py::arg("v"), py::arg("p"),
          py::arg("w"), py::arg("options"), py::arg("seed"), py::arg("clicks"));
    m.def("settings", &SettingsRows);
}
