#include "formats/lattice.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "formats/limits.h"

namespace formats {

namespace {

// The distinct values of one coordinate, each standing for the samples within [lower, upper].
struct Axis {
    std::vector<double> value;
    std::vector<double> upper;

    std::int64_t Size() const { return static_cast<std::int64_t>(value.size()); }
    std::int64_t IndexOf(double v) const {
        return std::lower_bound(upper.begin(), upper.end(), v) - upper.begin();
    }
};

// Groups sorted values whose neighbours lie within TOLERANCE; the group's value is the mean of
// its smallest and largest.
Axis Group(const std::vector<double>& sorted, double tolerance) {
    Axis axis;
    double lower = sorted.front();
    for (std::size_t n = 0; n < sorted.size(); ++n) {
        if (n + 1 == sorted.size() || sorted[n + 1] - sorted[n] > tolerance) {
            axis.value.push_back(lower == sorted[n] ? lower : lower + (sorted[n] - lower) / 2);
            axis.upper.push_back(sorted[n]);
            if (n + 1 < sorted.size()) lower = sorted[n + 1];
        }
    }
    return axis;
}

std::vector<double> Sorted(const std::vector<double>& values) {
    std::vector<double> sorted(values);
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

double Magnitude(const std::vector<double>& sorted) {
    return std::max({std::fabs(sorted.front()), std::fabs(sorted.back()), sorted.back() - sorted.front()});
}

double NodesOf(const Axis& x, const Axis& y, const Axis& z) {
    return static_cast<double>(x.Size()) * static_cast<double>(y.Size()) * static_cast<double>(z.Size());
}

std::string PointText(double x, double y, const std::vector<double>* z, double zv) {
    std::string text = "(";
    text.append(Num(x)).append(", ").append(Num(y));
    if (z) text.append(", ").append(Num(zv));
    return text.append(")");
}

}  // namespace

Lattice SortOntoLattice(const std::vector<double>& x, const std::vector<double>& y,
                        const std::vector<double>* z, const std::string& file, const SampleLocator& where) {
    const auto count = static_cast<std::int64_t>(x.size());
    if (count == 0) Fail(file, Whole(), "Die Datei enthält keine Punkte.", "the file holds no points.");
    for (std::int64_t s = 0; s < count; ++s) {
        const auto n = static_cast<std::size_t>(s);
        if (!std::isfinite(x[n]) || !std::isfinite(y[n]) || (z && !std::isfinite((*z)[n])))
            Fail(file, where(s), "Die Koordinaten des Punktes sind keine endlichen Zahlen.",
                 "the point's coordinates are not finite numbers.");
    }
    // The exact values where they make a full lattice; otherwise values grouped over what text
    // rounding leaves of a coordinate (a hundred-thousandth of the largest coordinate or extent),
    // which also keeps a plane written with noise in z one plane.
    std::vector<double> sx = Sorted(x), sy = Sorted(y), sz = z ? Sorted(*z) : std::vector<double>{0.0};
    const double tolerance = 1e-5 * std::max({Magnitude(sx), Magnitude(sy), Magnitude(sz)});
    Axis ax = Group(sx, 0.0), ay = Group(sy, 0.0), az = Group(sz, 0.0);
    if (NodesOf(ax, ay, az) != static_cast<double>(count)) {
        ax = Group(sx, tolerance);
        ay = Group(sy, tolerance);
        az = Group(sz, tolerance);
    }
    // The sorted copies have given the axes; they are not held beside the lattice.
    for (std::vector<double>* sorted : {&sx, &sy, &sz}) std::vector<double>().swap(*sorted);
    const std::int64_t ni = ax.Size(), nj = ay.Size(), nk = az.Size();
    auto zAt = [&](std::size_t n) { return z ? (*z)[n] : 0.0; };

    // A lattice of these axes with more nodes than samples has holes, or is no lattice at all;
    // its nodes are only counted, and looked at one by one only when there are few enough.
    const double nodes = NodesOf(ax, ay, az);
    const std::string shape =
        std::to_string(ni) + " × " + std::to_string(nj) + (z ? " × " + std::to_string(nk) : "");
    if (nodes > 4.0 * static_cast<double>(count) || nodes > static_cast<double>(kMaxNodes) * 4.0)
        Fail(file, Whole(),
             "Die " + Num(count) + " Punkte bilden kein rechtwinkliges Gitter: sie haben " + Num(ni) +
                 " verschiedene x- und " + Num(nj) + " verschiedene y-Werte" +
                 (z ? " und " + Num(nk) + " verschiedene z-Werte" : std::string()) + ".",
             "the " + Num(count) + " points do not form a rectilinear lattice: they have " + Num(ni) +
                 " distinct x and " + Num(nj) + " distinct y values" +
                 (z ? " and " + Num(nk) + " distinct z values" : std::string()) + ".");

    Lattice lattice;
    lattice.x = ax.value;
    lattice.y = ay.value;
    lattice.z = az.value;
    const auto nodeCount = static_cast<std::size_t>(ni * nj * nk);
    lattice.sampleOf.assign(nodeCount, -1);
    for (std::int64_t s = 0; s < count; ++s) {
        const auto n = static_cast<std::size_t>(s);
        const std::int64_t i = ax.IndexOf(x[n]), j = ay.IndexOf(y[n]), k = z ? az.IndexOf((*z)[n]) : 0;
        std::int64_t& slot = lattice.sampleOf[static_cast<std::size_t>((k * nj + j) * ni + i)];
        if (slot >= 0) {
            const Place first = where(slot);
            Fail(file, where(s),
                 "Der Punkt " + PointText(x[n], y[n], z, zAt(n)) + " kommt zweimal vor" +
                     (first.german.empty() ? "" : ", zuerst in " + first.german) + ".",
                 "the point " + PointText(x[n], y[n], z, zAt(n)) + " appears twice" +
                     (first.english.empty() ? "" : ", first in " + first.english) + ".");
        }
        slot = s;
    }
    const auto hole = std::find(lattice.sampleOf.begin(), lattice.sampleOf.end(), -1);
    if (hole != lattice.sampleOf.end()) {
        const auto node = static_cast<std::int64_t>(hole - lattice.sampleOf.begin());
        const auto missing = std::count(hole, lattice.sampleOf.end(), -1);
        const auto i = static_cast<std::size_t>(node % ni), j = static_cast<std::size_t>(node / ni % nj),
                   k = static_cast<std::size_t>(node / ni / nj);
        const std::string at = PointText(ax.value[i], ay.value[j], z, az.value[k]);
        const bool one = missing == 1;
        Fail(file, Whole(),
             "Die Punkte bilden ein Gitter von " + shape + " Knoten mit Löchern: " + Num(missing) +
                 (one ? " Knoten fehlt, bei " : " Knoten fehlen, der erste bei ") + at + ".",
             "the points form a lattice of " + shape + " nodes with holes: " + Num(missing) +
                 (one ? " node is missing, at " : " nodes are missing, the first at ") + at + ".");
    }
    // Samples that came in node order need no map.
    bool inOrder = true;
    for (std::size_t node = 0; inOrder && node < lattice.sampleOf.size(); ++node)
        inOrder = lattice.sampleOf[node] == static_cast<std::int64_t>(node);
    if (inOrder) std::vector<std::int64_t>().swap(lattice.sampleOf);
    return lattice;
}

}  // namespace formats
