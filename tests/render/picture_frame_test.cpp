// The picture beyond the classic placement: the legend beside it, the picture scaled into a
// frame, and the colours drawn over the maps.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "render/legend_drawing.h"
#include "render/offscreen_context.h"
#include "render/scene_drawing.h"
#include "render/view_projection.h"
#include "sampling/colour_tables.h"
#include "streamlines/pixel_mapping.h"
#include "tests/support/picture_kit.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

using picturekit::Picture;
using picturekit::Rgb;

constexpr int kWidth = 1040;
constexpr int kHeight = 1300;

// Texts as a flat colour over the whole panel, so that a test sees where the panel lands and
// what it was asked for.
class FlatTextPainter : public LegendTextPainter {
public:
    TextImage Paint(const std::vector<LegendText>& texts, int width, int height, double zoom) const override {
        calls++;
        lastTexts = texts;
        lastZoom = zoom;
        TextImage image;
        image.width = static_cast<int>(std::ceil(width * zoom));
        image.height = static_cast<int>(std::ceil(height * zoom));
        image.rgb.assign(static_cast<std::size_t>(image.width * image.height) * 3u, 0);
        for (std::size_t i = 2; i < image.rgb.size(); i += 3) image.rgb[i] = 50;
        return image;
    }
    mutable int calls = 0;
    mutable std::vector<LegendText> lastTexts;
    mutable double lastZoom = 0.0;
};

class PictureFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        s_context = OffscreenContext::Create(kWidth, kHeight, &error);
        s_error = error;
    }
    static void TearDownTestSuite() { s_context.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_context) << s_error;
        ASSERT_TRUE(SetViewProjection(kWidth, kHeight));
        scene.SetFixedSeed(3);
        scene.m_modes.colourMap = kColourMapViridis;
        scene.m_nBackground = kBackgroundPressure;
        scene.OpenDataSet(testsupport::WriteDataSet(dir, "gyre", MakeFlow("double-gyre", 50, 80, 1, 0.0f)));
        ASSERT_TRUE(scene.HasDataSet());
    }
    Picture Paint(const PictureFrame& frame, const LegendTextPainter* painter) {
        BeginFrame();
        DrawPicture(scene, frame, painter);
        EndFrame();
        return Picture(s_context->ReadRgb(0, 0, kWidth, kHeight), kWidth, kHeight);
    }
    static inline std::unique_ptr<OffscreenContext> s_context;
    static inline std::string s_error;
    testsupport::TempDir dir;
    testsupport::SceneFixture fx;
    FlowScene& scene = fx.scene;
    FlatTextPainter text;
};

Rgb ToRgb(const ColourEntry& c) {
    return {c[0], c[1], c[2]};
}

TEST_F(PictureFrameTest, TheLegendLiesRightOfThePictureAndLeavesItAsItWas) {
    const Picture without = Paint(PictureFrame{}, nullptr);
    scene.m_modes.legend = true;
    const Picture with = Paint(PictureFrame{}, &text);
    ASSERT_EQ(text.calls, 1);
    EXPECT_EQ(text.lastZoom, 1.0);
    EXPECT_EQ(text.lastTexts.front().utf8, "pressure");
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < 700; ++x) ASSERT_EQ(with.At(x, y), without.At(x, y)) << x << ", " << y;

    const LegendLayout layout = LayOutLegend(scene.ImageScale());
    // The panel is the painter's, from window (700, 70) on, and nothing beyond it.
    EXPECT_EQ(with.At(700, 71), (Rgb{0, 0, 50}));
    EXPECT_EQ(with.At(700 + kLegendWidth - 1, 629), (Rgb{0, 0, 50}));
    EXPECT_TRUE(with.At(700 + kLegendWidth, 300).IsBlack());
    EXPECT_TRUE(with.At(750, 630).IsBlack());
    // The bar shows the ramp, row by row, inside its frame.
    const int middle = 700 + kLegendBarLeft + kLegendBarWidth / 2;
    for (int row = 2; row < layout.barHeight - 2; ++row)
        ASSERT_EQ(with.At(middle, 70 + layout.barBottom + row),
                  ToRgb(layout.ramp[static_cast<std::size_t>(row)]))
            << "bar row " << row;
    EXPECT_EQ(layout.ramp.front(), ColourTable(kColourMapViridis)[0]);
    // Each mark is a white tick right of the bar.
    for (const LegendMark& m : layout.marks) {
        const int y = 70 + static_cast<int>(std::lround(m.y));
        const bool tick = with.At(700 + kLegendBarLeft + kLegendBarWidth + 2, y).IsWhite() ||
                          with.At(700 + kLegendBarLeft + kLegendBarWidth + 2, y - 1).IsWhite();
        EXPECT_TRUE(tick) << "mark at " << m.y;
    }

    // Without an image there is nothing to describe.
    scene.ReleaseDataSet();
    text.calls = 0;
    EXPECT_EQ(Paint(PictureFrame{}, &text).Count(0, 0, kWidth, kHeight, [](Rgb c) { return !c.IsBlack(); }),
              0);
    EXPECT_EQ(text.calls, 0);
}

