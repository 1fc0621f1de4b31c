#include "python/array_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <span>

#include "base/settings_table.h"
#include "formats/vorticity.h"
#include "scene/scene_settings.h"

namespace arrays {

namespace {

[[noreturn]] void Fail(ErrorKind kind, const std::string& message) {
    throw InputError(kind, message);
}

// pybind11's words for a value that does not convert, which the module raised before these
// checks were its own.
[[noreturn]] void FailCast() {
    Fail(ErrorKind::Cast,
         "Unable to cast Python instance to C++ type (#define PYBIND11_DETAILED_ERROR_MESSAGES or compile in "
         "debug mode for details)");
}

// A shortest text that reads back as V, for the settings table's text values.
std::string Shortest(double v) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, v);
    return std::string(text, written.ptr);
}

bool IsWhole(const OptionValue& v) {
    return v.type == OptionValue::Type::Int;
}

double NumberOf(const OptionValue& v) {
    if (!v.number) FailCast();
    return *v.number;
}

const std::string& TextOf(const OptionValue& v) {
    if (!v.text) FailCast();
    return *v.text;
}

// A whole number's decimal digits, as Python's str gives them.
std::string DigitsOf(const OptionValue& v) {
    if (v.whole) return std::to_string(*v.whole);
    if (!v.text) Fail(ErrorKind::Value, v.textFailure);
    return *v.text;
}

std::size_t ItemSize(Element e) {
    return e == Element::Float32 ? sizeof(float) : sizeof(double);
}

// Element I of a 1-D view, at any stride.
double At(const View& a, std::int64_t i) {
    const auto* at = static_cast<const unsigned char*>(a.data) + i * a.strides[0];
    if (a.element == Element::Float32) {
        float f;
        std::memcpy(&f, at, sizeof f);
        return f;
    }
    double d;
    std::memcpy(&d, at, sizeof d);
    return d;
}

// A field of NJ x NI values as float, the way the readers narrow a file's doubles; false for
// anything but a C-ordered float32 or float64 array of that shape.
bool CopyField(const View& a, std::int64_t ni, std::int64_t nj, float* out) {
    if (a.ndim != 2 || a.shape[0] != nj || a.shape[1] != ni || a.element == Element::Other) return false;
    const auto item = static_cast<std::int64_t>(ItemSize(a.element));
    // Both sides have two or more nodes, so C order leaves the strides no freedom.
    if (a.strides[1] != item || a.strides[0] != ni * item) return false;
    const auto n = static_cast<std::size_t>(ni * nj);
    if (a.element == Element::Float32) {
        std::memcpy(out, a.data, n * sizeof(float));
    } else {
        const auto* in = static_cast<const unsigned char*>(a.data);
        for (std::size_t k = 0; k < n; ++k) {
            double d;
            std::memcpy(&d, in + k * sizeof d, sizeof d);
            out[k] = static_cast<float>(d);
        }
    }
    return true;
}

}  // namespace

DrawSettings SettingsOf(const Options& options) {
    using Type = OptionValue::Type;
    DrawSettings s;
    for (const auto& [key, value] : options) {
        std::string name = key;
        for (char& c : name)
            if (c == '_') c = '-';
        const settings::Row* row = settings::Find(name);
        if (!row) Fail(ErrorKind::Type, "unexpected keyword argument '" + key + "'");
        const bool isInt = IsWhole(value);
        const bool isNumber = isInt || value.type == Type::Float;
        const std::string range = Shortest(row->lo) + " to " + Shortest(row->hi);
        switch (row->kind) {
            case settings::Kind::Choice: {
                const std::string choices = settings::ChoiceList(*row);
                if (value.type != Type::Text) Fail(ErrorKind::Type, key + " must be one of " + choices);
                int chosen = 0;
                if (!settings::ValueOf(row->choices, row->aliases, TextOf(value), chosen))
                    Fail(ErrorKind::Value,
                         key + " must be one of " + choices + ", not '" + TextOf(value) + "'");
                row->set(s, chosen);
                break;
            }
            case settings::Kind::Whole: {
                if (!isInt) Fail(ErrorKind::Type, key + " must be " + row->what);
                // A number past 64 bits lies outside every range; one within is compared as a
                // double, exact for the table's small bounds.
                if (!value.whole || static_cast<double>(*value.whole) < row->lo ||
                    static_cast<double>(*value.whole) > row->hi)
                    Fail(ErrorKind::Value,
                         key + " must be " + row->what + " from " + range + ", not " + DigitsOf(value));
                row->set(s, static_cast<double>(static_cast<int>(*value.whole)));
                break;
            }
            case settings::Kind::Length: {
                if (value.type == Type::None) {
                    row->set(s, 0.0);
                    break;
                }
                if (!isNumber) Fail(ErrorKind::Type, key + " must be " + row->what + " or None");
                const double length = NumberOf(value);
                if (!(length >= row->lo && length <= row->hi))
                    Fail(ErrorKind::Value,
                         key + " must be " + row->what + " from " + range + ", not " + Shortest(length));
                row->set(s, length);
                break;
            }
            case settings::Kind::Switch:
                if (value.type != Type::Bool) Fail(ErrorKind::Type, key + " must be True or False");
                row->set(s, value.truth ? 1.0 : 0.0);
                break;
            case settings::Kind::Text: {
                std::string text;
                if (value.type == Type::None) {
                    text = row->samples.empty() ? std::string() : row->samples.front();
                    if (name == "window") text = "all";
                } else if (value.type == Type::Text) {
                    text = TextOf(value);
                } else if (value.type == Type::Sequence) {
                    const bool size = name == "size";
                    const std::size_t wanted = size ? 2 : 4;
                    if (value.items.size() != wanted)
                        Fail(ErrorKind::Value, key + " must have " + std::to_string(wanted) +
                                                   " numbers, not " + std::to_string(value.items.size()));
                    for (std::size_t i = 0; i < wanted; ++i) {
                        const OptionValue& item = value.items[i];
                        const bool whole = IsWhole(item);
                        if (size ? !whole : !(whole || item.type == Type::Float))
                            Fail(ErrorKind::Type, key + (size ? " must be (width, height) in whole pixels"
                                                              : " must be (x0, x1, y0, y1), four numbers"));
                        if (size && !item.whole) FailCast();
                        text += (i ? (size ? "x" : ",") : "") +
                                (size ? std::to_string(*item.whole) : Shortest(NumberOf(item)));
                    }
                } else {
                    Fail(ErrorKind::Type, key + " has the wrong type");
                }
                std::string why;
                if (!row->read(s, text, why)) Fail(ErrorKind::Value, key + ": " + why);
                break;
            }
        }
    }
    return s;
}

