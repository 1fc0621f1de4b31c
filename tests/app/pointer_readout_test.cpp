// The status bar's numbers, against fields whose values are known everywhere.

#include "app/pointer_readout.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/app/app_harness.h"
#include "tests/support/test_support.h"

TEST(PointerReadout, InterpolatesTheSolutionAtThePixel) {
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
    f.scene.OpenDataSet(testsupport::WriteDataSet(dir, "linear", apptest::LinearFlow()));
    ASSERT_TRUE(f.scene.HasDataSet());
    for (const auto& [px, py] : {std::pair{0, 0}, {349, 559}, {123, 456}, {200, 1}}) {
        const std::optional<PointerSample> s = SampleAtPixel(f.scene, px, py);
        ASSERT_TRUE(s.has_value());
        const GridNode world = f.scene.PixelToWorld(px, py);
        EXPECT_EQ(s->x, world.x);
        EXPECT_EQ(s->y, world.y);
        // The fields are linear, which bilinear interpolation reproduces.
        const double u = 1.0 + 0.02 * s->x;
        const double v = 0.5 - 0.01 * s->y;
        EXPECT_NEAR(s->speed, std::sqrt(u * u + v * v), 1e-5);
        EXPECT_NEAR(s->pressure, 3.0 * s->x - s->y, 1e-4);
        EXPECT_NEAR(s->vorticity, 0.25 * s->x + 0.5 * s->y, 1e-4);
    }
}

TEST(PointerReadout, NothingOutsideTheRasterOrWithoutData) {
    testsupport::SceneFixture f;
    EXPECT_FALSE(SampleAtPixel(f.scene, 10, 10).has_value());
    testsupport::TempDir dir;
    f.scene.OpenDataSet(testsupport::WriteDataSet(dir, "linear", apptest::LinearFlow()));
    EXPECT_FALSE(SampleAtPixel(f.scene, -1, 10).has_value());
    EXPECT_FALSE(SampleAtPixel(f.scene, 350, 10).has_value());
    EXPECT_FALSE(SampleAtPixel(f.scene, 10, 560).has_value());
    EXPECT_TRUE(SampleAtPixel(f.scene, 349, 559).has_value());
}

TEST(PointerReadout, NothingBesideTheDataWithEqualProportions) {
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
    f.scene.m_modes.aspect = kAspectEqual;
    // 35 x 28 world units: 349 pixels wide, 279 tall, 140 rows left below and above.
    f.scene.OpenDataSet(testsupport::WriteDataSet(
        dir, "wide",
        testsupport::MakeRectilinear(testsupport::Axis(8, 0.0f, 35.0f), testsupport::Axis(8, 0.0f, 28.0f), 1,
                                     [](float x, float y) {
                                         return testsupport::NodeValues{1.0f, 0.0f, x, y};
                                     })));
    ASSERT_EQ(f.scene.m_dOffsetY, 140);
    EXPECT_FALSE(SampleAtPixel(f.scene, 100, 139).has_value());
    EXPECT_FALSE(SampleAtPixel(f.scene, 100, 420).has_value());
    const std::optional<PointerSample> s = SampleAtPixel(f.scene, 0, 140);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->x, 0.0f) << "the first grid node";
    EXPECT_EQ(s->y, 0.0f);
    EXPECT_NEAR(SampleAtPixel(f.scene, 349, 419)->vorticity, 28.0, 0.05) << "the top row of the data";
}

TEST(PointerReadout, GermanNumbers) {
    const PointerSample s{1.5f, -0.25f, 2.0f, -1234.5f, 0.001f};
    EXPECT_EQ(FormatReadout(s),
              QString::fromUtf8("x = 1,5  y = -0,25    Geschwindigkeit = 2    Druck = -1234,5    "
                                "Wirbelstärke = 0,001"));
}
