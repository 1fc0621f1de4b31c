// Which grid cell holds a world point, on plane 0.
//
// A cell is named by the index j * m_ni + i of its lower-left node. Lower bounds are inclusive
// and upper bounds strict, so a point on a line between two cells goes to the cell above or to
// the right; the only exception is the grid's own right and top edge, whose points go into the
// last column or row so that sampling there interpolates the edge nodes.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/flow_scene.h"

namespace {

const GridNode& Node(const std::unique_ptr<GridNode[]>& nodes, int index) {
    return nodes[static_cast<std::size_t>(index)];
}

// Bisection over a strictly increasing axis of at least two values: the interval k with
// axis[k] <= v < axis[k + 1], the last interval when v equals the last value, or -1.
int BisectIntervals(const std::vector<float>& axis, float v) {
    const int count = static_cast<int>(axis.size());
    if (!(v >= axis.front())) return -1;  // below the first line, or not a number
    const float last = axis.back();
    if (!(v < last)) return v == last ? count - 2 : -1;
    // Branch-free halving: axis[first] <= v < axis[first + length] throughout. Points along a
    // streamline are close to each other but their search paths still differ near the end,
    // where a branch would be mispredicted about half of the time.
    const float* first = axis.data();
    int length = count - 1;
    while (length > 1) {
        const int half = length / 2;
        first = first[half] <= v ? first + half : first;
        length -= half;
    }
    return static_cast<int>(first - axis.data());
}

// Bins per interval of an axis: enough that a bin rarely spans more than one interval even on
// a moderately stretched axis.
constexpr int kBinsPerInterval = 4;

// BINS[b] is the interval that holds the start of bin b of (axis.back() - axis.front()) *
// b / B, for b = 0..B; sets SCALE to B over the axis's length.
void BuildBins(const std::vector<float>& axis, std::vector<std::int32_t>& bins, double& scale) {
    const int intervals = static_cast<int>(axis.size()) - 1;
    const int count = kBinsPerInterval * intervals;
    const double first = axis.front();
    scale = count / (static_cast<double>(axis.back()) - first);
    bins.resize(static_cast<std::size_t>(count) + 1);
    int k = 0;
    for (int b = 0; b <= count; ++b) {
        const double start = first + b / scale;
        while (k < intervals - 1 && axis[static_cast<std::size_t>(k) + 1] <= start) ++k;
        bins[static_cast<std::size_t>(b)] = k;
    }
}

// The same answer as BisectIntervals, found among the few intervals of the value's bin; the
// full bisection remains for a value that rounding put into a neighbouring bin.
int LocateInterval(const std::vector<float>& axis, const std::vector<std::int32_t>& bins, double scale,
                   float v) {
    const int count = static_cast<int>(axis.size());
    if (!(v >= axis.front()) || !(v < axis.back())) return BisectIntervals(axis, v);
    const int lastBin = static_cast<int>(bins.size()) - 2;
    const int b = std::min(static_cast<int>((static_cast<double>(v) - axis.front()) * scale), lastBin);
    int lo = bins[static_cast<std::size_t>(b)];
    int hi = bins[static_cast<std::size_t>(b) + 1];
    if (axis[static_cast<std::size_t>(lo)] > v) return BisectIntervals(axis, v);
    while (lo < hi) {
        const int mid = (lo + hi + 1) / 2;
        if (axis[static_cast<std::size_t>(mid)] <= v)
            lo = mid;
        else
            hi = mid - 1;
    }
    if (lo + 1 < count && v < axis[static_cast<std::size_t>(lo) + 1]) return lo;
    return BisectIntervals(axis, v);
}

}  // namespace

bool FlowScene::IsInDomain(float x, float y) const {
    if (!m_pNodes || m_ni < 1 || m_nj < 1) return false;
    const GridNode& first = Node(m_pNodes, 0);
    const GridNode& last = Node(m_pNodes, int{m_ni} * int{m_nj} - 1);
    // Written so that a coordinate that is not a number fails every comparison.
    return first.x <= x && x <= last.x && first.y <= y && y <= last.y;
}

