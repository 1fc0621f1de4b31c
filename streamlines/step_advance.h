#pragma once

#include <cstddef>

class FlowScene;

// How far one fixed time step moves a point, in raster pixels, over the pixels of the raster
// where the flow moves: 0.1 |S v| with S = diag(m_fScaleX, m_fScaleY) and v the rasters' (u, v).
// Pixels where |S v| is zero (masked vectors, bodies at rest) or not finite are left out.
struct StepAdvance {
    std::size_t movingPixels = 0;
    double median = 0.0;        // pixels per step, nearest rank
    double percentile95 = 0.0;  // pixels per step, nearest rank
};

// From the scene's velocity rasters; all zero without them.
StepAdvance MeasureTimeStepAdvance(const FlowScene& scene);

// The time step suits the placement when its median advance lies within these bounds: further
// and a step jumps across the picture, shorter and the step limit ends lines as fragments.
inline constexpr double kTimeStepAdvanceMin = 0.2;
inline constexpr double kTimeStepAdvanceMax = 5.0;
// False only when something moves and the median lies outside the bounds.
bool TimeStepFits(const StepAdvance& advance);
