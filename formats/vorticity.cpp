#include "formats/vorticity.h"

#include <cstddef>

namespace formats {

namespace {

// d f / d s at position I of a line of N positions S, the values at F(i) and their validity
// at OK(i). False when the difference would read an invalid value.
template <typename Value, typename Valid>
bool Derivative(std::span<const double> s, std::size_t i, Value f, Valid ok, double& out) {
    const std::size_t n = s.size();
    if (i == 0 || i + 1 == n) {
        const std::size_t a = i == 0 ? 0 : i - 1, b = a + 1;
        if (!ok(a) || !ok(b)) return false;
        out = (f(b) - f(a)) / (s[b] - s[a]);
        return true;
    }
    if (!ok(i - 1) || !ok(i) || !ok(i + 1)) return false;
    const double hl = s[i] - s[i - 1], hr = s[i + 1] - s[i];
    out = (hl * hl * f(i + 1) - hr * hr * f(i - 1) + (hr * hr - hl * hl) * f(i)) / (hl * hr * (hl + hr));
    return true;
}

}  // namespace

void ComputeVorticity(std::span<const double> x, std::span<const double> y, std::int64_t nk, const float* u,
                      const float* v, std::span<const std::uint8_t> invalid, float* w) {
    const std::size_t ni = x.size(), nj = y.size();
    for (std::size_t k = 0; k < static_cast<std::size_t>(nk); ++k) {
        const std::size_t plane = k * ni * nj;
        auto ok = [&](std::size_t node) { return invalid.empty() || invalid[node] == 0; };
        for (std::size_t j = 0; j < nj; ++j)
            for (std::size_t i = 0; i < ni; ++i) {
                const std::size_t row = plane + j * ni;
                double dvdx = 0.0, dudy = 0.0;
                const bool fine = Derivative(
                                      x, i, [&](std::size_t c) { return double{v[row + c]}; },
                                      [&](std::size_t c) { return ok(row + c); }, dvdx) &&
                                  Derivative(
                                      y, j, [&](std::size_t r) { return double{u[plane + r * ni + i]}; },
                                      [&](std::size_t r) { return ok(plane + r * ni + i); }, dudy);
                w[row + i] = fine ? static_cast<float>(dvdx - dudy) : 0.0f;
            }
    }
}

}  // namespace formats
