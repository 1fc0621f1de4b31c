// One integration step with each method, and the mapping between world points and pixels.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "streamlines/pixel_mapping.h"
#include "tests/streamlines/flow_fixture.h"

namespace {

using streamlines_test::LoadedFlow;
using streamlines_test::MakeFlow;
using testsupport::Axis;

constexpr float kH = 0.1f;

class IntegratorTest : public LoadedFlow {
protected:
    // u and v constant over x 0..10, y 0..20.
    void LoadUniform(float u, float v) {
        ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(11, 0, 10), Axis(5, 0, 20), [=](float, float) {
            return std::pair{u, v};
        })));
    }
    // Solid-body rotation (u, v) = (-y, x) about the origin over -10..10 in both directions;
    // bilinear sampling reproduces a linear field.
    void LoadRotation() {
        ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(21, -10, 10), Axis(21, -10, 10), [](float x, float y) {
            return std::pair{-y, x};
        })));
    }
};

// One step of size TAU of a scheme whose update for p' = A p, A the quarter-turn, is the
// Taylor polynomial of exp(tau A) up to ORDER; A^2 = -I gives the closed form.
GridNode RotationStep(GridNode p, double tau, int order) {
    double c = 1.0;  // coefficient of I
    double s = 0.0;  // coefficient of A
    if (order >= 1) s += tau;
    if (order >= 2) c -= tau * tau / 2;
    if (order >= 3) s -= tau * tau * tau / 6;
    if (order >= 4) c += tau * tau * tau * tau / 24;
    return {static_cast<float>(c * p.x - s * p.y), static_cast<float>(c * p.y + s * p.x)};
}

void ExpectNear(GridNode actual, GridNode expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

TEST_F(IntegratorTest, UniformFieldMovesByTheStepTimesTheVelocity) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(3.0f, -2.0f));
    FlowScene& s = Scene();
    const GridNode p{4.0f, 5.0f};
    for (int method : {0, 1, 2}) {
        bool failed = true;
        const GridNode f = s.Integrate(method, p, kH, +1, &failed);
        EXPECT_FALSE(failed);
        EXPECT_FLOAT_EQ(f.x, 4.3f) << method;
        EXPECT_FLOAT_EQ(f.y, 4.8f) << method;
        const GridNode b = s.Integrate(method, p, kH, -1, &failed);
        EXPECT_FALSE(failed);
        EXPECT_FLOAT_EQ(b.x, 3.7f) << method;
        EXPECT_FLOAT_EQ(b.y, 5.2f) << method;
        // Only -1 reverses: every other direction is forwards.
        for (int direction : {0, 2, 7, -2}) EXPECT_EQ(s.Integrate(method, p, kH, direction), f) << method;
    }
}

TEST_F(IntegratorTest, ZeroFieldLeavesThePointWhereItIs) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(0.0f, 0.0f));
    const GridNode p{7.25f, 13.5f};
    for (int method : {0, 1, 2})
        for (int direction : {+1, -1}) EXPECT_EQ(Scene().Integrate(method, p, kH, direction), p);
    EXPECT_EQ(Scene().IntegrateEuler({0, 0}, kH, 1), (GridNode{0, 0}));  // the corner itself
}

TEST_F(IntegratorTest, MethodValueChoosesTheOrderOfTheStep) {
    ASSERT_NO_FATAL_FAILURE(LoadRotation());
    FlowScene& s = Scene();
    const GridNode p{5.0f, 3.0f};
    // Orders differ by h^2 |p| / 2 (about 0.03) and h^3 |p| / 6 (about 0.001).
    const float tol = 2e-5f;
    ExpectNear(s.Integrate(0, p, kH, +1), RotationStep(p, 0.1, 1), tol);
    ExpectNear(s.Integrate(1, p, kH, +1), RotationStep(p, 0.1, 2), tol);
    ExpectNear(s.Integrate(2, p, kH, +1), RotationStep(p, 0.1, 4), tol);
    ExpectNear(s.IntegrateEuler(p, kH, +1), RotationStep(p, 0.1, 1), tol);
    ExpectNear(s.IntegrateRK2(p, kH, +1), RotationStep(p, 0.1, 2), tol);
    ExpectNear(s.IntegrateRK4(p, kH, +1), RotationStep(p, 0.1, 4), tol);
    // Any value other than 0, 1 and 2 is the second-order step.
    for (int method : {3, -1, 100}) EXPECT_EQ(s.Integrate(method, p, kH, +1), s.Integrate(1, p, kH, +1));
}

