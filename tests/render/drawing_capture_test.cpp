// What the vector files are made of: the drawing's own lines, captured through feedback mode.
#include "render/drawing_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <set>

#include "render/legend_drawing.h"
#include "render/scene_drawing.h"
#include "sampling/colour_tables.h"
#include "tests/render/gl_frame.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

using rendertest::GlTest;

class DrawingCaptureTest : public GlTest {
protected:
    testsupport::SceneFixture fx;
    FlowScene& scene = fx.scene;

    void AddLine(std::initializer_list<PixelPoint> points) {
        auto s = std::make_unique<Streamline>();
        for (const PixelPoint& p : points) s->AppendPoint(p.x, p.y);
        scene.m_streamlines.push_back(std::move(s));
    }
    CapturedDrawing Capture(std::size_t maxFloats = std::size_t{1} << 25) {
        CapturedDrawing drawing;
        std::string error;
        EXPECT_TRUE(CaptureDrawing([this] { DrawScene(scene); }, &drawing, &error, maxFloats)) << error;
        return drawing;
    }
};

constexpr CapturedColour kWhite{1.0f, 1.0f, 1.0f};
constexpr CapturedColour kRed{1.0f, 0.0f, 0.0f};

TEST_F(DrawingCaptureTest, StreamlineSegmentsComeBackAtTheirExactWindowPixels) {
    scene.m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    AddLine({{0, 0}, {1, 559}, {349, 558}, {173, 277}});
    AddLine({{5, 5}});
    AddLine({{10, 20}, {10, 20}});
    const CapturedDrawing d = Capture();
    ASSERT_EQ(d.lines.size(), 4u) << "three segments, none for one point, one of no length";
    const float expected[4][4] = {
        {350, 70, 351, 629}, {351, 629, 699, 628}, {699, 628, 523, 347}, {360, 90, 360, 90}};
    for (std::size_t i = 0; i < 4; ++i) {
        const CapturedLine& l = d.lines[i];
        // Each point where it stands in its window pixel.
        EXPECT_EQ(l.x0, expected[i][0] + kLineVertexX) << i;
        EXPECT_EQ(l.y0, expected[i][1] + kLineVertexY) << i;
        EXPECT_EQ(l.x1, expected[i][2] + kLineVertexX) << i;
        EXPECT_EQ(l.y1, expected[i][3] + kLineVertexY) << i;
        EXPECT_EQ(l.c0, kWhite);
        EXPECT_EQ(l.c1, kWhite);
    }
    // The background, where DrawBackground puts it.
    ASSERT_EQ(d.pixels.size(), 1u);
    EXPECT_EQ(d.pixels[0].x, 350.0f);
    EXPECT_EQ(d.pixels[0].y, 70.0f);
}

// Lines coloured by a field, on a plain page: every segment is drawn in one colour, the map's at
// the mean of the field's raster values at its two ends over the range the map spans for that
// field (the ramp up to the largest pixel, the tables over the nodes), and the legend is the
// lines'.
TEST_F(DrawingCaptureTest, LinesColouredByAFieldTakeTheMapAtEachSegment) {
    testsupport::TempDir dir;
    scene.SetFixedSeed(7);
    scene.m_nBackground = kBackgroundNone;
    scene.OpenDataSet(testsupport::WriteDataSet(dir, "gyre", MakeFlow("double-gyre", 50, 80, 1, 0.0f)));
    ASSERT_TRUE(scene.HasDataSet());
    for (const std::int32_t map : {kColourMapRamp, kColourMapViridis, kColourMapCoolwarm})
        for (const std::int32_t lines : {kLinesSpeed, kLinesPressure}) {
            scene.m_modes.colourMap = map;
            scene.m_modes.lineColour = lines;
            scene.RedrawScene();
            const bool speed = lines == kLinesSpeed;
            const std::int32_t field = speed ? kBackgroundSpeed : kBackgroundPressure;
            const float* r = speed ? scene.m_pRasterSpeed.get() : scene.m_pRasterP.get();
            const double shift = speed ? 0.0 : scene.m_fRasterMinP;
            const ValueRange nodes = speed ? scene.FieldRanges().speed : scene.FieldRanges().pressure;
            const RasterSize raster = scene.Raster();
            double low = speed ? 0.0 : nodes.low, high = nodes.high;
            if (map == kColourMapRamp) {
                low = shift;
                high = shift + *std::max_element(r, r + raster.Pixels());
            } else if (map == kColourMapCoolwarm) {
                high = std::max(std::fabs(nodes.low), std::fabs(nodes.high));
                low = -high;
            }
            const CapturedDrawing d = Capture();
            std::size_t segments = 0;
            for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i)
                segments += scene.StreamlineAt(i).GetCount() - 1;
            ASSERT_GT(segments, 100u);
            ASSERT_EQ(d.lines.size(), segments);
            std::set<std::array<int, 3>> seen;
            for (const CapturedLine& l : d.lines) {
                const auto at = [&](float x, float y) {
                    return shift + r[raster.Index(static_cast<int>(x) - 350, static_cast<int>(y) - 70)];
                };
                const double t = (0.5 * (at(l.x0, l.y0) + at(l.x1, l.y1)) - low) / (high - low);
                const ColourEntry c = MapColour(map, field, t);
                const std::array<int, 3> got{static_cast<int>(std::lround(l.c0.r * 255.0f)),
                                             static_cast<int>(std::lround(l.c0.g * 255.0f)),
                                             static_cast<int>(std::lround(l.c0.b * 255.0f))};
                ASSERT_EQ(l.c0, l.c1);
                ASSERT_EQ(got, (std::array<int, 3>{c[0], c[1], c[2]}))
                    << map << " " << lines << " at " << l.x0 << ", " << l.y0;
                seen.insert(got);
            }
            EXPECT_GT(seen.size(), 20u) << "the lines show the field, not one colour";
            EXPECT_EQ(LayOutSceneLegend(scene).texts.at(0).utf8, FieldTitle(field, false));
            EXPECT_EQ(std::count(scene.m_pImage.get(), scene.m_pImage.get() + 3 * raster.Pixels(), 0),
                      static_cast<std::ptrdiff_t>(3 * raster.Pixels()));
        }
}

