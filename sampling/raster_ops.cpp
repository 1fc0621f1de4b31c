// Whole-raster arithmetic used while building the background.

#include "sampling/raster_ops.h"

#include <cmath>
#include <cstddef>
#include <limits>

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
    // Over finite values only: one NaN or infinity anywhere, the first pixel included, must not
    // decide the scale of the whole picture. Where every value is finite this is the largest
    // value starting from r[0], as always.
    double best = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t k = 0; k < n; ++k)
        if (std::isfinite(r[k]) && (std::isnan(best) || r[k] > best)) best = r[k];
    return best;
}

float* AddConstant(float* r, float c, int width, int height) {
    const std::size_t n = Count(width, height);
    for (std::size_t k = 0; k < n; ++k) {
        const float sum = c + r[k];
        // Two finite values whose sum leaves the float range (pressures of +-3e38) stay the
        // largest float, so that the picture keeps a finite scale; every other sum is exact.
        r[k] = std::isinf(sum) && std::isfinite(c) && std::isfinite(r[k])
                   ? std::copysign(std::numeric_limits<float>::max(), sum)
                   : sum;
    }
    return r;
}
