#include "streamlines/separation_grid.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <stdexcept>

#include "scene/raster_geometry.h"

void GridCell::SetCorners(int x0, int y0, int x1, int y1) {
    m_pMin = PixelPoint{x0, y0};
    m_pMax = PixelPoint{x1, y1};
}

void GridCell::AddPoint(int x, int y) {
    m_points.push_back({x, y});
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

void SeparationGrid::Build(int d) {
    d = std::max(d, 1);
    const float side = static_cast<float>(d);
    const int cols = static_cast<int>(std::ceil(350.0 / side));
    const int rows = static_cast<int>(std::ceil(560.0 / side));
    if (m_pRetired && m_nRetiredSide == d) {
        // The same distance gives the same cells and corners; DestroyCells emptied them.
        m_pCells = std::move(m_pRetired);
    } else {
        m_pRetired.reset();
        auto cells =
            std::make_unique<GridCell[]>(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            // Formed in 64 bits: for a side wider than the raster r * d and k * d may not fit.
            const long long y0 = static_cast<long long>(r) * d;
            const long long y1 = std::min<long long>(y0 + d - 1, kRasterHeight - 1);
            for (int k = 0; k < cols; ++k) {
                const long long x0 = static_cast<long long>(k) * d;
                const long long x1 = std::min<long long>(x0 + d - 1, kRasterWidth - 1);
                GridCell& cell = cells[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols) +
                                       static_cast<std::size_t>(k)];
                cell.SetCorners(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                                static_cast<int>(y1));
                cell.m_points.reserve(kFirstCellCapacity);
            }
        }
        m_pCells = std::move(cells);
    }
    m_nRetiredSide = 0;
    m_nCols = cols;
    m_nRows = rows;
    m_nSide = d;
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
    slots[0] = 0;
    ComputeNeighbours(0, slots);
}

bool SeparationGrid::Contains(int x, int y, int i) const {
    if (i < 0 || i >= CellCount()) return false;
    const GridCell& cell = Cell(i);
    if (!cell.m_pMin || !cell.m_pMax) return false;
    return cell.m_pMin->x <= x && x <= cell.m_pMax->x && cell.m_pMin->y <= y && y <= cell.m_pMax->y;
}

void SeparationGrid::LocateCell(int x, int y, NeighbourSlots& slots) const {
    if (CellCount() == 0) return;
    // Consecutive lookups along a streamline mostly stay in one cell: keep its list then.
    if (Contains(x, y, slots[0])) return;
    // The cells tile the raster in squares of the side, so the cell follows from the pixel;
    // a pixel outside the raster goes to the nearest cell.
    const int col = std::min(std::clamp(x, 0, kRasterWidth - 1) / m_nSide, m_nCols - 1);
    const int row = std::min(std::clamp(y, 0, kRasterHeight - 1) / m_nSide, m_nRows - 1);
    const int c = row * m_nCols + col;
    slots[0] = c;
    ComputeNeighbours(c, slots);
}

void SeparationGrid::ComputeNeighbours(int c, NeighbourSlots& slots) const {
    const int W = m_nCols;
    const int H = m_nRows;
    if (c < 0 || c >= W * H) {
        ClearSlotsFrom(1, slots);
        return;
    }
    if (W < 2 || H < 2) {
        ComputeNeighboursNarrow(c, slots);
        return;
    }
    auto put = [&slots](std::initializer_list<int> cells) {
        int k = 1;
        for (int cell : cells) slots[static_cast<std::size_t>(k++)] = cell;
        ClearSlotsFrom(k, slots);
    };
    if (c == 0)
        put({1, W, W + 1});
    else if (c == W - 1)
        put({c - 1, c + W - 1, c + W});
    else if (c == W * (H - 1))
        put({c - W, c - W + 1, c + 1});
    else if (c == W * H - 1)
        put({c - W - 1, c - W, c - 1});
    else if (c - W < 0)
        put({c - 1, c + 1, c + W - 1, c + W, c + W + 1});
    else if (c + W > W * H - 1)
        put({c - W - 1, c - W, c - W + 1, c - 1, c + 1});
    else if (c % W == 0)
        put({c - W, c - W + 1, c + 1, c + W, c + W + 1});
    else if ((c + 1) % W == 0)
        put({c - W - 1, c - W, c - 1, c + W - 1, c + W});
    else
        put({c - W - 1, c - W, c - W + 1, c - 1, c + 1, c + W - 1, c + W, c + W + 1});
}

void SeparationGrid::ComputeNeighboursNarrow(int c, NeighbourSlots& slots) const {
    const int row = c / m_nCols;
    const int col = c % m_nCols;
    std::size_t k = 1;
    for (int dr = -1; dr <= 1; ++dr)
        for (int dc = -1; dc <= 1; ++dc) {
            const int r = row + dr;
            const int q = col + dc;
            if ((dr == 0 && dc == 0) || r < 0 || r >= m_nRows || q < 0 || q >= m_nCols) continue;
            slots[k++] = r * m_nCols + q;
        }
    ClearSlotsFrom(static_cast<int>(k), slots);
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
