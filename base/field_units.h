#pragma once

#include <string>
#include <string_view>

#include "base/data_set.h"

// The units a picture's texts show: the axes' titles and the legend's. They come from the
// columns the reader found, and from units the user names for a file that names none (a .gri
// pair): "x=mm,u=m/s", each role of x, y, u, v, p and w at most once.

// The longest list of units the option takes, in bytes.
inline constexpr std::size_t kUnitsBytesMax = 200;

// Whether TEXT is such a list; false, with WHY telling what it takes, otherwise. The empty
// text is none.
bool UnitsReadable(std::string_view text, std::string& why);

struct ShownUnits {
    std::string x, y;
    std::string speed, pressure, vorticity;

    friend bool operator==(const ShownUnits&, const ShownUnits&) = default;
};

// The units of NOTES with those OVERRIDES names put first. y takes x's unit and v u's when
// neither names one, as a file's two coordinates and two components are in one unit. Speed is
// in u's unit, pressure in p's. Vorticity is in w's when one is named; otherwise, as the
// derivative of u along x, "1/s" where u's unit is x's per second ("m/s" over "m"), and none
// for any other pair, which would need a unit algebra to name.
ShownUnits UnitsShown(const DataSetNotes& notes, std::string_view overrides);

// The unit of FIELD (a BackgroundField value) among UNITS.
const std::string& FieldUnit(const ShownUnits& units, int field);
