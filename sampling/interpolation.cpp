// Bilinear interpolation of node values inside one cell, and the velocity at a world point.

#include "sampling/interpolation.h"

#include <bit>
#include <cstddef>
#include <cstdint>

#include "scene/flow_scene.h"

double InterpolateInCell(float x, float y, float x0, float y0, float x1, float y1, float c00, float c10,
                         float c01, float c11) {
    // The local coordinates are rounded to single precision like every stored value; only the
    // blend runs in double. Nothing is clamped: a point outside the rectangle extrapolates.
    const float s = LocalCoordinate(x, x0, 1.0 / (double{x1} - x0));
    const float t = LocalCoordinate(y, y0, 1.0 / (double{y1} - y0));
    return Bilinear(s, t, c00, c10, c01, c11);
}

GridNode FlowScene::SampleVelocity(float x, float y) const {
    const int ni = m_ni;
    if (!m_pNodes || !m_pU || !m_pV || ni < 2 || m_nj < 2) return {};
    const auto at = [](const std::unique_ptr<float[]>& f, int k) { return f[static_cast<std::size_t>(k)]; };
    int h;
    float s, t;
    if (SearchesAxes()) {
        // The same cell as FindCell, and the same corner values, read from the small axes
        // instead of the node array; the inverse lengths of its sides are the ones
        // InterpolateInCell divides out, computed once per interval.
        int i, j;
        m_cellSearch.Locate(x, y, i, j);
        h = j * ni + i;
        const GridNode ll = m_cellSearch.Corner(i, j);
        s = LocalCoordinate(x, ll.x, m_cellSearch.InverseWidth(i));
        t = LocalCoordinate(y, ll.y, m_cellSearch.InverseHeight(j));
    } else {
        h = FindCell(x, y, 0);
        const GridNode ll = m_pNodes[static_cast<std::size_t>(h)];
        const GridNode ur = m_pNodes[static_cast<std::size_t>(h + ni + 1)];
        // Compared bit for bit: zeros of two signs divide differently.
        const auto same = [](GridNode a, GridNode b) {
            return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
        };
        CellInverse& c = m_lastCell;
        if (!same(c.ll, ll) || !same(c.ur, ur))
            c = {ll, ur, 1.0 / (double{ur.x} - ll.x), 1.0 / (double{ur.y} - ll.y)};
        s = LocalCoordinate(x, ll.x, c.width);
        t = LocalCoordinate(y, ll.y, c.height);
    }
    // Both fields share the cell's local coordinates, as InterpolateInCell would find them.
    const double u = Bilinear(s, t, at(m_pU, h), at(m_pU, h + 1), at(m_pU, h + ni), at(m_pU, h + ni + 1));
    const double v = Bilinear(s, t, at(m_pV, h), at(m_pV, h + 1), at(m_pV, h + ni), at(m_pV, h + ni + 1));
    return {static_cast<float>(u), static_cast<float>(v)};
}

bool FlowScene::PrefetchPays() const {
    // Velocity arrays (u and v of plane 0) up to this size stay in the second-level cache of
    // any current processor, and fetching ahead would only cost time.
    constexpr std::int64_t kPrefetchFromBytes = 1 << 20;
    return std::int64_t{m_ni} * m_nj * 2 * std::int64_t{sizeof(float)} > kPrefetchFromBytes;
}

void FlowScene::PrefetchVelocity(float x, float y) const {
    // On a large grid a step along a streamline lands on node rows that are not in any cache
    // yet; fetching them while the current step is computed hides most of that wait. The cell
    // need not be exact, and a wrong line is harmless.
    std::size_t i = 0, j = 0;
    if (!m_pU || !m_pV || !SearchesAxes() || !m_cellSearch.Guess(x, y, i, j)) return;
    const auto up = static_cast<std::size_t>(m_ni);
    const std::size_t h = j * up + i;
    __builtin_prefetch(&m_pU[h]);
    __builtin_prefetch(&m_pU[h + up]);
    __builtin_prefetch(&m_pV[h]);
    __builtin_prefetch(&m_pV[h + up]);
}
