// Whole-raster arithmetic used while building the background.

#include "sampling/raster_ops.h"

#include <cmath>
#include <cstddef>

namespace {

std::size_t Count(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

}  // namespace

float* ComputeSpeed(const float* u, const float* v, float* speed, int width, int height) {
    const std::size_t n = Count(width, height);
    for (std::size_t k = 0; k < n; ++k) {
        const double du = u[k];
        const double dv = v[k];
        speed[k] = static_cast<float>(std::sqrt(du * du + dv * dv));
    }
    return speed;
}

double RasterMax(const float* r, int width, int height) {
    const std::size_t n = Count(width, height);
    double best = r[0];
    // A value that is not a number is never greater, so it is passed over unless it comes first.
    for (std::size_t k = 1; k < n; ++k)
        if (r[k] > best) best = r[k];
    return best;
}

float* AddConstant(float* r, float c, int width, int height) {
    const std::size_t n = Count(width, height);
    for (std::size_t k = 0; k < n; ++k) r[k] = c + r[k];
    return r;
}
