#include "render/scene_drawing.h"

#include <GL/gl.h>

#include <cmath>
#include <cstddef>

#include "scene/flow_scene.h"
#include "scene/raster_geometry.h"
#include "streamlines/pixel_mapping.h"

namespace {

// Arrows farther than this from their base lie far outside any window; limiting them keeps
// the integer sums defined for absurd field values.
constexpr double kMaxArrowReach = 1.0e6;

// Window coordinates of a raster pixel: the sum in integers, handed over as floats.
void RasterVertex(int x, int y) {
    glVertex2f(static_cast<GLfloat>(x + kImageOriginX), static_cast<GLfloat>(y + kImageOriginY));
}

}  // namespace

void DrawScene(const FlowScene& scene) {
    DrawBackground(scene);
    if (!scene.HasDataSet()) return;
    if (scene.m_bHedgehog) {
        DrawHedgehog(scene, kHedgehogScale);
    } else {
        DrawStreamlines(scene);
    }
}

void DrawBackground(const FlowScene& scene) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);  // what makes the arrows fade from red to white
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(kImageOriginX, kImageOriginY);
    if (scene.m_pImage) {
        glDrawPixels(kRasterWidth, kRasterHeight, GL_RGB, GL_UNSIGNED_BYTE, scene.m_pImage.get());
    } else {
        glDrawPixels(0, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    }
    glFlush();
}

void DrawStreamlines(const FlowScene& scene) {
    const std::size_t n = scene.GetStreamlineCount();
    for (std::size_t i = 0; i < n; ++i) DrawStreamline(scene.StreamlineAt(i));
}

void DrawStreamline(const Streamline& s) {
    glColor3f(1.0f, 1.0f, 1.0f);
    const std::size_t n = s.GetCount();
    const PixelPoint* p = s.Data();
    for (std::size_t i = 1; i < n; ++i) {
        glBegin(GL_LINES);
        RasterVertex(p[i - 1].x, p[i - 1].y);
        RasterVertex(p[i].x, p[i].y);
        glEnd();
    }
}

int HedgehogSpacing(int a) {
    return static_cast<int>(1.5 * a);
}

int ArrowComponent(float f, float c) {
    const float product = f * c;
    const double r = RoundHalfAway(product);
    if (std::isnan(r)) return 0;
    if (r > kMaxArrowReach) return static_cast<int>(kMaxArrowReach);
    if (r < -kMaxArrowReach) return static_cast<int>(-kMaxArrowReach);
    return static_cast<int>(r);
}

void DrawHedgehog(const FlowScene& scene, int a) {
    const int s = HedgehogSpacing(a);
    if (s <= 0 || !scene.m_pRasterSpeed || !scene.m_pRasterU || !scene.m_pRasterV) return;
    const float* speedRaster = scene.m_pRasterSpeed.get();
    const float* u = scene.m_pRasterU.get();
    const float* v = scene.m_pRasterV.get();
    for (int y = s; y < kRasterHeight - s; y += s) {
        for (int x = s; x < kRasterWidth - s; x += s) {
            const std::size_t i = static_cast<std::size_t>(y) * kRasterWidth + static_cast<std::size_t>(x);
            const float speed = speedRaster[i];
            // Written as a negated test so that a NaN speed is skipped as well.
            if (!(speed > 0.0001f)) continue;
            const float f = scene.m_bHedgehogBySpeed ? static_cast<float>(a) : static_cast<float>(a) / speed;
            const int dx = ArrowComponent(f, u[i]);
            const int dy = ArrowComponent(f, v[i]);
            DrawArrow(x, y, x + dx, y + dy);
        }
    }
}

void DrawArrow(int x0, int y0, int x1, int y1) {
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    RasterVertex(x0, y0);
    glColor3f(1.0f, 1.0f, 1.0f);
    RasterVertex(x1, y1);
    glEnd();
}
