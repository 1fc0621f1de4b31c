#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"

namespace {

// The test read off the points themselves, for whatever the grid's bitmaps do not answer.
// Cells are as wide as d_sep, so the current cell and its neighbours hold every stored point
// closer than any distance up to d_sep.
bool AnyPointCloser(const SeparationGrid& grid, const NeighbourSlots& slots, int x, int y, float dist) {
    for (const std::int32_t c : slots) {
        if (c < 0 || c >= grid.CellCount()) break;
        for (const PixelPoint& q : grid.Cell(c).Points())
            if (PixelDistance(q.x, q.y, x, y) < dist) return true;
    }
    return false;
}

}  // namespace

bool FlowScene::IsFarEnoughByPoints(int x, int y, float dist) {
    WriteDeferredSlots();
    return !AnyPointCloser(Grid(), m_aCellNbr, x, y, dist);
}

void FlowScene::WriteDeferredSlots() {
    if (m_bSlotsOwed) Grid().WriteSlotsFor(m_nCurrentCell, m_aCellNbr);
    m_bSlotsOwed = false;
}
