#include "formats/mesh_resampler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

#include "base/data_set.h"
#include "base/memory_budget.h"
#include "formats/checked_size.h"
#include "formats/limits.h"
#include "formats/read_error.h"

namespace formats {

namespace {

// How far outside a triangle, in its barycentric coordinates, a node still counts as inside:
// nodes on an edge or a corner shared by cells, or on the mesh's boundary, must not fall
// between them through rounding.
constexpr double kEdgeSlack = 1e-9;

// The lattice's nodes along one axis: evenly spaced from LOW, the last exactly at HIGH so that
// the box's corners are nodes.
struct Axis {
    double low, high, step;
    std::int64_t n;

    double At(std::int64_t i) const { return i == n - 1 ? high : low + static_cast<double>(i) * step; }
    // The first and last node within [A, B], clamped to the lattice; first > last when none is.
    std::int64_t First(double a) const {
        return std::max<std::int64_t>(0, static_cast<std::int64_t>(std::ceil((a - low) / step - 1e-9)));
    }
    std::int64_t Last(double b) const {
        const double f = std::floor((b - low) / step + 1e-9);
        return f < 0 ? -1 : std::min<std::int64_t>(n - 1, static_cast<std::int64_t>(f));
    }
};

Axis MakeAxis(double low, double high, std::int64_t n) {
    return {low, high, (high - low) / static_cast<double>(n - 1), n};
}

// The corners of cell C into CORNERS: its ids with a point repeated next to itself (a quad
// collapsed to a triangle, a polygon closed on its first point) taken once.
void Corners(const PlaneMesh& mesh, std::int64_t c, std::vector<std::int64_t>& corners) {
    corners.clear();
    const auto begin = static_cast<std::size_t>(mesh.offsets[static_cast<std::size_t>(c)]);
    const auto end = static_cast<std::size_t>(mesh.offsets[static_cast<std::size_t>(c) + 1]);
    for (std::size_t k = begin; k < end; ++k) {
        const std::int64_t id = mesh.connectivity[k];
        if (corners.empty() || corners.back() != id) corners.push_back(id);
    }
    while (corners.size() > 1 && corners.back() == corners.front()) corners.pop_back();
}

std::string CellText(std::int64_t c) {
    return Num(c + 1);
}

}  // namespace

LatticeSize DefaultLatticeSize(double width, double height, std::int64_t points) {
    const double n = static_cast<double>(std::max<std::int64_t>(points, 4));
    const auto side = [](double v) {
        return std::clamp<std::int64_t>(std::llround(std::min(v, 1e9)), kMinAxisCount, kMaxDefaultSide);
    };
    return {side(std::sqrt(n * width / height)), side(std::sqrt(n * height / width))};
}

ResampledMesh ResampleMesh(const PlaneMesh& mesh, const std::vector<const std::vector<double>*>& fields,
                           LatticeSize size, const std::string& file) {
    const std::int64_t points = mesh.PointCount(), cells = mesh.CellCount();
    if (static_cast<std::int64_t>(mesh.y.size()) != points || mesh.offsets.empty() ||
        mesh.offsets.front() != 0 ||
        mesh.offsets.back() != static_cast<std::int64_t>(mesh.connectivity.size()))
        Fail(file, Whole(), "Die Zellen des Netzes passen nicht zu ihren Punkten.",
             "the mesh's cells do not fit its points.");
    for (const std::vector<double>* f : fields)
        if (static_cast<std::int64_t>(f->size()) != points)
            Fail(file, Whole(), "Ein Feld hat nicht so viele Werte, wie das Netz Punkte hat.",
                 "a field does not hold as many values as the mesh has points.");
    if (cells <= 0) Fail(file, Whole(), "Das Netz hat keine Zellen.", "the mesh has no cells.");

    // Every cell checked, and the box of the points in use measured, before anything is sampled.
    std::vector<std::uint8_t> used(static_cast<std::size_t>(points), 0);
    std::vector<std::int64_t> corners, sorted;
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    ResampledMesh out;
    for (std::int64_t c = 0; c < cells; ++c) {
        const std::int64_t begin = mesh.offsets[static_cast<std::size_t>(c)],
                           end = mesh.offsets[static_cast<std::size_t>(c) + 1];
        if (end < begin)
            Fail(file, Whole(), "Die Zellen des Netzes passen nicht zu ihren Punkten.",
                 "the mesh's cells do not fit its points.");
        for (std::int64_t k = begin; k < end; ++k) {
            const std::int64_t id = mesh.connectivity[static_cast<std::size_t>(k)];
            if (id < 0 || id >= points)
                Fail(file, Whole(),
                     "Zelle " + CellText(c) + " verweist auf Punkt " + Num(id) + ", das Netz hat " +
                         Num(points) + " Punkte.",
                     "cell " + CellText(c) + " refers to point " + Num(id) + ", and the mesh has " +
                         Num(points) + " points.");
            const auto p = static_cast<std::size_t>(id);
            if (!std::isfinite(mesh.x[p]) || !std::isfinite(mesh.y[p]))
                Fail(file, Whole(), "Die Koordinaten von Punkt " + Num(id) + " sind keine endlichen Zahlen.",
                     "the coordinates of point " + Num(id) + " are not finite numbers.");
            if (!used[p]) {
                used[p] = 1;
                ++out.pointsUsed;
                x0 = std::min(x0, mesh.x[p]);
                x1 = std::max(x1, mesh.x[p]);
                y0 = std::min(y0, mesh.y[p]);
                y1 = std::max(y1, mesh.y[p]);
            }
        }
        Corners(mesh, c, corners);
        sorted = corners;
        std::sort(sorted.begin(), sorted.end());
        const auto twice = std::adjacent_find(sorted.begin(), sorted.end());
        if (twice != sorted.end())
            Fail(file, Whole(), "Zelle " + CellText(c) + " enthält Punkt " + Num(*twice) + " zweimal.",
                 "cell " + CellText(c) + " holds point " + Num(*twice) + " twice.");
    }
    std::vector<std::uint8_t>().swap(used);
    if (out.pointsUsed == 0) Fail(file, Whole(), "Das Netz hat keine Zellen.", "the mesh has no cells.");
    if (!(x1 > x0) || !(y1 > y0))
        Fail(file, Whole(), std::string("Das Netz hat keine Ausdehnung in ") + (x1 > x0 ? "y" : "x") + ".",
             std::string("the mesh has no extent in ") + (x1 > x0 ? "y" : "x") + ".");

    if (size.ni == 0 && size.nj == 0) size = DefaultLatticeSize(x1 - x0, y1 - y0, out.pointsUsed);
    const std::optional<std::int64_t> nodes = CheckedMultiply(size.ni, size.nj);
    if (size.ni < kMinAxisCount || size.nj < kMinAxisCount || size.ni > kMaxAxisCount ||
        size.nj > kMaxAxisCount || !nodes || *nodes > kMaxNodes)
        Fail(file, Whole(),
             "Ein Gitter von " + Num(size.ni) + " × " + Num(size.nj) + " Knoten ist nicht möglich.",
             "a lattice of " + Num(size.ni) + " × " + Num(size.nj) + " nodes is not possible.");
    const auto nodeCount = static_cast<std::size_t>(*nodes);
    if (!FitsInMemory(static_cast<std::uint64_t>(nodeCount) * (fields.size() * sizeof(double) + 1)))
        Fail(file, Whole(), "Nicht genügend Arbeitsspeicher für " + Num(*nodes) + " Knoten.",
             "not enough memory for " + Num(*nodes) + " nodes.", messages::kAppCaption);

    const Axis ax = MakeAxis(x0, x1, size.ni), ay = MakeAxis(y0, y1, size.nj);
    out.x.resize(static_cast<std::size_t>(size.ni));
    out.y.resize(static_cast<std::size_t>(size.nj));
    for (std::int64_t i = 0; i < size.ni; ++i) out.x[static_cast<std::size_t>(i)] = ax.At(i);
    for (std::int64_t j = 0; j < size.nj; ++j) out.y[static_cast<std::size_t>(j)] = ay.At(j);
    out.values.assign(fields.size(),
                      std::vector<double>(nodeCount, std::numeric_limits<double>::quiet_NaN()));
    std::vector<std::uint8_t> filled(nodeCount, 0);

    // Each triangle visits the lattice rows it spans and, on each, only the nodes between its
    // edges: the work is the rows and nodes the cells cover. Cells that overlap a great deal
    // (a mesh that is no mesh) could make that far more than the lattice; it is bounded.
    const double budget = 64.0 * (static_cast<double>(nodeCount) + static_cast<double>(cells)) + 1e6;
    double work = 0;
    std::int64_t coveringCells = 0;
    for (std::int64_t c = 0; c < cells; ++c) {
        Corners(mesh, c, corners);
        bool area = false;
        for (std::size_t t = 1; t + 1 < corners.size(); ++t) {
            const std::size_t ia = static_cast<std::size_t>(corners[0]),
                              ib = static_cast<std::size_t>(corners[t]),
                              ic = static_cast<std::size_t>(corners[t + 1]);
            const double xa = mesh.x[ia], ya = mesh.y[ia], xb = mesh.x[ib], yb = mesh.y[ib], xc = mesh.x[ic],
                         yc = mesh.y[ic];
            const double det = (xb - xa) * (yc - ya) - (xc - xa) * (yb - ya);
            if (det == 0.0 || !std::isfinite(det)) continue;
            area = true;
            const double ylo = std::min({ya, yb, yc}), yhi = std::max({ya, yb, yc});
            const std::int64_t jFirst = ay.First(ylo), jLast = ay.Last(yhi);
            const double ex[3][2] = {{xa, xb}, {xb, xc}, {xc, xa}}, ey[3][2] = {{ya, yb}, {yb, yc}, {yc, ya}};
            for (std::int64_t j = jFirst; j <= jLast; ++j) {
                const double yn = ay.At(j), yr = std::clamp(yn, ylo, yhi);
                double xl = std::numeric_limits<double>::infinity(), xr = -xl;
                for (int e = 0; e < 3; ++e) {
                    const double p = ey[e][0], q = ey[e][1];
                    if (yr < std::min(p, q) || yr > std::max(p, q)) continue;
                    if (p == q) {
                        xl = std::min({xl, ex[e][0], ex[e][1]});
                        xr = std::max({xr, ex[e][0], ex[e][1]});
                    } else {
                        const double xe = ex[e][0] + (yr - p) / (q - p) * (ex[e][1] - ex[e][0]);
                        xl = std::min(xl, xe);
                        xr = std::max(xr, xe);
                    }
                }
                const std::int64_t iFirst = ax.First(xl), iLast = ax.Last(xr);
                work += 1.0 + static_cast<double>(std::max<std::int64_t>(0, iLast - iFirst + 1));
                if (work > budget)
                    Fail(file, Whole(),
                         "Die Zellen des Netzes überlappen einander so weit, dass es sich nicht auf ein "
                         "Gitter abtasten lässt.",
                         "the mesh's cells overlap one another too much to sample it onto a lattice.");
                const double py = yn - ya;
                for (std::int64_t i = iFirst; i <= iLast; ++i) {
                    const auto node = static_cast<std::size_t>(j * size.ni + i);
                    if (filled[node]) continue;
                    const double px = ax.At(i) - xa;
                    const double l1 = (px * (yc - ya) - (xc - xa) * py) / det;
                    const double l2 = ((xb - xa) * py - px * (yb - ya)) / det;
                    const double l0 = 1.0 - l1 - l2;
                    if (l0 < -kEdgeSlack || l1 < -kEdgeSlack || l2 < -kEdgeSlack) continue;
                    filled[node] = 1;
                    for (std::size_t f = 0; f < fields.size(); ++f) {
                        const std::vector<double>& v = *fields[f];
                        out.values[f][node] = l0 * v[ia] + l1 * v[ib] + l2 * v[ic];
                    }
                }
            }
        }
        if (area)
            ++coveringCells;
        else
            ++out.flatCells;
    }
    if (coveringCells == 0)
        Fail(file, Whole(), "Keine Zelle des Netzes hat eine Fläche.", "no cell of the mesh has any area.");
    out.outsideNodes = static_cast<std::int64_t>(std::count(filled.begin(), filled.end(), 0));
    out.inside = std::move(filled);
    return out;
}

}  // namespace formats
