#include "streamlines/step_advance.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "scene/flow_scene.h"
#include "streamlines/tracer.h"

namespace {

// The smallest value with at least FRACTION of VALUES at or below it; reorders VALUES.
double NearestRank(std::vector<double>& values, double fraction) {
    const std::size_t n = values.size();
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(n)));
    const std::size_t k = std::clamp<std::size_t>(rank, 1, n) - 1;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k), values.end());
    return values[k];
}

}  // namespace

StepAdvance MeasureTimeStepAdvance(const FlowScene& scene) {
    StepAdvance result;
    if (!scene.m_pRasterU || !scene.m_pRasterV) return result;
    const double sx = scene.m_fScaleX, sy = scene.m_fScaleY, h = kTimeStep;
    std::vector<double> advances;
    const std::size_t pixels = scene.Raster().Pixels();
    advances.reserve(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const double px = sx * scene.m_pRasterU[i], py = sy * scene.m_pRasterV[i];
        const double advance = h * std::sqrt(px * px + py * py);
        if (advance > 0.0 && std::isfinite(advance)) advances.push_back(advance);
    }
    result.movingPixels = advances.size();
    if (advances.empty()) return result;
    result.median = NearestRank(advances, 0.5);
    result.percentile95 = NearestRank(advances, 0.95);
    return result;
}

bool FlowScene::DirectionsStayAt(GridNode seed) const {
    if (PixelStepOn() || !SearchesAxes() || !m_pNodes || !m_pU || !m_pV) return false;
    // The box reaching R pixels from the seed each way, in the world. Suppose every node of the cells
    // it touches is finite and no faster along x than U: a step from a point in the box
    // samples only those cells (on a rectilinear grid a point's cell is the one between the
    // axes' values about it), and a bilinear blend of corners is no larger than the largest,
    // so each step, each of its stages and each rounding of a point moves at most
    // h U (1 + 1e-3) + a float's spacing at the grid's largest coordinate. If all the
    // direction's steps together move less than R, no point leaves the box: none leaves the
    // domain or the picture, and as pixels are coordinates rounded, none is a pixel farther
    // than one from the seed's (R < 1 leaves room for the rounding of pixel coordinates to
    // float); the direction takes its whole step limit. Not a number fails every test.
    constexpr double kReach = 0.9;
    constexpr std::int64_t kMostNodes = 4096;  // beyond, tracing is the cheaper proof
    const double sx = std::fabs(double{m_fScaleX}), sy = std::fabs(double{m_fScaleY});
    const double rx = kReach / sx, ry = kReach / sy;
    const GridNode lo = m_pNodes[0];
    const GridNode hi = m_pNodes[static_cast<std::size_t>(m_ni) * static_cast<std::size_t>(m_nj) - 1];
    const double x0 = seed.x - rx, x1 = seed.x + rx, y0 = seed.y - ry, y1 = seed.y + ry;
    if (!(x0 >= lo.x && x1 <= hi.x && y0 >= lo.y && y1 <= hi.y)) return false;
    if (EndsAtPicture()) {
        const PixelPoint p = WorldToPixel(seed);
        if (!(p.x >= 1 && p.y >= 1 && p.x + 1 < m_raster.width && p.y + 1 < m_raster.height)) return false;
    }
    // One cell more on each side for the rounding of the box's ends to float.
    const int ni = m_ni, nj = m_nj;
    const int i0 = std::max(m_cellSearch.Column(static_cast<float>(x0)) - 1, 0);
    const int i1 = std::min(m_cellSearch.Column(static_cast<float>(x1)) + 3, ni);
    const int j0 = std::max(m_cellSearch.Row(static_cast<float>(y0)) - 1, 0);
    const int j1 = std::min(m_cellSearch.Row(static_cast<float>(y1)) + 3, nj);
    if (std::int64_t{i1 - i0} * (j1 - j0) > kMostNodes) return false;
    float fastestU = 0.0f, fastestV = 0.0f;
    for (int j = j0; j < j1; ++j)
        for (int i = i0; i < i1; ++i) {
            const auto k =
                static_cast<std::size_t>(j) * static_cast<std::size_t>(ni) + static_cast<std::size_t>(i);
            const float u = std::fabs(m_pU[k]), v = std::fabs(m_pV[k]);
            if (!(u <= std::numeric_limits<float>::max() && v <= std::numeric_limits<float>::max()))
                return false;
            fastestU = std::max(fastestU, u);
            fastestV = std::max(fastestV, v);
        }
    const auto reach = [](float fastest, float a, float b, double scale) {
        const double spacing = std::max(std::fabs(double{a}), std::fabs(double{b})) * 0x1p-23;
        return kMaxStepsPerDirection * (kTimeStep * double{fastest} * 1.001 + spacing) * scale;
    };
    return reach(fastestU, lo.x, hi.x, sx) < kReach && reach(fastestV, lo.y, hi.y, sy) < kReach;
}

bool TimeStepFits(const StepAdvance& advance) {
    return advance.movingPixels == 0 ||
           (advance.median >= kTimeStepAdvanceMin && advance.median <= kTimeStepAdvanceMax);
}
