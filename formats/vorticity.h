#pragma once

#include <cstdint>
#include <span>

namespace formats {

// The vorticity dv/dx - du/dy of every plane of a rectilinear lattice with axes X (ni) and Y
// (nj), from U and V at node (k * nj + j) * ni + i. Inside, each derivative is the
// second-order central difference that stays second-order on uneven spacing; at the edges it
// is the one-sided difference to the neighbour. Where INVALID (one flag per node, or empty)
// marks a node, its vorticity and that of every node whose differences would read it is 0.
void ComputeVorticity(std::span<const double> x, std::span<const double> y, std::int64_t nk, const float* u,
                      const float* v, std::span<const std::uint8_t> invalid, float* w);

}  // namespace formats
