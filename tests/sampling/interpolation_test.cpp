#include "sampling/interpolation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "tests/support/loaded_scene.h"

namespace {

using testsupport::LoadedScene;
using testsupport::MakeRectilinear;
using testsupport::NodeValues;

TEST(BilinearTest, CornersAreExactAndTheBlendIsInDouble) {
    EXPECT_EQ(Bilinear(0, 0, 1.5f, 2.5f, 3.5f, 4.5f), 1.5);
    EXPECT_EQ(Bilinear(1, 0, 1.5f, 2.5f, 3.5f, 4.5f), 2.5);
    EXPECT_EQ(Bilinear(0, 1, 1.5f, 2.5f, 3.5f, 4.5f), 3.5);
    EXPECT_EQ(Bilinear(1, 1, 1.5f, 2.5f, 3.5f, 4.5f), 4.5);
    EXPECT_EQ(Bilinear(0.5f, 0.5f, 1, 2, 3, 4), 2.5);
    // (1e8 + 3) / 4 needs more bits than a float has.
    EXPECT_EQ(Bilinear(0.5f, 0.5f, 1e8f, 1, 1, 1), 25000000.75);
}

TEST(InterpolateInCellTest, LocalCoordinatesAreSinglePrecisionAndNotClamped) {
    // s = 1/3 is rounded to a float before the blend, so the result is not 10^7.
    const double third = static_cast<float>(1.0 / 3.0);
    EXPECT_DOUBLE_EQ(InterpolateInCell(1, 0, 0, 0, 3, 1, 0, 3e7f, 0, 3e7f), third * 3e7);
    EXPECT_NE(InterpolateInCell(1, 0, 0, 0, 3, 1, 0, 3e7f, 0, 3e7f), 1e7);
    // Outside the rectangle the value goes on linearly.
    EXPECT_DOUBLE_EQ(InterpolateInCell(4, 2, 1, 1, 2, 3, 10, 20, 10, 20), 40.0);
    EXPECT_DOUBLE_EQ(InterpolateInCell(1.5f, -1, 1, 1, 2, 3, 0, 0, 8, 8), -8.0);
    // A cell without width has no interpolant.
    EXPECT_TRUE(std::isnan(InterpolateInCell(1, 1, 1, 0, 1, 2, 1, 2, 3, 4)));
}

class SampleVelocityTest : public LoadedScene {};

TEST_F(SampleVelocityTest, SmallGridCellZero) {
    DataSetArrays data = MakeRectilinear({0, 1, 2, 3}, {0, 10, 20}, 2);
    const std::size_t corners[] = {data.Index(0, 0), data.Index(1, 0), data.Index(0, 1), data.Index(1, 1)};
    for (std::size_t n = 0; n < 4; ++n) {
        data.u[corners[n]] = static_cast<float>(n + 1);
        data.v[corners[n]] = -2.0f * static_cast<float>(n + 1);
    }
    // The second plane is never sampled.
    for (int i = 0; i < 4; ++i) data.u[data.Index(i, 0, 1)] = 100.0f;
    ASSERT_NO_FATAL_FAILURE(Load(data));
    const GridNode mid = Scene().SampleVelocity(0.5f, 5.0f);
    EXPECT_FLOAT_EQ(mid.x, 2.5f);
    EXPECT_FLOAT_EQ(mid.y, -5.0f);
    const GridNode origin = Scene().SampleVelocity(0.0f, 0.0f);
    EXPECT_EQ(origin.x, 1.0f);
    EXPECT_EQ(origin.y, -2.0f);
}

// Against a piecewise-bilinear interpolant built independently (cell by sorted search,
// everything in double), on a stretched grid and a field that bilinear cells do not
// reproduce, so that a wrong cell shows as a wrong value.
TEST_F(SampleVelocityTest, MatchesPiecewiseBilinearOnAStretchedGrid) {
    std::vector<float> xs{-3.0f}, ys{5.0f};
    for (int i = 1; i < 25; ++i) xs.push_back(xs.back() + 0.05f * static_cast<float>(i * i));
    for (int j = 1; j < 17; ++j) ys.push_back(ys.back() + (j % 3 == 0 ? 4.0f : 0.25f));
    const auto u = [](double x, double y) { return x * x - 3.0 * y; };
    const auto v = [](double x, double y) { return std::sin(0.3 * x) * y * y * 0.01; };
    ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(xs, ys, 1, [&](float x, float y) {
        return NodeValues{static_cast<float>(u(x, y)), static_cast<float>(v(x, y)), 0, 0};
    })));

    const auto reference = [&](auto f, double x, double y) {
        const auto cell = [](const std::vector<float>& axis, double p) {
            const auto it = std::upper_bound(axis.begin(), axis.end(), p);
            return std::clamp<std::ptrdiff_t>(it - axis.begin() - 1, 0,
                                              static_cast<std::ptrdiff_t>(axis.size()) - 2);
        };
        const auto i = static_cast<std::size_t>(cell(xs, x));
        const auto j = static_cast<std::size_t>(cell(ys, y));
        const double s = (x - xs[i]) / (xs[i + 1] - xs[i]);
        const double t = (y - ys[j]) / (ys[j + 1] - ys[j]);
        const auto at = [&](std::size_t a, std::size_t b) {
            return static_cast<double>(static_cast<float>(f(xs[a], ys[b])));
        };
        return (1 - t) * ((1 - s) * at(i, j) + s * at(i + 1, j)) +
               t * ((1 - s) * at(i, j + 1) + s * at(i + 1, j + 1));
    };

    std::mt19937 rng(3);
    std::uniform_real_distribution<float> px(xs.front(), xs.back());
    std::uniform_real_distribution<float> py(ys.front(), ys.back());
    for (int n = 0; n < 5000; ++n) {
        // Every tenth point lies on a node line.
        const float x = n % 10 == 1 ? xs[static_cast<std::size_t>(n) % xs.size()] : px(rng);
        const float y = n % 10 == 2 ? ys[static_cast<std::size_t>(n) % ys.size()] : py(rng);
        const GridNode sample = Scene().SampleVelocity(x, y);
        const double ru = reference(u, x, y);
        const double rv = reference(v, x, y);
        ASSERT_NEAR(sample.x, ru, 1e-5 * (1 + std::abs(ru))) << "at (" << x << ", " << y << ")";
        ASSERT_NEAR(sample.y, rv, 1e-5 * (1 + std::abs(rv))) << "at (" << x << ", " << y << ")";
    }
}

}  // namespace
