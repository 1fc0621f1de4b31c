#pragma once

#include <QByteArray>
#include <QImage>

#include "output/picture_notes.h"
#include "render/drawing_capture.h"

class QPainter;

// A picture for the vector formats: the background image at its raster resolution and the
// lines drawn over it, as captured from the drawing (CaptureScenePicture).
struct VectorPicture {
    QImage background;        // 350 x 560, top row first; null draws the picture black
    CapturedDrawing drawing;  // in the design's window coordinates
};

// Both formats draw the picture on a page of 350 x 560 units, one unit a raster pixel (an SVG's
// pixel, a PDF's point), the background image filling it pixel for pixel. Lines are paths of one pixel's
// width through the centres of their pixels: raster pixel (x, y), row 0 at the bottom, lies at
// (x + 0.5, 559.5 - y) of the page, which the paths reach through one transform, so that their
// numbers are the raster pixels themselves. A streamline is one path; an arrow is the outline
// of its line filled from its base colour to its tip colour, since SVG has no colour along a
// stroke. What lies outside the picture is cut off, as the PNG cuts it.
void PaintVectorPicture(QPainter& painter, const VectorPicture& picture);

// The picture as an SVG document with NOTES in its <title> and <desc>.
QByteArray SvgBytes(const VectorPicture& picture, const PictureNotes& notes);
// The picture as a one-page PDF with NOTES in its document information and XMP metadata; the
// image is embedded without loss.
QByteArray PdfBytes(const VectorPicture& picture, const PictureNotes& notes);
