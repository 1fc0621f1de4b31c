#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// What a drawing sends to OpenGL, captured through OpenGL's feedback mode instead of being
// rasterised: every line with the colours of its two ends, and every place where a pixel
// image was drawn, in the order drawn. Vector files are made from this, so that they show the
// very lines of the PNG, from the same drawing calls, rounded and coloured the same way.
struct CapturedColour {
    float r = 0.0f, g = 0.0f, b = 0.0f;
    friend bool operator==(const CapturedColour&, const CapturedColour&) = default;
};
struct CapturedLine {
    // Window coordinates of the classic view: raster pixel (x, y) lies at (x + 350, y + 70).
    float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
    CapturedColour c0, c1;
};
struct CapturedPixels {
    float x = 0.0f, y = 0.0f;  // the raster position glDrawPixels drew at
};
struct CapturedDrawing {
    std::vector<CapturedLine> lines;
    std::vector<CapturedPixels> pixels;
};

// Runs DRAW with the current context in feedback mode, under a projection of one unit per
// window pixel with the origin at the bottom left (as SetViewProjection makes it) and a view
// large enough that nothing the classic view shows is clipped, nor anything up to EXTENT
// window pixels from the origin on either axis. The context's viewport, projection and
// model-view matrices are set anew; the caller restores its own. False with *ERROR set when the
// drawing needs more than MAX_FLOATS of feedback, or the context has no feedback mode.
bool CaptureDrawing(const std::function<void()>& draw, CapturedDrawing* out, std::string* error,
                    std::size_t maxFloats = std::size_t{1} << 26, int extent = 0);
