#include "streamlines/separation_grid.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <initializer_list>
#include <stdexcept>

#include "base/raster_geometry.h"
#include "streamlines/pixel_mapping.h"

GridCell::GridCell(const GridCell& other)
    : m_pMin(other.m_pMin), m_pMax(other.m_pMax), m_points(other.m_points) {}

GridCell& GridCell::operator=(const GridCell& other) {
    if (this != &other) {
        m_pMin = other.m_pMin;
        m_pMax = other.m_pMax;
        m_points = other.m_points;
        if (m_pOwner) m_pOwner->NoteChanged();
    }
    return *this;
}

void GridCell::SetCorners(int x0, int y0, int x1, int y1) {
    m_pMin = PixelPoint{x0, y0};
    m_pMax = PixelPoint{x1, y1};
    if (m_pOwner) m_pOwner->NoteChanged();
}

void GridCell::AddPoint(int x, int y) {
    m_points.push_back({x, y});
    if (m_pOwner) m_pOwner->NoteStored(*this, x, y);
}

PixelPoint GridCell::GetPoint(std::size_t i) const {
    if (i >= m_points.size()) throw std::out_of_range("invalid vector<T> subscript");
    return m_points[i];
}

namespace {

// Points a new cell can take before its storage grows; about what a cell holds at the
// default distance, so that even the first placement rarely allocates while it stores.
constexpr std::size_t kFirstCellCapacity = 16;

}  // namespace

void SeparationGrid::Build(int d, RasterSize raster) {
    d = std::max(d, 1);
    const float side = static_cast<float>(d);
    const int cols = static_cast<int>(std::ceil(static_cast<double>(raster.width) / side));
    const int rows = static_cast<int>(std::ceil(static_cast<double>(raster.height) / side));
    if (m_pRetired && m_nRetiredSide == d && m_raster == raster) {
        // The same distance gives the same cells and corners; DestroyCells emptied them.
        m_pCells = std::move(m_pRetired);
    } else {
        m_pRetired.reset();
        auto cells =
            std::make_unique<GridCell[]>(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            // Formed in 64 bits: for a side wider than the raster r * d and k * d may not fit.
            const long long y0 = static_cast<long long>(r) * d;
            const long long y1 = std::min<long long>(y0 + d - 1, raster.height - 1);
            for (int k = 0; k < cols; ++k) {
                const long long x0 = static_cast<long long>(k) * d;
                const long long x1 = std::min<long long>(x0 + d - 1, raster.width - 1);
                GridCell& cell = cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                                       static_cast<std::size_t>(k)];
                cell.SetCorners(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                                static_cast<int>(y1));
                cell.m_points.reserve(kFirstCellCapacity);
                cell.m_pOwner = this;
            }
        }
        m_pCells = std::move(cells);
    }
    m_nRetiredSide = 0;
    m_nCols = cols;
    m_nRows = rows;
    m_nSide = d;
    if (m_raster != raster || m_colOf.empty()) {
        m_raster = raster;
        m_colOf.resize(static_cast<std::size_t>(raster.width));
        m_rowOf.resize(static_cast<std::size_t>(raster.height));
        for (Closeness& c : m_closeness) c.pixels.Resize(raster);
        m_stored.Resize(raster);
    }
    for (int x = 0; x < raster.width; ++x)
        m_colOf[static_cast<std::size_t>(x)] = static_cast<std::int16_t>(std::min(x / d, cols - 1));
    for (int y = 0; y < raster.height; ++y)
        m_rowOf[static_cast<std::size_t>(y)] = static_cast<std::int16_t>(std::min(y / d, rows - 1));
    m_stored.Clear();
    m_nCloseness = 0;
    m_bRefused = false;
    m_bBitmapsValid = !m_bPointsOnly;
    m_bCornersAsBuilt = true;
    m_lastSlots.fill(-2);
}

void SeparationGrid::DestroyCells() {
    for (int i = 0; i < CellCount(); ++i) Cell(i).m_points.clear();
    m_pRetired = std::move(m_pCells);
    m_nRetiredSide = m_nSide;
    m_nCols = 0;
    m_nRows = 0;
    m_nSide = 0;
}

void SeparationGrid::ResetNeighbours(NeighbourSlots& slots) const {
    if (CellCount() == 0) {
        ClearSlotsFrom(0, slots);
        return;
    }
    WriteSlots(BlockAround(0, 0, 0), slots);
}

void SeparationGrid::LocateOutsideCurrent(int x, int y, NeighbourSlots& slots) const {
    int row, col;
    const int c = CellOf(x, y, row, col);
    WriteSlots(BlockAround(c, row, col), slots);
}

void SeparationGrid::WriteSlots(const NeighbourSlots& block, NeighbourSlots& slots) const {
    // Both written from the same values, not one copied from the other: a copy right after
    // the slots' single stores would wait for them to reach the cache.
    slots = block;
    m_lastSlots = block;
}

void SeparationGrid::ComputeNeighbours(int c, NeighbourSlots& slots) const {
    if (c < 0 || c >= CellCount()) {
        ClearSlotsFrom(1, slots);
        return;
    }
    const int row = c / m_nCols;
    const NeighbourSlots block = BlockAround(c, row, c - row * m_nCols);
    std::copy(block.begin() + 1, block.end(), slots.begin() + 1);
}

