#pragma once

#include <QString>
#include <optional>

class FlowScene;

// What the status bar tells about the point under the mouse pointer: its world position and
// the flow there, interpolated from the grid nodes as the rasters are.
struct PointerSample {
    double x = 0.0;  // as the file has it, also where the grid was shifted on loading
    double y = 0.0;
    float speed = 0.0f;
    float pressure = 0.0f;  // as in the solution file, not shifted like the pressure raster
    float vorticity = 0.0f;
};

// The sample at raster pixel (px, py); none without a data set or outside the raster.
std::optional<PointerSample> SampleAtPixel(const FlowScene& scene, int px, int py);

// "x = …  y = …    Geschwindigkeit = …    Druck = …    Wirbelstärke = …" in German number format.
QString FormatReadout(const PointerSample& sample);
