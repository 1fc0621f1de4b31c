#include "streamlines/pixel_mapping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "scene/flow_scene.h"

namespace {

// A rounded coordinate as a pixel index. Points far outside the grid (or not a number, from a
// degenerate extent) must not overflow the integer: they saturate, still outside the raster.
std::int32_t ToPixelIndex(double v) {
    constexpr double lo = static_cast<double>(std::numeric_limits<std::int32_t>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (std::isnan(v) || v <= lo) return std::numeric_limits<std::int32_t>::min();
    if (v >= hi) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

}  // namespace

std::int32_t PixelIndexOfLarge(float v) {
    return ToPixelIndex(RoundHalfAway(v));
}

double RoundHalfAway(float v) {
    const double d = v;
    return d > 0.0 ? std::floor(d + 0.5) : std::ceil(d - 0.5);
}

double PixelDistance(int x1, int y1, int x2, int y2) {
    // Differences in 64 bits: pixels of points far off the raster would overflow 32.
    const double dx = static_cast<double>(static_cast<std::int64_t>(x2) - x1);
    const double dy = static_cast<double>(static_cast<std::int64_t>(y2) - y1);
    return std::sqrt(dx * dx + dy * dy);
}

GridNode FlowScene::PixelToWorld(int px, int py) const {
    const GridNode origin = m_pNodes ? m_pNodes[0] : GridNode{};
    if (m_nMappedAspect == kAspectEqual) {
        // Differences in 64 bits, for pixels far off the raster.
        const auto dx = static_cast<double>(std::int64_t{px} - m_nOffsetX);
        const auto dy = static_cast<double>(std::int64_t{py} - m_nOffsetY);
        return {static_cast<float>(dx * static_cast<double>(m_fInvScaleX) + origin.x),
                static_cast<float>(dy * static_cast<double>(m_fInvScaleY) + origin.y)};
    }
    return {static_cast<float>(px * static_cast<double>(m_fInvScaleX) + origin.x),
            static_cast<float>(py * static_cast<double>(m_fInvScaleY) + origin.y)};
}

void FlowScene::ApplyAspect() {
    if (!m_pNodes || m_ni < 1 || m_nj < 1) return;
    ComputeExtents();
    if (m_modes.aspect != kAspectEqual) return;
    // The axis that needs the smaller scale still spans the raster from edge to edge; the
    // other is centred, a whole number of pixels from the raster's edge.
    const float scale = std::min(m_fScaleX, m_fScaleY);
    m_fScaleX = m_fScaleY = scale;
    m_fInvScaleX = m_fInvScaleY = 1.0f / scale;
    const auto margin = [scale](int lastPixel, float extent) {
        const double spare = static_cast<double>(lastPixel) - static_cast<double>(extent) * scale;
        return static_cast<std::int32_t>(
            std::lround(std::clamp(spare, 0.0, static_cast<double>(lastPixel)) / 2.0));
    };
    m_nOffsetX = margin(kRasterWidth - 1, m_fExtentX);
    m_nOffsetY = margin(kRasterHeight - 1, m_fExtentY);
    m_nMappedAspect = kAspectEqual;
}

bool FlowScene::IsPixelInData(int x, int y) const {
    if (!IsInRaster(x, y)) return false;
    if (m_nMappedAspect != kAspectEqual) return true;
    const GridNode w = PixelToWorld(x, y);
    return IsInDomain(w.x, w.y);
}
