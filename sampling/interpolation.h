#pragma once

// Bilinear interpolation inside one cell, as free functions of their arguments.

// (1 - t) ((1 - s) c00 + s c10) + t ((1 - s) c01 + s c11), corner values lower left, lower
// right, upper left, upper right; evaluated in double.
inline double Bilinear(float s, float t, float c00, float c10, float c01, float c11) {
    const double ds = s;
    const double dt = t;
    return (1.0 - dt) * ((1.0 - ds) * c00 + ds * c10) + dt * ((1.0 - ds) * c01 + ds * c11);
}
// The local coordinate of X across an interval from X0 whose length's inverse, 1 / (x1 - x0) in
// double, is INVERSE_LENGTH, rounded to float.
inline float LocalCoordinate(float x, float x0, double inverseLength) {
    return static_cast<float>((double{x} - x0) * inverseLength);
}
// The value at (x, y) in the rectangle from (x0, y0) to (x1, y1): the local coordinates are
// rounded to float, then blended. Nothing is clamped: outside the rectangle it extrapolates.
double InterpolateInCell(float x, float y, float x0, float y0, float x1, float y1, float c00, float c10,
                         float c01, float c11);
