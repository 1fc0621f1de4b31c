#include "formats/vtk_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "formats/data_set_builder.h"
#include "formats/field_roles.h"
#include "formats/read_error.h"
#include "formats/vtk_grid.h"

namespace formats {

namespace {

// What a cell type makes of a plane: a polygon of its first CORNERS ids (the rest are the
// midside nodes of higher-order cells), a strip of triangles, a solid whose face on the front
// plane is taken, or nothing (vertices and lines).
enum class Shape { Polygon, Pixel, Strip, Solid, None, Unknown };
struct CellKind {
    Shape shape;
    std::size_t corners;  // 0: all ids
};

CellKind KindOf(std::uint8_t type) {
    switch (type) {
        case 0:  // an empty cell
        case 1:
        case 2:
        case 3:
        case 4:
        case 21:
        case 35:
        case 68:
        case 75:
            return {Shape::None, 0};
        case 5:
        case 22:
        case 69:
            return {Shape::Polygon, 3};
        case 7:
            return {Shape::Polygon, 0};
        case 9:
        case 23:
        case 28:
        case 70:
            return {Shape::Polygon, 4};
        case 6:
            return {Shape::Strip, 0};
        case 8:
            return {Shape::Pixel, 4};
        case 10:
        case 24:
        case 71:
            return {Shape::Solid, 4};
        case 11:
        case 12:
        case 25:
        case 29:
        case 33:
        case 72:
            return {Shape::Solid, 8};
        case 13:
        case 26:
        case 32:
        case 73:
            return {Shape::Solid, 6};
        case 14:
        case 27:
        case 74:
            return {Shape::Solid, 5};
        case 15:
            return {Shape::Solid, 10};
        case 16:
            return {Shape::Solid, 12};
        case 42:
            return {Shape::Solid, 0};
        default:
            return {Shape::Unknown, 0};
    }
}

// Which points lie on the plane that is read.
struct Plane {
    bool thick = false;  // one cell thick: only points at front lie on it
    double front = 0, tolerance = 0;
    bool On(double z) const { return !thick || std::fabs(z - front) <= tolerance; }
};

Plane FindPlane(const VtkCells& cells, const std::string& file) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo, extent = 0;
    double xlo = lo, xhi = hi, ylo = lo, yhi = hi;
    for (std::size_t p = 0; p < cells.z.size(); ++p) {
        if (!std::isfinite(cells.z[p]))
            Fail(file, Whole(),
                 "Die z-Koordinate von Punkt " + Num(static_cast<std::int64_t>(p)) +
                     " ist keine endliche Zahl.",
                 "the z coordinate of point " + Num(static_cast<std::int64_t>(p)) +
                     " is not a finite number.");
        lo = std::min(lo, cells.z[p]);
        hi = std::max(hi, cells.z[p]);
        if (std::isfinite(cells.x[p]) && std::isfinite(cells.y[p])) {
            xlo = std::min(xlo, cells.x[p]);
            xhi = std::max(xhi, cells.x[p]);
            ylo = std::min(ylo, cells.y[p]);
            yhi = std::max(yhi, cells.y[p]);
        }
    }
    Plane plane;
    if (cells.z.empty()) return plane;
    extent = std::max(xhi - xlo, yhi - ylo);
    plane.front = lo;
    // Noise of text rounding in z keeps a plane a plane.
    if (hi - lo <= 1e-7 * std::max({extent, std::fabs(lo), std::fabs(hi)})) return plane;
    plane.thick = true;
    plane.tolerance = 1e-6 * (hi - lo);
    for (const double z : cells.z)
        if (!(std::fabs(z - lo) <= plane.tolerance || std::fabs(z - hi) <= plane.tolerance))
            Fail(file, Whole(),
                 "Das Netz ist dreidimensional: seine Punkte liegen auf mehr als zwei z-Werten (von " +
                     Num(lo) + " bis " + Num(hi) +
                     "). Gelesen werden ebene Netze und Netze, die eine Zelle dick sind; eine Ebene eines "
                     "3-D-Netzes wird nicht geschnitten.",
                 "the mesh is three-dimensional: its points lie at more than two z values (from " + Num(lo) +
                     " to " + Num(hi) +
                     "). Plane meshes and meshes one cell thick are read; a plane of a 3-D mesh is not cut.");
    return plane;
}

// The corners of cell C on PLANE, in order round it, into CORNERS; false when the cell makes no
// area there (vertices, lines, a solid with fewer than three corners on the plane).
bool FrontCorners(const VtkCells& cells, std::int64_t c, const Plane& plane, const std::string& file,
                  std::vector<std::int64_t>& corners, bool& strip) {
    corners.clear();
    const std::uint8_t type = cells.types[static_cast<std::size_t>(c)];
    const CellKind kind = KindOf(type);
    if (kind.shape == Shape::Unknown)
        Fail(file, Whole(),
             "Zelle " + Num(c + 1) + " hat den VTK-Zelltyp " + std::to_string(type) +
                 ", der nicht gelesen wird.",
             "cell " + Num(c + 1) + " has VTK cell type " + std::to_string(type) + ", which is not read.");
    strip = kind.shape == Shape::Strip;
    if (kind.shape == Shape::None) return false;
    const auto begin = static_cast<std::size_t>(cells.offsets[static_cast<std::size_t>(c)]),
               end = static_cast<std::size_t>(cells.offsets[static_cast<std::size_t>(c) + 1]);
    const std::size_t n = kind.corners == 0 ? end - begin : std::min(kind.corners, end - begin);
    const double points = static_cast<double>(cells.x.size());
    for (std::size_t k = begin; k < begin + n; ++k) {
        const double id = cells.connectivity[k];
        if (!(id >= 0 && id < points) || std::floor(id) != id)
            Fail(file, Whole(),
                 "Zelle " + Num(c + 1) + " verweist auf Punkt " + Num(id) + ", das Netz hat " +
                     Num(static_cast<std::int64_t>(points)) + " Punkte.",
                 "cell " + Num(c + 1) + " refers to point " + Num(id) + ", and the mesh has " +
                     Num(static_cast<std::int64_t>(points)) + " points.");
        const auto p = static_cast<std::int64_t>(id);
        if (plane.On(cells.z[static_cast<std::size_t>(p)])) corners.push_back(p);
    }
    if (kind.shape == Shape::Pixel && corners.size() == 4) std::swap(corners[2], corners[3]);
    if (kind.shape == Shape::Solid || (plane.thick && corners.size() < n)) {
        // A solid's ids follow no path round its front face: they are put in order of their
        // angle about the face's centre, which the faces of real cells (convex) allow.
        std::sort(corners.begin(), corners.end());
        corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
        double cx = 0, cy = 0;
        for (const std::int64_t p : corners) {
            cx += cells.x[static_cast<std::size_t>(p)];
            cy += cells.y[static_cast<std::size_t>(p)];
        }
        cx /= static_cast<double>(std::max<std::size_t>(corners.size(), 1));
        cy /= static_cast<double>(std::max<std::size_t>(corners.size(), 1));
        auto angle = [&](std::int64_t p) {
            return std::atan2(cells.y[static_cast<std::size_t>(p)] - cy,
                              cells.x[static_cast<std::size_t>(p)] - cx);
        };
        std::sort(corners.begin(), corners.end(),
                  [&](std::int64_t a, std::int64_t b) { return angle(a) < angle(b); });
        strip = false;
    }
    return corners.size() >= 3;
}

}  // namespace