TEST_F(IntegratorTest, BackwardStepsSampleBehindThePoint) {
    ASSERT_NO_FATAL_FAILURE(LoadRotation());
    FlowScene& s = Scene();
    const GridNode p{-2.0f, 6.5f};
    const float tol = 2e-5f;
    ExpectNear(s.Integrate(0, p, kH, -1), RotationStep(p, -0.1, 1), tol);
    ExpectNear(s.Integrate(1, p, kH, -1), RotationStep(p, -0.1, 2), tol);
    ExpectNear(s.Integrate(2, p, kH, -1), RotationStep(p, -0.1, 4), tol);
}

TEST_F(IntegratorTest, SecondOrderStepFailsWhenItsMidpointLeavesTheDomain) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(1.0f, 0.0f));
    FlowScene& s = Scene();
    bool failed = false;
    // The midpoint lies 0.05 ahead: outside from 9.97, inside from 9.94.
    EXPECT_EQ(s.IntegrateRK2({9.97f, 5.0f}, kH, +1, &failed), (GridNode{0, 0}));
    EXPECT_TRUE(failed);
    EXPECT_EQ(s.Integrate(1, {9.97f, 5.0f}, kH, +1), (GridNode{0, 0}));  // no flag wanted
    const GridNode beyond = s.IntegrateRK2({9.94f, 5.0f}, kH, +1, &failed);
    EXPECT_FALSE(failed);  // the end point itself is left to the caller
    EXPECT_FLOAT_EQ(beyond.x, 10.04f);
    // Backwards the same point is well inside.
    EXPECT_FLOAT_EQ(s.IntegrateRK2({9.97f, 5.0f}, kH, -1, &failed).x, 9.87f);
    EXPECT_FALSE(failed);
    // Euler never fails, whatever it returns.
    EXPECT_FLOAT_EQ(s.Integrate(0, {9.97f, 5.0f}, kH, +1, &failed).x, 10.07f);
    EXPECT_FALSE(failed);
}

TEST_F(IntegratorTest, FourthOrderStepFailsOnAnyStagePointOutside) {
    ASSERT_NO_FATAL_FAILURE(LoadUniform(1.0f, 0.0f));
    FlowScene& s = Scene();
    bool failed = false;
    // Stage points at +0.05, +0.05 and +0.1: the last one leaves from 9.92.
    EXPECT_EQ(s.IntegrateRK4({9.92f, 5.0f}, kH, +1, &failed), (GridNode{0, 0}));
    EXPECT_TRUE(failed);
    EXPECT_FLOAT_EQ(s.IntegrateRK4({9.89f, 5.0f}, kH, +1, &failed).x, 9.99f);
    EXPECT_FALSE(failed);
    // Backwards the stages lie behind: near the left edge they fail, forwards they do not.
    EXPECT_EQ(s.IntegrateRK4({0.03f, 5.0f}, kH, -1, &failed), (GridNode{0, 0}));
    EXPECT_TRUE(failed);
    EXPECT_FLOAT_EQ(s.IntegrateRK4({0.03f, 5.0f}, kH, +1, &failed).x, 0.13f);
    EXPECT_FALSE(failed);
}

