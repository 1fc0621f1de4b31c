// Finding a cell of a rectilinear grid without scanning it.

#include "sampling/cell_search.h"

#include <algorithm>
#include <cstddef>

namespace {

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

void CellSearch::Build(const GridNode* nodes, int ni, int nj) {
    m_axisX.resize(static_cast<std::size_t>(ni));
    m_axisY.resize(static_cast<std::size_t>(nj));
    for (int i = 0; i < ni; ++i) m_axisX[static_cast<std::size_t>(i)] = nodes[i].x;
    for (int j = 0; j < nj; ++j)
        m_axisY[static_cast<std::size_t>(j)] = nodes[static_cast<std::ptrdiff_t>(j) * ni].y;
    const auto inverses = [](const std::vector<float>& axis, std::vector<double>& out) {
        out.resize(axis.size() - 1);
        for (std::size_t k = 0; k + 1 < axis.size(); ++k) out[k] = 1.0 / (double{axis[k + 1]} - axis[k]);
    };
    inverses(m_axisX, m_inverseWidth);
    inverses(m_axisY, m_inverseHeight);
    BuildBins(m_axisX, m_binsX, m_binScaleX);
    BuildBins(m_axisY, m_binsY, m_binScaleY);
    m_hintColumn = m_hintRow = 0;
}

void CellSearch::Clear() {
    m_axisX.clear();
    m_axisY.clear();
    m_inverseWidth.clear();
    m_inverseHeight.clear();
    m_binsX.clear();
    m_binsY.clear();
    m_hintColumn = m_hintRow = 0;
    m_firstRowRises = false;
    m_columnRises.clear();
    m_firstRow = {};
    m_columns.clear();
    m_scanColumn = m_scanRow = 0;
}

void CellSearch::BuildScanShortcuts(const GridNode* nodes, int ni, int nj) {
    // Written so that a value that is not a number breaks the order.
    m_firstRowRises = true;
    for (int i = 1; i < ni && m_firstRowRises; ++i) m_firstRowRises = nodes[i - 1].x <= nodes[i].x;
    m_columnRises.assign(static_cast<std::size_t>(ni), 1);
    for (int j = 1; j < nj; ++j) {
        const GridNode* below = nodes + static_cast<std::ptrdiff_t>(j - 1) * ni;
        const GridNode* row = nodes + static_cast<std::ptrdiff_t>(j) * ni;
        for (int i = 0; i < ni; ++i)
            if (!(below[i].y <= row[i].y)) m_columnRises[static_cast<std::size_t>(i)] = 0;
    }
    m_firstRow = {};
    if (!m_firstRowRises) {
        std::vector<IntervalIndex::Interval> intervals(static_cast<std::size_t>(ni) - 1);
        for (int i = 0; i + 1 < ni; ++i)
            intervals[static_cast<std::size_t>(i)] = {nodes[i].x, nodes[i + 1].x};
        m_firstRow.Build(intervals);
    }
    m_columns.assign(static_cast<std::size_t>(ni) - 1, IntervalIndex{});
    m_scanColumn = m_scanRow = 0;
}

int CellSearch::FirstRowHolding(const GridNode* nodes, int ni, int nj, int i, float y) const {
    IntervalIndex& index = m_columns[static_cast<std::size_t>(i)];
    if (!index.Built()) {
        std::vector<IntervalIndex::Interval> intervals(static_cast<std::size_t>(nj) - 1);
        for (int j = 0; j + 1 < nj; ++j)
            intervals[static_cast<std::size_t>(j)] = {
                nodes[static_cast<std::ptrdiff_t>(j) * ni + i].y,
                nodes[static_cast<std::ptrdiff_t>(j + 1) * ni + i + 1].y};
        index.Build(intervals);
    }
    return index.First(y);
}

int CellSearch::Column(float x) const {
    return LocateInterval(m_axisX, m_binsX, m_binScaleX, x);
}

int CellSearch::Row(float y) const {
    return LocateInterval(m_axisY, m_binsY, m_binScaleY, y);
}

void CellSearch::Locate(float x, float y, int& column, int& row) const {
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
}

bool CellSearch::Guess(float x, float y, std::size_t& column, std::size_t& row) const {
    if (m_binsX.empty() || m_binsY.empty()) return false;
    // The bins' guess costs two multiplications; it need not be exact.
    const double tx = (static_cast<double>(x) - m_axisX.front()) * m_binScaleX;
    const double ty = (static_cast<double>(y) - m_axisY.front()) * m_binScaleY;
    if (!(tx >= 0.0 && ty >= 0.0 && tx < static_cast<double>(m_binsX.size() - 1) &&
          ty < static_cast<double>(m_binsY.size() - 1)))
        return false;
    column = static_cast<std::size_t>(m_binsX[static_cast<std::size_t>(tx)]);
    row = static_cast<std::size_t>(m_binsY[static_cast<std::size_t>(ty)]);
    return true;
}
