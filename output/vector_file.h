#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

#include "output/picture_notes.h"
#include "render/drawing_capture.h"
#include "render/figure_layout.h"
#include "render/legend_layout.h"

class QPainter;

// A picture for the vector formats: the background image at its raster resolution and the
// lines drawn over it, as captured from the drawing (CaptureScenePicture), and the legend
// beside it when the picture shows one.
struct VectorPicture {
    RasterSize raster;        // the picture's pixels
    QImage background;        // RASTER's size, top row first; null draws the picture black
    bool bare = false;        // the picture's own area left unpainted, with no background
    CapturedDrawing drawing;  // in the classic window coordinates
    float lineWidth = 1.0f;   // of the lines, in the picture's pixels
    // The legend's panel right of the picture; an empty layout is the black panel of a legend
    // shown before any image has been coloured.
    std::optional<LegendLayout> legend;
    // The axes and title around it, which widen the page by their margins (figure_painter.h).
    FigureLayout figure;
};

// Both formats draw the picture on a page of as many units as it has pixels (350 x 560 for the
// classic picture), one unit a raster pixel (an SVG's pixel, a PDF's point), the background image
// filling it pixel for pixel. Lines are paths of one pixel's width (or lineWidth) through the
// centres of their points' pixels, as the PNG lights them: a streamline point at raster pixel
// (x, y), row 0 at the bottom, lies at (x + 0.5, height - 0.5 - y) of the page, which the paths
// reach through one flip, so that their numbers are the pixels' centres themselves. A streamline
// is one path; an arrow is the outline of its line filled from its base colour to its tip
// colour, since SVG has no colour along a stroke. What lies outside the picture is cut off, as
// the PNG cuts it.
//
// With a legend the page is kLegendWidth units wider and the panel fills the added columns as
// it does in the PNG: the colour bar an image of its pixels, its outline a rectangle and its
// tick marks lines (no paths, so that a file's paths are its streamlines and arrows alone), and
// the title, factor and labels text in DejaVu Sans that readers can select and search, at the
// places the PNG's letters stand. Text needs a QGuiApplication.
//
// A figure's axes and title stand in margins around all this, as in the PNG: frame and ticks
// rectangles, labels and titles text.
void PaintVectorPicture(QPainter& painter, const VectorPicture& picture);

// The picture as an SVG document with NOTES in its <title> and <desc>.
QByteArray SvgBytes(const VectorPicture& picture, const PictureNotes& notes);
// The picture as a one-page PDF with NOTES in its document information and XMP metadata; the
// image is embedded without loss.
QByteArray PdfBytes(const VectorPicture& picture, const PictureNotes& notes);
