#pragma once

#include <cmath>
#include <cstdint>

#include "base/raster_geometry.h"

// The pixel utilities that tracing, placement and drawing share. The world-to-pixel mapping
// itself needs the scene's scales and is an operation of the scene.

// The nearest integral value, halves away from zero, as a double: floor(v + 0.5) for v > 0,
// ceil(v - 0.5) otherwise.
double RoundHalfAway(float v);
// RoundHalfAway(v) converted to a pixel index; values beyond the 32-bit range, and those that
// are not a number, saturate (to the lowest index for not a number), still outside the raster.
inline std::int32_t PixelIndexOf(float v);
// Euclidean distance of two pixels, in double.
double PixelDistance(int x1, int y1, int x2, int y2);
// 0 <= x < 350 and 0 <= y < 560.
inline bool IsInRaster(int x, int y) {
    return x >= 0 && x < kRasterWidth && y >= 0 && y < kRasterHeight;
}

std::int32_t PixelIndexOfLarge(float v);

inline std::int32_t PixelIndexOf(float v) {
    // For v > 0 the rounding is floor(v + 0.5) of a positive double, for v <= 0 ceil(v - 0.5)
    // of one that is not positive: truncating the same sum towards zero gives the same whole
    // number, without a call of floor or ceil. Below 2^30 it is a valid index as it stands.
    const double d = v;
    if (!(std::fabs(d) < 1073741824.0)) return PixelIndexOfLarge(v);
    return static_cast<std::int32_t>(d > 0.0 ? d + 0.5 : d - 0.5);
}
