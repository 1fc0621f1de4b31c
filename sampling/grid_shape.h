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

// Judges the nodes of plane 0 in index order, a run at a time as a reader stores them, so that
// deciding costs no second pass over a large grid.
//
// Rows read on several threads are judged by a check each: one from FIRSTROW on, once the first
// row is stored. Its first node is not compared with the row before it, which another thread may
// still be writing; After() makes that comparison once all rows are stored.
class GridShapeCheck {
public:
    // NODES is the array being filled, NI nodes to a row.
    GridShapeCheck(const GridNode* nodes, std::int64_t ni, std::int64_t firstRow = 0)
        : m_nodes(nodes), m_ni(ni), m_j(firstRow), m_row(firstRow * ni), m_firstRow(firstRow) {}
    // The next COUNT nodes of plane 0 have just been stored.
    void Next(std::int64_t count);
    const GridShape& Result() const { return m_shape; }
    // The shape of plane 0 up to the last row this check judged, given EARLIER, the shape of
    // the rows before FIRSTROW.
    GridShape After(const GridShape& earlier) const;

private:
    void Judge();
    void NextRow() {
        m_i = 0;
        ++m_j;
        m_row += m_ni;
    }

    const GridNode* m_nodes;
    std::int64_t m_ni;
    std::int64_t m_i = 0;
    std::int64_t m_j = 0;
    std::int64_t m_row = 0;  // m_j * m_ni
    std::int64_t m_firstRow = 0;
    bool m_judgedAny = false;
    GridShape m_shape;
};

// The whole of plane 0 judged at once.
GridShape CheckGridShape(const GridNode* nodes, std::int64_t ni, std::int64_t nj);
// In English, for the command-line tools: "rectilinear and increasing", or what breaks it.
std::string DescribeGridShape(const GridShape& shape);
