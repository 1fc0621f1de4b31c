#pragma once

#include <QImage>
#include <QPointF>

#include "render/figure_layout.h"

class QPainter;

// The room a figure's dress takes around the picture, in the picture's pixels: whole ones, so
// that the PNG's picture keeps its pixels.
struct FigureMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    friend bool operator==(const FigureMargins&, const FigureMargins&) = default;
};

// What FIGURE needs around its picture; none when it is empty. LEGEND says whether the legend's
// panel stands right of the data, where the last label may then reach. Needs a QGuiApplication.
FigureMargins MarginsOf(const FigureLayout& figure, bool legend);

// FIGURE's frame, ticks, labels and titles in white around the data shown with its top-left
// corner at DATA_TOP_LEFT of the painter's coordinates (y down). The frame lies in the pixels
// just outside the data. With SNAP every mark lies on whole pixels, for a raster; otherwise
// exactly where the layout says. Texts are DejaVu Sans, as the legend's.
void PaintFigure(QPainter& painter, const FigureLayout& figure, QPointF dataTopLeft, bool snap);

// PICTURE (the data, with the legend's panel right of it when LEGEND) with FIGURE's margins
// around it, black, and its dress painted in them; PICTURE itself when the figure is empty.
QImage FigureImage(const QImage& picture, const FigureLayout& figure, bool legend);
