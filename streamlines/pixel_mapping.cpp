#include "streamlines/pixel_mapping.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "base/picture_view.h"
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
    // Whole pixels and whole offsets subtract exactly; the classic offset is zero.
    const double dx = static_cast<double>(px) - m_dOffsetX;
    const double dy = static_cast<double>(py) - m_dOffsetY;
    return {static_cast<float>(dx * static_cast<double>(m_fInvScaleX) + origin.x),
            static_cast<float>(dy * static_cast<double>(m_fInvScaleY) + origin.y)};
}

ShownPoint FlowScene::PixelToShown(int px, int py) const {
    const GridNode w = PixelToWorld(px, py);
    return {ShownCoordinate(w.x, m_origin.x), ShownCoordinate(w.y, m_origin.y)};
}

bool FlowScene::ViewChanged() const {
    return m_modes.size != m_mappedSize || m_modes.window != m_mappedWindow ||
           (m_modes.aspect == kAspectEqual) != (m_nMappedAspect == kAspectEqual);
}

void FlowScene::ApplyView() {
    if (!m_pNodes || m_ni < 1 || m_nj < 1) return;
    ComputeExtents();
    m_mappedSize = m_modes.size;
    m_mappedWindow = m_modes.window;
    m_nMappedAspect = m_modes.aspect == kAspectEqual ? kAspectEqual : kAspectStretch;
    m_bDesignView =
        m_mappedSize == PictureSize{} && !m_mappedWindow.IsSet() && m_nMappedAspect != kAspectEqual;
    if (m_bDesignView) return;

    // The part of the grid shown, in the grid's coordinates (the user's less the shift).
    const GridNode first = m_pNodes[0];
    double x0 = first.x, y0 = first.y;
    double width = m_fExtentX, height = m_fExtentY;
    if (m_mappedWindow.IsSet()) {
        x0 = m_mappedWindow.x0 - m_origin.x;
        y0 = m_mappedWindow.y0 - m_origin.y;
        width = m_mappedWindow.Width();
        height = m_mappedWindow.Height();
    }
    const PictureSize size = ResolvedSize(m_mappedSize, width, height);
    m_raster = {size.width, size.height};
    // As the classic picture scales: the span of the pixels over the extent, in single precision.
    const auto scale = [](int pixels, double extent) {
        const float s = static_cast<float>(pixels - 1) / static_cast<float>(extent);
        // A window narrower than single precision resolves is drawn at the finest scale there is.
        return std::isfinite(s) && s > 0.0f ? s : std::numeric_limits<float>::max();
    };
    m_fScaleX = scale(m_raster.width, width);
    m_fScaleY = scale(m_raster.height, height);
    double spareX = 0.0, spareY = 0.0;
    if (m_nMappedAspect == kAspectEqual) {
        // The axis that needs the smaller scale spans the picture from edge to edge; the other
        // is centred, a whole number of pixels from the edge.
        const float common = std::min(m_fScaleX, m_fScaleY);
        m_fScaleX = m_fScaleY = common;
        const auto margin = [common](int lastPixel, double extent) {
            const double spare =
                static_cast<double>(lastPixel) - static_cast<double>(static_cast<float>(extent)) * common;
            return static_cast<double>(
                std::lround(std::clamp(spare, 0.0, static_cast<double>(lastPixel)) / 2.0));
        };
        spareX = margin(m_raster.width - 1, width);
        spareY = margin(m_raster.height - 1, height);
    }
    m_fInvScaleX = 1.0f / m_fScaleX;
    m_fInvScaleY = 1.0f / m_fScaleY;
    // Pixel of the first node: the window's corner at the margin, the first node as far from
    // it as the scale puts it.
    m_dOffsetX = spareX + (static_cast<double>(first.x) - x0) * m_fScaleX;
    m_dOffsetY = spareY + (static_cast<double>(first.y) - y0) * m_fScaleY;
}

bool FlowScene::ShownAlong(float& v, bool alongX) const {
    const GridNode lo = m_pNodes[0];
    const GridNode hi = m_pNodes[static_cast<std::size_t>(m_ni) * static_cast<std::size_t>(m_nj) - 1];
    const float low = alongX ? lo.x : lo.y, high = alongX ? hi.x : hi.y;
    // Written so that a coordinate that is not a number fails every comparison.
    if (low <= v && v <= high) return true;
    // The classic raster with equal scales takes the grid as it is; every other picture's
    // edge pixels show the grid's edge, which their points miss by a rounding.
    if (m_raster == RasterSize{} && !m_mappedWindow.IsSet()) return false;
    const float halfPixel = 0.5f * (alongX ? m_fInvScaleX : m_fInvScaleY);
    if (!(v >= low - halfPixel && v <= high + halfPixel)) return false;
    v = std::clamp(v, low, high);
    return true;
}

bool FlowScene::PixelInData(int x, int y, GridNode& world) const {
    if (!IsInPicture(x, y)) return false;
    world = PixelToWorld(x, y);
    if (m_bDesignView) return true;
    if (!m_pNodes || m_ni < 1 || m_nj < 1) return false;
    return ShownAlong(world.x, true) && ShownAlong(world.y, false);
}

bool FlowScene::IsPixelInData(int x, int y) const {
    GridNode world;
    return PixelInData(x, y, world);
}
