#pragma once

#include <cstdint>
#include <vector>

#include "base/grid_node.h"
#include "sampling/interval_index.h"

// What finds a cell fast on a rectilinear, increasing grid: the first row's x and the first
// column's y as two small axes, uniform bins over each, and the last answer as a hint. It
// gives the same cells as the scan it replaces; on any other grid it is empty and the scan
// runs.
class CellSearch {
public:
    // Builds the axes from plane 0 of NODES, NI x NJ of them, which must be rectilinear and
    // increasing (GridShape); NI and NJ at least 2.
    void Build(const GridNode* nodes, int ni, int nj);
    void Clear();
    // Built, and for a grid of these counts: axes of an earlier grid are never used on nodes
    // set since.
    bool Serves(int ni, int nj) const {
        return m_axisX.size() == static_cast<std::size_t>(ni) &&
               m_axisY.size() == static_cast<std::size_t>(nj) && !m_axisX.empty();
    }

    // The interval k of the x axis with x(k) <= x < x(k + 1), the last interval for x on the
    // grid's right edge, else -1; likewise for y.
    int Column(float x) const;
    int Row(float y) const;
    // Column and row of the cell that holds (x, y), as the scan finds it (no column: column 0;
    // no row: cell 0), trying the previous answer's column and row first, since successive
    // samples along a streamline nearly always stay there.
    void Locate(float x, float y, int& column, int& row) const;
    // Corner (i, j) of the lattice, read from the axes instead of the node array.
    GridNode Corner(int i, int j) const {
        return {m_axisX[static_cast<std::size_t>(i)], m_axisY[static_cast<std::size_t>(j)]};
    }
    // 1 / (x(i + 1) - x(i)) and 1 / (y(j + 1) - y(j)) in double, as the interpolation in
    // cell (i, j) divides them out.
    double InverseWidth(int i) const { return m_inverseWidth[static_cast<std::size_t>(i)]; }
    double InverseHeight(int j) const { return m_inverseHeight[static_cast<std::size_t>(j)]; }
    // A cheap guess of the column and row of (x, y) for fetching memory early: false when the
    // point lies off the grid or nothing is built.
    bool Guess(float x, float y, std::size_t& column, std::size_t& row) const;

    // On a grid that is not rectilinear the scan runs, but its column step compares only with
    // the first row, and its row step for column i only with columns i and i + 1: where those
    // sequences never fall, the first interval that holds a value is found by bisection. Built
    // from plane 0 of NODES, NI x NJ of them.
    void BuildScanShortcuts(const GridNode* nodes, int ni, int nj);
    bool ShortcutsFor(int ni) const {
        return m_columnRises.size() == static_cast<std::size_t>(ni) && ni >= 2;
    }
    bool FirstRowRises() const { return m_firstRowRises; }
    // Where the first row or a pair of columns falls somewhere, the scan's answer all the same:
    // the first i with x(i) <= x < x(i + 1) along the first row, and the first j with
    // y(j, i) <= y < y(j + 1, i + 1) for column I of NODES, NI x NJ of them, the nodes the
    // shortcuts were built from; -1 for none.
    int FirstColumnHolding(float x) const { return m_firstRow.First(x); }
    int FirstRowHolding(const GridNode* nodes, int ni, int nj, int i, float y) const;
    // The column and row the scan's last search found, to be tried first by the next.
    int& ScanColumnHint() const { return m_scanColumn; }
    int& ScanRowHint() const { return m_scanRow; }
    bool ColumnsRise(int i) const {
        const auto k = static_cast<std::size_t>(i);
        return k + 1 < m_columnRises.size() && m_columnRises[k] && m_columnRises[k + 1];
    }

private:
    std::vector<float> m_axisX;
    std::vector<float> m_axisY;
    std::vector<double> m_inverseWidth;
    std::vector<double> m_inverseHeight;
    // Uniform bins over each axis, each naming the first interval that reaches into it, so
    // that finding an interval costs a few comparisons whatever the axis's length.
    std::vector<std::int32_t> m_binsX;
    std::vector<std::int32_t> m_binsY;
    double m_binScaleX = 0.0;
    double m_binScaleY = 0.0;
    mutable int m_hintColumn = 0;
    mutable int m_hintRow = 0;
    bool m_firstRowRises = false;
    std::vector<std::uint8_t> m_columnRises;  // per column: y never falls along it
    IntervalIndex m_firstRow;
    // Per column of cells, made when a sample first needs it.
    mutable std::vector<IntervalIndex> m_columns;
    mutable int m_scanColumn = 0;
    mutable int m_scanRow = 0;
};
