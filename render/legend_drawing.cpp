#include "render/legend_drawing.h"

#include <GL/gl.h>

#include "base/field_units.h"
#include "scene/flow_scene.h"

namespace {

constexpr int kPanelY = kImageOriginY;

// Right of the picture, whatever its width.
void Vertex(int panelX, double x, double y) {
    glVertex2d(panelX + x, kPanelY + y);
}

}  // namespace

const ColourScale& LegendScaleOf(const FlowScene& scene) {
    return scene.LineScale().coloured ? scene.LineScale() : scene.ImageScale();
}

LegendLayout LayOutSceneLegend(const FlowScene& scene) {
    const ColourScale& scale = LegendScaleOf(scene);
    return LayOutLegend(scale, scene.Raster().height, scene.m_modes.language == kLanguageGerman,
                        FieldUnit(UnitsShown(scene.Notes(), scene.m_modes.units), scale.field));
}

void DrawLegend(const FlowScene& scene, const LegendTextPainter& text, const PictureFrame& frame) {
    if (!scene.HasDataSet() || !LegendScaleOf(scene).coloured) return;
    const RasterSize raster = scene.Raster();
    const int kPanelX = kImageOriginX + raster.width;
    const LegendLayout layout = LayOutSceneLegend(scene);
    const auto zoom = static_cast<GLfloat>(frame.zoom);

    // The texts on their black panel first, at the window's own resolution; then the bar and
    // the marks over it.
    const TextImage texts = text.Paint(layout.texts, kLegendWidth, raster.height, frame.zoom);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2i(kPanelX, kPanelY);
    if (texts.width > 0 && texts.height > 0 &&
        texts.rgb.size() ==
            static_cast<std::size_t>(texts.width) * static_cast<std::size_t>(texts.height) * 3u) {
        glPixelZoom(1.0f, 1.0f);
        glDrawPixels(texts.width, texts.height, GL_RGB, GL_UNSIGNED_BYTE, texts.rgb.data());
    }
    // One column of colours, stretched to the bar's width.
    if (layout.barHeight > 0) {
        glRasterPos2i(kPanelX + kLegendBarLeft, kPanelY + layout.barBottom);
        glPixelZoom(zoom * static_cast<GLfloat>(kLegendBarWidth), zoom);
        glDrawPixels(1, layout.barHeight, GL_RGB, GL_UNSIGNED_BYTE, layout.ramp.data());
    }
    glPixelZoom(zoom, zoom);

    const double left = kLegendBarLeft;
    const double right = kLegendBarLeft + kLegendBarWidth;
    const double bottom = layout.barBottom;
    const double top = layout.barBottom + layout.barHeight;
    glColor3f(0.6f, 0.6f, 0.6f);
    glBegin(GL_LINE_LOOP);
    Vertex(kPanelX, left, bottom);
    Vertex(kPanelX, right, bottom);
    Vertex(kPanelX, right, top);
    Vertex(kPanelX, left, top);
    glEnd();
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_LINES);
    for (const LegendMark& m : layout.marks) {
        Vertex(kPanelX, right, m.y);
        Vertex(kPanelX, right + kLegendTickLength, m.y);
    }
    glEnd();
}
