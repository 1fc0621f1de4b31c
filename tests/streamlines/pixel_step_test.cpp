// The step in raster pixels: each scheme over the flow's direction v / |S v|, the stages that
// find no flow, the seeds it starts from, and how far the time step would move instead.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "streamlines/step_advance.h"
#include "tests/streamlines/flow_fixture.h"

namespace {

using streamlines_test::LoadedFlow;
using streamlines_test::MakeFlow;
using testsupport::Axis;

// Metres and metres per second on a domain far from the picture's proportion: 5 cm wide and
// 2 cm high, so a pixel is 0.143 mm across and 0.036 mm high.
const std::vector<float> kXs = Axis(11, 0.0f, 0.05f);
const std::vector<float> kYs = Axis(9, 0.0f, 0.02f);

class PixelStepTest : public LoadedFlow {
protected:
    void LoadField(const streamlines_test::VelocityField& field) {
        ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(kXs, kYs, field)));
    }
    // The step's length in raster pixels.
    double PixelLength(GridNode from, GridNode to) {
        const double dx = (static_cast<double>(to.x) - from.x) * Scene().m_fScaleX;
        const double dy = (static_cast<double>(to.y) - from.y) * Scene().m_fScaleY;
        return std::hypot(dx, dy);
    }
};

TEST_F(PixelStepTest, EverySchemeAdvancesTheLengthInPixelsAlongTheFlow) {
    const float u = 1.5f, v = -0.4f;
    ASSERT_NO_FATAL_FAILURE(LoadField([=](float, float) { return std::pair{u, v}; }));
    const double su = u * Scene().m_fScaleX, sv = v * Scene().m_fScaleY;
    const GridNode p{0.021f, 0.013f};
    for (int method : {kMethodEuler, kMethodRK2, kMethodRK4})
        for (float length : {0.25f, 1.0f, 5.0f})
            for (int direction : {+1, -1}) {
                bool failed = true;
                const GridNode q = Scene().IntegratePixels(method, p, length, direction, &failed);
                ASSERT_FALSE(failed);
                EXPECT_NEAR(PixelLength(p, q), length, 1e-3 * length) << method << " " << length;
                // Along the flow as the picture shows it, forwards or back.
                const double px = (static_cast<double>(q.x) - p.x) * Scene().m_fScaleX;
                const double py = (static_cast<double>(q.y) - p.y) * Scene().m_fScaleY;
                EXPECT_NEAR(px * sv - py * su, 0.0, 1e-3 * length * std::hypot(su, sv));
                EXPECT_GT((px * su + py * sv) * direction, 0.0);
            }
    // A stage point off the domain fails the step as under the time step; the point the step
    // ends at is the tracing's to test.
    const GridNode edge{0.05f - 0.2f / Scene().m_fScaleX, 0.013f};
    for (int method : {kMethodEuler, kMethodRK2, kMethodRK4}) {
        bool failed = false;
        Scene().IntegratePixels(method, edge, 1.0f, +1, &failed);
        EXPECT_EQ(failed, method != kMethodEuler) << method;
    }
}

TEST_F(PixelStepTest, StepFollowsTheSettingAndTheTimeStepIsUntouched) {
    ASSERT_NO_FATAL_FAILURE(LoadField([](float x, float y) {
        return std::pair{1.0f + 20.0f * y, 30.0f * x};
    }));
    const GridNode p{0.02f, 0.01f};
    for (int method : {kMethodEuler, kMethodRK2, kMethodRK4}) {
        bool a = false, b = false;
        Scene().m_modes.stepPixels = 0.0f;
        EXPECT_EQ(Scene().Step(method, p, -1, &a), Scene().Integrate(method, p, kTimeStep, -1, &b));
        Scene().m_modes.stepPixels = std::numeric_limits<float>::quiet_NaN();
        EXPECT_EQ(Scene().Step(method, p, -1, &a), Scene().Integrate(method, p, kTimeStep, -1, &b));
        Scene().m_modes.stepPixels = 2.5f;
        EXPECT_EQ(Scene().Step(method, p, -1, &a), Scene().IntegratePixels(method, p, 2.5f, -1, &b));
    }
}

// The direction as the comment of FlowDirection says it is formed.
GridNode Direction(const FlowScene& s, GridNode q) {
    const GridNode v = s.SampleVelocity(q.x, q.y);
    const double n =
        std::hypot(static_cast<double>(s.m_fScaleX) * v.x, static_cast<double>(s.m_fScaleY) * v.y);
    return {static_cast<float>(v.x / n), static_cast<float>(v.y / n)};
}

