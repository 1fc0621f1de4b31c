#include "render/scene_drawing.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "render/view_projection.h"
#include "tests/render/gl_frame.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

using rendertest::Frame;
using rendertest::GlTest;
using rendertest::Rgb;

std::unique_ptr<Streamline> MakeLine(std::initializer_list<PixelPoint> points) {
    auto s = std::make_unique<Streamline>();
    for (const PixelPoint& p : points) s->AppendPoint(p.x, p.y);
    return s;
}

// A Loaded-looking scene drawn over a black image, so that every lit pixel is an overlay.
void GiveBlackImage(FlowScene& scene) {
    scene.m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
}

// Rasters of one velocity everywhere; SPEED overrides the speed when given.
void GiveUniformFlow(FlowScene& scene, float u, float v, std::optional<float> speed = std::nullopt) {
    scene.m_pRasterU = std::make_unique<float[]>(kRasterSize);
    scene.m_pRasterV = std::make_unique<float[]>(kRasterSize);
    scene.m_pRasterSpeed = std::make_unique<float[]>(kRasterSize);
    for (std::size_t i = 0; i < kRasterSize; ++i) {
        scene.m_pRasterU[i] = u;
        scene.m_pRasterV[i] = v;
        scene.m_pRasterSpeed[i] = speed ? *speed : std::sqrt(u * u + v * v);
    }
}

std::size_t Index(int x, int y) {
    return static_cast<std::size_t>(y) * 350 + static_cast<std::size_t>(x);
}

// Every pixel of the framebuffer that satisfies TEST lies within the raster box [x0, x1] x
// [y0, y1] widened by one pixel; returns how many do.
template <typename Test>
int CountInsideOnly(const Frame& f, Test test, int x0, int y0, int x1, int y1, int* outside) {
    int inside = 0;
    *outside = 0;
    for (int wy = 0; wy < f.Height(); ++wy) {
        for (int wx = 0; wx < f.Width(); ++wx) {
            if (!test(f.At(wx, wy))) continue;
            const int x = wx - 350, y = wy - 70;
            (x >= x0 - 1 && x <= x1 + 1 && y >= y0 - 1 && y <= y1 + 1 ? inside : *outside) += 1;
        }
    }
    return inside;
}

bool AllBlack(const Frame& f) {
    for (int y = 0; y < f.Height(); ++y)
        for (int x = 0; x < f.Width(); ++x)
            if (!f.At(x, y).IsBlack()) return false;
    return true;
}

class SceneDrawingTest : public GlTest {
protected:
    testsupport::SceneFixture fx;
    FlowScene& scene = fx.scene;

    Frame Paint() {
        PaintFrame(scene);
        return ReadFrame();
    }
};

TEST_F(SceneDrawingTest, WithoutDataTheViewIsBlackWhateverTheListsHold) {
    // A stale frame of another colour must not survive the paint.
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    scene.m_streamlines.push_back(MakeLine({{10, 10}, {100, 100}}));
    GiveUniformFlow(scene, 1.0f, 0.0f);
    EXPECT_TRUE(AllBlack(Paint())) << "streamlines drawn without an image";
    scene.m_bHedgehog = true;
    EXPECT_TRUE(AllBlack(Paint())) << "arrows drawn without an image";
}

