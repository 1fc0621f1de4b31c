#include "base/world_origin.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/raster_geometry.h"

namespace {

// The gap between a float of magnitude |v| and the next larger one.
double FloatGap(double v) {
    const auto f = static_cast<float>(std::fabs(v));
    return static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity())) - f;
}

bool Unresolved(double first, double last, double pixels) {
    const double pixel = (last - first) / pixels;
    const double largest = std::max(std::fabs(first), std::fabs(last));
    return std::isfinite(pixel) && pixel > 0.0 && FloatGap(largest) > 0.001 * pixel;
}

}  // namespace

bool NeedsShift(const GridNode* nodes, std::int64_t ni, std::int64_t nj) {
    const GridNode first = nodes[0];
    const GridNode lastX = nodes[ni - 1];
    const GridNode lastY = nodes[ni * (nj - 1)];
    return Unresolved(first.x, lastX.x, kRasterSpanX) || Unresolved(first.y, lastY.y, kRasterSpanY);
}

WorldOrigin ShiftToFirstNode(GridNode* nodes, std::int64_t count) {
    const WorldOrigin origin{nodes[0].x, nodes[0].y};
    for (std::int64_t n = 0; n < count; ++n) {
        nodes[n].x = static_cast<float>(nodes[n].x - origin.x);
        nodes[n].y = static_cast<float>(nodes[n].y - origin.y);
    }
    return origin;
}
