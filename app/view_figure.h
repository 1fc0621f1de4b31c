#pragma once

#include <QImage>

#include "output/figure_painter.h"
#include "render/figure_layout.h"
#include "render/picture_frame.h"

class FlowScene;

// The axes around the picture the view shows, the figure tesmora-render draws around its own:
// laid out for the scene's picture, scaled with the view's zoom, and kept whole on screen.

// The room the scene's figure needs around its picture; none without a data set or axes.
FigureMargins ViewFigureMargins(const FlowScene& scene);

// Draws the scene's figure with OpenGL in the margins around the picture at FRAME, once the
// picture is drawn (which clears the view), in the window coordinates of the classic frame:
// black with the white dress, as a saved picture has it. Keeps the last image, since the
// figure changes only with the view and paints come far more often.
class CViewFigure {
public:
    void Draw(const FlowScene& scene, const PictureFrame& frame);

private:
    FigureLayout m_figure;
    bool m_legend = false;
    QImage m_image;  // rows bottom up, as glDrawPixels reads them
};

// PICTURE, as the view shows it at ZOOM, in the scene's figure, as a saved picture carries it.
QImage FigureAroundView(const QImage& picture, const FlowScene& scene, double zoom, bool legend);
