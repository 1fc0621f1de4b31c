#include "app/view_figure.h"

#include <GL/gl.h>

#include <QImage>
#include <algorithm>
#include <cmath>

#include "render/figure_layout.h"
#include "scene/flow_scene.h"

FigureMargins ViewFigureMargins(const FlowScene& scene) {
    const FigureLayout figure = LayOutFigure(scene);
    return MarginsOf(figure, scene.m_modes.legend);
}

void CViewFigure::Draw(const FlowScene& scene, const PictureFrame& frame) {
    const FigureLayout figure = ZoomedFigure(LayOutFigure(scene), frame.zoom);
    if (figure.IsEmpty()) return;
    const bool legend = scene.m_modes.legend;
    if (m_image.isNull() || figure != m_figure || legend != m_legend) {
        const int legendWidth = legend ? static_cast<int>(std::lround(kLegendWidth * frame.zoom)) : 0;
        QImage blank(figure.width + legendWidth, figure.height, QImage::Format_RGB888);
        blank.fill(Qt::black);
        m_image = FigureImage(blank, figure, legend).mirrored(false, true);
        m_figure = figure;
        m_legend = legend;
    }
    const FigureMargins m = MarginsOf(figure, legend);
    // The picture clears the whole view when drawn, so the figure follows it in four strips
    // around it, in the classic frame's window coordinates.
    const int x0 = frame.originX - m.left, y0 = frame.originY - m.bottom;
    const int width = m_image.width(), height = m_image.height();
    const int inner = m_image.width() - m.left - m.right, innerHeight = figure.height;
    UseFrame(PictureFrame{});
    // QImage pads its rows to four bytes, as OpenGL's default alignment reads them.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, width);
    const auto strip = [&](int x, int y, int w, int h) {
        if (w <= 0 || h <= 0 || x0 + x < 0 || y0 + y < 0) return;
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, x);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, y);
        glRasterPos2i(x0 + x, y0 + y);
        glDrawPixels(w, h, GL_RGB, GL_UNSIGNED_BYTE, m_image.constBits());
    };
    strip(0, 0, width, m.bottom);
    strip(0, m.bottom + innerHeight, width, height - m.bottom - innerHeight);
    strip(0, m.bottom, m.left, innerHeight);
    strip(m.left + inner, m.bottom, m.right, innerHeight);
    // The frame's right side stands on the legend's first column, as in a saved picture.
    if (legend) strip(m.left + figure.width, m.bottom, 1, innerHeight);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

QImage FigureAroundView(const QImage& picture, const FlowScene& scene, double zoom, bool legend) {
    return FigureImage(picture, ZoomedFigure(LayOutFigure(scene), zoom), legend);
}
