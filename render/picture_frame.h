#pragma once

#include "base/pixel_point.h"
#include "base/raster_geometry.h"

// The width of the colour legend beside the picture, in the picture's pixels.
inline constexpr int kLegendWidth = 130;

// Where the picture lies in the window: raster pixel (x, y) covers the window from
// (originX + zoom * x, originY + zoom * y) to (originX + zoom * (x + 1), originY + zoom * (y + 1)),
// window y counted from the bottom edge; the legend follows right of it at the same zoom. The
// classic frame puts the picture at (350, 70), one window pixel per raster pixel.
struct PictureFrame {
    int originX = kImageOriginX;
    int originY = kImageOriginY;
    double zoom = 1.0;

    friend bool operator==(const PictureFrame&, const PictureFrame&) = default;
};

// The picture of RASTER's size, and with LEGEND the legend beside it, as large as fits a
// WIDTH x HEIGHT window, centred, on whole window pixels. The classic frame for a window of no
// size.
PictureFrame FittedFrame(int width, int height, bool legend, RasterSize raster = {});

// The width of the picture with the legend when it is shown, in the picture's pixels.
constexpr int PictureWidth(bool legend, int rasterWidth = kRasterWidth) {
    return rasterWidth + (legend ? kLegendWidth : 0);
}

// The raster pixel that window point (x, y) lies in, y from the bottom edge; beyond the
// raster for points beside the picture. A window pixel's centre lies at half-integers.
PixelPoint WindowToRaster(const PictureFrame& frame, double x, double y);

// Makes everything drawn in the classic window coordinates, lines and glDrawPixels alike,
// land in FRAME: OpenGL's model-view matrix, its pixel zoom and the width of lines, which grows
// with the zoom so that a line stays as wide as a raster pixel. The classic frame leaves the
// identity, a zoom of 1 and lines of one pixel, as the classic picture draws.
void UseFrame(const PictureFrame& frame);
