#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"

bool FlowScene::IsFarEnough(int x, int y, float dist) {
    ++m_stats.separationTests;
    SeparationGrid& grid = Grid();
    if (grid.CellCount() == 0) return true;  // nothing can be stored in a grid without cells
    grid.LocateCell(x, y, m_aCellNbr);
    // Cells are as wide as d_sep, so the current cell and its neighbours hold every stored
    // point closer than any distance up to d_sep.
    for (const std::int32_t c : m_aCellNbr) {
        if (c < 0 || c >= grid.CellCount()) break;
        for (const PixelPoint& q : grid.Cell(c).Points())
            if (PixelDistance(q.x, q.y, x, y) < dist) return false;
    }
    return true;
}
