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
        // Inside the first row and column a node that equals its column's x and its row's y
        // passes every test, those being finite and judged before it: that is all most nodes
        // need, and it stays inline in the reader's loop.
        if (m_shape.Rectilinear() && !(m_i > 0 && m_j > 0 && m_nodes[m_row + m_i].x == m_nodes[m_i].x &&
                                       m_nodes[m_row + m_i].y == m_nodes[m_row].y))
            Judge();
        if (++m_i == m_ni) {
            m_i = 0;
            ++m_j;
            m_row += m_ni;
        }
    }
    const GridShape& Result() const { return m_shape; }

private:
    void Judge();

    const GridNode* m_nodes;
    std::int64_t m_ni;
    std::int64_t m_i = 0;
    std::int64_t m_j = 0;
    std::int64_t m_row = 0;  // m_j * m_ni
    GridShape m_shape;
};

// The whole of plane 0 judged at once.
GridShape CheckGridShape(const GridNode* nodes, std::int64_t ni, std::int64_t nj);
// In English, for the command-line tools: "rectilinear and increasing", or what breaks it.
std::string DescribeGridShape(const GridShape& shape);
