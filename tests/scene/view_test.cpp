// Pictures of any size over any window: the mapping, the rasters and the placements follow the
// view, and the classic picture is what it always was.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/support/test_support.h"

namespace {

using testsupport::Axis;
using testsupport::MakeRectilinear;
using testsupport::NodeValues;

// A landscape field 40 x 10 in its own units, moving everywhere but in a still disc at (12, 5).
DataSetArrays Landscape() {
    return MakeRectilinear(Axis(161, -20.0f, 20.0f), Axis(41, 0.0f, 10.0f), 1, [](float x, float y) {
        const bool still = std::hypot(x - 12.0f, y - 5.0f) < 2.0f;
        return NodeValues{still ? 0.0f : 1.0f, still ? 0.0f : 0.3f * std::sin(y), x, y};
    });
}

class View : public ::testing::Test {
protected:
    void Open(const PictureSize& size, const WorldWindow& window, int aspect, int placement) {
        DrawSettings settings;
        settings.size = size;
        settings.window = window;
        settings.aspect = aspect;
        settings.placement = placement;
        settings.stepPixels = 1.0f;
        ApplyDrawSettings(s, settings);
        s.SetFixedSeed(3);
        s.OpenDataSet(path);
        ASSERT_TRUE(s.HasDataSet());
    }
    testsupport::TempDir dir;
    std::string path = testsupport::WriteDataSet(dir, "landscape", Landscape());
    testsupport::SceneFixture f;
    FlowScene& s = f.scene;
};

// For every size, window, aspect and placement: the rasters have the picture's size, world and
// pixel map onto each other, every placed point lies in the picture, and pixels beside the data
// are black and seed nothing.
TEST_F(View, EverythingFollowsThePicturesSizeAndWindow) {
    const PictureSize sizes[] = {{800, 200, 0}, {64, 300, 0}, {32, 32, 0}, {0, 0, 900}};
    const WorldWindow windows[] = {{}, {-5.0, 15.0, 2.0, 8.0}, {10.0, 30.0, -4.0, 6.0}};
    for (const PictureSize& size : sizes)
        for (const WorldWindow& window : windows)
            for (const int aspect : {kAspectStretch, kAspectEqual})
                for (const int placement : {kPlacementStandard, kPlacementFine}) {
                    SCOPED_TRACE(PictureSizeText(size) + " " + WorldWindowText(window) + " aspect " +
                                 std::to_string(aspect) + " placement " + std::to_string(placement));
                    ASSERT_NO_FATAL_FAILURE(Open(size, window, aspect, placement));
                    const RasterSize r = s.Raster();
                    if (!size.IsAuto()) {
                        EXPECT_EQ(r, (RasterSize{size.width, size.height}));
                    }
                    EXPECT_FALSE(s.IsDesignView());
                    ASSERT_GT(s.GetStreamlineCount(), 0u);
                    for (std::size_t i = 0; i < s.GetStreamlineCount(); ++i)
                        for (std::size_t k = 0; k < s.StreamlineAt(i).GetCount(); ++k) {
                            const PixelPoint p = s.StreamlineAt(i).Data()[k];
                            ASSERT_TRUE(s.IsInPicture(p.x, p.y)) << p.x << "," << p.y;
                        }
                    for (int y = 0; y < r.height; y += 7)
                        for (int x = 0; x < r.width; x += 5) {
                            ASSERT_EQ(s.WorldToPixel(s.PixelToWorld(x, y)), (PixelPoint{x, y}));
                            const bool shown = s.IsPixelInData(x, y);
                            const std::uint8_t* rgb = s.m_pImage.get() + 3 * r.Index(x, y);
                            if (!shown) {
                                ASSERT_EQ(rgb[0] | rgb[1] | rgb[2], 0) << x << "," << y;
                            }
                            // The window's part beyond the data (x > 20, y < 0) shows nothing.
                            const GridNode w = s.PixelToWorld(x, y);
                            if (w.x > 20.5f || w.y < -0.5f) {
                                ASSERT_FALSE(shown) << x << "," << y;
                            }
                        }
                }
}

// The auto size takes the proportions of what is shown, so that with equal scales the data
// fill the picture without a band, and the still disc is round.
TEST_F(View, AnAutomaticSizeHasTheDatasProportionsAndNoBand) {
    for (const WorldWindow& window : {WorldWindow{}, WorldWindow{0.0, 20.0, 0.0, 10.0}}) {
        ASSERT_NO_FATAL_FAILURE(Open({0, 0, 560}, window, kAspectEqual, kPlacementFine));
        const RasterSize r = s.Raster();
        const double shownRatio = window.IsSet() ? 2.0 : 4.0;
        EXPECT_EQ(r.width, 560);
        EXPECT_NEAR(static_cast<double>(r.width - 1) / (r.height - 1), shownRatio, 0.02);
        for (int x = 0; x < r.width; ++x)
            for (const int y : {0, r.height - 1}) ASSERT_TRUE(s.IsPixelInData(x, y)) << x << "," << y;
        for (int y = 0; y < r.height; ++y)
            for (const int x : {0, r.width - 1}) ASSERT_TRUE(s.IsPixelInData(x, y)) << x << "," << y;
        const PixelPoint centre = s.WorldToPixel({12.0f, 5.0f});
        const PixelPoint right = s.WorldToPixel({14.0f, 5.0f}), top = s.WorldToPixel({12.0f, 7.0f});
        EXPECT_NEAR(right.x - centre.x, top.y - centre.y, 1);
    }
}

TEST(PictureSize, TextsReadBackAndAutoKeepsTheProportions) {
    std::string why;
    for (const char* text : {"350x560", "32x8192", "auto", "auto:1000"})
        EXPECT_EQ(PictureSizeText(*ParsePictureSize(text, why)), text);
    for (const char* text : {"31x500", "500x8193", "500", "x", "auto:8", "auto:", "-5x5", "5x5x5", " 50x50"})
        EXPECT_FALSE(ParsePictureSize(text, why)) << text;
    for (const double ratio : {0.001, 0.3, 1.0, 2.5, 1000.0}) {
        const PictureSize r = ResolvedSize({0, 0, 700}, ratio, 1.0);
        EXPECT_EQ(std::max(r.width, r.height), 700);
        EXPECT_GE(std::min(r.width, r.height), kPictureSideMin);
        if (ratio > 0.05 && ratio < 20.0) {
            EXPECT_NEAR(static_cast<double>(r.width - 1) / (r.height - 1), ratio, 0.01 * ratio) << ratio;
        }
    }
    for (const char* text : {"all", "-1.5,2,0,1000", "1e-30,2e-30,5,6"})
        EXPECT_EQ(WorldWindowText(*ParseWorldWindow(text, why)), text);
    for (const char* text : {"0,1,1,1", "1,0,0,1", "0,1,0", "0,1,0,1,2", "0,1,nan,2", "0,inf,0,1", "a,b,c,d"})
        EXPECT_FALSE(ParseWorldWindow(text, why)) << text;
}

}  // namespace
