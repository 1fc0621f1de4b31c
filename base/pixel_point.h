#pragma once

#include <cstdint>

// A raster pixel: x in 0..349, y in 0..559 inside the raster, row 0 at the bottom.
struct PixelPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(PixelPoint a, PixelPoint b) = default;
};
