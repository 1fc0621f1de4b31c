// Which grid cell holds a world point, on plane 0.
//
// A cell is named by the index j * m_ni + i of its lower-left node. Lower bounds are inclusive
// and upper bounds strict, so a point on a line between two cells goes to the cell above or to
// the right; the only exception is the grid's own right and top edge, whose points go into the
// last column or row so that sampling there interpolates the edge nodes.

#include <algorithm>
#include <cstddef>

#include "scene/flow_scene.h"

namespace {

const GridNode& Node(const std::unique_ptr<GridNode[]>& nodes, int index) {
    return nodes[static_cast<std::size_t>(index)];
}

}  // namespace

bool FlowScene::IsInDomain(float x, float y) const {
    if (!m_pNodes || m_ni < 1 || m_nj < 1) return false;
    const GridNode& first = Node(m_pNodes, 0);
    const GridNode& last = Node(m_pNodes, int{m_ni} * int{m_nj} - 1);
    // Written so that a coordinate that is not a number fails every comparison.
    return first.x <= x && x <= last.x && first.y <= y && y <= last.y;
}

void FlowScene::DecideRectilinear(const GridShape& shape) {
    m_bRectilinear = false;
    m_cellSearch.Clear();
    if (!m_pNodes || m_ni < 2 || m_nj < 2) return;
    if (!shape.Rectilinear()) {
        m_cellSearch.BuildScanShortcuts(m_pNodes.get(), m_ni, m_nj);
        return;
    }
    m_cellSearch.Build(m_pNodes.get(), m_ni, m_nj);
    m_bRectilinear = true;
}

bool FlowScene::ScanCanSkipAhead() const {
    // Made for the nodes of the last load; nodes set by hand since get the plain scan.
    return !m_bRectilinear && m_cellSearch.ShortcutsFor(m_ni);
}

bool FlowScene::SearchesAxes() const {
    // The size check keeps axes of an earlier grid from being used on nodes set by hand.
    return m_bRectilinear && m_cellSearch.Serves(m_ni, m_nj);
}

int FlowScene::FindColumn(float x) const {
    const int ni = m_ni;
    if (SearchesAxes()) return m_cellSearch.Column(x);
    if (ScanCanSkipAhead() && m_cellSearch.FirstRowRises()) {
        // The first i with x < x(i + 1) is the only candidate, as x(i) <= x holds for every
        // i before it once it holds at all. The last answer is that i when x lies below its
        // upper bound and not below the one before.
        const GridNode* row = m_pNodes.get();
        int& hint = m_cellSearch.ScanColumnHint();
        int i = hint;
        if (!(i <= ni - 2 && x < row[i + 1].x && (i == 0 || row[i].x <= x))) {
            const GridNode* upper =
                std::upper_bound(row + 1, row + ni, x, [](float v, const GridNode& n) { return v < n.x; });
            i = static_cast<int>(upper - row) - 1;
        }
        if (i <= ni - 2 && row[i].x <= x) return hint = i;
        return x == row[ni - 1].x ? ni - 2 : -1;
    }
    if (ScanCanSkipAhead()) {
        const int i = m_cellSearch.FirstColumnHolding(x);
        if (i >= 0) return i;
        return x == Node(m_pNodes, ni - 1).x ? ni - 2 : -1;
    }
    for (int i = 0; i <= ni - 2; ++i)
        if (Node(m_pNodes, i).x <= x && x < Node(m_pNodes, i + 1).x) return i;
    return x == Node(m_pNodes, ni - 1).x ? ni - 2 : -1;
}

int FlowScene::FindRow(float y, int column) const {
    const int ni = m_ni;
    const int nj = m_nj;
    // Every column has the first column's y on a rectilinear grid.
    if (SearchesAxes()) return m_cellSearch.Row(y);
    if (ScanCanSkipAhead() && m_cellSearch.ColumnsRise(column)) {
        // Cell (column, j) spans y(j, column) <= y < y(j + 1, column + 1); both bounds never
        // fall with j, so the first j whose upper bound lies above y is the only candidate:
        // the last answer, when y lies below its upper bound and not below the one before.
        const auto upper = [&](int j) { return Node(m_pNodes, (j + 1) * ni + column + 1).y; };
        int& hint = m_cellSearch.ScanRowHint();
        int lo = hint;
        if (!(lo <= nj - 2 && y < upper(lo) && (lo == 0 || upper(lo - 1) <= y))) {
            lo = 0;
            int hi = nj - 1;  // the answer lies in [lo, hi); hi means none
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                if (y < upper(mid))
                    hi = mid;
                else
                    lo = mid + 1;
            }
        }
        if (lo <= nj - 2 && Node(m_pNodes, lo * ni + column).y <= y) return hint = lo;
        return y == Node(m_pNodes, (nj - 1) * ni + column + 1).y ? nj - 2 : -1;
    }
    if (ScanCanSkipAhead() && column >= 0 && column <= ni - 2) {
        const int j = m_cellSearch.FirstRowHolding(m_pNodes.get(), ni, nj, column, y);
        if (j >= 0) return j;
        return y == Node(m_pNodes, (nj - 1) * ni + column + 1).y ? nj - 2 : -1;
    }
    // Lower-left corner's y against the upper-right corner's y of cell (column, j).
    for (int j = 0; j <= nj - 2; ++j)
        if (Node(m_pNodes, j * ni + column).y <= y && y < Node(m_pNodes, (j + 1) * ni + column + 1).y)
            return j;
    return y == Node(m_pNodes, (nj - 1) * ni + column + 1).y ? nj - 2 : -1;
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
