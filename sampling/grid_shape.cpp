#include "sampling/grid_shape.h"

#include <cmath>

void GridShapeCheck::Judge() {
    const GridNode& node = m_nodes[m_j * m_ni + m_i];
    auto fail = [this](GridShape::Fault fault) { m_shape = {fault, m_i, m_j}; };
    // Written so that a value that is not a number fails every comparison.
    if (!std::isfinite(node.x) || !std::isfinite(node.y)) return fail(GridShape::Fault::NotFinite);
    if (m_j == 0 && m_i > 0 && !(node.x > m_nodes[m_i - 1].x)) return fail(GridShape::Fault::XNotIncreasing);
    if (m_i == 0 && m_j > 0 && !(node.y > m_nodes[(m_j - 1) * m_ni].y))
        return fail(GridShape::Fault::YNotIncreasing);
    if (!(node.x == m_nodes[m_i].x) || !(node.y == m_nodes[m_j * m_ni].y)) fail(GridShape::Fault::OffAxes);
}

GridShape CheckGridShape(const GridNode* nodes, std::int64_t ni, std::int64_t nj) {
    GridShapeCheck check(nodes, ni);
    for (std::int64_t n = 0; n < ni * nj && check.Result().Rectilinear(); ++n) check.Next();
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
