#pragma once

#include <cstdint>
#include <vector>

#include "render/legend_layout.h"
#include "render/picture_frame.h"

class FlowScene;

// The legend's texts as pixels, which needs a font: the front ends hand one in, so that
// drawing stays free of any text library.
struct TextImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // three bytes a pixel, rows from the bottom
};
class LegendTextPainter {
public:
    virtual ~LegendTextPainter() = default;
    // TEXTS white on black on a panel of WIDTH x HEIGHT of the picture's pixels, painted ZOOM
    // times as large: an image of ceil(WIDTH * ZOOM) x ceil(HEIGHT * ZOOM) pixels.
    virtual TextImage Paint(const std::vector<LegendText>& texts, int width, int height,
                            double zoom) const = 0;
};

// What the legend describes: the lines' colours when a field colours them, else the image's.
const ColourScale& LegendScaleOf(const FlowScene& scene);

// The legend of the scene's image (or of its lines) in the language of its settings, the field's unit after
// its title where the data set or the settings name one.
LegendLayout LayOutSceneLegend(const FlowScene& scene);

// The legend of the scene's image right of the picture, in the classic window coordinates:
// the panel from (700, 70), kLegendWidth x 560. FRAME is the one in use (UseFrame); its zoom
// says how large TEXT paints, so that letters stay sharp when the picture is scaled. Draws
// nothing before an image has been coloured.
void DrawLegend(const FlowScene& scene, const LegendTextPainter& text, const PictureFrame& frame);
