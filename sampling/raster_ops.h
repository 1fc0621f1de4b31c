#pragma once

// Whole-raster arithmetic over WIDTH x HEIGHT values, as free functions of their arguments.

// speed[k] = sqrt(u[k]^2 + v[k]^2), computed in double and rounded to float.
float* ComputeSpeed(const float* u, const float* v, float* speed, int width, int height);
// The largest finite value (not a number when there is none).
double RasterMax(const float* r, int width, int height);
// r[k] = c + r[k] in float; a sum of finite values beyond the float range is the largest float
// of its sign.
float* AddConstant(float* r, float c, int width, int height);
