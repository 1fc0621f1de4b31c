// Equal proportions: one scale for both axes, the data centred, and everything that maps
// between world and pixels following, while the classic stretched mapping stays as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "streamlines/pixel_mapping.h"
#include "tests/support/test_support.h"

namespace {

using testsupport::Axis;
using testsupport::MakeRectilinear;
using testsupport::NodeValues;

// A uniform stream on a wide 100 x 20 rectangle with a still disc of radius 6 around (60, 8).
DataSetArrays WideStreamWithDisc() {
    return MakeRectilinear(Axis(201, 0.0f, 100.0f), Axis(41, -2.0f, 18.0f), 1, [](float x, float y) {
        const bool inside = std::hypot(x - 60.0f, y - 8.0f) < 6.0f;
        return NodeValues{inside ? 0.0f : 1.0f, inside ? 0.0f : 0.2f, x, y};
    });
}

class Aspect : public ::testing::Test {
protected:
    void Open(const DataSetArrays& data, int aspect) {
        f.scene.SetFixedSeed(5);
        f.scene.m_modes.aspect = aspect;
        f.scene.OpenDataSet(testsupport::WriteDataSet(dir, "flow" + std::to_string(opens++), data));
        ASSERT_TRUE(f.scene.HasDataSet());
    }
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
    FlowScene& s = f.scene;
    int opens = 0;
};

TEST_F(Aspect, OneScaleTheDataCentredAndWorldAndPixelInverse) {
    ASSERT_NO_FATAL_FAILURE(Open(WideStreamWithDisc(), kAspectEqual));
    EXPECT_EQ(s.m_nMappedAspect, kAspectEqual);
    EXPECT_EQ(s.m_fScaleX, 3.49f);
    EXPECT_EQ(s.m_fScaleY, s.m_fScaleX);
    // 20 units are 70 pixels tall; (559 - 69.8) / 2 pixels are left below and above.
    EXPECT_EQ(s.m_dOffsetX, 0);
    EXPECT_EQ(s.m_dOffsetY, 245);
    EXPECT_EQ(s.WorldToPixel({0.0f, -2.0f}), (PixelPoint{0, 245}));
    EXPECT_EQ(s.WorldToPixel({100.0f, 18.0f}), (PixelPoint{349, 315}));
    for (int y = 0; y < kRasterHeight; y += 3)
        for (int x = 0; x < kRasterWidth; x += 2)
            ASSERT_EQ(s.WorldToPixel(s.PixelToWorld(x, y)), (PixelPoint{x, y}));

    // A tall grid is centred across instead.
    ASSERT_NO_FATAL_FAILURE(
        Open(MakeRectilinear(Axis(11, 0.0f, 10.0f), Axis(41, 0.0f, 40.0f)), kAspectEqual));
    EXPECT_EQ(s.m_fScaleX, 13.975f);
    EXPECT_EQ(s.m_dOffsetX, 105);
    EXPECT_EQ(s.m_dOffsetY, 0);
}

// The disc's edge, through the world-to-pixel mapping, lies one distance from its centre's
// pixel in every direction with equal proportions, and stretched with the classic.
TEST_F(Aspect, ACircleInTheDataIsRoundInPixels) {
    for (const int aspect : {kAspectEqual, kAspectStretch}) {
        ASSERT_NO_FATAL_FAILURE(Open(WideStreamWithDisc(), aspect));
        const PixelPoint centre = s.WorldToPixel({60.0f, 8.0f});
        double nearest = 1e9, farthest = 0.0;
        for (int degree = 0; degree < 360; degree += 3) {
            const double a = degree * std::numbers::pi / 180.0;
            const PixelPoint p = s.WorldToPixel(
                {static_cast<float>(60.0 + 6.0 * std::cos(a)), static_cast<float>(8.0 + 6.0 * std::sin(a))});
            const double r = std::hypot(p.x - centre.x, p.y - centre.y);
            nearest = std::min(nearest, r);
            farthest = std::max(farthest, r);
        }
        if (aspect == kAspectEqual) {
            // Each end of a radius is rounded to its pixel: up to a pixel and a half off.
            EXPECT_NEAR(nearest, 6.0 * 3.49, 1.5);
            EXPECT_NEAR(farthest, 6.0 * 3.49, 1.5);
        } else {
            EXPECT_GT(farthest / nearest, 7.0) << "the classic picture stretches y by 27.95 / 3.49";
        }
    }
}

// Beside the data nothing is sampled, coloured, seeded, traced or read out.
TEST_F(Aspect, PixelsBesideTheDataAreBlackAndStartNothing) {
    ASSERT_NO_FATAL_FAILURE(Open(WideStreamWithDisc(), kAspectEqual));
    int inData = 0;
    for (int y = 0; y < kRasterHeight; ++y)
        for (int x = 0; x < kRasterWidth; ++x) {
            const std::size_t k = static_cast<std::size_t>(y) * kRasterWidth + static_cast<std::size_t>(x);
            const GridNode w = s.PixelToWorld(x, y);
            const bool in = s.IsPixelInData(x, y);
            ASSERT_EQ(in, s.IsInDomain(w.x, w.y)) << x << ", " << y;
            ASSERT_EQ(in, !std::isnan(s.m_pRasterP[k])) << x << ", " << y;
            // Pressure is x: the raster samples the pixel's own world point.
            if (in) {
                ASSERT_NEAR(s.m_pRasterP[k] + s.m_fRasterMinP, w.x, 1e-3) << x << ", " << y;
            }
            const bool black =
                s.m_pImage[3 * k] == 0 && s.m_pImage[3 * k + 1] == 0 && s.m_pImage[3 * k + 2] == 0;
            // Inside, speed is 0 only on the disc.
            if (!in) {
                ASSERT_TRUE(black) << x << ", " << y;
            }
            inData += in ? 1 : 0;
        }
    EXPECT_GT(inData, 350 * 69);
    EXPECT_LT(inData, 350 * 72);
    EXPECT_EQ(s.ImageScale().high, s.ImageScale().high) << "a range of numbers, not NaN";
    EXPECT_NEAR(s.ImageScale().high, std::hypot(1.0, 0.2), 1e-5);

    // The seeds offered beside a line along the data's lower edge: none below it.
    ASSERT_GT(s.GetStreamlineCount(), 3u);
    Streamline edge;
    for (int x = 10; x < 300; x += 2) edge.AppendPoint(x, static_cast<int>(s.m_dOffsetY) + 1);
    s.AddSeedCandidates(edge);
    ASSERT_GT(s.GetSeedCount(), 100u);
    for (std::size_t i = 0; i < s.GetSeedCount(); ++i)
        EXPECT_TRUE(s.IsPixelInData(s.GetSeed(i).x, s.GetSeed(i).y)) << i;

    EXPECT_EQ(s.AddClickStreamline(100, 100), nullptr);
    EXPECT_EQ(s.m_pClickStreamline, nullptr);
    ASSERT_NE(s.AddClickStreamline(100, 280), nullptr);
    EXPECT_GT(s.m_pClickStreamline->GetCount(), 10u);
}

// Draw switches the proportions, making the rasters anew; switching back gives the opened
// picture bit for bit.
TEST_F(Aspect, DrawSwitchesBothWaysAndTheDesignsPictureComesBack) {
    ASSERT_NO_FATAL_FAILURE(Open(WideStreamWithDisc(), kAspectStretch));
    const std::vector<std::uint8_t> opened(s.m_pImage.get(), s.m_pImage.get() + kImageBytes);
    const std::vector<float> speed(s.m_pRasterSpeed.get(), s.m_pRasterSpeed.get() + kRasterSize);
    const std::size_t lines = s.GetStreamlineCount();

    s.m_modes.aspect = kAspectEqual;
    s.RedrawScene();
    EXPECT_EQ(s.m_nMappedAspect, kAspectEqual);
    EXPECT_TRUE(std::isnan(s.m_pRasterSpeed[0]));
    for (std::size_t i = 0; i < s.GetStreamlineCount(); ++i)
        for (std::size_t j = 0; j < s.StreamlineAt(i).GetCount(); ++j) {
            const PixelPoint p = s.StreamlineAt(i).GetPoint(j);
            // Traced points lie in the data, give or take the rounding at its edge.
            ASSERT_TRUE(s.IsPixelInData(p.x, p.y) || s.IsPixelInData(p.x, p.y + (p.y < 280 ? 1 : -1)))
                << p.x << ", " << p.y;
        }

    s.m_modes.aspect = kAspectStretch;
    s.RedrawScene();
    EXPECT_EQ(s.m_nMappedAspect, kAspectStretch);
    EXPECT_EQ(s.m_fScaleY, 559.0f / 20.0f);
    EXPECT_TRUE(std::equal(opened.begin(), opened.end(), s.m_pImage.get()));
    EXPECT_EQ(std::memcmp(speed.data(), s.m_pRasterSpeed.get(), kRasterSize * sizeof(float)), 0);
    EXPECT_EQ(s.GetStreamlineCount(), lines);
}

// The measured cylinder wake of tests/data/realdata: the cylinder holds zero velocity, and its
// still pixels span as many columns as rows only with equal proportions.
TEST_F(Aspect, TheRealCylinderIsRoundOnlyWithEqualProportions) {
    for (const int aspect : {kAspectEqual, kAspectStretch}) {
        s.m_modes.aspect = aspect;
        s.OpenDataSet(TESMORA_REALDATA_DIR "/karman_piv.gri");
        ASSERT_TRUE(s.HasDataSet());
        // The still region around the cylinder's centre, grown pixel by pixel.
        const PixelPoint c = s.WorldToPixel({724.0f, 207.0f});
        std::vector<bool> seen(kRasterSize, false);
        std::vector<PixelPoint> todo{c};
        int left = c.x, right = c.x, bottom = c.y, top = c.y;
        while (!todo.empty()) {
            const PixelPoint p = todo.back();
            todo.pop_back();
            if (!IsInRaster(p.x, p.y)) continue;
            const std::size_t k =
                static_cast<std::size_t>(p.y) * kRasterWidth + static_cast<std::size_t>(p.x);
            if (seen[k] || s.m_pRasterSpeed[k] != 0.0f) continue;
            seen[k] = true;
            left = std::min(left, p.x), right = std::max(right, p.x);
            bottom = std::min(bottom, p.y), top = std::max(top, p.y);
            for (const PixelPoint d :
                 {PixelPoint{1, 0}, PixelPoint{-1, 0}, PixelPoint{0, 1}, PixelPoint{0, -1}})
                todo.push_back({p.x + d.x, p.y + d.y});
        }
        const double across = right - left + 1, up = top - bottom + 1;
        SCOPED_TRACE(::testing::Message() << "still pixels " << across << " x " << up);
        EXPECT_GT(across, 30.0);
        if (aspect == kAspectEqual) {
            EXPECT_NEAR(up / across, 1.0, 0.08);
        } else {
            EXPECT_NEAR(up / across, 3.2, 0.3);
        }
    }
}

}  // namespace
