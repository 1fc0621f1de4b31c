#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "scene/flow_scene.h"

namespace testsupport {

// What every evenly spaced placement promises of the streamlines it leaves in m_streamlines,
// checked from the lines alone: consecutive points more than 1.5 pixels apart; no point of a
// streamline closer than d_test to a point of an earlier one; every seed after the first at
// least d_sep from the points of earlier streamlines. Each broken promise is one line of text;
// at most LIMIT are kept.
std::vector<std::string> PlacementViolations(const FlowScene& scene, std::size_t limit = 10);

// How well the streamlines cover the raster pixels where the flow moves (speed above zero and
// finite): the largest distance from such a pixel to the nearest streamline point, where that
// pixel is, and the share of the pixels within d_sep of a point.
struct Coverage {
    std::size_t movingPixels = 0;
    double largestGap = 0.0;
    PixelPoint farthest{};
    double shareWithinDSep = 0.0;
};
Coverage MeasureCoverage(const FlowScene& scene);

// Length of a streamline along its polyline, in pixels; and the mean over the placed ones.
double PolylineLength(const Streamline& s);
double MeanStreamlineLength(const FlowScene& scene);

}  // namespace testsupport
