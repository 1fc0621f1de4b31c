#include "streamlines/step_advance.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "scene/flow_scene.h"

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

bool TimeStepFits(const StepAdvance& advance) {
    return advance.movingPixels == 0 ||
           (advance.median >= kTimeStepAdvanceMin && advance.median <= kTimeStepAdvanceMax);
}
