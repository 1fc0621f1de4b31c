#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "streamlines/pixel_point.h"

// Slot 0: the cell located last; slots 1..8: its neighbours in increasing index order; -1 ends
// the list. The slots live in the scene; the grid's operations fill them.
using NeighbourSlots = std::array<std::int32_t, 9>;

class GridCell {
public:
    GridCell() = default;
    virtual ~GridCell() = default;

    void SetCorners(int x0, int y0, int x1, int y1);
    void AddPoint(int x, int y);
    std::size_t GetCount() const { return m_points.size(); }
    // Throws std::out_of_range("invalid vector<T> subscript") when i is not below the count.
    PixelPoint GetPoint(std::size_t i) const;
    const std::vector<PixelPoint>& Points() const { return m_points; }

    // Corners are values, not heap objects: a cell without corners has none set.
    std::optional<PixelPoint> m_pMin;
    std::optional<PixelPoint> m_pMax;
    std::vector<PixelPoint> m_points;
};

// Uniform grid of square cells, d_sep pixels on a side, over the 350 x 560 raster.
class SeparationGrid {
public:
    SeparationGrid() = default;
    virtual ~SeparationGrid() = default;
    SeparationGrid(const SeparationGrid&) = delete;
    SeparationGrid& operator=(const SeparationGrid&) = delete;

    // A side below one pixel is built as one pixel.
    void Build(int d);
    // Afterwards the grid has no cells and no size.
    void DestroyCells();
    // Makes cell 0 the current cell; on a grid without cells every slot becomes -1.
    void ResetNeighbours(NeighbourSlots& slots) const;
    // False for an index that names no cell.
    bool Contains(int x, int y, int i) const;
    // Makes the cell of pixel (x, y) the current cell (slot 0) and lists its neighbours.
    // A pixel outside the raster is put into the nearest cell. Nothing happens on a grid
    // without cells.
    void LocateCell(int x, int y, NeighbourSlots& slots) const;
    void ComputeNeighbours(int c, NeighbourSlots& slots) const;
    static void ClearSlotsFrom(int k, NeighbourSlots& slots);

    GridCell& Cell(int i) { return m_pCells[static_cast<std::size_t>(i)]; }
    const GridCell& Cell(int i) const { return m_pCells[static_cast<std::size_t>(i)]; }
    int CellCount() const { return m_nCols * m_nRows; }
    int Side() const { return m_nSide; }
    // Number of points stored over all cells.
    std::size_t PointCount() const;

    std::int32_t m_nCols = 0;
    std::int32_t m_nRows = 0;
    std::unique_ptr<GridCell[]> m_pCells;

private:
    // Neighbours of a grid only one cell wide or high, where the corner cases of the table
    // would name cells that do not exist.
    void ComputeNeighboursNarrow(int c, NeighbourSlots& slots) const;

    std::int32_t m_nSide = 0;
    // The cells of the last DestroyCells, kept so that a Build for the same distance (a Draw
    // with unchanged settings) can empty and reuse them instead of allocating every cell's
    // storage again. Any other Build releases them, so no more than one grid's worth is kept.
    std::unique_ptr<GridCell[]> m_pRetired;
    std::int32_t m_nRetiredSide = 0;
};
