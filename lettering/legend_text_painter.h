#pragma once

#include <QPointF>
#include <vector>

#include "render/legend_drawing.h"

class QFont;
class QPainter;

// The letters of the legend and of a figure's axes: DejaVu Sans (or the font the system gives
// for it) at PIXEL_SIZE, unhinted, so that its advances scale with the picture.
QFont LegendFont(int pixelSize, bool bold);

// TEXTS in white with PAINTER, in DejaVu Sans at their sizes and weights, each at its anchor on
// a panel HEIGHT pixels high whose top-left corner lies at TOP_LEFT of the painter's
// coordinates (y down). The PNG's letters and the vector files' text are set by this alike, so
// that the two stand at the same places. Needs a QGuiApplication.
void PaintLegendTexts(QPainter& painter, const std::vector<LegendText>& texts, QPointF topLeft, int height);

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
