#pragma once

#include <array>
#include <cstdint>

// The separation test asks whether sqrt(dx² + dy²) < dist for whole-pixel offsets, with the
// square root taken in double. The square root is correctly rounded and so never decreases as
// its argument grows; the offsets that pass are therefore exactly those whose squared length
// is below one whole number, the least n whose square root is not below dist. That number is
// found here with the comparison itself, so the integer test gives the same answer for every
// n, whatever rounding the square root does near dist.

// The least n >= 0 with !(sqrt(double(n)) < double(dist)): 0 when nothing is closer than dist
// (dist zero, negative or not a number); kNoSquaredThreshold when dist is beyond every offset
// that a 32-bit square can hold.
inline constexpr std::int64_t kNoSquaredThreshold = -1;
std::int64_t SquaredThreshold(float dist);

// The pixel offsets closer than a distance, row by row: offset (dx, dy) is closer exactly
// when |dy| <= radius and |dx| <= halfWidth[|dy|]. Only for distances whose disk is at most
// kMaxRadius pixels from its centre; others have no disk.
struct PixelDisk {
    static constexpr int kMaxRadius = 28;
    static constexpr int kMaxRows = 2 * kMaxRadius + 1;

    std::int64_t threshold = 0;  // SquaredThreshold of the distance
    int radius = -1;             // -1: no offset is closer, not even (0, 0)
    std::array<std::int8_t, kMaxRadius + 1> halfWidth{};
    // Row dy (from -radius to radius) as bits of a word: rowMask[dy + radius] has bit k set
    // for column x - radius + k when that column is closer in row y + dy.
    std::array<std::uint64_t, kMaxRows> rowMask{};

    // False when the distance reaches past kMaxRadius, or has no threshold.
    static bool Make(float dist, PixelDisk& disk);
};
