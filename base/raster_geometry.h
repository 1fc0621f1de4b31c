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
