#pragma once

#include <vector>

#include "render/legend_drawing.h"

// The legend's texts in DejaVu Sans (or the font the system gives for it), painted with Qt's
// QPainter into an image for DrawLegend. Needs a QGuiApplication. Keeps the last image, since
// a legend changes only with an open, a Draw or the zoom, and paints come far more often.
class QtLegendTextPainter : public LegendTextPainter {
public:
    TextImage Paint(const std::vector<LegendText>& texts, int width, int height, double zoom) const override;

private:
    struct Request {
        std::vector<LegendText> texts;
        int width = 0;
        int height = 0;
        double zoom = 0.0;
        friend bool operator==(const Request&, const Request&) = default;
    };
    mutable Request m_last;
    mutable TextImage m_image;
};
