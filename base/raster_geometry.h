#pragma once

#include <cstddef>

// The fixed raster every data set is resampled onto, and where the view shows it. Every
// dimension of the raster, and every divisor derived from it, comes from here.
inline constexpr int kRasterWidth = 350;
inline constexpr int kRasterHeight = 560;
// Floats per raster, row 0 at the bottom, and RGB bytes of the background image.
inline constexpr std::size_t kRasterSize = std::size_t{kRasterWidth} * std::size_t{kRasterHeight};
inline constexpr std::size_t kImageBytes = 3 * kRasterSize;
// The grid's extent maps onto pixel coordinates 0 to width - 1 and 0 to height - 1: the
// scales divide these spans by the extents.
inline constexpr float kRasterSpanX = static_cast<float>(kRasterWidth - 1);
inline constexpr float kRasterSpanY = static_cast<float>(kRasterHeight - 1);
inline constexpr int kImageOriginX = 350;  // window x of raster column 0
inline constexpr int kImageOriginY = 70;   // window y of raster row 0

// The size of the raster a picture is made on: the classic 350 x 560 unless the picture's
// size is chosen otherwise. Pixel (x, y) has x in 0..width - 1 and y in 0..height - 1, row 0 at
// the bottom; rasters hold width * height values row by row from the bottom.
struct RasterSize {
    int width = kRasterWidth;
    int height = kRasterHeight;

    std::size_t Pixels() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(height); }
    bool Contains(int x, int y) const { return x >= 0 && x < width && y >= 0 && y < height; }
    // Index of pixel (x, y) in a raster of this size.
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
    friend bool operator==(const RasterSize&, const RasterSize&) = default;
};
