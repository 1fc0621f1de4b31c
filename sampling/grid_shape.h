#pragma once

#include <cstdint>
#include <string>

#include "base/grid_node.h"

// What the sampling assumes of plane 0 of a grid, and where a grid first breaks it: the x of
// node (i, j) is the first row's x of column i and its y the first column's y of row j, and
// both grow strictly along the first row and column, with finite values.
struct GridShape {
    enum class Fault { None, NotFinite, XNotIncreasing, YNotIncreasing, OffAxes };
    Fault fault = Fault::None;
    std::int64_t i = 0;  // the first node, in index order, that breaks the assumption
    std::int64_t j = 0;
    bool Rectilinear() const { return fault == Fault::None; }
};

// Judges the nodes of plane 0 one at a time in index order, as a reader stores them, so that
// deciding costs no second pass over a large grid.
class GridShapeCheck {
public:
    // NODES is the array being filled, NI nodes to a row.
    GridShapeCheck(const GridNode* nodes, std::int64_t ni) : m_nodes(nodes), m_ni(ni) {}
    // The next node of plane 0 has just been stored.
    void Next() {
        if (m_shape.Rectilinear()) Judge();
        if (++m_i == m_ni) {
            m_i = 0;
            ++m_j;
        }
    }
    const GridShape& Result() const { return m_shape; }

private:
    void Judge();

    const GridNode* m_nodes;
    std::int64_t m_ni;
    std::int64_t m_i = 0;
    std::int64_t m_j = 0;
    GridShape m_shape;
};

// The whole of plane 0 judged at once.
GridShape CheckGridShape(const GridNode* nodes, std::int64_t ni, std::int64_t nj);
// In English, for the command-line tools: "rectilinear and increasing", or what breaks it.
std::string DescribeGridShape(const GridShape& shape);
