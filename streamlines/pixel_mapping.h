#pragma once

// The pixel utilities that tracing, placement and drawing share. The world-to-pixel mapping
// itself needs the scene's scales and is an operation of the scene.

// The nearest integral value, halves away from zero, as a double: floor(v + 0.5) for v > 0,
// ceil(v - 0.5) otherwise.
double RoundHalfAway(float v);
// Euclidean distance of two pixels, in double.
double PixelDistance(int x1, int y1, int x2, int y2);
// 0 <= x < 350 and 0 <= y < 560.
bool IsInRaster(int x, int y);
