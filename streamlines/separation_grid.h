#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "base/pixel_point.h"
#include "base/raster_geometry.h"
#include "streamlines/pixel_bitmap.h"
#include "streamlines/pixel_disk.h"
#include "streamlines/pixel_mapping.h"

// Slot 0: the cell located last; slots 1..8: its neighbours in increasing index order; -1 ends
// the list. The slots live in the scene; the grid's operations fill them.
using NeighbourSlots = std::array<std::int32_t, 9>;

class SeparationGrid;

class GridCell {
public:
    GridCell() = default;
    virtual ~GridCell() = default;
    // A copy holds the same corners and points but belongs to no grid.
    GridCell(const GridCell& other);
    GridCell& operator=(const GridCell& other);

    void SetCorners(int x0, int y0, int x1, int y1);
    void AddPoint(int x, int y);
    std::size_t GetCount() const { return m_points.size(); }
    // Throws std::out_of_range("invalid vector<T> subscript") when i is not below the count.
    PixelPoint GetPoint(std::size_t i) const;
    const std::vector<PixelPoint>& Points() const { return m_points; }

    // Corners are values, not heap objects: a cell without corners has none set.
    std::optional<PixelPoint> m_pMin;
    std::optional<PixelPoint> m_pMax;

private:
    friend class SeparationGrid;

    // Every point, in the order added, repeats included; only AddPoint adds, so that the grid
    // learns of each.
    std::vector<PixelPoint> m_points;
    // The grid whose cell this is, told of every point and corner change; none for a cell made
    // on its own or copied.
    SeparationGrid* m_pOwner = nullptr;
};

// Uniform grid of square cells, d_sep pixels on a side, over the picture's raster.
class SeparationGrid {
public:
    SeparationGrid() = default;
    virtual ~SeparationGrid() = default;
    SeparationGrid(const SeparationGrid&) = delete;
    SeparationGrid& operator=(const SeparationGrid&) = delete;

    // Cells of side D over a raster of RASTER's size; a side below one pixel is built as one
    // pixel.
    void Build(int d, RasterSize raster = {});
    RasterSize Raster() const { return m_raster; }
    // Afterwards the grid has no cells and no size.
    void DestroyCells();
    // Makes cell 0 the current cell; on a grid without cells every slot becomes -1.
    void ResetNeighbours(NeighbourSlots& slots) const;
    // False for an index that names no cell.
    bool Contains(int x, int y, int i) const {
        if (i < 0 || i >= CellCount()) return false;
        const GridCell& cell = Cell(i);
        if (!cell.m_pMin || !cell.m_pMax) return false;
        return cell.m_pMin->x <= x && x <= cell.m_pMax->x && cell.m_pMin->y <= y && y <= cell.m_pMax->y;
    }
    // Makes the cell of pixel (x, y) the current cell (slot 0) and lists its neighbours.
    // A pixel outside the raster is put into the nearest cell. Nothing happens on a grid
    // without cells.
    // (The parameters of functions defined here are not called slots, which Qt's headers
    // define as a macro.)
    void LocateCell(int x, int y, NeighbourSlots& nbr) const {
        if (CellCount() == 0) return;
        // Consecutive lookups along a streamline mostly stay in one cell: keep its list then.
        if (!Contains(x, y, nbr[0])) LocateOutsideCurrent(x, y, nbr);
    }
    void ComputeNeighbours(int c, NeighbourSlots& slots) const;
    static void ClearSlotsFrom(int k, NeighbourSlots& slots);

    GridCell& Cell(int i) { return m_pCells[static_cast<std::size_t>(i)]; }
    const GridCell& Cell(int i) const { return m_pCells[static_cast<std::size_t>(i)]; }
    int CellCount() const { return m_nCols * m_nRows; }
    int Side() const { return m_nSide; }
    // Number of points stored over all cells.
    std::size_t PointCount() const;

    // Stores each of the N points in the cell that LocateCell names for it, in order, and
    // leaves SLOTS as the last of those LocateCell calls would; the neighbour list is
    // computed only there, not for every cell passed on the way.
    void StorePoints(const PixelPoint* points, std::size_t n, NeighbourSlots& slots);
    // LocateCell(x, y, SLOTS), then FindCloser. None also when the slots were not as
    // LocateCell leaves them.
    std::optional<bool> LocateAndFindCloser(int x, int y, float dist, NeighbourSlots& nbr) {
        if (CellCount() == 0) return std::nullopt;
        bool written = false;
        if (!Contains(x, y, nbr[0])) {
            LocateOutsideCurrent(x, y, nbr);
            written = true;
        }
        // Slots just written list the cells around slot 0; kept ones only if nobody wrote since.
        if (!written && !SameSlots(nbr, m_lastSlots)) return std::nullopt;
        return FindCloser(x, y, dist);
    }
    // For pixel (x, y) just located, with slots that list the cells around its cell: whether
    // a stored point in those cells lies closer than DIST to it, read off a bitmap of the
    // pixels closer than DIST to a stored one instead of the cells' points; a pixel stored
    // many times over, as closed streamlines leave them, costs no more than one. None when
    // that answer is not certain to be the one the points give (a pixel off the raster, a
    // distance beyond the cell side or the third one since Build, points stored outside their
    // cell); the caller reads the points then.
    std::optional<bool> FindCloser(int x, int y, float dist) {
        if (!m_bBitmapsValid || !m_raster.Contains(x, y)) return std::nullopt;
        const auto bits = std::bit_cast<std::uint32_t>(dist);
        const Closeness* closeness = m_nCloseness > 0 && m_closeness[0].distBits == bits ? &m_closeness[0]
                                     : m_nCloseness > 1 && m_closeness[1].distBits == bits
                                         ? &m_closeness[1]
                                         : ClosenessFor(dist);
        if (!closeness) return std::nullopt;
        return closeness->pixels.Test(x, y);
    }