// Scaled, raster pixel (x, y) fills the window from the frame's origin plus zoom times (x, y);
// the window point at its middle maps back to it, and lines stay in the line colour.
TEST_F(PictureFrameTest, AFittedFrameScalesEverythingAndMapsBack) {
    scene.m_modes.legend = true;
    const PictureFrame frame = FittedFrame(kWidth, kHeight, true);
    EXPECT_DOUBLE_EQ(frame.zoom, kWidth / 480.0);
    EXPECT_EQ(frame.originX, 0);
    EXPECT_EQ(frame.originY, static_cast<int>(std::floor((kHeight - 560 * frame.zoom) / 2)));
    EXPECT_EQ(FittedFrame(kWidth, kHeight, false).zoom, kHeight / 560.0);

    const Picture p = Paint(frame, &text);
    EXPECT_DOUBLE_EQ(text.lastZoom, frame.zoom);
    const std::vector<bool> near = [&] {
        std::vector<bool> mask(kRasterSize, false);
        for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i)
            for (std::size_t j = 0; j < scene.StreamlineAt(i).GetCount(); ++j) {
                const PixelPoint q = scene.StreamlineAt(i).GetPoint(j);
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx)
                        if (IsInRaster(q.x + dx, q.y + dy))
                            mask[static_cast<std::size_t>((q.y + dy) * 350 + q.x + dx)] = true;
            }
        return mask;
    }();
    const Rgb line = {255, 68, 0};
    int compared = 0, lineColoured = 0, other = 0;
    for (int y = 0; y < 560; y += 3)
        for (int x = 0; x < 350; x += 3) {
            const double wx = frame.originX + frame.zoom * (x + 0.5);
            const double wy = frame.originY + frame.zoom * (y + 0.5);
            ASSERT_EQ(WindowToRaster(frame, wx, wy), (PixelPoint{x, y}));
            const Rgb shown = p.At(static_cast<int>(wx), static_cast<int>(wy));
            const std::size_t k = static_cast<std::size_t>(y * 350 + x);
            if (near[k]) continue;
            ++compared;
            ASSERT_EQ(shown,
                      (Rgb{scene.m_pImage[3 * k], scene.m_pImage[3 * k + 1], scene.m_pImage[3 * k + 2]}))
                << x << ", " << y;
        }
    EXPECT_GT(compared, 5000);
    // Every lit pixel near a line is either the image or the line's own colour: no blending.
    for (int wy = frame.originY; wy < frame.originY + 560 * frame.zoom - 1; ++wy)
        for (int wx = frame.originX; wx < frame.originX + 350 * frame.zoom - 1; ++wx) {
            // A window pixel whose middle lies on the border of two raster pixels may show either.
            const auto onBorder = [&frame](double window, int origin) {
                const double r = (window + 0.5 - origin) / frame.zoom;
                return std::fabs(r - std::round(r)) < 1e-6;
            };
            if (onBorder(wx, frame.originX) || onBorder(wy, frame.originY)) continue;
            const PixelPoint r = WindowToRaster(frame, wx + 0.5, wy + 0.5);
            const std::size_t k = static_cast<std::size_t>(r.y * 350 + r.x);
            const Rgb image{scene.m_pImage[3 * k], scene.m_pImage[3 * k + 1], scene.m_pImage[3 * k + 2]};
            const Rgb shown = p.At(wx, wy);
            if (shown == line)
                ++lineColoured;
            else if (!(shown == image))
                ++other;
        }
    EXPECT_GT(lineColoured, 2000);
    EXPECT_EQ(other, 0);
    // Lines are as wide as a raster pixel: two window pixels at this zoom.
    EXPECT_EQ(std::lround(frame.zoom), 2);
    // Beside the picture the window is black, up to the legend.
    EXPECT_TRUE(p.At(frame.originX + 10, frame.originY - 2).IsBlack());
    EXPECT_EQ(p.At(static_cast<int>(frame.originX + 351 * frame.zoom), frame.originY + 5), (Rgb{0, 0, 50}));
}

}  // namespace
