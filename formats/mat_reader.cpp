#include "formats/mat_reader.h"

#include <matio.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "formats/checked_size.h"
#include "formats/data_set_builder.h"
#include "formats/lattice.h"
#include "formats/limits.h"
#include "formats/mat_walk.h"
#include "formats/read_error.h"
#include "formats/temporary_file.h"

namespace formats {

namespace {

struct MatCloser {
    void operator()(mat_t* mat) const { Mat_Close(mat); }
};
struct VarFreer {
    void operator()(matvar_t* var) const { Mat_VarFree(var); }
};
using MatFile = std::unique_ptr<mat_t, MatCloser>;
using MatVar = std::unique_ptr<matvar_t, VarFreer>;

// matio writes what it finds wrong to standard error; the reader says it in its own message.
void SilenceMatio() {
    static std::once_flag once;
    std::call_once(once, [] { Mat_LogInitFunc("tesmora", [](int, char*) {}); });
}

// A matrix's shape, as MATLAB writes it: "7 × 9".
std::string Shape(const matvar_t& var) {
    std::string s;
    for (int d = 0; d < var.rank; ++d)
        s += (d ? " \u00D7 " : "") + Num(static_cast<std::int64_t>(var.dims[d]));
    return s.empty() ? "0" : s;
}

// The number of elements VAR declares, or nothing when their count passes kMaxValues.
std::optional<std::int64_t> Elements(const matvar_t& var) {
    std::int64_t n = 1;
    for (int d = 0; d < var.rank; ++d) {
        if (var.dims[d] > static_cast<std::size_t>(kMaxValues)) return std::nullopt;
        const auto product = CheckedMultiply(n, static_cast<std::int64_t>(var.dims[d]));
        if (!product || *product > kMaxValues) return std::nullopt;
        n = *product;
    }
    return var.rank > 0 ? n : 0;
}

class MatReader {
public:
    MatReader(const std::string& path, const std::string& file) : m_file(file) {
        SilenceMatio();
        if (const auto fault = MatOverrun(path))
            Fail(file, Whole(), "Das ist keine lesbare MATLAB-Datei: " + fault->german + ".",
                 "this is not a MATLAB file that can be read: " + fault->english + ".");
        m_mat.reset(Mat_Open(path.c_str(), MAT_ACC_RDONLY));
        if (!m_mat)
            Fail(file, Whole(), "Das ist keine lesbare MATLAB-Datei (Version 4, 5, 7 oder 7.3).",
                 "this is not a MATLAB file (version 4, 5, 7 or 7.3) that can be read.");
    }

    // The velocity PIVlab shows and its marks of masked vectors, as chosen by FRAME's matrices.
    struct Velocity {
        MatVar u, v, type;
        const char* const* names = nullptr;
    };

    Velocity Choose(std::int64_t frame) {
        // Smoothed vectors are filtered ones smoothed; either is what PIVlab shows, the
        // original ones only where the frame has no other.
        static constexpr const char* kVelocities[][3] = {{"u_smoothed", "v_smoothed", "typevector_filtered"},
                                                         {"u_filtered", "v_filtered", "typevector_filtered"},
                                                         {"u_original", "v_original", "typevector_original"},
                                                         {"u", "v", "typevector"}};
        Velocity chosen;
        for (const auto& names : kVelocities) {
            chosen.u = Variable(names[0]);
            chosen.v = Variable(names[1]);
            if (chosen.u && chosen.v && frame < Frames(*chosen.u) && !Empty(At(*chosen.u, frame)) &&
                !Empty(At(*chosen.v, frame))) {
                chosen.names = names;
                break;
            }
        }
        if (!chosen.names) FailNoResults();
        chosen.type = Variable(chosen.names[2]);
        if (!chosen.type && chosen.names[2] == std::string("typevector_filtered"))
            chosen.type = Variable("typevector_original");
        return chosen;
    }

    std::int64_t FrameCount() {
        // The coordinates are read by Read; here it is enough that they are there.
        if (!Has("x") || !Has("y")) FailNoResults();
        return Frames(*Choose(0).u);
    }