    // Every raster pixel closer than DIST to a stored point, where FindCloser would answer for
    // every pixel from it; null where it would not.
    const PixelBitmap* PixelsCloserThan(float dist) {
        if (!m_bBitmapsValid || m_bPointsOnly) return nullptr;
        const Closeness* closeness = ClosenessFor(dist);
        return closeness ? &closeness->pixels : nullptr;
    }

    // For a caller that keeps only slot 0, the current cell, while it runs and writes the
    // slots once at its end: a placement, during which nothing else reads them. That is the
    // same as writing them at every LocateCell as long as they listed the cells around slot 0
    // when it began (SlotsListBlock).
    bool SlotsListBlock(const NeighbourSlots& slots) const;
    // Writes the slots that LocateCell leaves for cell C, a cell of the grid.
    void WriteSlotsFor(int c, NeighbourSlots& slots) const;
    // LocateCell for slot 0 alone: true when CURRENT changed.
    bool LocateCurrent(int x, int y, int& current) const {
        int row, col;
        if (m_bCornersAsBuilt) {
            // The cells tile the raster as Build laid them out: a pixel lies in the current
            // cell exactly when that is the cell it maps to, so there is nothing to test.
            const int c = CellOf(x, y, row, col);
            const bool moved = c != current;
            current = c;
            return moved;
        }
        if (Contains(x, y, current)) return false;
        current = CellOf(x, y, row, col);
        return true;
    }
    // StorePoints for slot 0 alone: true when CURRENT changed on the way.
    bool StorePoints(const PixelPoint* points, std::size_t n, int& current);
    // From the next Build on, the distance test reads the cells' points alone (true) or the
    // bitmaps where they answer (false, the default): the points are the reference that the
    // bitmaps are measured and tested against.
    void ReadPointsOnly(bool on) { m_bPointsOnly = on; }

    std::int32_t m_nCols = 0;
    std::int32_t m_nRows = 0;
    std::unique_ptr<GridCell[]> m_pCells;

private:
    // LocateCell for a pixel outside the current cell.
    void LocateOutsideCurrent(int x, int y, NeighbourSlots& slots) const;
    static bool SameSlots(const NeighbourSlots& a, const NeighbourSlots& b) {
        int differ = 0;
        for (std::size_t i = 0; i < a.size(); ++i) differ |= a[i] ^ b[i];
        return differ == 0;
    }
    // The cell of pixel (x, y) as LocateCell finds it, with its row and column. The cells tile
    // the raster in squares of the side, so the cell follows from the pixel; a pixel outside
    // the raster goes to the nearest cell.
    int CellOf(int x, int y, int& row, int& col) const {
        col = m_colOf[static_cast<std::size_t>(std::clamp(x, 0, m_raster.width - 1))];
        row = m_rowOf[static_cast<std::size_t>(std::clamp(y, 0, m_raster.height - 1))];
        return row * m_nCols + col;
    }
    // Slot 0 the cell c in ROW and COL, then its neighbours as ComputeNeighbours lists them.
    NeighbourSlots BlockAround(int c, int row, int col) const;
    // Writes BLOCK into SLOTS and remembers it.
    void WriteSlots(const NeighbourSlots& block, NeighbourSlots& slots) const;

    std::int32_t m_nSide = 0;
    // The cells of the last DestroyCells, kept so that a Build for the same distance (a Draw
    // with unchanged settings) can empty and reuse them instead of allocating every cell's
    // storage again. Any other Build releases them, so no more than one grid's worth is kept.
    std::unique_ptr<GridCell[]> m_pRetired;
    std::int32_t m_nRetiredSide = 0;

    friend class GridCell;
    void NoteStored(const GridCell& cell, int x, int y);
    // A cell's corners or points changed other than by AddPoint: the bitmaps no longer
    // describe the cells, until the next Build.
    void NoteChanged() { m_bBitmapsValid = m_bCornersAsBuilt = false; }

    // The pixels closer than one distance to a stored pixel, kept up to date as points are
    // stored; for the distances the placement alternates between (d_test while tracing,
    // d_sep for seeds).
    struct Closeness {
        std::uint32_t distBits = 0;
        PixelDisk disk;
        PixelBitmap pixels;
    };
    // Null when DIST has no bitmap and cannot get one.
    const Closeness* ClosenessFor(float dist);

    // Every stored pixel that lies in the raster and in its own cell.
    PixelBitmap m_stored;
    static constexpr std::size_t kClosenessKept = 2;
    std::array<Closeness, kClosenessKept> m_closeness;
    std::size_t m_nCloseness = 0;  // in use since Build
    // The last distance that got none, so that it is not tried again at every test.
    bool m_bRefused = false;
    std::uint32_t m_nRefusedBits = 0;
    // False once a point went where the bitmaps cannot show it (off the raster, outside its
    // cell) or a cell changed behind AddPoint's back.
    bool m_bBitmapsValid = true;
    bool m_bPointsOnly = false;
    // False once a cell's corners changed since Build.
    bool m_bCornersAsBuilt = true;
    // The slots as LocateCell or ResetNeighbours last wrote them; slots written otherwise
    // need not list the cells around slot 0, and the bitmaps would not answer for them.
    mutable NeighbourSlots m_lastSlots{-2, -2, -2, -2, -2, -2, -2, -2, -2};
    // The raster the cells tile, and the column and row of every pixel's cell, so that a
    // lookup needs no division.
    RasterSize m_raster;
    std::vector<std::int16_t> m_colOf;
    std::vector<std::int16_t> m_rowOf;
};