TEST_F(SceneDrawingTest, ImageLiesAtWindow350And70WithRowZeroAtTheBottom) {
    GiveBlackImage(scene);
    auto colour = [](int x, int y) { return Rgb{x % 251, y % 253, (7 * x + 3 * y + 1) % 256}; };
    for (int y = 0; y < 560; ++y) {
        for (int x = 0; x < 350; ++x) {
            const Rgb c = colour(x, y);
            std::uint8_t* p = &scene.m_pImage[Index(x, y) * 3];
            p[0] = static_cast<std::uint8_t>(c.r);
            p[1] = static_cast<std::uint8_t>(c.g);
            p[2] = static_cast<std::uint8_t>(c.b);
        }
    }
    const Frame f = Paint();
    int wrong = 0;
    for (int wy = 0; wy < f.Height(); ++wy) {
        for (int wx = 0; wx < f.Width(); ++wx) {
            const bool inPicture = wx >= 350 && wx < 700 && wy >= 70 && wy < 630;
            const Rgb expected = inPicture ? colour(wx - 350, wy - 70) : Rgb{};
            if (!(f.At(wx, wy) == expected) && wrong++ < 3)
                ADD_FAILURE() << "window pixel " << wx << ", " << wy;
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(SceneDrawingTest, StreamlineOfOnePointDrawsNothingAndTwoPointsOneSegment) {
    GiveBlackImage(scene);
    scene.m_streamlines.push_back(MakeLine({{100, 200}}));
    scene.m_streamlines.push_back(MakeLine({}));
    EXPECT_TRUE(AllBlack(Paint()));

    scene.m_streamlines.push_back(MakeLine({{100, 300}, {140, 300}}));
    const Frame f = Paint();
    int outside = 0;
    const int inside = CountInsideOnly(
        f, [](Rgb c) { return c.IsWhite(); }, 100, 300, 140, 300, &outside);
    EXPECT_EQ(outside, 0);
    EXPECT_GE(inside, 39);  // one pixel per column; an end may be left out
    EXPECT_LE(inside, 41);
    int notWhite = 0;
    for (int wy = 0; wy < f.Height(); ++wy)
        for (int wx = 0; wx < f.Width(); ++wx) notWhite += !f.At(wx, wy).IsWhite() && !f.At(wx, wy).IsBlack();
    EXPECT_EQ(notWhite, 0) << "streamlines are plain white";
}

TEST_F(SceneDrawingTest, SegmentsFollowThePointsAndStreamlinesAreNotJoined) {
    GiveBlackImage(scene);
    scene.m_streamlines.push_back(MakeLine({{20, 20}, {30, 25}, {40, 20}, {50, 30}}));
    scene.m_streamlines.push_back(MakeLine({{300, 500}, {310, 500}}));
    const Frame f = Paint();
    // Along each segment of the first line, the pixel at every column is lit within a pixel.
    const std::vector<PixelPoint> p{{20, 20}, {30, 25}, {40, 20}, {50, 30}};
    for (std::size_t i = 1; i < p.size(); ++i) {
        for (int x = p[i - 1].x + 1; x < p[i].x; ++x) {
            const double t = double(x - p[i - 1].x) / (p[i].x - p[i - 1].x);
            const int y = static_cast<int>(std::lround(p[i - 1].y + t * (p[i].y - p[i - 1].y)));
            EXPECT_TRUE(f.NearRaster(x, y, 1, [](Rgb c) { return c.IsWhite(); }))
                << "segment " << i << " at x " << x;
        }
    }
    // Nothing between the two streamlines: a join would cross the picture diagonally.
    int outsideFirst = 0, outsideSecond = 0;
    const auto white = [](Rgb c) { return c.IsWhite(); };
    const int first = CountInsideOnly(f, white, 20, 20, 50, 30, &outsideFirst);
    const int second = CountInsideOnly(f, white, 300, 500, 310, 500, &outsideSecond);
    EXPECT_EQ(outsideFirst, second);
    EXPECT_EQ(outsideSecond, first);
    EXPECT_GE(second, 9);
}

TEST_F(SceneDrawingTest, HedgehogStandsOnTheFifteenPixelLatticeRedAtTheBase) {
    GiveBlackImage(scene);
    GiveUniformFlow(scene, 1.0f, 0.0f);
    scene.m_bHedgehog = true;
    scene.m_streamlines.push_back(MakeLine({{5, 5}, {5, 300}}));  // not drawn in hedgehog mode
    const Frame f = Paint();
    EXPECT_EQ(HedgehogSpacing(kHedgehogScale), 15);
    int lattice = 0;
    for (int y = 15; y < 560 - 15; y += 15) {
        for (int x = 15; x < 350 - 15; x += 15) {
            ++lattice;
            ASSERT_TRUE(f.NearRaster(x, y, 1, [](Rgb c) { return c.IsArrowBase(); })) << x << ", " << y;
            // Ten pixels long to the right, nearly white at the tip.
            EXPECT_TRUE(f.NearRaster(x + 9, y, 1, [](Rgb c) { return c.r == 255 && c.g >= 200; }))
                << x << ", " << y;
            EXPECT_TRUE(f.Raster(x + 12, y).IsBlack() && f.Raster(x + 12, y - 1).IsBlack()) << x << ", " << y;
        }
    }
    EXPECT_EQ(lattice, 792);
    // Nothing in the outer 15 pixels on the left and bottom, 19 on the right and top, beyond
    // the arrows' own reach from x 330 and y 540 (and the pixel of slack).
    for (int y = 0; y < 560; ++y) {
        for (int x = 0; x < 350; ++x) {
            const bool margin = x < 14 || y < 14 || y > 541 || x > 341;
            if (margin) {
                ASSERT_TRUE(f.Raster(x, y).IsBlack()) << x << ", " << y;
            }
        }
    }
    // The colour runs from red to white: green rises along an arrow (on either pixel row
    // beside the lattice row, where the line lands).
    const auto green = [&f](int x) {
        const Rgb a = f.Raster(x, 150), b = f.Raster(x, 149);
        return std::max(a.IsBlack() ? -1 : a.g, b.IsBlack() ? -1 : b.g);
    };
    EXPECT_GE(green(151), 0);
    EXPECT_LT(green(151), green(155));
    EXPECT_LT(green(155), green(159));
}

TEST_F(SceneDrawingTest, ArrowLengthIsConstantOrFollowsTheSpeed) {
    GiveBlackImage(scene);
    GiveUniformFlow(scene, 0.5f, 0.0f);
    scene.m_bHedgehog = true;
    const auto lit = [](Rgb c) { return !c.IsBlack(); };
    const Frame constant = Paint();
    EXPECT_TRUE(constant.NearRaster(15 * 10 + 9, 150, 1, lit)) << "a / speed gives ten pixels";
    scene.m_bHedgehogBySpeed = true;
    const Frame bySpeed = Paint();
    EXPECT_TRUE(bySpeed.NearRaster(150 + 4, 150, 1, lit)) << "a * speed gives five pixels";
    for (int x = 150 + 7; x <= 150 + 10; ++x) {
        EXPECT_FALSE(bySpeed.NearRaster(x, 150, 1, lit)) << "pixel " << x;
    }
}

TEST_F(SceneDrawingTest, ArrowComponentsAreRoundedSeparately) {
    GiveBlackImage(scene);
    GiveUniformFlow(scene, 0.6f, 0.8f);  // 6 and 8 pixels
    scene.m_bHedgehog = true;
    const Frame f = Paint();
    const auto nearlyWhite = [](Rgb c) { return c.r == 255 && c.g >= 190; };
    EXPECT_TRUE(f.NearRaster(150 + 6, 300 + 8, 1, nearlyWhite));
    EXPECT_FALSE(f.NearRaster(150 + 8, 300 + 6, 0, [](Rgb c) { return !c.IsBlack(); }));
}

TEST_F(SceneDrawingTest, SlowOrUndefinedSpeedsDrawNoArrow) {
    GiveBlackImage(scene);
    GiveUniformFlow(scene, 0.0f, 0.0f, 0.0f);
    struct Case {
        int x, y;
        float speed;
        bool drawn;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases{{30, 30, 0.0001f, false},
                                  {60, 30, nan, false},
                                  {90, 30, -1.0f, false},
                                  {120, 30, 0.00011f, true},
                                  {150, 30, 2.0e-4f, true}};
    for (const Case& c : cases) {
        scene.m_pRasterSpeed[Index(c.x, c.y)] = c.speed;
        scene.m_pRasterU[Index(c.x, c.y)] = std::isnan(c.speed) ? 0.0f : std::fabs(c.speed);
    }
    scene.m_bHedgehog = true;
    const Frame f = Paint();
    for (const Case& c : cases) {
        EXPECT_EQ(f.NearRaster(c.x + 5, c.y, 1, [](Rgb p) { return !p.IsBlack(); }), c.drawn) << c.x;
    }
}

// Rasters of a flow that turns with the pixel, at speeds from 0.05 to 2.
void GiveTurningFlow(FlowScene& scene) {
    GiveUniformFlow(scene, 0.0f, 0.0f);
    for (int y = 0; y < kRasterHeight; ++y)
        for (int x = 0; x < kRasterWidth; ++x) {
            const float angle = 0.05f * static_cast<float>(x) + 0.11f * static_cast<float>(y);
            const float speed = 0.05f + 1.95f * static_cast<float>((x * 7 + y * 3) % 100) / 99.0f;
            scene.m_pRasterU[Index(x, y)] = speed * std::cos(angle);
            scene.m_pRasterV[Index(x, y)] = speed * std::sin(angle);
            scene.m_pRasterSpeed[Index(x, y)] = speed;
        }
}

TEST(ArrowOffset, FollowsThePictureWhereItScalesTheAxesApartAndIsAsBeforeWhereNot) {
    testsupport::SceneFixture fx;
    FlowScene& scene = fx.scene;
    GiveTurningFlow(scene);
    const int s = HedgehogSpacing(kHedgehogScale);
    for (const auto& [sx, sy] :
         {std::pair{17.45f, 17.45f}, std::pair{0.349f, 5.59f}, std::pair{1839.5f, 5944.9f}})
        for (bool bySpeed : {false, true}) {
            scene.m_fScaleX = sx;
            scene.m_fScaleY = sy;
            scene.m_bHedgehogBySpeed = bySpeed;
            for (int y = s; y < kRasterHeight - s; y += s)
                for (int x = s; x < kRasterWidth - s; x += s) {
                    const std::size_t i = Index(x, y);
                    const float u = scene.m_pRasterU[i], v = scene.m_pRasterV[i],
                                speed = scene.m_pRasterSpeed[i];
                    const std::optional<PixelPoint> d = ArrowOffset(scene, kHedgehogScale, x, y, 0.0f);
                    ASSERT_TRUE(d);
                    if (sx == sy) {
                        const float f = bySpeed ? 10.0f : 10.0f / speed;
                        ASSERT_EQ(*d, (PixelPoint{ArrowComponent(f, u), ArrowComponent(f, v)}));
                        continue;
                    }
                    // The length the arrow along (u, v) has, along the flow as drawn, each
                    // component within half a pixel.
                    const double length = bySpeed ? 10.0 * speed : 10.0;
                    const double px = double{u} * sx, py = double{v} * sy, n = std::hypot(px, py);
                    ASSERT_NEAR(d->x, length * px / n, 0.5 + 1e-6) << x << ", " << y;
                    ASSERT_NEAR(d->y, length * py / n, 0.5 + 1e-6) << x << ", " << y;
                }
        }
}

TEST(ArrowOffset, UniformFlowAtFortyFiveDegreesOnAWideDomainPointsAsTheStreamlinesGo) {
    testsupport::SceneFixture fx;
    GiveUniformFlow(fx.scene, 1.0f, 1.0f);
    fx.scene.m_fScaleX = 349.0f / 1000.0f;  // a domain 1000 wide and 100 high
    fx.scene.m_fScaleY = 559.0f / 100.0f;
    EXPECT_EQ(ArrowOffset(fx.scene, kHedgehogScale, 150, 300, 0.0f), (PixelPoint{1, 10}));
}

TEST(ArrowOffset, UnderThePixelStepArrowsBySpeedAreScaledToTheFastest) {
    testsupport::SceneFixture fx;
    FlowScene& scene = fx.scene;
    GiveTurningFlow(scene);
    scene.m_bHedgehogBySpeed = true;
    const float fastest = FastestArrowSpeed(scene, kHedgehogScale);
    EXPECT_GT(fastest, 1.9f);
    EXPECT_LE(fastest, 2.0f);
    for (const auto& [sx, sy] : {std::pair{0.02f, 0.02f}, std::pair{3614.7f, 5789.8f}}) {
        scene.m_fScaleX = sx;
        scene.m_fScaleY = sy;
        for (float step : {0.0f, 1.0f}) {
            scene.m_modes.stepPixels = step;
            double longest = 0.0;
            for (int y = 15; y < 545; y += 15)
                for (int x = 15; x < 335; x += 15) {
                    const std::optional<PixelPoint> d = ArrowOffset(scene, kHedgehogScale, x, y, fastest);
                    ASSERT_TRUE(d);
                    const double length = std::hypot(d->x, d->y);
                    const double expected =
                        (step > 0.0f ? 15.0 / fastest : 10.0) * scene.m_pRasterSpeed[Index(x, y)];
                    ASSERT_NEAR(length, expected, 0.71) << x << ", " << y;
                    longest = std::max(longest, length);
                }
            if (step > 0.0f) {
                EXPECT_NEAR(longest, 15.0, 0.71) << "the fastest arrow is one lattice spacing";
            }
        }
    }
    // Nothing that is not a speed counts as the fastest.
    scene.m_pRasterSpeed[Index(30, 30)] = std::numeric_limits<float>::infinity();
    scene.m_pRasterSpeed[Index(45, 30)] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(FastestArrowSpeed(scene, kHedgehogScale), fastest);
}

TEST(ArrowComponent, RoundsTheFloatProductHalfAwayFromZeroAndStaysFinite) {
    EXPECT_EQ(ArrowComponent(10.0f, 0.25f), 3);
    EXPECT_EQ(ArrowComponent(10.0f, -0.25f), -3);
    EXPECT_EQ(ArrowComponent(10.0f, 0.24f), 2);
    EXPECT_EQ(ArrowComponent(10.0f, 0.0f), 0);
    // 10 * 0.35f is 3.49999994 in double but exactly 3.5 once rounded to float: the product
    // is a float, so the half goes away from zero.
    EXPECT_EQ(ArrowComponent(10.0f, 0.35f), 4);
    EXPECT_EQ(ArrowComponent(10.0f, -0.35f), -4);
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(ArrowComponent(0.0f, inf), 0);  // NaN product
    EXPECT_EQ(ArrowComponent(10.0f, inf), 1000000);
    EXPECT_EQ(ArrowComponent(10.0f, -inf), -1000000);
    EXPECT_EQ(ArrowComponent(10.0f, 3.0e38f), 1000000);
}

TEST_F(SceneDrawingTest, ZeroSizeLeavesTheProjectionAndTooSmallAViewShowsNoImage) {
    GLint before[4];
    glGetIntegerv(GL_VIEWPORT, before);
    EXPECT_FALSE(SetViewProjection(0, 630));
    EXPECT_FALSE(SetViewProjection(700, 0));
    EXPECT_FALSE(SetViewProjection(-5, -5));
    GLint after[4];
    glGetIntegerv(GL_VIEWPORT, after);
    EXPECT_EQ(std::vector<GLint>(before, before + 4), std::vector<GLint>(after, after + 4));

    scene.m_pImage = std::make_unique<std::uint8_t[]>(kImageBytes);
    std::fill_n(scene.m_pImage.get(), kImageBytes, std::uint8_t{200});
    ASSERT_FALSE(AllBlack(Paint()));
    // Narrower than 350: the image's raster position falls outside, so no pixel is drawn.
    ASSERT_TRUE(SetViewProjection(300, 630));
    EXPECT_TRUE(AllBlack(Paint()));
    ASSERT_TRUE(SetViewProjection(700, 60));
    EXPECT_TRUE(AllBlack(Paint()));
}

TEST(ClickRasterPixel, OnlyClicksStrictlyInsideThePictureCount) {
    EXPECT_FALSE(ClickRasterPixel(350, 100));
    EXPECT_FALSE(ClickRasterPixel(700, 100));
    EXPECT_FALSE(ClickRasterPixel(400, 70));
    EXPECT_FALSE(ClickRasterPixel(400, 630));
    EXPECT_EQ(ClickRasterPixel(351, 71), (PixelPoint{1, 1}));
    EXPECT_EQ(ClickRasterPixel(699, 629), (PixelPoint{349, 559}));
}

// The whole path on a generated flow: the picture is the scene's image with white overlays
// only, a click adds its streamline at once, and the next paint forgets it.
TEST_F(SceneDrawingTest, PaintOfAnOpenedDataSetAndAClickStreamline) {
    testsupport::TempDir dir;
    const std::string path = testsupport::WriteDataSet(dir, "flow", MakeFlow("rotation", 40, 64, 1, 0.0f));
    scene.SetFixedSeed(5);
    TraceAndDrawClick(scene, 100, 100);  // no data yet: nothing traced
    EXPECT_EQ(scene.m_pClickStreamline, nullptr);
    scene.OpenDataSet(path);
    ASSERT_TRUE(scene.HasDataSet());
    ASSERT_GT(scene.GetStreamlineCount(), 0u);

    const Frame first = Paint();
    int white = 0, other = 0;
    for (int y = 0; y < 560; ++y) {
        for (int x = 0; x < 350; ++x) {
            const Rgb c = first.Raster(x, y);
            const std::uint8_t* p = &scene.m_pImage[Index(x, y) * 3];
            if (c.IsWhite()) {
                ++white;
            } else if (!(c == Rgb{p[0], p[1], p[2]})) {
                ++other;
            }
        }
    }
    EXPECT_EQ(other, 0);
    EXPECT_GT(white, 1000);

    TraceAndDrawClick(scene, 60, 280);
    EndFrame();
    ASSERT_NE(scene.m_pClickStreamline, nullptr);
    const Streamline& click = *scene.m_pClickStreamline;
    ASSERT_GE(click.GetCount(), 2u);
    const Frame clicked = ReadFrame();
    for (std::size_t i = 0; i < click.GetCount(); ++i) {
        const PixelPoint p = click.Data()[i];
        if (p.x > 0 && p.y > 0) {
            EXPECT_TRUE(clicked.NearRaster(p.x, p.y, 1, [](Rgb c) { return c.IsWhite(); }))
                << p.x << ", " << p.y;
        }
    }
    const Frame again = Paint();
    int differing = 0;
    for (int y = 0; y < again.Height(); ++y)
        for (int x = 0; x < again.Width(); ++x) differing += !(again.At(x, y) == first.At(x, y));
    EXPECT_EQ(differing, 0) << "the next paint shows the placed streamlines only";
}

}  // namespace

namespace {

// A line of whole pixels from (X0, Y0) to (X1, Y1), one point a pixel along its longer axis.
std::unique_ptr<Streamline> StraightLine(int x0, int y0, int x1, int y1) {
    auto s = std::make_unique<Streamline>();
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const double t = steps == 0 ? 0.0 : static_cast<double>(i) / steps;
        s->AppendPoint(static_cast<int>(std::lround(x0 + t * (x1 - x0))),
                       static_cast<int>(std::lround(y0 + t * (y1 - y0))));
    }
    return s;
}

// Straight lines of every direction and length: none too short has a head, a longer one one
// head for every four separating distances and at least one, evenly spread, on the line, and
// pointing the way its points run; reversed, every head turns round.
TEST(LineArrows, HeadsAreSpreadEvenlyAndPointDownstream) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> coordinate(0, 549), dsepOf(kDSepMin, kDSepMax);
    int heads = 0;
    for (int n = 0; n < 2000; ++n) {
        const int x0 = coordinate(random) % 350, y0 = coordinate(random), x1 = coordinate(random) % 350,
                  y1 = coordinate(random), dsep = dsepOf(random);
        const auto line = StraightLine(x0, y0, x1, y1);
        const double dx = x1 - x0, dy = y1 - y0, chord = std::hypot(dx, dy);
        // The length along its pixels, a little longer than the chord.
        double length = 0.0;
        for (std::size_t i = 1; i < line->GetCount(); ++i)
            length += std::hypot(line->GetPoint(i).x - line->GetPoint(i - 1).x,
                                 line->GetPoint(i).y - line->GetPoint(i - 1).y);
        const std::vector<ArrowHead> found = LineArrowHeads(*line, dsep);
        if (length <= 2.0 * dsep) {
            EXPECT_TRUE(found.empty()) << length << " " << dsep;
            continue;
        }
        const double count = std::max(1.0, std::round(length / (4.0 * dsep)));
        ASSERT_EQ(static_cast<double>(found.size()), count) << length << " " << dsep;
        heads += static_cast<int>(found.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            const ArrowHead& h = found[i];
            // On the line, within its pixels' rounding, and pointing along it.
            EXPECT_LE(std::fabs((h.x - x0) * dy - (h.y - y0) * dx) / chord, 0.75);
            EXPECT_GT((h.dx * dx + h.dy * dy) / chord, 0.97);
            EXPECT_NEAR(std::hypot(h.dx, h.dy), 1.0, 1e-9);
            // Each in the middle of its share of the line.
            const double share = chord / static_cast<double>(found.size());
            EXPECT_NEAR(std::hypot(h.x - x0, h.y - y0), (static_cast<double>(i) + 0.5) * share,
                        0.1 * share + 1.0);
        }
        const auto back = StraightLine(x1, y1, x0, y0);
        const std::vector<ArrowHead> reversed = LineArrowHeads(*back, dsep);
        ASSERT_EQ(reversed.size(), found.size());
        for (const ArrowHead& h : reversed) EXPECT_LT((h.dx * dx + h.dy * dy) / chord, -0.97);
    }
    EXPECT_GT(heads, 2000);
}

// A line that left the data far off the picture ends at a pixel saturated at the integers' ends:
// its heads stay few, and its shown part has them every four separating distances as any line.
TEST(LineArrows, AFarEndGivesFewHeadsAndTheShownPartItsUsualOnes) {
    for (const PixelPoint end :
         {PixelPoint{13, std::numeric_limits<int>::min()}, PixelPoint{std::numeric_limits<int>::max(), 300},
          PixelPoint{std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}}) {
        auto far = StraightLine(13, 300, 213, 300);
        far->AppendPoint(end.x, end.y);
        const std::vector<ArrowHead> heads = LineArrowHeads(*far, 5);
        EXPECT_LE(heads.size(), 10000u);
        const auto shown = std::count_if(heads.begin(), heads.end(), [](const ArrowHead& h) {
            return h.x >= 13 && h.x <= 213 && h.y == 300 && h.dx > 0.99;
        });
        EXPECT_NEAR(static_cast<double>(shown), 200.0 / 20.0, 1.0) << end.x << ", " << end.y;
    }
}

// A head lights pixels on both sides of its direction, behind its point and no farther than its
// length, in its colour.
TEST_F(SceneDrawingTest, AnArrowHeadOpensBehindItsPoint) {
    const Rgb red{255, 0, 0};
    for (const auto& [dx, dy] : {std::pair{1.0, 0.0}, std::pair{0.0, -1.0}, std::pair{-0.6, 0.8}}) {
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        BeginFrame();
        DrawArrowHead({100.0, 200.0, dx, dy}, 8.0, {1.0f, 0.0f, 0.0f});
        EndFrame();
        const Frame f = ReadFrame();
        int left = 0, right = 0;
        for (int wy = 0; wy < f.Height(); ++wy)
            for (int wx = 0; wx < f.Width(); ++wx) {
                if (f.At(wx, wy).IsBlack()) continue;
                EXPECT_EQ(f.At(wx, wy), red);
                // The pixel's centre, relative to the head's point.
                const double x = wx + 0.5 - 350 - 100, y = wy + 0.5 - 70 - 200;
                EXPECT_LE(x * dx + y * dy, 1.0) << "ahead of the point";
                EXPECT_LE(std::hypot(x, y), 9.5) << "farther than the head's length";
                (x * dy - y * dx > 0.0 ? left : right) += 1;
            }
        EXPECT_GE(left, 4) << dx << "," << dy;
        EXPECT_GE(right, 4) << dx << "," << dy;
    }
}

// A wider line lights as many rows as it is wide; a smooth one blends its edge pixels with the
// background, where the plain one lights each pixel fully or not at all. Either leaves the
// context's line state as it found it.
TEST_F(SceneDrawingTest, LinesTakeTheirWidthAndSmoothnessAndLeaveTheStateAsItWas) {
    GiveBlackImage(scene);
    scene.m_streamlines.push_back(MakeLine({{50, 100}, {250, 100}}));
    scene.m_streamlines.push_back(MakeLine({{50, 300}, {250, 380}}));
    const auto litRows = [](const Frame& f, int x) {
        int n = 0;
        for (int y = 150; y < 190; ++y) n += f.At(x + 350, y).IsBlack() ? 0 : 1;
        return n;
    };
    const auto blended = [](const Frame& f) {
        int n = 0;
        for (int y = 350; y < 470; ++y)
            for (int x = 390; x < 610; ++x) {
                const Rgb c = f.At(x, y);
                n += !c.IsBlack() && !(c == Rgb{255, 255, 255}) ? 1 : 0;
            }
        return n;
    };
    const Frame plain = Paint();
    EXPECT_EQ(litRows(plain, 150), 1);
    EXPECT_EQ(blended(plain), 0);
    for (const float width : {3.0f, 5.0f}) {
        scene.m_modes.lineWidth = width;
        EXPECT_EQ(litRows(Paint(), 150), static_cast<int>(width));
    }
    scene.m_modes.lineWidth = 0.0f;
    scene.m_modes.smooth = true;
    EXPECT_GT(blended(Paint()), 100);
    GLfloat width = 0.0f;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

}  // namespace