TEST_F(DrawingCaptureTest, ArrowsAreThoseOfTheHedgehogRedAtTheLatticePoint) {
    scene.m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    scene.m_pRasterU = std::make_unique<float[]>(kRasterSize);
    scene.m_pRasterV = std::make_unique<float[]>(kRasterSize);
    scene.m_pRasterSpeed = std::make_unique<float[]>(kRasterSize);
    for (std::size_t i = 0; i < kRasterSize; ++i) {
        // A direction and length that vary, so that each arrow's rounding is its own.
        const float angle = static_cast<float>(i % 997) * 0.0063f;
        scene.m_pRasterU[i] = std::cos(angle) * 0.7f;
        scene.m_pRasterV[i] = std::sin(angle) * 0.7f;
        scene.m_pRasterSpeed[i] = 0.7f;
    }
    for (bool bySpeed : {false, true}) {
        scene.m_bHedgehog = true;
        scene.m_bHedgehogBySpeed = bySpeed;
        const CapturedDrawing d = Capture();
        ASSERT_EQ(d.lines.size(), 792u);
        std::size_t n = 0;
        for (int y = 15; y < 545; y += 15)
            for (int x = 15; x < 335; x += 15, ++n) {
                const CapturedLine& l = d.lines[n];
                const std::size_t i = static_cast<std::size_t>(y) * 350 + static_cast<std::size_t>(x);
                const float f = bySpeed ? 10.0f : 10.0f / 0.7f;
                ASSERT_EQ(l.x0, static_cast<float>(x + 350) + kLineVertexX);
                ASSERT_EQ(l.y0, static_cast<float>(y + 70) + kLineVertexY);
                ASSERT_EQ(l.x1, static_cast<float>(x + 350 + ArrowComponent(f, scene.m_pRasterU[i])) +
                                    kLineVertexX);
                ASSERT_EQ(l.y1,
                          static_cast<float>(y + 70 + ArrowComponent(f, scene.m_pRasterV[i])) + kLineVertexY);
                ASSERT_EQ(l.c0, kRed);
                ASSERT_EQ(l.c1, kWhite);
            }
    }
}

TEST_F(DrawingCaptureTest, AFullFeedbackBufferGrowsUpToItsLimitAndTheViewDrawsAgainAfter) {
    scene.m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    auto s = std::make_unique<Streamline>();
    // More segments than the first buffer holds.
    for (int i = 0; i < 12000; ++i) s->AppendPoint(10 + i % 300, 10 + (i / 300) * 10);
    scene.m_streamlines.push_back(std::move(s));
    EXPECT_EQ(Capture().lines.size(), 11999u);

    CapturedDrawing d;
    std::string error;
    EXPECT_FALSE(CaptureDrawing([this] { DrawScene(scene); }, &d, &error, 1000));
    EXPECT_NE(error.find("too many lines"), std::string::npos) << error;

    // Back in render mode: a paint lights pixels again.
    ASSERT_TRUE(SetViewProjection(kMinViewWidth, kMinViewHeight));
    PaintFrame(scene);
    const rendertest::Frame frame = ReadFrame();
    int white = 0;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x) white += frame.At(x, y).IsWhite() ? 1 : 0;
    EXPECT_GT(white, 10000);
}

}  // namespace
