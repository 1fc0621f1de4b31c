#include "render/scene_drawing.h"

#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <optional>

#include "base/raster_geometry.h"
#include "scene/flow_scene.h"
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
        glDrawPixels(scene.Raster().width, scene.Raster().height, GL_RGB, GL_UNSIGNED_BYTE,
                     scene.m_pImage.get());
    } else {
        glDrawPixels(0, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    }
    glFlush();
}

const OverlayColours& OverlayColoursOf(const FlowScene& scene) {
    return OverlayColoursFor(scene.ImageScale().map);
}

void DrawStreamlines(const FlowScene& scene) {
    const OverlayColours& colours = OverlayColoursOf(scene);
    const std::size_t n = scene.GetStreamlineCount();
    for (std::size_t i = 0; i < n; ++i) DrawStreamline(scene.StreamlineAt(i), colours);
}

void DrawStreamline(const Streamline& s, const OverlayColours& colours) {
    glColor3f(colours.line.r, colours.line.g, colours.line.b);
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

float FastestArrowSpeed(const FlowScene& scene, int a) {
    const int s = HedgehogSpacing(a);
    if (s <= 0 || !scene.m_pRasterSpeed) return 0.0f;
    float fastest = 0.0f;
    const RasterSize raster = scene.Raster();
    for (int y = s; y < raster.height - s; y += s)
        for (int x = s; x < raster.width - s; x += s) {
            const float speed = scene.m_pRasterSpeed[raster.Index(x, y)];
            // Only speeds that draw an arrow, and none that is not finite.
            if (speed > 0.0001f && speed > fastest && std::isfinite(speed)) fastest = speed;
        }
    return fastest;
}

std::optional<PixelPoint> ArrowOffset(const FlowScene& scene, int a, int x, int y, float fastest) {
    const std::size_t i = scene.Raster().Index(x, y);
    const float speed = scene.m_pRasterSpeed[i];
    // Written as a negated test so that a NaN speed is skipped as well.
    if (!(speed > 0.0001f)) return std::nullopt;
    const float u = scene.m_pRasterU[i], v = scene.m_pRasterV[i];
    const bool bySpeed = scene.m_bHedgehogBySpeed;
    // Under the pixel step, arrows by speed are drawn in proportion to the fastest one, which is
    // a lattice spacing long, instead of in pixels per unit of speed.
    const bool toData = bySpeed && scene.PixelStepOn() && fastest > 0.0f;
    const float spacing = static_cast<float>(HedgehogSpacing(a));
    if (scene.m_fScaleX == scene.m_fScaleY) {
        // The picture scales both axes alike, so (u, v) points where the streamlines go.
        const float f = toData    ? spacing / fastest
                        : bySpeed ? static_cast<float>(a)
                                  : static_cast<float>(a) / speed;
        return PixelPoint{ArrowComponent(f, u), ArrowComponent(f, v)};
    }
    // Otherwise the arrow follows (u sx, v sy), the flow as the picture shows it, and keeps the
    // length the arrow along (u, v) would have. The direction is formed in double and each
    // component rounded to float, as the pixel step forms its direction.
    const double px = static_cast<double>(scene.m_fScaleX) * u;
    const double py = static_cast<double>(scene.m_fScaleY) * v;
    const double norm = std::sqrt(px * px + py * py);
    if (!(norm > 0.0) || !std::isfinite(norm)) return std::nullopt;
    const float length = toData    ? spacing * (speed / fastest)
                         : bySpeed ? static_cast<float>(a) * speed
                                   : static_cast<float>(a);
    return PixelPoint{ArrowComponent(length, static_cast<float>(px / norm)),
                      ArrowComponent(length, static_cast<float>(py / norm))};
}

void DrawHedgehog(const FlowScene& scene, int a) {
    const int s = HedgehogSpacing(a);
    if (s <= 0 || !scene.m_pRasterSpeed || !scene.m_pRasterU || !scene.m_pRasterV) return;
    const OverlayColours& colours = OverlayColoursOf(scene);
    const float fastest =
        scene.m_bHedgehogBySpeed && scene.PixelStepOn() ? FastestArrowSpeed(scene, a) : 0.0f;
    const RasterSize raster = scene.Raster();
    for (int y = s; y < raster.height - s; y += s) {
        for (int x = s; x < raster.width - s; x += s) {
            if (const std::optional<PixelPoint> d = ArrowOffset(scene, a, x, y, fastest))
                DrawArrow(x, y, x + d->x, y + d->y, colours);
        }
    }
}

void DrawArrow(int x0, int y0, int x1, int y1, const OverlayColours& colours) {
    glBegin(GL_LINES);
    glColor3f(colours.arrowBase.r, colours.arrowBase.g, colours.arrowBase.b);
    RasterVertex(x0, y0);
    glColor3f(colours.arrowTip.r, colours.arrowTip.g, colours.arrowTip.b);
    RasterVertex(x1, y1);
    glEnd();
}