    void Read(DataSetArrays& out, std::int64_t frame) {
        if (!Has("x") || !Has("y")) FailNoResults();
        if (frame > 0) {
            const Velocity first = Choose(0);
            if (frame >= Frames(*first.u))
                Fail(
                    m_file, Whole(),
                    "Die Datei enthält " + Num(Frames(*first.u)) + " Bilder, kein Bild " + Num(frame + 1) +
                        ".",
                    "the file holds " + Num(Frames(*first.u)) + " frames, not frame " + Num(frame + 1) + ".");
        }
        Velocity chosen = Choose(frame);
        MatVar& u = chosen.u;
        MatVar& v = chosen.v;
        MatVar& type = chosen.type;

        const std::int64_t frames = Frames(*u);
        const matvar_t& fu = At(*u, frame);
        // Every column is measured against u's two dimensions, which it must have.
        RequireRealMatrix(fu, u->name);
        SampleSet samples;
        // matio's doubles are freed as soon as they are copied, so that a large file does not
        // hold them beside the copies and the data set made from them.
        for (const char* name : {"x", "y"}) {
            const MatVar coordinate = Variable(name);
            if (!coordinate) FailNoResults();
            AddColumn(samples, At(*coordinate, frame), name + Unit(0), fu, u->name);
        }
        AddColumn(samples, fu, std::string(u->name) + Unit(1), fu, u->name);
        AddColumn(samples, At(*v, frame), std::string(v->name) + Unit(1), fu, u->name);
        FieldRoles roles;
        roles.x = 0;
        roles.y = 1;
        roles.u = 2;
        roles.v = 3;
        if (type && !Empty(At(*type, frame))) {
            AddColumn(samples, At(*type, frame), type->name, fu, u->name);
            roles.validity.push_back({4, Validity::NonzeroIsValid});
        }
        const std::size_t rows = fu.dims[0];
        const std::string velocities = std::string(u->name) + " and " + v->name;
        chosen = {};
        const Lattice lattice = SortOntoLattice(
            samples.columns[0].values, samples.columns[1].values, nullptr, m_file, [rows](std::int64_t s) {
                const std::string at = Num(s % static_cast<std::int64_t>(rows) + 1) + ", " +
                                       Num(s / static_cast<std::int64_t>(rows) + 1);
                return Place{"Element (" + at + ")", "element (" + at + ")"};
            });
        const int version = Mat_GetVersion(m_mat.get());
        std::string format = std::string("PIVlab MAT-file ") +
                             (version == MAT_FT_MAT73  ? "7.3"
                              : version == MAT_FT_MAT4 ? "4"
                                                       : "5") +
                             ", " + velocities;
        if (frames > 1) format += ", frame " + Num(frame + 1) + " of " + Num(frames);
        BuildDataSet(samples, roles, lattice, m_file, format, out);
    }

private:
    // Whether the file has a variable NAME, without reading its values.
    bool Has(const char* name) { return MatVar(Mat_VarReadInfo(m_mat.get(), name)) != nullptr; }

    // The variable NAME, read whole, or null when the file has none. Its declared size is
    // checked before its data are read, so that a header claiming billions of elements is
    // refused without them being asked for.
    MatVar Variable(const char* name) {
        MatVar info(Mat_VarReadInfo(m_mat.get(), name));
        if (!info) return nullptr;
        CheckDeclared(*info, name);
        MatVar var(Mat_VarRead(m_mat.get(), name));
        if (!var)
            Fail(m_file, Whole(), "Die Variable " + std::string(name) + " lässt sich nicht lesen.",
                 "the variable " + std::string(name) + " cannot be read.");
        CheckDeclared(*var, name);
        return var;
    }