// One step of each scheme, read off the definition: stages, stage points and the order of the
// sums, each operation in float.
struct Reading {
    GridNode euler, midpoint, classical;
};
Reading ReadSteps(const FlowScene& s, GridNode p, float h, int direction) {
    const float tau = direction == -1 ? -h : h;
    auto add = [](GridNode a, float t, GridNode d) { return GridNode{a.x + t * d.x, a.y + t * d.y}; };
    auto scaled = [](float t, GridNode d) { return GridNode{t * d.x, t * d.y}; };
    Reading r;
    r.euler = add(p, tau, Direction(s, p));
    r.midpoint =
        add(p, tau, Direction(s, add(p, (direction == -1 ? -(h * 0.5f) : h * 0.5f), Direction(s, p))));
    const GridNode k1 = scaled(tau, Direction(s, p));
    const GridNode k2 = scaled(tau, Direction(s, {p.x + 0.5f * k1.x, p.y + 0.5f * k1.y}));
    const GridNode k3 = scaled(tau, Direction(s, {p.x + 0.5f * k2.x, p.y + 0.5f * k2.y}));
    const GridNode k4 = scaled(tau, Direction(s, p + k3));
    GridNode sum = k1;
    for (GridNode k : {k2, k2, k3, k3, k4}) sum += k;
    r.classical = p + sum / 6.0f;
    return r;
}

TEST_F(PixelStepTest, SchemesKeepTheStagesAndTheOrderOfTheirSums) {
    // A curved field, so that every stage samples a different direction.
    ASSERT_NO_FATAL_FAILURE(LoadField([](float x, float y) {
        return std::pair{1.0f + 20.0f * y, 30.0f * x};
    }));
    const FlowScene& s = Scene();
    for (int i = 1; i < 12; ++i)
        for (int j = 1; j < 12; ++j)
            for (float h : {0.25f, 1.0f, 3.0f})
                for (int direction : {+1, -1}) {
                    const GridNode p{0.05f * static_cast<float>(i) / 12.0f,
                                     0.02f * static_cast<float>(j) / 12.0f};
                    const Reading r = ReadSteps(s, p, h, direction);
                    ASSERT_EQ(s.IntegratePixels(kMethodEuler, p, h, direction), r.euler);
                    ASSERT_EQ(s.IntegratePixels(kMethodRK2, p, h, direction), r.midpoint);
                    ASSERT_EQ(s.IntegratePixels(7, p, h, direction), r.midpoint);  // a value no method has
                    ASSERT_EQ(s.IntegratePixels(kMethodRK4, p, h, direction), r.classical);
                }
}

TEST_F(PixelStepTest, AStageWithoutFlowFailsTheStep) {
    // At rest left of the node at x = 0.015, not a number from the node at x = 0.045 on, moving
    // in between; bilinear sampling slows the flow to rest across the cell 0.015..0.02.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ASSERT_NO_FATAL_FAILURE(LoadField([=](float x, float) {
        return x < 0.0199f   ? std::pair{0.0f, 0.0f}
               : x > 0.0401f ? std::pair{nan, nan}
                             : std::pair{-1.0f, 0.0f};
    }));
    const float pixel = 1.0f / Scene().m_fScaleX;  // world width of one pixel
    for (int method : {kMethodEuler, kMethodRK2, kMethodRK4}) {
        bool failed = false;
        Scene().IntegratePixels(method, {0.01f, 0.01f}, 1.0f, +1, &failed);
        EXPECT_TRUE(failed) << method << ": no flow at the point itself";
        Scene().IntegratePixels(method, {0.047f, 0.01f}, 1.0f, +1, &failed);
        EXPECT_TRUE(failed) << method << ": flow that is not a number";
        Scene().IntegratePixels(method, {0.03f, 0.01f}, 1.0f, +1, &failed);
        EXPECT_FALSE(failed) << method;
        // Still moving, slowly, 0.4 pixels right of the rest; the stages a pixel to the left
        // find no flow, and only Euler has none there.
        Scene().IntegratePixels(method, {0.015f + 0.4f * pixel, 0.01f}, 1.0f, +1, &failed);
        EXPECT_EQ(failed, method != kMethodEuler) << method;
    }
}

