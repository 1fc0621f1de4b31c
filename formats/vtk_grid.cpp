#include "formats/vtk_grid.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "formats/data_set_builder.h"
#include "formats/field_roles.h"
#include "formats/read_error.h"

namespace formats {

namespace {

std::int64_t Cells(const std::vector<double>& axis) {
    return axis.size() > 1 ? static_cast<std::int64_t>(axis.size()) - 1
                           : static_cast<std::int64_t>(axis.size());
}

std::vector<double> Centres(const std::vector<double>& axis) {
    if (axis.size() < 2) return axis;
    std::vector<double> c(axis.size() - 1);
    for (std::size_t i = 0; i + 1 < axis.size(); ++i) c[i] = axis[i] + (axis[i + 1] - axis[i]) / 2;
    return c;
}

// Whether AXIS runs down; throws when it is neither strictly increasing nor decreasing.
bool Descending(const std::vector<double>& axis, const char* name, const std::string& file) {
    for (double v : axis)
        if (!std::isfinite(v))
            Fail(file, Whole(), std::string("Eine ") + name + "-Koordinate ist keine endliche Zahl.",
                 std::string("an ") + name + " coordinate is not a finite number.");
    if (axis.size() < 2) return false;
    const bool down = axis[1] < axis[0];
    for (std::size_t i = 1; i < axis.size(); ++i)
        if (down ? !(axis[i] < axis[i - 1]) : !(axis[i] > axis[i - 1]))
            Fail(file, Whole(),
                 std::string("Die ") + name + "-Koordinaten laufen nicht in einer Richtung (bei " +
                     Num(axis[i - 1]) + " und " + Num(axis[i]) + ").",
                 std::string("the ") + name + " coordinates do not run one way (at " + Num(axis[i - 1]) +
                     " and " + Num(axis[i]) + ").");
    return down;
}

Lattice LatticeOf(std::vector<double> x, std::vector<double> y, std::vector<double> z,
                  const std::string& file) {
    const bool fx = Descending(x, "x", file), fy = Descending(y, "y", file), fz = Descending(z, "z", file);
    Lattice l;
    const std::size_t ni = x.size(), nj = y.size(), nk = z.size();
    if (fx || fy || fz) {
        l.sampleOf.resize(ni * nj * nk);
        for (std::size_t k = 0, node = 0; k < nk; ++k)
            for (std::size_t j = 0; j < nj; ++j)
                for (std::size_t i = 0; i < ni; ++i, ++node) {
                    const std::size_t si = fx ? ni - 1 - i : i, sj = fy ? nj - 1 - j : j,
                                      sk = fz ? nk - 1 - k : k;
                    l.sampleOf[node] = static_cast<std::int64_t>((sk * nj + sj) * ni + si);
                }
    }
    if (fx) std::reverse(x.begin(), x.end());
    if (fy) std::reverse(y.begin(), y.end());
    if (fz) std::reverse(z.begin(), z.end());
    l.x = std::move(x);
    l.y = std::move(y);
    l.z = std::move(z);
    return l;
}

}  // namespace

std::int64_t GridAxes::PointCount() const {
    return static_cast<std::int64_t>(x.size()) * static_cast<std::int64_t>(y.size()) *
           static_cast<std::int64_t>(z.size());
}

std::int64_t GridAxes::CellCount() const {
    return Cells(x) * Cells(y) * Cells(z);
}

std::vector<double> ImageAxis(double origin, double spacing, std::int64_t n) {
    std::vector<double> axis(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < axis.size(); ++i) axis[i] = origin + static_cast<double>(i) * spacing;
    return axis;
}

void BuildVtkDataSet(const GridAxes& axes, SampleSet& points, SampleSet& cells, const std::string& file,
                     const std::string& format, DataSetArrays& out) {
    const FieldRoles pointRoles = AssignRoles(points, false);
    if (pointRoles.u >= 0 && pointRoles.v >= 0) {
        cells = {};
        ReleaseUnusedColumns(points, pointRoles);
        BuildDataSet(points, pointRoles, LatticeOf(axes.x, axes.y, axes.z, file), file,
                     format + ", point data", out);
        return;
    }
    const FieldRoles cellRoles = AssignRoles(cells, false);
    if (cellRoles.u >= 0 && cellRoles.v >= 0) {
        points = {};
        ReleaseUnusedColumns(cells, cellRoles);
        BuildDataSet(cells, cellRoles, LatticeOf(Centres(axes.x), Centres(axes.y), Centres(axes.z), file),
                     file, format + ", cell data", out);
        return;
    }
    SampleSet all;
    for (const SampleSet* set : {&points, &cells})
        for (const Column& c : set->columns) all.columns.push_back({c.name, {}});
    FailNoVelocity(all, file, Whole());
}

}  // namespace formats
