#include "formats/netcdf_reader.h"

#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "formats/checked_size.h"
#include "formats/data_set_builder.h"
#include "formats/field_roles.h"
#include "formats/lattice.h"
#include "formats/limits.h"
#include "formats/netcdf_classic_header.h"
#include "formats/read_error.h"
#include "formats/temporary_file.h"

namespace formats {

namespace {

// More variables than any PIV file has; a header claiming more is not looked through.
constexpr int kMaxVariables = 10000;

class NcFile {
public:
    NcFile(const std::string& path, const std::string& file) {
        if (const auto overrun = ClassicHeaderOverrun(path))
            Fail(file, Whole(), "Das ist keine lesbare netCDF-Datei: " + overrun->german + ".",
                 "this is not a netCDF file that can be read: " + overrun->english + ".");
        const int status = nc_open(path.c_str(), NC_NOWRITE, &m_id);
        if (status != NC_NOERR) {
            const std::string why = nc_strerror(status);
            Fail(file, Whole(), "Das ist keine lesbare netCDF-Datei (" + why + ").",
                 "this is not a netCDF file that can be read (" + why + ").");
        }
    }
    ~NcFile() { nc_close(m_id); }
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;
    int Id() const { return m_id; }

private:
    int m_id = -1;
};

struct Dimension {
    std::string name;
    std::size_t length = 0;
};

struct Variable {
    int id = -1;
    std::string name;
    nc_type type = NC_NAT;
    std::vector<int> dims;
    std::string units, longName, standardName;
    NameMeaning meaning;
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool EndsWith(const std::string& s, std::string_view end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

// The CF standard names of velocity components: x_velocity, eastward_sea_water_velocity, x_wind, ...
Role StandardRole(const std::string& standardName) {
    const std::string s = Lower(standardName);
    if (EndsWith(s, "x_velocity") || EndsWith(s, "x_wind") ||
        (s.starts_with("eastward") && EndsWith(s, "velocity")))
        return Role::U;
    if (EndsWith(s, "y_velocity") || EndsWith(s, "y_wind") ||
        (s.starts_with("northward") && EndsWith(s, "velocity")))
        return Role::V;
    return Role::None;
}

class NetcdfReader {
public:
    NetcdfReader(const std::string& path, const std::string& file) : m_file(file), m_nc(path, file) {}

    std::int64_t FrameCount() {
        Inquire();
        return Lay().frames;
    }

    void Read(DataSetArrays& out, std::int64_t frame) {
        Inquire();
        const Layout layout = Lay();
        const Variable* u = layout.u;
        const Variable* v = layout.v;
        const Variable* vector = layout.vector;
        const Variable& shape = vector ? *vector : *u;
        const std::int64_t frames = layout.frames;
        if (frame >= frames)
            Fail(m_file, Whole(),
                 "Die Datei enthält " + Num(frames) + " Bilder, kein Bild " + Num(frame + 1) + ".",
                 "the file holds " + Num(frames) + " frames, not frame " + Num(frame + 1) + ".");
        m_frame = frame;

        SampleSet samples;
        AddCoordinates(samples, shape);
        FieldRoles roles;
        roles.x = 0;
        roles.y = 1;
        roles.u = 2;
        roles.v = 3;
        if (vector) {
            samples.columns.push_back({Label(vector->name + ":0", *vector), Values(*vector, 0)});
            samples.columns.push_back({Label(vector->name + ":1", *vector), Values(*vector, 1)});
        } else {
            samples.columns.push_back({Label(u->name, *u), Values(*u)});
            samples.columns.push_back({Label(v->name, *v), Values(*v)});
        }
        for (const Role role : {Role::Pressure, Role::Vorticity})
            if (const Variable* s = Find(role, false)) {
                (role == Role::Pressure ? roles.p : roles.w) = static_cast<int>(samples.columns.size());
                samples.columns.push_back({Label(s->name, *s), Values(*s)});
            }

        const std::vector<int> spatialDims = m_spatial;
        const std::int64_t ni =
            static_cast<std::int64_t>(m_dims[static_cast<std::size_t>(spatialDims.back())].length);
        const Lattice lattice = SortOntoLattice(
            samples.columns[0].values, samples.columns[1].values, nullptr, m_file, [&](std::int64_t s) {
                const std::string at = spatialDims.size() == 2
                                           ? Dim(spatialDims[0]) + " " + Num(s / ni) + ", " +
                                                 Dim(spatialDims[1]) + " " + Num(s % ni)
                                           : Dim(spatialDims[0]) + " " + Num(s);
                return Place{at, at};
            });
        std::string format = "netCDF";
        int kind = 0;
        if (nc_inq_format(m_nc.Id(), &kind) == NC_NOERR)
            format += kind == NC_FORMAT_CLASSIC           ? "-3 classic"
                      : kind == NC_FORMAT_64BIT_OFFSET    ? "-3 64-bit offset"
                      : kind == NC_FORMAT_64BIT_DATA      ? "-3 64-bit data"
                      : kind == NC_FORMAT_NETCDF4_CLASSIC ? "-4 classic model"
                                                          : "-4";
        format += vector ? ", " + vector->name + " components" : ", " + u->name + " and " + v->name;
        if (frames > 1)
            format += ", frame " + Num(frame + 1) + " of " + Num(frames) + " along " + Dim(m_frameDim);
        BuildDataSet(samples, roles, lattice, m_file, format, out);
    }

    // Where the velocity lies: its variables, the lattice's dimensions and how many frames.
    struct Layout {
        const Variable* u = nullptr;
        const Variable* v = nullptr;
        const Variable* vector = nullptr;
        std::int64_t frames = 1;
    };

    Layout Lay() {
        // The velocity: a pair of variables, or one of components along its last dimension.
        const Variable* u = Find(Role::U);
        const Variable* v = Find(Role::V);
        const Variable* vector = nullptr;
        if (!u || !v) {
            u = v = nullptr;
            for (const Variable& var : m_vars)
                if (var.dims.size() >= 2 && IsVectorName(var.name) && m_dims[Last(var)].length >= 2 &&
                    m_dims[Last(var)].length <= 3) {
                    vector = &var;
                    break;
                }
            if (!vector) FailNoVelocity();
        }
        const Variable& shape = vector ? *vector : *u;
        // The lattice's dimensions: the last two (or the last, a list of vectors) before the
        // components; one leading dimension counts frames, any other must be a single plane.
        std::vector<int> field(shape.dims.begin(), shape.dims.end() - (vector ? 1 : 0));
        if (field.empty()) FailShape(shape, "keine Dimension", "no dimension");
        const std::size_t spatial = field.size() >= 2 ? 2 : 1;
        const std::vector<int> leading(field.begin(), field.end() - static_cast<std::ptrdiff_t>(spatial));
        std::int64_t frames = 1;
        m_frameDim = leading.empty() ? -1 : leading.front();
        for (std::size_t d = 0; d < leading.size(); ++d) {
            const auto n = static_cast<std::int64_t>(m_dims[static_cast<std::size_t>(leading[d])].length);
            if (n == 0) FailShape(shape, "keine Werte", "no values");
            if (d == 0)
                frames = n;
            else if (n > 1)
                FailShape(shape,
                          Num(n) + " Ebenen entlang " + m_dims[static_cast<std::size_t>(leading[d])].name +
                              "; gelesen werden zweidimensionale Felder",
                          Num(n) + " planes along " + m_dims[static_cast<std::size_t>(leading[d])].name +
                              "; read are two-dimensional fields");
        }
        m_spatial.assign(field.end() - static_cast<std::ptrdiff_t>(spatial), field.end());
        std::int64_t count = 1;
        for (int d : m_spatial) {
            const auto product = CheckedMultiply(count, static_cast<std::int64_t>(std::min<std::size_t>(
                                                            m_dims[static_cast<std::size_t>(d)].length,
                                                            static_cast<std::size_t>(kMaxNodes) + 1)));
            if (!product || *product > kMaxNodes)
                FailShape(shape, "mehr als " + Num(kMaxNodes) + " Vektoren",
                          "more than " + Num(kMaxNodes) + " vectors");
            count = *product;
        }
        if (count == 0) FailShape(shape, "keine Werte", "no values");
        m_count = count;

        return {u, v, vector, frames};
    }

private:
    std::string Dim(int d) const { return m_dims[static_cast<std::size_t>(d)].name; }
    std::size_t Last(const Variable& var) const { return static_cast<std::size_t>(var.dims.back()); }

    static bool IsVectorName(const std::string& name) {
        return Lower(name) == "piv_data" || InterpretName(name + ":0").role == Role::U;
    }

    void Check(int status, const std::string& what) const {
        if (status == NC_NOERR) return;
        const std::string why = nc_strerror(status);
        Fail(m_file, Whole(), what + " lässt sich nicht lesen (" + why + ").",
             what + " cannot be read (" + why + ").");
    }

    // The text attribute NAME of variable VAR, or nothing; long ones are cut.
    std::string TextAttribute(int var, const char* name) const {
        nc_type type = NC_NAT;
        std::size_t length = 0;
        if (nc_inq_att(m_nc.Id(), var, name, &type, &length) != NC_NOERR || type != NC_CHAR ||
            length > kLongestName)
            return {};
        std::string text(length, '\0');
        if (nc_get_att_text(m_nc.Id(), var, name, text.data()) != NC_NOERR) return {};
        while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.pop_back();
        return text;
    }

    // The numbers of attribute NAME of variable VAR, at most MOST of them, or nothing.
    std::vector<double> NumberAttribute(int var, const char* name, std::size_t most) const {
        nc_type type = NC_NAT;
        std::size_t length = 0;
        if (nc_inq_att(m_nc.Id(), var, name, &type, &length) != NC_NOERR || type == NC_CHAR ||
            type == NC_STRING || length == 0 || length > most)
            return {};
        std::vector<double> values(length);
        if (nc_get_att_double(m_nc.Id(), var, name, values.data()) != NC_NOERR) return {};
        return values;
    }

    void Inquire() {
        int ndims = 0, nvars = 0;
        Check(nc_inq(m_nc.Id(), &ndims, &nvars, nullptr, nullptr), "Der Kopf der Datei");
        if (nvars > kMaxVariables || ndims > kMaxVariables)
            Fail(m_file, Whole(),
                 "Die Datei nennt " + Num(std::int64_t{nvars}) + " Variablen; das ist kein PIV-Feld.",
                 "the file declares " + Num(std::int64_t{nvars}) + " variables; that is no PIV field.");
        // netCDF-4 numbers the dimensions of its groups apart; the root's are 0 .. ndims - 1 in
        // every file this reads, others are refused where they are met.
        for (int d = 0; d < ndims; ++d) {
            char name[NC_MAX_NAME + 1] = {};
            std::size_t length = 0;
            Check(nc_inq_dim(m_nc.Id(), d, name, &length), "Die Dimension " + Num(std::int64_t{d}));
            m_dims.push_back({name, length});
        }
        for (int id = 0; id < nvars; ++id) {
            char name[NC_MAX_NAME + 1] = {};
            int rank = 0;
            Variable var;
            var.id = id;
            Check(nc_inq_var(m_nc.Id(), id, name, &var.type, &rank, nullptr, nullptr),
                  "Die Variable " + Num(std::int64_t{id}));
            if (rank < 0 || rank > NC_MAX_VAR_DIMS) continue;
            var.name = name;
            var.dims.resize(static_cast<std::size_t>(rank));
            Check(nc_inq_vardimid(m_nc.Id(), id, var.dims.data()), "Die Variable " + var.name);
            bool known = true;
            for (int d : var.dims) known = known && d >= 0 && d < static_cast<int>(m_dims.size());
            if (!known || var.type == NC_CHAR || var.type == NC_STRING || var.type > NC_STRING) continue;
            var.units = TextAttribute(id, "units");
            var.longName = TextAttribute(id, "long_name");
            var.standardName = TextAttribute(id, "standard_name");
            var.meaning = InterpretName(var.name);
            if (var.meaning.role == Role::None) var.meaning.role = StandardRole(var.standardName);
            if (var.meaning.role == Role::None && !var.longName.empty())
                var.meaning = InterpretName(var.longName);
            m_vars.push_back(std::move(var));
        }
    }

    // The first variable whose name says ROLE; with FIELD_SHAPE, only one over the velocity's
    // field dimensions (for pressure and vorticity, once those are known).
    const Variable* Find(Role role, bool any = true) const {
        for (const Variable& var : m_vars) {
            if (var.meaning.role != role) continue;
            if (any) return &var;
            if (var.dims.size() >= m_spatial.size() &&
                std::equal(m_spatial.begin(), m_spatial.end(),
                           var.dims.end() - static_cast<std::ptrdiff_t>(m_spatial.size())))
                return &var;
        }
        return nullptr;
    }

    // A column's name with the variable's unit in brackets, as the labels take it apart.
    static std::string Label(const std::string& name, const Variable& var) {
        if (!var.units.empty()) return name + " [" + var.units + "]";
        const FieldLabel fromLongName = SplitUnit(var.longName);
        return fromLongName.unit.empty() ? name : name + " [" + fromLongName.unit + "]";
    }

    // The values of VAR on the field's nodes, in the order of the field's dimensions, the last
    // fastest: of the first frame, and where VAR has components, of component COMPONENT.
    // Missing values (_FillValue, missing_value, outside valid_range) are NaN.
    std::vector<double> Values(const Variable& var, int component = -1) const {
        const std::size_t rank = var.dims.size();
        const std::size_t trailing = m_spatial.size() + (component >= 0 ? 1 : 0);
        const std::size_t spatialAt = rank >= trailing ? rank - trailing : 0;
        if (rank < trailing || !std::equal(m_spatial.begin(), m_spatial.end(),
                                           var.dims.begin() + static_cast<std::ptrdiff_t>(spatialAt)))
            Fail(m_file, Whole(),
                 var.name + " liegt nicht auf den Dimensionen der Geschwindigkeit (" + SpatialNames() + ").",
                 var.name + " does not lie on the velocity's dimensions (" + SpatialNames() + ").");
        std::vector<std::size_t> start(rank, 0), count(rank, 1);
        for (std::size_t d = 0; d < rank; ++d) {
            const std::size_t length = m_dims[static_cast<std::size_t>(var.dims[d])].length;
            if (d >= spatialAt && d < spatialAt + m_spatial.size())
                count[d] = length;
            else if (length == 0)
                FailShape(var, "keine Werte", "no values");
        }
        for (std::size_t d = 0; d < spatialAt; ++d)
            if (var.dims[d] == m_frameDim) start[d] = static_cast<std::size_t>(m_frame);
        if (component >= 0) start[rank - 1] = static_cast<std::size_t>(component);
        std::vector<double> values(static_cast<std::size_t>(m_count));
        Check(nc_get_vara_double(m_nc.Id(), var.id, start.data(), count.data(), values.data()),
              "Die Variable " + var.name);
        MarkMissing(var, values);
        return values;
    }

    void MarkMissing(const Variable& var, std::vector<double>& values) const {
        std::vector<double> missing = NumberAttribute(var.id, "_FillValue", 1);
        if (missing.empty() && (var.type == NC_FLOAT || var.type == NC_DOUBLE))
            missing.push_back(var.type == NC_FLOAT ? double{NC_FILL_FLOAT} : NC_FILL_DOUBLE);
        for (double m : NumberAttribute(var.id, "missing_value", 16)) missing.push_back(m);
        double low = -INFINITY, high = INFINITY;
        if (const std::vector<double> range = NumberAttribute(var.id, "valid_range", 2); range.size() == 2) {
            low = range[0];
            high = range[1];
        }
        if (const std::vector<double> m = NumberAttribute(var.id, "valid_min", 1); m.size() == 1) low = m[0];
        if (const std::vector<double> m = NumberAttribute(var.id, "valid_max", 1); m.size() == 1) high = m[0];
        const std::vector<double> scale = NumberAttribute(var.id, "scale_factor", 1);
        const std::vector<double> offset = NumberAttribute(var.id, "add_offset", 1);
        for (double& value : values) {
            bool gone = !(value >= low && value <= high);
            for (double m : missing) gone = gone || value == m;
            if (gone) {
                value = NAN;
                continue;
            }
            // Packed values (CF): the stored number scaled, after the missing ones are known.
            if (!scale.empty()) value *= scale[0];
            if (!offset.empty()) value += offset[0];
        }
    }

    std::string SpatialNames() const {
        std::string names;
        for (int d : m_spatial) names += (names.empty() ? "" : ", ") + Dim(d);
        return names;
    }

    // The coordinates of every node, x then y: from the coordinate variables of the lattice's
    // dimensions (a 1-D variable of a dimension's name), or from variables x and y over them.
    void AddCoordinates(SampleSet& samples, const Variable& shape) {
        const std::size_t count = static_cast<std::size_t>(m_count);
        const Variable* x = nullptr;
        const Variable* y = nullptr;
        for (const Variable& var : m_vars)
            if ((var.meaning.role == Role::X || var.meaning.role == Role::Y) &&
                var.dims.size() >= m_spatial.size() &&
                std::equal(m_spatial.begin(), m_spatial.end(),
                           var.dims.end() - static_cast<std::ptrdiff_t>(m_spatial.size())))
                (var.meaning.role == Role::X ? x : y) =
                    var.meaning.role == Role::X ? (x ? x : &var) : (y ? y : &var);
        if (x && y) {
            samples.columns.push_back({Label(x->name, *x), Values(*x)});
            samples.columns.push_back({Label(y->name, *y), Values(*y)});
            return;
        }
        if (m_spatial.size() != 2) FailNoCoordinates(shape);
        // The axes: the coordinate variable of each dimension.
        std::vector<double> axes[2];
        const Variable* axisVars[2] = {nullptr, nullptr};
        for (std::size_t a = 0; a < 2; ++a) {
            for (const Variable& var : m_vars)
                if (var.dims.size() == 1 && var.dims[0] == m_spatial[a] && var.name == Dim(m_spatial[a]))
                    axisVars[a] = &var;
            if (!axisVars[a]) FailNoCoordinates(shape);
            const std::size_t n = m_dims[static_cast<std::size_t>(m_spatial[a])].length;
            axes[a].resize(n);
            Check(nc_get_var_double(m_nc.Id(), axisVars[a]->id, axes[a].data()),
                  "Die Variable " + axisVars[a]->name);
        }
        // The fastest dimension is x unless its coordinate variable says y.
        const bool xFirst = !(axisVars[1]->meaning.role == Role::Y || axisVars[0]->meaning.role == Role::X);
        const std::size_t ni = axes[1].size();
        std::vector<double> xs(count), ys(count);
        for (std::size_t s = 0; s < count; ++s) {
            const double slow = axes[0][s / ni], fast = axes[1][s % ni];
            xs[s] = xFirst ? fast : slow;
            ys[s] = xFirst ? slow : fast;
        }
        const Variable& xv = xFirst ? *axisVars[1] : *axisVars[0];
        const Variable& yv = xFirst ? *axisVars[0] : *axisVars[1];
        samples.columns.push_back({Label(xv.name, xv), std::move(xs)});
        samples.columns.push_back({Label(yv.name, yv), std::move(ys)});
    }

    [[noreturn]] void FailNoCoordinates(const Variable& shape) const {
        Fail(m_file, Whole(),
             "Keine Koordinaten für " + shape.name + " (" + SpatialNames() +
                 ") gefunden: weder Koordinatenvariablen dieser Dimensionen noch Variablen x und y über "
                 "ihnen.",
             "no coordinates found for " + shape.name + " (" + SpatialNames() +
                 "): neither coordinate variables of these dimensions nor variables x and y over them.");
    }

    [[noreturn]] void FailShape(const Variable& var, const std::string& german,
                                const std::string& english) const {
        Fail(m_file, Whole(), var.name + " hat " + german + ".", var.name + " has " + english + ".");
    }

    [[noreturn]] void FailNoVelocity() const {
        SampleSet names;
        for (const Variable& var : m_vars) names.columns.push_back({var.name, {}});
        formats::FailNoVelocity(names, m_file, Whole());
    }

    std::string m_file;
    NcFile m_nc;
    std::vector<Dimension> m_dims;
    std::vector<Variable> m_vars;
    std::vector<int> m_spatial;  // the field's dimensions, the fastest last
    std::int64_t m_count = 0;    // nodes of one frame
    int m_frameDim = -1;         // the dimension that counts frames, if any
    std::int64_t m_frame = 0;    // the frame read
};

}  // namespace

bool LooksLikeNetcdf(std::string_view bytes) {
    return bytes.starts_with(std::string_view("CDF\x01", 4)) ||
           bytes.starts_with(std::string_view("CDF\x02", 4)) ||
           bytes.starts_with(std::string_view("CDF\x05", 4)) || bytes.starts_with(kHdf5Signature);
}

void ReadNetcdfFile(const std::string& path, const std::string& file, DataSetArrays& out,
                    std::int64_t frame) {
    try {
        NetcdfReader(path, file).Read(out, frame);
    } catch (...) {
        out.Release();
        throw;
    }
}

std::int64_t NetcdfFrameCount(const std::string& path, const std::string& file) {
    return NetcdfReader(path, file).FrameCount();
}

void ReadNetcdf(std::string_view bytes, const std::string& file, DataSetArrays& out) {
    const TemporaryFile copy(bytes, ".nc", file);
    ReadNetcdfFile(copy.Path(), file, out);
}

}  // namespace formats
