#pragma once

// Whole-raster arithmetic over WIDTH x HEIGHT values, as free functions of their arguments.

// speed[k] = sqrt(u[k]^2 + v[k]^2), computed in double and rounded to float.
float* ComputeSpeed(const float* u, const float* v, float* speed, int width, int height);
// The largest value, starting from r[0]; a value that is not a number is never greater.
double RasterMax(const float* r, int width, int height);
// r[k] = c + r[k] in float.
float* AddConstant(float* r, float c, int width, int height);
