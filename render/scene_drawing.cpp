#include "render/scene_drawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "base/raster_geometry.h"
#include "render/view_projection.h"
#include "sampling/colour_tables.h"
#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"

namespace {

// Arrows farther than this from their base lie far outside any window; limiting them keeps
// the integer sums defined for absurd field values.
constexpr double kMaxArrowReach = 1.0e6;

// Window coordinates of a raster pixel's point: the sum in integers, handed over as floats.
void RasterVertex(int x, int y) {
    glVertex2f(static_cast<GLfloat>(x + kImageOriginX) + kLineVertexX,
               static_cast<GLfloat>(y + kImageOriginY) + kLineVertexY);
}

// The width and smoothing the settings ask of the lines over the picture, for as long as it
// lives; without either, nothing is touched, so that the default picture is drawn as it always
// was. The width multiplies the one the frame set for its zoom.
class OverlayLineStyle {
public:
    explicit OverlayLineStyle(const FlowScene& scene)
        : m_width(scene.m_modes.lineWidth > 0.0f), m_smooth(scene.m_modes.smooth) {
        if (m_width) {
            glGetFloatv(GL_LINE_WIDTH, &m_framed);
            glLineWidth(m_framed * scene.m_modes.lineWidth);
        }
        if (m_smooth) {
            glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_HINT_BIT);
            glEnable(GL_LINE_SMOOTH);
            glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
    }
    ~OverlayLineStyle() {
        if (m_smooth) glPopAttrib();
        if (m_width) glLineWidth(m_framed);
    }
    OverlayLineStyle(const OverlayLineStyle&) = delete;
    OverlayLineStyle& operator=(const OverlayLineStyle&) = delete;

private:
    bool m_width;
    bool m_smooth;
    GLfloat m_framed = 1.0f;
};

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
    const OverlayLineStyle style(scene);
    const OverlayColours& colours = OverlayColoursOf(scene);
    const std::size_t n = scene.GetStreamlineCount();
    const bool coloured = scene.LineScale().coloured;
    for (std::size_t i = 0; i < n; ++i) {
        if (coloured)
            DrawColouredStreamline(scene, scene.StreamlineAt(i));
        else
            DrawStreamline(scene.StreamlineAt(i), colours);
    }
    if (scene.m_modes.lineArrows)
        for (std::size_t i = 0; i < n; ++i) DrawLineArrows(scene, scene.StreamlineAt(i));
}

void DrawClickStreamline(const FlowScene& scene, const Streamline& s) {
    const OverlayLineStyle style(scene);
    if (scene.LineScale().coloured)
        DrawColouredStreamline(scene, s);
    else
        DrawStreamline(s, OverlayColoursOf(scene));
    if (scene.m_modes.lineArrows) DrawLineArrows(scene, s);
}

void DrawLineArrows(const FlowScene& scene, const Streamline& s) {
    const int dsep = scene.m_nDSep;
    const OverlayColour& plain = OverlayColoursOf(scene).line;
    const bool coloured = scene.LineScale().coloured;
    for (const ArrowHead& head : LineArrowHeads(s, dsep)) {
        // A head takes the colour of the line where it stands.
        const PixelPoint at{static_cast<int>(std::lround(head.x)), static_cast<int>(std::lround(head.y))};
        const ColourEntry c = coloured ? LineColourAt(scene, at, at) : ColourEntry{};
        DrawArrowHead(head, LineArrowLength(dsep),
                      coloured ? OverlayColour{c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f} : plain);
    }
}

ColourEntry LineColourAt(const FlowScene& scene, PixelPoint a, PixelPoint b) {
    const ColourScale& scale = scene.LineScale();
    const double va = scene.RasterValue(scale.field, a.x, a.y);
    const double vb = scene.RasterValue(scale.field, b.x, b.y);
    // The mean of the two ends, or the one end that lies in the picture.
    const double v = std::isnan(va) ? vb : std::isnan(vb) ? va : 0.5 * (va + vb);
    const bool constant = std::isfinite(scale.low) && !(scale.low < scale.high);
    const double t = constant ? ConstantFieldPosition(scale.map) : (v - scale.low) / (scale.high - scale.low);
    return MapColour(scale.map, scale.field, t);
}

void DrawColouredStreamline(const FlowScene& scene, const Streamline& s) {
    const std::size_t n = s.GetCount();
    const PixelPoint* p = s.Data();
    for (std::size_t i = 1; i < n; ++i) {
        const ColourEntry c = LineColourAt(scene, p[i - 1], p[i]);
        glColor3ub(c[0], c[1], c[2]);
        glBegin(GL_LINES);
        RasterVertex(p[i - 1].x, p[i - 1].y);
        RasterVertex(p[i].x, p[i].y);
        glEnd();
    }
}

