// Bilinear interpolation of node values inside one cell, and the velocity at a world point.

#include "sampling/interpolation.h"

#include <cstddef>

#include "scene/flow_scene.h"

double Bilinear(float s, float t, float c00, float c10, float c01, float c11) {
    const double ds = s;
    const double dt = t;
    return (1.0 - dt) * ((1.0 - ds) * c00 + ds * c10) + dt * ((1.0 - ds) * c01 + ds * c11);
}

double InterpolateInCell(float x, float y, float x0, float y0, float x1, float y1, float c00, float c10,
                         float c01, float c11) {
    // The local coordinates are rounded to single precision like every stored value; only the
    // blend runs in double. Nothing is clamped: a point outside the rectangle extrapolates.
    const float s = static_cast<float>((double{x} - x0) * (1.0 / (double{x1} - x0)));
    const float t = static_cast<float>((double{y} - y0) * (1.0 / (double{y1} - y0)));
    return Bilinear(s, t, c00, c10, c01, c11);
}

GridNode FlowScene::SampleVelocity(float x, float y) const {
    const int ni = m_ni;
    if (!m_pNodes || !m_pU || !m_pV || ni < 2 || m_nj < 2) return {};
    const auto at = [](const std::unique_ptr<float[]>& f, int k) { return f[static_cast<std::size_t>(k)]; };
    GridNode ll, ur;
    int h;
    if (SearchesAxes()) {
        // The same cell as FindCell, and the same corner values, read from the small axes
        // instead of the node array.
        int i, j;
        m_cellSearch.Locate(x, y, i, j);
        h = j * ni + i;
        ll = m_cellSearch.Corner(i, j);
        ur = m_cellSearch.Corner(i + 1, j + 1);
    } else {
        h = FindCell(x, y, 0);
        ll = m_pNodes[static_cast<std::size_t>(h)];
        ur = m_pNodes[static_cast<std::size_t>(h + ni + 1)];
    }
    const double u = InterpolateInCell(x, y, ll.x, ll.y, ur.x, ur.y, at(m_pU, h), at(m_pU, h + 1),
                                       at(m_pU, h + ni), at(m_pU, h + ni + 1));
    const double v = InterpolateInCell(x, y, ll.x, ll.y, ur.x, ur.y, at(m_pV, h), at(m_pV, h + 1),
                                       at(m_pV, h + ni), at(m_pV, h + ni + 1));
    return {static_cast<float>(u), static_cast<float>(v)};
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
