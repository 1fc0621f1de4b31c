#include "streamlines/pixel_disk.h"

#include <cmath>

namespace {

bool Closer(std::int64_t n, double dist) {
    return std::sqrt(static_cast<double>(n)) < dist;
}

// Squares of 32-bit offsets stay below 2^63 and convert to double exactly up to 2^53.
constexpr std::int64_t kLargestSquare = std::int64_t{1} << 53;

// The largest k >= 0 with k * k <= n, for 0 <= n <= kLargestSquare.
std::int64_t IntegerSqrt(std::int64_t n) {
    auto k = static_cast<std::int64_t>(std::sqrt(static_cast<double>(n)));
    while (k * k > n) --k;
    while ((k + 1) * (k + 1) <= n) ++k;
    return k;
}

}  // namespace

std::int64_t SquaredThreshold(float dist) {
    const double d = dist;
    if (!(d > 0.0)) return 0;
    // The square of a float is exact in double; beyond the largest square no offset passes
    // the integer test alone.
    const double square = d * d;
    if (!(square < static_cast<double>(kLargestSquare) - 1.0)) return kNoSquaredThreshold;
    auto n = static_cast<std::int64_t>(std::ceil(square));
    // The rounding of the square root may move the boundary by one either way of d².
    while (n > 0 && !Closer(n - 1, d)) --n;
    while (Closer(n, d)) ++n;
    return n;
}

bool PixelDisk::Make(float dist, PixelDisk& disk) {
    const std::int64_t threshold = SquaredThreshold(dist);
    if (threshold == kNoSquaredThreshold) return false;
    if (threshold > std::int64_t{kMaxRadius + 1} * (kMaxRadius + 1)) return false;
    disk = PixelDisk{};
    disk.threshold = threshold;
    // (dx, dy) is closer when dx² + dy² <= threshold - 1.
    disk.radius = threshold == 0 ? -1 : static_cast<int>(IntegerSqrt(threshold - 1));
    for (int dy = 0; dy <= disk.radius; ++dy)
        disk.halfWidth[static_cast<std::size_t>(dy)] =
            static_cast<std::int8_t>(IntegerSqrt(threshold - 1 - std::int64_t{dy} * dy));
    for (int dy = -disk.radius; dy <= disk.radius; ++dy) {
        const int w = disk.halfWidth[static_cast<std::size_t>(dy < 0 ? -dy : dy)];
        // Columns x - w .. x + w.
        disk.rowMask[static_cast<std::size_t>(dy + disk.radius)] = ((std::uint64_t{2} << (2 * w)) - 1)
                                                                   << (disk.radius - w);
    }
    return true;
}