NeighbourSlots SeparationGrid::BlockAround(int c, int row, int col) const {
    // Each case of the neighbour table (first or last cell of the first or last row, the rest
    // of those rows, of the first and last column, the interior) lists the cells of the 3 x 3
    // block around c that exist, in increasing index order; so does this, for a grid of any
    // width and height, a single row or column included.
    const int W = m_nCols;
    const bool below = row > 0, above = row + 1 < m_nRows, left = col > 0, right = col + 1 < W;
    if (below && above && left && right)
        return {c, c - W - 1, c - W, c - W + 1, c - 1, c + 1, c + W - 1, c + W, c + W + 1};
    NeighbourSlots block{c, -1, -1, -1, -1, -1, -1, -1, -1};
    std::size_t k = 1;
    if (below) {
        if (left) block[k++] = c - W - 1;
        block[k++] = c - W;
        if (right) block[k++] = c - W + 1;
    }
    if (left) block[k++] = c - 1;
    if (right) block[k++] = c + 1;
    if (above) {
        if (left) block[k++] = c + W - 1;
        block[k++] = c + W;
        if (right) block[k++] = c + W + 1;
    }
    return block;
}

void SeparationGrid::ClearSlotsFrom(int k, NeighbourSlots& slots) {
    for (int i = std::max(k, 0); i < static_cast<int>(slots.size()); ++i)
        slots[static_cast<std::size_t>(i)] = -1;
}

std::size_t SeparationGrid::PointCount() const {
    std::size_t count = 0;
    for (int i = 0; i < CellCount(); ++i) count += Cell(i).GetCount();
    return count;
}

void SeparationGrid::StorePoints(const PixelPoint* points, std::size_t n, NeighbourSlots& slots) {
    int current = slots[0];
    if (StorePoints(points, n, current)) WriteSlotsFor(current, slots);
}

bool SeparationGrid::StorePoints(const PixelPoint* points, std::size_t n, int& current) {
    if (CellCount() == 0) return false;
    // What LocateCell does for each point, without the neighbour list.
    bool moved = false;
    for (std::size_t i = 0; i < n; ++i) {
        const PixelPoint p = points[i];
        moved |= LocateCurrent(p.x, p.y, current);
        // AddPoint, with the grid's part inline.
        GridCell& cell = Cell(current);
        cell.m_points.push_back(p);
        NoteStored(cell, p.x, p.y);
    }
    return moved;
}

bool SeparationGrid::SlotsListBlock(const NeighbourSlots& slots) const {
    const int c = slots[0];
    if (c < 0 || c >= CellCount()) return false;
    const int row = c / m_nCols;
    return SameSlots(slots, BlockAround(c, row, c - row * m_nCols));
}

void SeparationGrid::WriteSlotsFor(int c, NeighbourSlots& slots) const {
    const int row = c / m_nCols;
    WriteSlots(BlockAround(c, row, c - row * m_nCols), slots);
}

void SeparationGrid::NoteStored(const GridCell& cell, int x, int y) {
    const bool inCell = cell.m_pMin && cell.m_pMax && cell.m_pMin->x <= x && x <= cell.m_pMax->x &&
                        cell.m_pMin->y <= y && y <= cell.m_pMax->y;
    if (!inCell || !m_raster.Contains(x, y)) {
        m_bBitmapsValid = false;
        return;
    }
    if (m_stored.Test(x, y)) return;  // a repeat changes no answer
    m_stored.Set(x, y);
    // Written out for each bitmap, not as a loop over them: each disk's loop then has a branch
    // of its own that always runs the same number of rows, and is predicted.
    static_assert(kClosenessKept == 2);
    if (m_nCloseness > 0) m_closeness[0].pixels.SetDisk(m_closeness[0].disk, x, y);
    if (m_nCloseness > 1) m_closeness[1].pixels.SetDisk(m_closeness[1].disk, x, y);
}

const SeparationGrid::Closeness* SeparationGrid::ClosenessFor(float dist) {
    const auto bits = std::bit_cast<std::uint32_t>(dist);
    for (std::size_t i = 0; i < m_nCloseness; ++i)
        if (m_closeness[i].distBits == bits) return &m_closeness[i];
    if (m_nCloseness == kClosenessKept || (m_bRefused && m_nRefusedBits == bits)) return nullptr;
    Closeness& made = m_closeness[m_nCloseness];
    // Within the side every closer pixel lies in the nine cells around; beyond it the cells
    // would hide some that the disk reaches.
    if (!PixelDisk::Make(dist, made.disk) || made.disk.threshold > std::int64_t{m_nSide} * m_nSide) {
        m_bRefused = true;
        m_nRefusedBits = bits;
        return nullptr;
    }
    made.distBits = bits;
    made.pixels.Clear();
    m_stored.ForEachSet([&made](int x, int y) { made.pixels.SetDisk(made.disk, x, y); });
    ++m_nCloseness;
    return &made;
}