    void CheckDeclared(const matvar_t& var, const char* name) {
        const std::optional<std::int64_t> n = Elements(var);
        bool tooMany = !n;
        if (n && var.class_type == MAT_C_CELL && var.data) {
            auto** cells = static_cast<matvar_t**>(var.data);
            std::int64_t total = 0;
            for (std::int64_t c = 0; c < *n && !tooMany; ++c) {
                const std::optional<std::int64_t> e =
                    cells[c] ? Elements(*cells[c]) : std::optional<std::int64_t>(0);
                const std::optional<std::int64_t> sum = e ? CheckedAdd(total, *e) : std::nullopt;
                tooMany = !sum || *sum > kMaxValues;
                if (sum) total = *sum;
            }
        }
        if (tooMany)
            Fail(m_file, Whole(),
                 "Die Variable " + std::string(name) + " (" + Shape(var) +
                     ") ist größer als jeder Datensatz (höchstens " + Num(kMaxValues) + " Werte).",
                 "the variable " + std::string(name) + " (" + Shape(var) +
                     ") is larger than any data set (at most " + Num(kMaxValues) + " values).");
    }

    static std::int64_t Frames(const matvar_t& var) {
        return var.class_type == MAT_C_CELL ? Elements(var).value_or(0) : 1;
    }

    // The matrix of frame F where VAR has a matrix a frame, else its one matrix: PIVlab keeps
    // x and y once when every frame shares them.
    const matvar_t& At(const matvar_t& var, std::int64_t f) const {
        return FrameOf(var, Frames(var) > 1 ? f : 0);
    }

    // The matrix of frame F: the variable itself, or its cell F.
    const matvar_t& FrameOf(const matvar_t& var, std::int64_t f) const {
        if (var.class_type != MAT_C_CELL) return var;
        if (f >= Frames(var) || !var.data || !static_cast<matvar_t**>(var.data)[f])
            Fail(m_file, Whole(),
                 "Die Zellen von " + std::string(var.name) + " enthalten kein Bild " + Num(f + 1) + ".",
                 "the cells of " + std::string(var.name) + " hold no frame " + Num(f + 1) + ".");
        return *static_cast<matvar_t**>(var.data)[f];
    }

    static bool Empty(const matvar_t& var) {
        return var.class_type == MAT_C_EMPTY || Elements(var).value_or(1) == 0;
    }

    // The numbers of MATRIX, a real 2-D numeric matrix of the shape of SHAPE (named SHAPE_NAME),
    // as the column NAME.
    void RequireRealMatrix(const matvar_t& matrix, const std::string& varName) const {
        if (matrix.isComplex || matrix.rank != 2 || matrix.class_type == MAT_C_SPARSE || !matrix.data)
            Fail(m_file, Whole(), varName + " ist keine reelle Matrix von Zahlen (" + Shape(matrix) + ").",
                 varName + " is not a real matrix of numbers (" + Shape(matrix) + ").");
    }

    // SHAPE, whose two dimensions MATRIX must have, has passed RequireRealMatrix.
    void AddColumn(SampleSet& samples, const matvar_t& matrix, const std::string& name, const matvar_t& shape,
                   const char* shapeName) const {
        const std::string varName = matrix.name ? matrix.name : name.substr(0, name.find(' '));
        RequireRealMatrix(matrix, varName);
        if (matrix.dims[0] != shape.dims[0] || matrix.dims[1] != shape.dims[1])
            Fail(m_file, Whole(),
                 name.substr(0, name.find(' ')) + " ist " + Shape(matrix) + " groß, " + shapeName + " aber " +
                     Shape(shape) + ".",
                 name.substr(0, name.find(' ')) + " is " + Shape(matrix) + " but " + shapeName + " is " +
                     Shape(shape) + ".");
        const auto n = static_cast<std::size_t>(matrix.dims[0] * matrix.dims[1]);
        std::vector<double> values(n);
        if (!Convert(matrix, values))
            Fail(m_file, Whole(), varName + " enthält keine Zahlen.", varName + " holds no numbers.");
        samples.columns.push_back({name, std::move(values)});
    }

    template <typename T>
    static void Copy(const void* data, std::vector<double>& to) {
        const auto* from = static_cast<const T*>(data);
        for (std::size_t i = 0; i < to.size(); ++i) to[i] = static_cast<double>(from[i]);
    }

