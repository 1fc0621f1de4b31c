#pragma once

#include <cstddef>

// The fixed raster every data set is resampled onto, and where the view shows it.
inline constexpr int kRasterWidth = 350;
inline constexpr int kRasterHeight = 560;
inline constexpr std::size_t kRasterSize = 196000;  // floats per raster, row 0 at the bottom
inline constexpr std::size_t kImageBytes = 588000;  // RGB bytes of the background image
inline constexpr int kImageOriginX = 350;           // window x of raster column 0
inline constexpr int kImageOriginY = 70;            // window y of raster row 0