TEST_F(PixelStepTest, TracingEndsAtOnceWhereTheFlowStopsAndTheClickFollowsTheSetting) {
    ASSERT_NO_FATAL_FAILURE(LoadField([](float x, float) {
        return x < 0.0199f ? std::pair{0.0f, 0.0f} : std::pair{1.5f, 0.2f};
    }));
    Scene().m_modes.stepPixels = 1.0f;
    const auto before = Scene().Stats().steps;
    const auto resting = Scene().CreateStreamline({0.01f, 0.01f}, kMethodRK2, true);
    EXPECT_EQ(resting->GetCount(), 1u);
    EXPECT_EQ(Scene().Stats().steps - before, 2u) << "one failed step in each direction, not 2000";

    // From x = 0.03 the flow crosses to the right edge, 140 pixels, and back into the region at
    // rest: points every 2 pixels or so, where the time step of 0.1 would leave at once.
    const PixelPoint seed = Scene().WorldToPixel({0.03f, 0.01f});
    const Streamline* click = Scene().AddClickStreamline(seed.x, seed.y);
    ASSERT_NE(click, nullptr);
    EXPECT_GT(click->GetCount(), 80u);
    EXPECT_EQ(click->GetPoint(click->SeedIndex()), seed);
    Scene().m_modes.stepPixels = 0.0f;
    EXPECT_LE(Scene().AddClickStreamline(seed.x, seed.y)->GetCount(), 3u);
}

TEST_F(PixelStepTest, PlacementStartsNoStreamlineWhereTheFlowStopsAndNeedsNoSpeedLimit) {
    // Micrometres per second, at rest in a band along the bottom, where seed candidates of the
    // streamlines above fall.
    ASSERT_NO_FATAL_FAILURE(LoadField([](float, float y) {
        return y < 0.0049f ? std::pair{0.0f, 0.0f} : std::pair{3e-6f, 0.0f};
    }));
    Scene().SetFixedSeed(5);
    Scene().PlaceStreamlines();
    EXPECT_EQ(Scene().GetStreamlineCount(), 0u) << "the time step finds no first seed";
    Scene().ResetForDraw();
    Scene().m_modes.stepPixels = 1.0f;
    Scene().PlaceStreamlines();
    ASSERT_GT(Scene().GetStreamlineCount(), 10u);
    for (std::size_t k = 0; k < Scene().GetStreamlineCount(); ++k) {
        const Streamline& s = Scene().StreamlineAt(k);
        const GridNode seed = Scene().PixelToWorld(s.GetPoint(s.SeedIndex()).x, s.GetPoint(s.SeedIndex()).y);
        GridNode d;
        EXPECT_TRUE(Scene().FlowDirection(seed.x, seed.y, d)) << k;
        EXPECT_GT(s.GetCount(), 1u) << k;
    }
}

TEST_F(PixelStepTest, TimeStepAdvanceIsMeasuredOverTheMovingPixels) {
    EXPECT_EQ(MeasureTimeStepAdvance(Scene()).movingPixels, 0u) << "no rasters yet";
    // At rest left of x = 0.015, then u = 1 and v = 0: a time step moves 0.1 * 6980 pixels.
    ASSERT_NO_FATAL_FAILURE(LoadField([](float x, float) {
        return std::pair{x < 0.0199f ? 0.0f : 1.0f, 0.0f};
    }));
    Scene().BuildRasters();
    const StepAdvance a = MeasureTimeStepAdvance(Scene());
    std::size_t moving = 0;
    for (std::size_t i = 0; i < kRasterSize; ++i) moving += Scene().m_pRasterU[i] != 0.0f;
    EXPECT_EQ(a.movingPixels, moving);
    EXPECT_GT(moving, kRasterSize * 2 / 3);
    EXPECT_LT(moving, kRasterSize * 3 / 4);
    EXPECT_DOUBLE_EQ(a.percentile95, static_cast<double>(kTimeStep) * Scene().m_fScaleX);
    EXPECT_LE(a.median, a.percentile95);
    EXPECT_EQ(a.median, a.percentile95) << "the slow pixels beside the region at rest are few";
    EXPECT_FALSE(TimeStepFits(a));
}

TEST(TimeStepFits, WithinAFifthOfAPixelToFivePixelsOrWhereNothingMoves) {
    EXPECT_TRUE(TimeStepFits({}));
    for (double median : {0.2, 1.0, 5.0}) EXPECT_TRUE(TimeStepFits({1, median, 100.0})) << median;
    for (double median : {0.1999, 5.0001, 300.0}) EXPECT_FALSE(TimeStepFits({1, median, median})) << median;
}

}  // namespace