TEST(PixelUtilityTest, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(RoundHalfAway(2.5f), 3.0);
    EXPECT_EQ(RoundHalfAway(-2.5f), -3.0);
    EXPECT_EQ(RoundHalfAway(0.5f), 1.0);
    EXPECT_EQ(RoundHalfAway(-0.5f), -1.0);
    EXPECT_EQ(RoundHalfAway(2.49f), 2.0);
    EXPECT_EQ(RoundHalfAway(-2.49f), -2.0);
    EXPECT_EQ(RoundHalfAway(0.0f), 0.0);
    EXPECT_EQ(RoundHalfAway(0.49999997f), 0.0);  // the float just below a half, not rounded up
    EXPECT_EQ(RoundHalfAway(348.5f), 349.0);
}

TEST(PixelUtilityTest, RasterIsThreeHundredFiftyByFiveHundredSixty) {
    EXPECT_TRUE(IsInRaster(0, 0));
    EXPECT_TRUE(IsInRaster(349, 559));
    EXPECT_FALSE(IsInRaster(350, 0));
    EXPECT_FALSE(IsInRaster(0, 560));
    EXPECT_FALSE(IsInRaster(-1, 5));
    EXPECT_FALSE(IsInRaster(5, -1));
}

TEST(PixelUtilityTest, DistanceIsEuclideanOverIntegerPixels) {
    EXPECT_NEAR(PixelDistance(0, 0, 1, 1), 1.41421356, 1e-8);
    EXPECT_EQ(PixelDistance(0, 0, 2, 0), 2.0);
    EXPECT_NEAR(PixelDistance(0, 0, 1, 2), 2.23606798, 1e-8);
    EXPECT_EQ(PixelDistance(3, 4, 0, 0), 5.0);
    EXPECT_EQ(PixelDistance(-3, 0, 0, -4), 5.0);
    // Far-off pixels do not overflow.
    const int big = std::numeric_limits<int>::max();
    EXPECT_NEAR(PixelDistance(-big, 0, big, 0), 2.0 * big, 1.0);
}

class PixelMappingTest : public LoadedFlow {
protected:
    // An offset grid with different extents in x (7) and y (2.5), unevenly spaced.
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(
            Load(MakeFlow({-2.0f, -1.0f, 0.5f, 5.0f}, {1.0f, 1.5f, 3.5f}, [](float, float) {
                return std::pair{1.0f, 0.0f};
            })));
    }
};

TEST_F(PixelMappingTest, CornersOfTheGridAreCornersOfTheRaster) {
    FlowScene& s = Scene();
    EXPECT_EQ(s.WorldToPixel({-2.0f, 1.0f}), (PixelPoint{0, 0}));
    EXPECT_EQ(s.WorldToPixel({5.0f, 3.5f}), (PixelPoint{349, 559}));
    EXPECT_EQ(s.PixelToWorld(0, 0), (GridNode{-2.0f, 1.0f}));
    // Left of and below the first node.
    const PixelPoint outside = s.WorldToPixel({-2.5f, 0.5f});
    EXPECT_LT(outside.x, 0);
    EXPECT_LT(outside.y, 0);
    // Half a pixel from the origin rounds away from it, on both sides.
    EXPECT_EQ(s.WorldToPixel({-2.0f + 0.51f * s.m_fInvScaleX, 1.0f - 0.51f * s.m_fInvScaleY}),
              (PixelPoint{1, -1}));
}

TEST_F(PixelMappingTest, PixelToWorldInvertsWorldToPixelOnEveryRasterPixel) {
    FlowScene& s = Scene();
    for (int y = 0; y < 560; ++y)
        for (int x = 0; x < 350; ++x)
            ASSERT_EQ(s.WorldToPixel(s.PixelToWorld(x, y)), (PixelPoint{x, y})) << x << "," << y;
}

TEST_F(PixelMappingTest, PointsFarOutsideSaturateInsteadOfOverflowing) {
    FlowScene& s = Scene();
    const PixelPoint far = s.WorldToPixel({1e30f, -1e30f});
    EXPECT_EQ(far.x, std::numeric_limits<int>::max());
    EXPECT_EQ(far.y, std::numeric_limits<int>::min());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(IsInRaster(s.WorldToPixel({nan, nan}).x, 0));
}

}  // namespace