void AppendCells(VtkCells& cells, const std::vector<double>& endOffsets, const std::vector<double>& ids,
                 std::uint8_t type, const std::string& file) {
    const std::int64_t base = cells.offsets.back();
    double previous = 0;
    for (const double end : endOffsets) {
        if (!(end >= previous && end <= static_cast<double>(ids.size())) || std::floor(end) != end)
            Fail(file, Whole(),
                 "Die Versätze (offsets) der Zellen laufen nicht aufsteigend bis zur Zahl ihrer Punkte (" +
                     Num(static_cast<std::int64_t>(ids.size())) + ").",
                 "the cells' offsets do not run upwards to the number of their point ids (" +
                     Num(static_cast<std::int64_t>(ids.size())) + ").");
        previous = end;
        cells.offsets.push_back(base + static_cast<std::int64_t>(end));
        cells.types.push_back(type);
    }
    cells.connectivity.insert(cells.connectivity.end(), ids.begin(),
                              ids.begin() + static_cast<std::ptrdiff_t>(previous));
}

void AppendEmptyCells(VtkCells& cells, std::int64_t count, std::uint8_t type) {
    cells.offsets.insert(cells.offsets.end(), static_cast<std::size_t>(count), cells.offsets.back());
    cells.types.insert(cells.types.end(), static_cast<std::size_t>(count), type);
}