void FlowScene::DecideRectilinear(bool nodesOnAxes) {
    m_bRectilinear = false;
    m_axisX.clear();
    m_axisY.clear();
    const int ni = m_ni;
    const int nj = m_nj;
    if (!m_pNodes || ni < 2 || nj < 2 || !nodesOnAxes) return;
    for (int i = 0; i < ni; ++i) {
        const float x = Node(m_pNodes, i).x;
        if (!std::isfinite(x)) return;
        if (i > 0 && !(x > Node(m_pNodes, i - 1).x)) return;
    }
    for (int j = 0; j < nj; ++j) {
        const float y = Node(m_pNodes, j * ni).y;
        if (!std::isfinite(y)) return;
        if (j > 0 && !(y > Node(m_pNodes, (j - 1) * ni).y)) return;
    }
    m_axisX.resize(static_cast<std::size_t>(ni));
    m_axisY.resize(static_cast<std::size_t>(nj));
    for (int i = 0; i < ni; ++i) m_axisX[static_cast<std::size_t>(i)] = Node(m_pNodes, i).x;
    for (int j = 0; j < nj; ++j) m_axisY[static_cast<std::size_t>(j)] = Node(m_pNodes, j * ni).y;
    BuildBins(m_axisX, m_binsX, m_binScaleX);
    BuildBins(m_axisY, m_binsY, m_binScaleY);
    m_bRectilinear = true;
}

int FlowScene::FindColumn(float x) const {
    const int ni = m_ni;
    // The size check keeps axes of an earlier grid from being used on nodes set by hand.
    if (m_bRectilinear && m_axisX.size() == static_cast<std::size_t>(ni))
        return LocateInterval(m_axisX, m_binsX, m_binScaleX, x);
    for (int i = 0; i <= ni - 2; ++i)
        if (Node(m_pNodes, i).x <= x && x < Node(m_pNodes, i + 1).x) return i;
    return x == Node(m_pNodes, ni - 1).x ? ni - 2 : -1;
}

int FlowScene::FindRow(float y, int column) const {
    const int ni = m_ni;
    const int nj = m_nj;
    // Every column has the first column's y on a rectilinear grid.
    if (m_bRectilinear && m_axisY.size() == static_cast<std::size_t>(nj))
        return LocateInterval(m_axisY, m_binsY, m_binScaleY, y);
    // Lower-left corner's y against the upper-right corner's y of cell (column, j).
    for (int j = 0; j <= nj - 2; ++j)
        if (Node(m_pNodes, j * ni + column).y <= y && y < Node(m_pNodes, (j + 1) * ni + column + 1).y)
            return j;
    return y == Node(m_pNodes, (nj - 1) * ni + column + 1).y ? nj - 2 : -1;
}

bool FlowScene::LocateOnAxes(float x, float y, int& column, int& row) const {
    if (!m_bRectilinear || m_axisX.size() != static_cast<std::size_t>(m_ni) ||
        m_axisY.size() != static_cast<std::size_t>(m_nj))
        return false;
    // On these grids every point lies in at most one half-open interval per axis, so checking
    // the previous one first finds exactly what bisection would.
    auto locate = [](const std::vector<float>& axis, const std::vector<std::int32_t>& bins, double scale,
                     float v, int& hint) {
        const auto k = static_cast<std::size_t>(hint);
        if (k + 1 < axis.size() && axis[k] <= v && v < axis[k + 1]) return hint;
        const int found = LocateInterval(axis, bins, scale, v);
        if (found >= 0) hint = found;
        return found;
    };
    column = locate(m_axisX, m_binsX, m_binScaleX, x, m_hintColumn);
    row = locate(m_axisY, m_binsY, m_binScaleY, y, m_hintRow);
    // The fallbacks of the scan: no column means column 0, no row means cell 0.
    if (column < 0) column = 0;
    if (row < 0) column = row = 0;
    return true;
}

int FlowScene::FindCell(float x, float y, int start) const {
    const int ni = m_ni;
    const int nj = m_nj;
    if (!m_pNodes || ni < 2 || nj < 2) return 0;

    // Only a real cell may be tried first; anything else would read past the nodes.
    if (start >= 0 && start % ni <= ni - 2 && start / ni <= nj - 2) {
        const GridNode& ll = Node(m_pNodes, start);
        const GridNode& ur = Node(m_pNodes, start + ni + 1);
        if (ll.x <= x && x < ur.x && ll.y <= y && y < ur.y) return start;
    }

    int i = FindColumn(x);
    if (i < 0) i = 0;
    const int j = FindRow(y, i);
    if (j < 0) return 0;
    return j * ni + i;
}
