#include "formats/data_set_builder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "formats/limits.h"
#include "formats/vorticity.h"

namespace formats {

namespace {

void CheckAxis(const std::vector<double>& axis, const char* name, std::int64_t least,
               const std::string& file) {
    const auto n = static_cast<std::int64_t>(axis.size());
    const std::string s(name);
    if (n < least)
        Fail(file, Whole(),
             "Alle Punkte haben denselben " + s + "-Wert " + Num(axis.front()) +
                 "; ein Strömungsfeld braucht mindestens zwei verschiedene.",
             "every point has the same " + s + " value " + Num(axis.front()) +
                 "; a flow field needs at least two distinct ones.");
    if (n > kMaxAxisCount)
        Fail(file, Whole(),
             "Das Gitter hat " + Num(n) + " verschiedene " + s + "-Werte; höchstens 32767 sind möglich.",
             "the lattice has " + Num(n) + " distinct " + s + " values; at most 32767 are possible.");
    // The scene holds single-precision coordinates; two lines that meet there would make a cell
    // of no width.
    for (double v : axis)
        if (!std::isfinite(static_cast<float>(v)))
            Fail(file, Whole(),
                 "Der " + s + "-Wert " + Num(v) + " liegt außerhalb der einfachen Genauigkeit.",
                 "the " + s + " value " + Num(v) + " lies beyond single precision.");
    for (std::size_t i = 1; i < axis.size(); ++i)
        if (!(static_cast<float>(axis[i]) > static_cast<float>(axis[i - 1])))
            Fail(file, Whole(),
                 "Die " + s + "-Werte " + Num(axis[i - 1]) + " und " + Num(axis[i]) +
                     " liegen zu dicht beieinander, um in einfacher Genauigkeit verschieden zu sein.",
                 "the " + s + " values " + Num(axis[i - 1]) + " and " + Num(axis[i]) +
                     " are too close together to differ in single precision.");
}

bool Valid(Validity rule, double value) {
    switch (rule) {
        case Validity::ZeroIsValid:
            return value == 0.0;
        case Validity::PositiveIsValid:
            return value > 0.0;
        case Validity::NonzeroIsValid:
            return value != 0.0 && !std::isnan(value);
    }
    return true;
}

// The first dozen names, each cut short, for a message.
std::string ColumnNames(const SampleSet& samples) {
    constexpr std::size_t kShown = 12;
    std::string names;
    for (std::size_t c = 0; c < samples.columns.size() && c < kShown; ++c)
        names.append(c ? ", \"" : "\"").append(Excerpt(samples.columns[c].name)).append("\"");
    if (samples.columns.size() > kShown) names += ", \u2026";
    return names.empty() ? "-" : names;
}

}  // namespace

void ReleaseUnusedColumns(SampleSet& samples, const FieldRoles& roles) {
    std::vector<bool> used(samples.columns.size(), false);
    for (const int c : {roles.x, roles.y, roles.z, roles.u, roles.v, roles.p, roles.w})
        if (c >= 0) used[static_cast<std::size_t>(c)] = true;
    for (const ValidityColumn& c : roles.validity) used[static_cast<std::size_t>(c.column)] = true;
    for (std::size_t c = 0; c < used.size(); ++c)
        if (!used[c]) std::vector<double>().swap(samples.columns[c].values);
}

void FailNoCoordinates(const SampleSet& samples, const std::string& file, const Place& where) {
    const std::string names = ColumnNames(samples);
    Fail(file, where, "Keine Spalten für x und y gefunden (vorhanden: " + names + ").",
         "no columns for x and y found (the file has: " + names + ").");
}

void FailNoVelocity(const SampleSet& samples, const std::string& file, const Place& where) {
    const std::string names = ColumnNames(samples);
    Fail(file, where,
         "Keine Geschwindigkeit gefunden (vorhanden: " + names +
             "). Erkannt werden u und v, U, Vx und Vy, velocity oder der erste Vektor.",
         "no velocity found (the file has: " + names +
             "). Recognised are u and v, U, Vx and Vy, velocity, or the first vector.");
}

void BuildDataSet(const SampleSet& samples, const FieldRoles& roles, const Lattice& lattice,
                  const std::string& file, const std::string& format, DataSetArrays& out) {
    if (roles.u < 0 || roles.v < 0) FailNoVelocity(samples, file, Whole());
    CheckAxis(lattice.x, "x", 2, file);
    CheckAxis(lattice.y, "y", 2, file);
    CheckAxis(lattice.z, "z", 1, file);
    const std::int64_t ni = static_cast<std::int64_t>(lattice.x.size()),
                       nj = static_cast<std::int64_t>(lattice.y.size()),
                       nk = static_cast<std::int64_t>(lattice.z.size());
    if (lattice.NodeCount() > kMaxNodes)
        Fail(file, Whole(),
             "Das Gitter hat " + Num(lattice.NodeCount()) + " Knoten; höchstens " + Num(kMaxNodes) +
                 " sind möglich.",
             "the lattice has " + Num(lattice.NodeCount()) + " nodes; at most " + Num(kMaxNodes) +
                 " are possible.");

    out.Release();
    out.notes.format = format;
    if (!out.Allocate(ni, nj, nk))
        Fail(file, Whole(), "Nicht genügend Arbeitsspeicher für " + Num(lattice.NodeCount()) + " Knoten.",
             "not enough memory for " + Num(lattice.NodeCount()) + " nodes.", messages::kAppCaption);

    auto column = [&](int c) { return samples.columns[static_cast<std::size_t>(c)].values.data(); };
    const double* u = column(roles.u);
    const double* v = column(roles.v);
    const double* p = roles.p >= 0 ? column(roles.p) : nullptr;
    const double* w = roles.w >= 0 ? column(roles.w) : nullptr;
    std::vector<std::uint8_t> invalid(static_cast<std::size_t>(out.NodeCount()), 0);
    std::int64_t invalidCount = 0;
    for (std::int64_t k = 0, node = 0; k < nk; ++k)
        for (std::int64_t j = 0; j < nj; ++j)
            for (std::int64_t i = 0; i < ni; ++i, ++node) {
                const auto n = static_cast<std::size_t>(node);
                const auto s = static_cast<std::size_t>(lattice.SampleAt(node));
                out.nodes[n] = {static_cast<float>(lattice.x[static_cast<std::size_t>(i)]),
                                static_cast<float>(lattice.y[static_cast<std::size_t>(j)])};
                const auto fu = static_cast<float>(u[s]), fv = static_cast<float>(v[s]);
                bool ok = std::isfinite(fu) && std::isfinite(fv);
                for (const ValidityColumn& c : roles.validity) ok = ok && Valid(c.rule, column(c.column)[s]);
                out.u[n] = ok ? fu : 0.0f;
                out.v[n] = ok ? fv : 0.0f;
                out.p[n] = p ? static_cast<float>(p[s]) : 0.0f;
                if (w) out.w[n] = static_cast<float>(w[s]);
                if (!ok) {
                    invalid[n] = 1;
                    ++invalidCount;
                }
            }
    if (!w) ComputeVorticity(lattice.x, lattice.y, nk, out.u.get(), out.v.get(), invalid, out.w.get());
    const auto label = [&](int c) {
        return c < 0 ? FieldLabel{} : SplitUnit(samples.columns[static_cast<std::size_t>(c)].name);
    };
    out.notes.x = label(roles.x);
    out.notes.y = label(roles.y);
    out.notes.u = label(roles.u);
    out.notes.v = label(roles.v);
    out.notes.p = label(roles.p);
    out.notes.w = label(roles.w);
    if (invalidCount > 0) out.notes.invalid = std::move(invalid);
    out.notes.invalidNodes = invalidCount;
    out.notes.pressureMissing = p == nullptr;
    out.notes.vorticityComputed = w == nullptr;
}

void BuildResampledDataSet(PlaneMesh&& mesh, SampleSet& samples, const FieldRoles& roles, double z,
                           LatticeSize size, std::int64_t points, std::int64_t cells, const std::string& file,
                           const std::string& format, DataSetArrays& out) {
    std::vector<int> used;
    for (const int c : {roles.u, roles.v, roles.p, roles.w})
        if (c >= 0) used.push_back(c);
    for (const ValidityColumn& v : roles.validity) used.push_back(v.column);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    std::vector<const std::vector<double>*> fields;
    for (const int c : used) fields.push_back(&samples.columns[static_cast<std::size_t>(c)].values);

    ResampledMesh sampled = ResampleMesh(mesh, fields, size, file);
    mesh = {};
    for (std::size_t k = 0; k < used.size(); ++k) {
        std::vector<double>& values = samples.columns[static_cast<std::size_t>(used[k])].values;
        values = std::move(sampled.values[k]);
        // Outside the mesh there is no pressure or vorticity to show either.
        if (used[k] == roles.p || used[k] == roles.w)
            for (std::size_t n = 0; n < values.size(); ++n)
                if (!sampled.inside[n]) values[n] = 0.0;
    }
    Lattice lattice;
    lattice.x = std::move(sampled.x);
    lattice.y = std::move(sampled.y);
    lattice.z = {z};
    BuildDataSet(samples, roles, lattice, file, format, out);
    out.notes.meshPoints = points;
    out.notes.meshCells = cells;
    out.notes.nodesOutsideMesh = sampled.outsideNodes;
}

}  // namespace formats
