#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/raster_geometry.h"

// What a picture shows: how many pixels, and which part of the data. The default is the fixed
// 350 x 560 raster over the whole grid.

// The sides a picture may have, in pixels.
inline constexpr int kPictureSideMin = 32;
inline constexpr int kPictureSideMax = 8192;

// The picture's size: WIDTH x HEIGHT pixels, or, with AUTO_LONG_SIDE above zero, the
// proportions of the part of the data shown with its longer side that many pixels.
struct PictureSize {
    int width = kRasterWidth;
    int height = kRasterHeight;
    int autoLongSide = 0;
    // The longer side of --size auto without a number.
    static constexpr int kAutoDefault = 560;

    bool IsAuto() const { return autoLongSide > 0; }
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};

// "WxH", "auto" or "auto:N" as --size takes it; nothing, with WHY telling what is wrong, for
// anything else or a side outside kPictureSideMin..kPictureSideMax.
std::optional<PictureSize> ParsePictureSize(std::string_view text, std::string& why);
std::string PictureSizeText(const PictureSize& size);
// W x H for an automatic size over a part of the data EXTENT_X wide and EXTENT_Y high: the
// longer side LONG_SIDE, the other in the same proportion, rounded, within the limits.
PictureSize ResolvedSize(const PictureSize& size, double extentX, double extentY);

// A rectangle of the data in the data's own coordinates (as its file has them): x0 < x1,
// y0 < y1. The default, all zero, is the whole data.
struct WorldWindow {
    double x0 = 0.0;
    double x1 = 0.0;
    double y0 = 0.0;
    double y1 = 0.0;

    bool IsSet() const { return x1 > x0 && y1 > y0; }
    double Width() const { return x1 - x0; }
    double Height() const { return y1 - y0; }
    friend bool operator==(const WorldWindow&, const WorldWindow&) = default;
};

// "X0,X1,Y0,Y1" with finite X0 < X1 and Y0 < Y1, or "all" for the whole data.
std::optional<WorldWindow> ParseWorldWindow(std::string_view text, std::string& why);
std::string WorldWindowText(const WorldWindow& window);