std::optional<std::uint32_t> SeedOf(const OptionValue& seed) {
    if (seed.type == OptionValue::Type::None) return std::nullopt;
    if (!IsWhole(seed)) Fail(ErrorKind::Type, "seed must be a whole number or None");
    if (!seed.whole || *seed.whole < 0 || *seed.whole > 0xFFFFFFFFll)
        Fail(ErrorKind::Value, "seed must lie in 0 .. 2**32 - 1");
    return static_cast<std::uint32_t>(*seed.whole);
}

DataSetArrays ArraysOf(const View& x, const View& y, const View& u, const View& v, const View* p,
                       const View* w, bool wantVorticity) {
    if (x.ndim != 1 || y.ndim != 1) Fail(ErrorKind::Value, "x and y must be 1-D");
    if (x.element == Element::Other || y.element == Element::Other)
        Fail(ErrorKind::Type, "x and y must be float32 or float64");
    const std::int64_t ni = x.shape[0], nj = y.shape[0];
    if (!CountsUsable(ni, nj, 1))
        Fail(ErrorKind::Value, "x and y need " + std::to_string(kMinAxisCount) + " to " +
                                   std::to_string(kMaxAxisCount) + " nodes each, not " + std::to_string(ni) +
                                   " and " + std::to_string(nj));
    DataSetArrays d;
    if (!d.Allocate(ni, nj, 1)) Fail(ErrorKind::Value, "not enough memory for the data set");
    std::vector<double> xs(static_cast<std::size_t>(ni)), ys(static_cast<std::size_t>(nj));
    for (std::int64_t i = 0; i < ni; ++i) xs[static_cast<std::size_t>(i)] = At(x, i);
    for (std::int64_t j = 0; j < nj; ++j) ys[static_cast<std::size_t>(j)] = At(y, j);
    for (std::int64_t j = 0; j < nj; ++j)
        for (std::int64_t i = 0; i < ni; ++i)
            d.nodes[d.Index(i, j)] = {static_cast<float>(xs[static_cast<std::size_t>(i)]),
                                      static_cast<float>(ys[static_cast<std::size_t>(j)])};
    const auto fill = [&](const View& a, float* out, const char* name) {
        if (!CopyField(a, ni, nj, out))
            Fail(ErrorKind::Value, std::string(name) +
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

std::unique_ptr<Placed> Open(DataSetArrays&& data, const DrawSettings& s, std::optional<std::uint32_t> seed,
                             bool linesOnly, FlowScene::WorkMemory* memory) {
    auto placed = std::make_unique<Placed>();
    FlowScene& scene = placed->scene;
    ApplyDrawSettings(scene, s);
    // The standard placement's first seed without one: from the clock, as tesmora-render's.
    scene.SetFixedSeed(seed);
    if (!scene.AdoptDataSet(std::move(data), "the arrays")) Fail(ErrorKind::Value, placed->reporter.Text());
    // The rest of FlowScene::OpenDataSet once its file is loaded.
    if (scene.ViewChanged()) scene.ApplyView();
    scene.ResetForDraw();
    if (memory) scene.LendWorkMemory(std::move(*memory));
    if (linesOnly)
        scene.BuildFlowRasters();
    else
        scene.BuildRasters();
    scene.PlaceStreamlines();
    return placed;
}

}  // namespace arrays