    static bool Convert(const matvar_t& m, std::vector<double>& to) {
        // matio hands the data as the matrix's class stores them in memory.
        if (static_cast<std::size_t>(m.data_size) * to.size() > m.nbytes) return false;
        switch (m.data_type) {
            case MAT_T_DOUBLE:
                Copy<double>(m.data, to);
                return true;
            case MAT_T_SINGLE:
                Copy<float>(m.data, to);
                return true;
            case MAT_T_INT8:
                Copy<std::int8_t>(m.data, to);
                return true;
            case MAT_T_UINT8:
                Copy<std::uint8_t>(m.data, to);
                return true;
            case MAT_T_INT16:
                Copy<std::int16_t>(m.data, to);
                return true;
            case MAT_T_UINT16:
                Copy<std::uint16_t>(m.data, to);
                return true;
            case MAT_T_INT32:
                Copy<std::int32_t>(m.data, to);
                return true;
            case MAT_T_UINT32:
                Copy<std::uint32_t>(m.data, to);
                return true;
            case MAT_T_INT64:
                Copy<std::int64_t>(m.data, to);
                return true;
            case MAT_T_UINT64:
                Copy<std::uint64_t>(m.data, to);
                return true;
            default:
                return false;
        }
    }

    // PIVlab's units, "[m] respectively [m/s]": the coordinates' (0) or the velocity's (1), as a
    // column name's bracket; nothing where the file says none.
    std::string Unit(int which) {
        if (!m_unitsRead) {
            m_unitsRead = true;
            MatVar units(Mat_VarReadInfo(m_mat.get(), "units"));
            constexpr auto kLongest = static_cast<std::int64_t>(kLongestName);
            if (units && units->class_type == MAT_C_CHAR &&
                Elements(*units).value_or(kLongest + 1) <= kLongest) {
                MatVar text(Mat_VarRead(m_mat.get(), "units"));
                // Text of single bytes only; MATLAB's UTF-16 text would need decoding for no gain.
                if (text && text->data && text->data_size == 1 &&
                    Elements(*text).value_or(0) * 1 <= static_cast<std::int64_t>(text->nbytes))
                    m_units.assign(static_cast<const char*>(text->data),
                                   static_cast<std::size_t>(Elements(*text).value_or(0)));
            }
        }
        std::size_t from = 0;
        for (int i = 0;; ++i) {
            const std::size_t open = m_units.find('[', from);
            const std::size_t close = open == std::string::npos ? open : m_units.find(']', open);
            if (close == std::string::npos) return {};
            if (i == which) return " [" + m_units.substr(open + 1, close - open - 1) + "]";
            from = close + 1;
        }
    }

    [[noreturn]] void FailNoResults() {
        std::string names;
        Mat_Rewind(m_mat.get());
        constexpr int kShown = 12;
        for (int n = 0; n <= kShown; ++n) {
            MatVar info(Mat_VarReadNextInfo(m_mat.get()));
            if (!info) break;
            names += n == kShown ? ", \u2026" : (n ? ", " : "") + Excerpt(info->name ? info->name : "?");
        }
        if (names.empty()) names = "-";
        Fail(m_file, Whole(),
             "Keine PIVlab-Ergebnisse gefunden (vorhanden: " + names +
                 "); gelesen werden x, y, u_original und v_original (oder u_filtered, u_smoothed).",
             "no PIVlab results found (the file has: " + names +
                 "); read are x, y, u_original and v_original (or u_filtered, u_smoothed).");
    }

    std::string m_file;
    MatFile m_mat;
    bool m_unitsRead = false;
    std::string m_units;
};

}  // namespace

bool LooksLikeMat(std::string_view bytes) {
    return bytes.starts_with("MATLAB 5.0 MAT-file") || bytes.starts_with("MATLAB 7.3 MAT-file");
}

void ReadMatFile(const std::string& path, const std::string& file, DataSetArrays& out, std::int64_t frame) {
    try {
        MatReader(path, file).Read(out, frame);
    } catch (...) {
        out.Release();
        throw;
    }
}

std::int64_t MatFrameCount(const std::string& path, const std::string& file) {
    return MatReader(path, file).FrameCount();
}

void ReadMat(std::string_view bytes, const std::string& file, DataSetArrays& out) {
    const TemporaryFile copy(bytes, ".mat", file);
    ReadMatFile(copy.Path(), file, out);
}

}  // namespace formats
