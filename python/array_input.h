#pragma once

// The Python module's input as plain C++: numpy arrays as buffer views, keyword options as
// values of their Python type, checked and turned into a data set and settings with the
// messages the module raises. Kept apart from the bindings so that a fuzzer reaches every
// check, the conversion and the placement without an interpreter.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/data_set.h"
#include "base/draw_settings.h"
#include "base/reporter.h"
#include "scene/flow_scene.h"
#include "streamlines/separation_grid.h"

namespace arrays {

// Which Python exception a failure is raised as: ValueError, TypeError, or the RuntimeError of
// a value that does not convert to the C++ type asked of it.
enum class ErrorKind { Value, Type, Cast };

class InputError : public std::runtime_error {
public:
    InputError(ErrorKind kind, const std::string& message) : std::runtime_error(message), m_kind(kind) {}
    ErrorKind Kind() const { return m_kind; }

private:
    ErrorKind m_kind;
};

// A numpy array's buffer: its first element, its element type (Other for anything but native
// float32 and float64), its dimensions, and the first two of its shape and strides (bytes, any
// sign). Every element the shape and strides address must be readable, as numpy's are.
enum class Element { Float32, Float64, Other };
struct View {
    const void* data = nullptr;
    Element element = Element::Other;
    int ndim = 0;
    std::array<std::int64_t, 2> shape{};
    std::array<std::int64_t, 2> strides{};
};

// A keyword option's value as Python typed it. A conversion the module could not make is kept
// as its failure, raised only where the value is read as that type, as the module did.
struct OptionValue {
    enum class Type { None, Bool, Int, Float, Text, Sequence, Other };
    Type type = Type::None;
    bool truth = false;                 // Bool
    std::optional<double> number;       // Float; Int when it converts to a double
    std::optional<std::int64_t> whole;  // Int when it fits 64 bits
    // Text as UTF-8 (none when it has no UTF-8); Int as its decimal digits, or why Python
    // would not give them (ValueError).
    std::optional<std::string> text;
    std::string textFailure;
    std::vector<OptionValue> items;  // Sequence (tuple or list): its items, none a sequence
};
using Options = std::vector<std::pair<std::string, OptionValue>>;

// The settings as tesmora-render takes them, each keyword named as the settings table names
// its option, with '_' for '-'.
DrawSettings SettingsOf(const Options& options);
// The standard placement's first seed: a whole number in 0 .. 2**32 - 1, or None.
std::optional<std::uint32_t> SeedOf(const OptionValue& seed);
// The data set of the arrays: node (i, j) at (x[i], y[j]); a node where u or v is not a number
// is invalid and, as the readers read it, still; pressure 0 without P, vorticity derived from u
// and v without W where WANT_VORTICITY, else 0. x and y: 1-D, any strides; u, v, p, w:
// C-ordered float32 or float64 of shape (len(y), len(x)).
DataSetArrays ArraysOf(const View& x, const View& y, const View& u, const View& v, const View* p,
                       const View* w, bool wantVorticity);

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

// A scene of its own per call, so that calls on several threads never share one.
struct Placed {
    SeparationGrid grid;
    FirstMessage reporter;
    FlowScene scene{grid, &reporter};
};

// The data set opened with the settings, rasterised and placed; SEED the standard placement's
// first seed, from the clock without one. ValueError with the scene's reason when the data set
// fails its checks. LINES_ONLY: the rasters the placement reads alone, for a caller that draws
// nothing (the same lines, without the picture's pressure, vorticity and colours).
// MEMORY, where given, is the working memory of an earlier placement, lent to this one.
std::unique_ptr<Placed> Open(DataSetArrays&& data, const DrawSettings& s, std::optional<std::uint32_t> seed,
                             bool linesOnly, FlowScene::WorkMemory* memory = nullptr);

}  // namespace arrays
