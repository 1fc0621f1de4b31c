#include "base/shown_numbers.h"

#include <charconv>

double ShortestDecimal(float f) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, f);
    double d = static_cast<double>(f);
    std::from_chars(text, written.ptr, d);
    return d;
}

double ShownCoordinate(float gridValue, double shift) {
    return shift == 0.0 ? ShortestDecimal(gridValue) : shift + static_cast<double>(gridValue);
}
