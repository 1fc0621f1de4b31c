#include "streamlines/shown_axes.h"

#include "scene/flow_scene.h"

ShownAxes::ShownAxes(const FlowScene& scene)
    : m_scene(scene),
      m_x(static_cast<std::size_t>(scene.Raster().width)),
      m_y(static_cast<std::size_t>(scene.Raster().height)) {}

ShownPoint ShownAxes::At(PixelPoint p) {
    const auto column = static_cast<std::size_t>(p.x), row = static_cast<std::size_t>(p.y);
    if (p.x < 0 || p.y < 0 || column >= m_x.size() || row >= m_y.size())
        return m_scene.PixelToShown(p.x, p.y);
    if (!m_x[column]) m_x[column] = m_scene.PixelToShown(p.x, 0).x;
    if (!m_y[row]) m_y[row] = m_scene.PixelToShown(0, p.y).y;
    return {*m_x[column], *m_y[row]};
}
