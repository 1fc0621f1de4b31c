#include "render/view_projection.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "base/raster_geometry.h"
#include "render/legend_drawing.h"
#include "render/scene_drawing.h"
#include "scene/flow_scene.h"

bool SetViewProjection(int cx, int cy) {
    if (cx <= 0 || cy <= 0) return false;
    glViewport(0, 0, cx, cy);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(0.0, static_cast<GLdouble>(cx), 0.0, static_cast<GLdouble>(cy));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return true;
}

void BeginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void EndFrame() {
    glFinish();
}

void DrawPicture(const FlowScene& scene, const PictureFrame& frame, const LegendTextPainter* text) {
    UseFrame(frame);
    DrawScene(scene);
    if (text && scene.m_modes.legend) DrawLegend(scene, *text, frame);
}

void PaintFrame(const FlowScene& scene) {
    BeginFrame();
    DrawPicture(scene, PictureFrame{}, nullptr);
    EndFrame();
}

std::optional<PixelPoint> ClickRasterPixel(int x, int yFromBottom, RasterSize raster) {
    const int right = kImageOriginX + raster.width;
    const int top = kImageOriginY + raster.height;
    if (x <= kImageOriginX || x >= right || yFromBottom <= kImageOriginY || yFromBottom >= top) {
        return std::nullopt;
    }
    return PixelPoint{x - kImageOriginX, yFromBottom - kImageOriginY};
}

void TraceAndDrawClick(FlowScene& scene, int x, int y) {
    if (!scene.HasDataSet()) return;
    if (const Streamline* s = scene.AddClickStreamline(x, y)) DrawClickStreamline(scene, *s);
}
