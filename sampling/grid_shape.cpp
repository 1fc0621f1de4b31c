#include "sampling/grid_shape.h"

#include <algorithm>
#include <cmath>

void GridShapeCheck::Judge() {
    const GridNode& node = m_nodes[m_j * m_ni + m_i];
    auto fail = [this](GridShape::Fault fault) { m_shape = {fault, m_i, m_j}; };
    // Written so that a value that is not a number fails every comparison.
    if (!std::isfinite(node.x) || !std::isfinite(node.y)) return fail(GridShape::Fault::NotFinite);
    if (m_j == 0 && m_i > 0 && !(node.x > m_nodes[m_i - 1].x)) return fail(GridShape::Fault::XNotIncreasing);
    if (m_i == 0 && m_j > m_firstRow && !(node.y > m_nodes[(m_j - 1) * m_ni].y))
        return fail(GridShape::Fault::YNotIncreasing);
    if (!(node.x == m_nodes[m_i].x) || !(node.y == m_nodes[m_j * m_ni].y)) fail(GridShape::Fault::OffAxes);
}

void GridShapeCheck::Next(std::int64_t count) {
    if (count > 0) m_judgedAny = true;
    while (count > 0 && m_shape.Rectilinear()) {
        // Inside the first row and column a node that equals its column's x and its row's y
        // passes every test, those being finite and judged before it: that is all most nodes
        // need, and it is a tight loop over the run.
        std::int64_t i = m_i;
        if (m_j > 0 && i > 0) {
            const std::int64_t end = std::min(m_ni, i + count);
            const GridNode* row = m_nodes + m_row;
            const float y = row[0].y;
            while (i < end && row[i].x == m_nodes[i].x && row[i].y == y) ++i;
            count -= i - m_i;
            m_i = i;
            if (i == end) {
                if (i == m_ni) NextRow();
                continue;
            }
        }
        Judge();
        --count;
        if (++m_i == m_ni) NextRow();
    }
    // After a fault nothing more is judged, so the position no longer matters.
}

GridShape GridShapeCheck::After(const GridShape& earlier) const {
    if (!earlier.Rectilinear() || !m_judgedAny) return earlier;
    if (m_firstRow == 0) return m_shape;
    // The comparison left out: it outranks every fault but a number that is not finite, so the
    // order in which Judge() tests a node is kept.
    const bool notFiniteThere =
        m_shape.fault == GridShape::Fault::NotFinite && m_shape.i == 0 && m_shape.j == m_firstRow;
    const GridNode& start = m_nodes[m_firstRow * m_ni];
    if (!notFiniteThere && !(start.y > m_nodes[(m_firstRow - 1) * m_ni].y))
        return {GridShape::Fault::YNotIncreasing, 0, m_firstRow};
    return m_shape;
}

GridShape CheckGridShape(const GridNode* nodes, std::int64_t ni, std::int64_t nj) {
    GridShapeCheck check(nodes, ni);
    check.Next(ni * nj);
    return check.Result();
}

std::string DescribeGridShape(const GridShape& shape) {
    const std::string at = "node (" + std::to_string(shape.i) + ", " + std::to_string(shape.j) + ")";
    switch (shape.fault) {
        case GridShape::Fault::None:
            return "rectilinear and increasing";
        case GridShape::Fault::NotFinite:
            return "a coordinate of " + at + " is not a finite number";
        case GridShape::Fault::XNotIncreasing:
            return "x does not grow along the first row at i = " + std::to_string(shape.i);
        case GridShape::Fault::YNotIncreasing:
            return "y does not grow along the first column at j = " + std::to_string(shape.j);
        case GridShape::Fault::OffAxes:
            break;
    }
    return "not rectilinear: " + at + " is off its row or column";
}
