#pragma once

#include <cstdint>

#include "scene/draw_settings.h"

// How the colours of the background image read, as the colouring that made the image left it:
// which field with which map, and the field's values at the map's two ends. The legend draws
// from this, so that it describes the image on screen, not the settings chosen since.
struct ColourScale {
    bool coloured = false;  // an image has been coloured since the data set was loaded
    std::int32_t field = kBackgroundSpeed;
    std::int32_t map = kColourMapDesign;
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
