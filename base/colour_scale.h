#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "base/draw_settings.h"

// How the colours of the background image read, as the colouring that made the image left it:
// which field with which map, and the field's values at the map's two ends. The legend draws
// from this, so that it describes the image on screen, not the settings chosen since.
struct ColourScale {
    bool coloured = false;  // an image has been coloured since the data set was loaded
    std::int32_t field = kBackgroundSpeed;
    std::int32_t map = kColourMapRamp;
    // In the data's own values (pressure and vorticity as in the solution file). Equal when
    // every pixel has the same value; not finite when the field's values are not.
    double low = 0.0;
    double high = 0.0;

    friend bool operator==(const ColourScale&, const ColourScale&) = default;
};

// Where on the map, from 0 at its first colour to 1 at its last, a field that has one value
// everywhere is drawn: the diverging map puts zero, and so any constant, in its middle.
constexpr double ConstantFieldPosition(std::int32_t map) {
    return map == kColourMapCoolwarm ? 0.5 : 0.0;
}

// The smallest and largest finite value of a field; both NaN when it has none.
struct ValueRange {
    double low = std::numeric_limits<double>::quiet_NaN();
    double high = std::numeric_limits<double>::quiet_NaN();
};
// The fields' ranges over the nodes of plane 0, the data the picture shows: what the maps span,
// as a plotting program scales to the data's range. Speed is formed at each node.
struct NodeRanges {
    ValueRange speed;
    ValueRange pressure;
    ValueRange vorticity;
};

// RANGE widened to take V when it is finite.
inline void Widen(ValueRange& range, double v) {
    if (!std::isfinite(v)) return;
    if (std::isnan(range.low) || v < range.low) range.low = v;
    if (std::isnan(range.high) || v > range.high) range.high = v;
}

// The ranges of the fields U, V, P and W over their first PLANE nodes; speed is formed at each
// node, in single precision as the rasters have it.
NodeRanges MeasureRanges(const float* u, const float* v, const float* p, const float* w, std::size_t plane);

// RANGES widened to cover MORE as well.
inline void WidenRanges(NodeRanges& ranges, const NodeRanges& more) {
    for (const double v : {more.speed.low, more.speed.high}) Widen(ranges.speed, v);
    for (const double v : {more.pressure.low, more.pressure.high}) Widen(ranges.pressure, v);
    for (const double v : {more.vorticity.low, more.vorticity.high}) Widen(ranges.vorticity, v);
}