void BuildMeshDataSet(VtkCells& cells, SampleSet& points, SampleSet& cellData, LatticeSize size,
                      const std::string& file, const std::string& format, DataSetArrays& out) {
    const std::int64_t pointCount = cells.PointCount(), cellCount = cells.CellCount();
    if (static_cast<std::int64_t>(cells.offsets.size()) != cellCount + 1 ||
        static_cast<std::int64_t>(cells.y.size()) != pointCount ||
        static_cast<std::int64_t>(cells.z.size()) != pointCount)
        Fail(file, Whole(), "Die Zellen des Netzes passen nicht zu ihren Punkten.",
             "the mesh's cells do not fit its points.");
    const Plane plane = FindPlane(cells, file);

    PlaneMesh mesh;
    std::vector<std::int64_t> corners;
    bool strip = false;
    for (std::int64_t c = 0; c < cellCount; ++c) {
        if (!FrontCorners(cells, c, plane, file, corners, strip)) continue;
        if (strip) {
            for (std::size_t k = 0; k + 2 < corners.size(); ++k) {
                mesh.connectivity.insert(mesh.connectivity.end(),
                                         corners.begin() + static_cast<std::ptrdiff_t>(k),
                                         corners.begin() + static_cast<std::ptrdiff_t>(k + 3));
                mesh.offsets.push_back(static_cast<std::int64_t>(mesh.connectivity.size()));
            }
        } else {
            mesh.connectivity.insert(mesh.connectivity.end(), corners.begin(), corners.end());
            mesh.offsets.push_back(static_cast<std::int64_t>(mesh.connectivity.size()));
        }
    }

    // Point data where it holds a velocity; else cell data, each point taking the mean of the
    // cells round it on the plane.
    SampleSet* samples = &points;
    std::string data = ", point data";
    FieldRoles roles = AssignRoles(points, false);
    if (roles.u < 0 || roles.v < 0) {
        roles = AssignRoles(cellData, false);
        if (roles.u < 0 || roles.v < 0) {
            SampleSet all;
            for (const SampleSet* set : {&points, &cellData})
                for (const Column& col : set->columns) all.columns.push_back({col.name, {}});
            FailNoVelocity(all, file, Whole());
        }
        ReleaseUnusedColumns(cellData, roles);
        std::vector<double> count(static_cast<std::size_t>(pointCount), 0.0);
        for (std::int64_t c = 0; c < cellCount; ++c)
            if (FrontCorners(cells, c, plane, file, corners, strip))
                for (const std::int64_t p : corners) count[static_cast<std::size_t>(p)] += 1;
        for (Column& col : cellData.columns) {
            if (col.values.empty()) continue;
            std::vector<double> sum(static_cast<std::size_t>(pointCount), 0.0);
            for (std::int64_t c = 0; c < cellCount; ++c)
                if (FrontCorners(cells, c, plane, file, corners, strip))
                    for (const std::int64_t p : corners)
                        sum[static_cast<std::size_t>(p)] += col.values[static_cast<std::size_t>(c)];
            for (std::size_t p = 0; p < sum.size(); ++p)
                sum[p] = count[p] > 0 ? sum[p] / count[p] : std::numeric_limits<double>::quiet_NaN();
            col.values = std::move(sum);
        }
        points = {};
        samples = &cellData;
        data = ", cell data averaged to points";
    } else {
        cellData = {};
        ReleaseUnusedColumns(points, roles);
    }
    mesh.x = std::move(cells.x);
    mesh.y = std::move(cells.y);
    const double front = plane.front;
    cells = {};
    BuildResampledDataSet(std::move(mesh), *samples, roles, front, size, pointCount, cellCount, file,
                          format + data, out);
}