double LineArrowLength(int dsep) {
    return std::clamp(0.6 * dsep, 4.0, 9.0);
}

std::vector<ArrowHead> LineArrowHeads(const Streamline& s, int dsep) {
    std::vector<ArrowHead> heads;
    const std::size_t n = s.GetCount();
    if (n < 2 || dsep <= 0) return heads;
    const PixelPoint* data = s.Data();
    // A line's end may lie far off the picture, where it left the data (its pixel saturated at
    // the integers' ends): measured from there, it would ask for millions of heads and overflow
    // the differences. Brought within a bound far beyond any picture, it keeps the heads' spacing
    // on what is shown and their number small.
    constexpr double kFar = 65536.0;
    std::vector<std::pair<double, double>> p(n);
    for (std::size_t i = 0; i < n; ++i)
        p[i] = {std::clamp(static_cast<double>(data[i].x), -kFar, kFar),
                std::clamp(static_cast<double>(data[i].y), -kFar, kFar)};
    // The length along the line up to each point.
    std::vector<double> along(n, 0.0);
    for (std::size_t i = 1; i < n; ++i)
        along[i] = along[i - 1] + std::hypot(p[i].first - p[i - 1].first, p[i].second - p[i - 1].second);
    const double length = along.back();
    if (!(length > 2.0 * dsep)) return heads;
    const auto count = static_cast<std::size_t>(std::max(1.0, std::round(length / (4.0 * dsep))));
    // The point at distance D along the line.
    const auto at = [&](double d) {
        d = std::clamp(d, 0.0, length);
        const std::size_t i =
            static_cast<std::size_t>(std::lower_bound(along.begin(), along.end(), d) - along.begin());
        if (i == 0) return p[0];
        const double piece = along[i] - along[i - 1];
        const double t = piece > 0.0 ? (d - along[i - 1]) / piece : 1.0;
        return std::pair<double, double>(p[i - 1].first + t * (p[i].first - p[i - 1].first),
                                         p[i - 1].second + t * (p[i].second - p[i - 1].second));
    };
    for (std::size_t k = 0; k < count; ++k) {
        const double d = (static_cast<double>(k) + 0.5) * length / static_cast<double>(count);
        const auto [x, y] = at(d);
        const auto [x0, y0] = at(d - 0.5 * dsep);
        const auto [x1, y1] = at(d + 0.5 * dsep);
        const double norm = std::hypot(x1 - x0, y1 - y0);
        // A line that turns back on itself within the chord has no direction there.
        if (!(norm > 0.25 * dsep)) continue;
        heads.push_back({x, y, (x1 - x0) / norm, (y1 - y0) / norm});
    }
    return heads;
}

void DrawArrowHead(const ArrowHead& head, double length, const OverlayColour& colour) {
    // cos and sin of the 25 degrees either side opens by.
    constexpr double kCos = 0.90630778703665, kSin = 0.42261826174070;
    const double bx = -head.dx * length, by = -head.dy * length;
    const auto vertex = [](double x, double y) {
        glVertex2d(x + kImageOriginX + kLineVertexX, y + kImageOriginY + kLineVertexY);
    };
    glColor3f(colour.r, colour.g, colour.b);
    glBegin(GL_LINES);
    for (const double side : {1.0, -1.0}) {
        vertex(head.x + bx * kCos - side * by * kSin, head.y + side * bx * kSin + by * kCos);
        vertex(head.x, head.y);
    }
    glEnd();
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
    const OverlayLineStyle style(scene);
    const OverlayColours& colours = OverlayColoursOf(scene);
    const float fastest =
        scene.m_bHedgehogBySpeed && scene.PixelStepOn() ? FastestArrowSpeed(scene, a) : 0.0f;
    const RasterSize raster = scene.Raster();
    const bool heads = scene.m_modes.arrowHeads;
    for (int y = s; y < raster.height - s; y += s) {
        for (int x = s; x < raster.width - s; x += s) {
            const std::optional<PixelPoint> d = ArrowOffset(scene, a, x, y, fastest);
            if (!d) continue;
            DrawArrow(x, y, x + d->x, y + d->y, colours);
            const double length = std::hypot(static_cast<double>(d->x), static_cast<double>(d->y));
            // An arrow of a pixel or two is all head already.
            if (heads && length >= 3.0)
                DrawArrowHead({static_cast<double>(x + d->x), static_cast<double>(y + d->y), d->x / length,
                               d->y / length},
                              std::min(0.35 * length, 5.0), colours.arrowTip);
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