void BuildStructuredDataSet(const std::int64_t dims[3], std::vector<double>&& x, std::vector<double>&& y,
                            std::vector<double>&& z, SampleSet& points, SampleSet& cellData, LatticeSize size,
                            const std::string& file, const std::string& format, DataSetArrays& out) {
    const std::int64_t ni = dims[0], nj = dims[1], nk = dims[2];
    const auto count = static_cast<std::size_t>(ni * nj * nk);
    if (x.size() != count || y.size() != count || z.size() != count)
        Fail(file, Whole(), "Die Punkte passen nicht zu den Abmessungen des Gitters.",
             "the points do not fit the grid's dimensions.");
    // A lattice written point by point (as PIVlab writes its VTK) is read as the lattice it is.
    bool lattice = true;
    for (std::int64_t k = 0, n = 0; lattice && k < nk; ++k)
        for (std::int64_t j = 0; lattice && j < nj; ++j)
            for (std::int64_t i = 0; i < ni; ++i, ++n) {
                const auto at = static_cast<std::size_t>(n);
                if (x[at] != x[static_cast<std::size_t>(i)] || y[at] != y[static_cast<std::size_t>(j * ni)] ||
                    z[at] != z[static_cast<std::size_t>(k * ni * nj)]) {
                    lattice = false;
                    break;
                }
            }
    if (lattice) {
        GridAxes axes;
        for (std::int64_t i = 0; i < ni; ++i) axes.x.push_back(x[static_cast<std::size_t>(i)]);
        for (std::int64_t j = 0; j < nj; ++j) axes.y.push_back(y[static_cast<std::size_t>(j * ni)]);
        for (std::int64_t k = 0; k < nk; ++k) axes.z.push_back(z[static_cast<std::size_t>(k * ni * nj)]);
        BuildVtkDataSet(axes, points, cellData, file, format, out);
        return;
    }
    // Otherwise the grid's cells, in VTK's order of a structured grid's cells (x fastest, an axis
    // of one point counting one cell), as quads over the two axes it spans, or hexahedra.
    VtkCells cells;
    cells.x = std::move(x);
    cells.y = std::move(y);
    cells.z = std::move(z);
    const std::int64_t d[3] = {ni, nj, nk};
    const std::int64_t stride[3] = {1, ni, ni * nj};
    std::vector<int> spans;
    for (int a = 0; a < 3; ++a)
        if (d[a] > 1) spans.push_back(a);
    const std::int64_t ci = std::max<std::int64_t>(ni - 1, 1), cj = std::max<std::int64_t>(nj - 1, 1),
                       ck = std::max<std::int64_t>(nk - 1, 1);
    for (std::int64_t k = 0; k < ck; ++k)
        for (std::int64_t j = 0; j < cj; ++j)
            for (std::int64_t i = 0; i < ci; ++i) {
                const std::int64_t base = i + j * ni + k * ni * nj;
                auto add = [&](std::int64_t p) { cells.connectivity.push_back(static_cast<double>(p)); };
                if (spans.size() == 3) {
                    for (const std::int64_t layer : {std::int64_t{0}, stride[2]}) {
                        add(base + layer);
                        add(base + layer + 1);
                        add(base + layer + 1 + ni);
                        add(base + layer + ni);
                    }
                    cells.types.push_back(kVtkHexahedron);
                } else if (spans.size() == 2) {
                    const std::int64_t a = stride[spans[0]], b = stride[spans[1]];
                    add(base);
                    add(base + a);
                    add(base + a + b);
                    add(base + b);
                    cells.types.push_back(kVtkQuad);
                } else {
                    cells.types.push_back(kVtkLine);
                }
                cells.offsets.push_back(static_cast<std::int64_t>(cells.connectivity.size()));
            }
    BuildMeshDataSet(cells, points, cellData, size, file, format, out);
}

}  // namespace formats
