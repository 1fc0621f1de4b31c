#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "sampling/interpolation.h"
#include "sampling/raster_ops.h"
#include "scene/scene_settings.h"
#include "tests/support/loaded_scene.h"

namespace {

using testsupport::Axis;
using testsupport::LoadedScene;
using testsupport::MakeRectilinear;
using testsupport::NodeValues;

std::vector<float> Copy(const std::unique_ptr<float[]>& raster) {
    return std::vector<float>(raster.get(), raster.get() + kRasterSize);
}

class BackgroundRasterTest : public LoadedScene {
protected:
    // A field with structure in every component, on a stretched grid that does not start at 0.
    void LoadVariedField() {
        std::vector<float> xs{2.0f}, ys{-7.0f};
        for (int i = 1; i < 19; ++i) xs.push_back(xs.back() + 0.1f * static_cast<float>(i));
        for (int j = 1; j < 31; ++j) ys.push_back(ys.back() + (j % 4 == 0 ? 1.5f : 0.4f));
        ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(xs, ys, 1, [](float x, float y) {
            return NodeValues{x * x - y, 0.5f * y + std::sin(x), 40.0f - x * y, std::cos(x) * y};
        })));
        Scene().BuildRasters();
        ASSERT_TRUE(Scene().HasDataSet());
    }
};

TEST_F(BackgroundRasterTest, FirstPixelHoldsTheFirstNodesValues) {
    ASSERT_NO_FATAL_FAILURE(LoadVariedField());
    FlowScene& s = Scene();
    EXPECT_EQ(s.m_pRasterU[0], s.m_pU[0]);
    EXPECT_EQ(s.m_pRasterV[0], s.m_pV[0]);
    EXPECT_FLOAT_EQ(s.m_pRasterSpeed[0], std::hypot(s.m_pU[0], s.m_pV[0]));

    // Pressure and vorticity are shifted by their raster minimum, which ResampleField reports.
    for (const float* field : {s.m_pP.get(), s.m_pW.get()}) {
        std::vector<float> raw(kRasterSize);
        float lo = 0, hi = 0;
        s.ResampleField(field, raw.data(), lo, hi);
        EXPECT_EQ(raw[0], field[0]);
        EXPECT_EQ(lo, *std::min_element(raw.begin(), raw.end()));
        EXPECT_EQ(hi, *std::max_element(raw.begin(), raw.end()));
        const float* shifted = field == s.m_pP.get() ? s.m_pRasterP.get() : s.m_pRasterW.get();
        EXPECT_EQ(shifted[0], raw[0] - lo);
        EXPECT_EQ(*std::min_element(shifted, shifted + kRasterSize), 0.0f);
        for (std::size_t k = 0; k < kRasterSize; ++k)
            ASSERT_FLOAT_EQ(shifted[k], raw[k] - lo) << "pixel " << k;
    }
}

TEST_F(BackgroundRasterTest, RasterStepsAreFractionsOfTheExtent) {
    ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(Axis(11, 0, 100), Axis(21, 0, 200), 1, [](float x, float y) {
        return NodeValues{x, y, 0, 0};
    })));
    FlowScene& s = Scene();
    s.BuildRasters();
    for (int r = 0; r < kRasterHeight; ++r)
        for (int c = 0; c < kRasterWidth; ++c) {
            const std::size_t k = static_cast<std::size_t>(r * kRasterWidth + c);
            ASSERT_NEAR(s.m_pRasterU[k], 100.0 * c / 350.0, 2e-3) << "pixel (" << c << ", " << r << ")";
            ASSERT_NEAR(s.m_pRasterV[k], 200.0 * r / 560.0, 4e-3) << "pixel (" << c << ", " << r << ")";
        }
    EXPECT_NEAR(s.m_pRasterU[349], 99.714, 2e-3);
    EXPECT_LT(s.m_pRasterU[349], 100.0f);
    EXPECT_LT(s.m_pRasterV[kRasterSize - 1], 200.0f);
}

// Against a piecewise-bilinear reference that finds each sample's cell by sorted search. The
// sample positions follow the raster's own stepping (single-precision sums of the steps), and
// the field is curved, so a sample taken in the wrong cell shows.
TEST_F(BackgroundRasterTest, ResampledFieldMatchesAnIndependentInterpolation) {
    std::vector<float> xs{-40.0f}, ys{3.0f};
    for (int i = 1; i < 40; ++i) xs.push_back(xs.back() + (i < 10 ? 0.2f : i < 30 ? 3.0f : 0.7f));
    for (int j = 1; j < 60; ++j) ys.push_back(ys.back() + 0.01f * static_cast<float>(j * j));
    const auto f = [](float x, float y) { return 0.5f * x * x + 20.0f * std::sqrt(y); };
    ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(xs, ys, 1, [&](float x, float y) {
        return NodeValues{f(x, y), 0, 0, 0};
    })));
    FlowScene& s = Scene();
    std::vector<float> out(kRasterSize);
    float lo = 0, hi = 0;
    s.ResampleField(s.m_pU.get(), out.data(), lo, hi);

    const float dx = (xs.back() - xs.front()) * 0.0028571428f;
    const float dy = (ys.back() - ys.front()) * 0.0017857143f;
    const auto cell = [](const std::vector<float>& axis, float p) {
        const auto it = std::upper_bound(axis.begin(), axis.end(), p);
        return static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(
            it - axis.begin() - 1, 0, static_cast<std::ptrdiff_t>(axis.size()) - 2));
    };
    float y = ys.front();
    for (int r = 0; r < kRasterHeight; ++r, y += dy) {
        float x = xs.front();
        for (int c = 0; c < kRasterWidth; ++c, x += dx) {
            const std::size_t i = cell(xs, x), j = cell(ys, y);
            const double sx = (double{x} - xs[i]) / (double{xs[i + 1]} - xs[i]);
            const double ty = (double{y} - ys[j]) / (double{ys[j + 1]} - ys[j]);
            const double expected = (1 - ty) * ((1 - sx) * f(xs[i], ys[j]) + sx * f(xs[i + 1], ys[j])) +
                                    ty * ((1 - sx) * f(xs[i], ys[j + 1]) + sx * f(xs[i + 1], ys[j + 1]));
            ASSERT_NEAR(out[static_cast<std::size_t>(r * kRasterWidth + c)], expected,
                        2e-5 * (1 + std::abs(expected)))
                << "pixel (" << c << ", " << r << ")";
        }
    }
}

// Exactly where the raster samples: at single-precision sums of steps of extent times the
// float nearest 1/350 (1/560 upwards), not at multiples of the step, and not with the steps
// taken in double. Over many extents each of those alternatives moves some samples, which a
// field that changes across every pixel shows at once.
TEST_F(BackgroundRasterTest, SamplesLieAtRepeatedSumsOfTheSingleStep) {
    int doubleStepDiffersX = 0, doubleStepDiffersY = 0, multiplesDiffer = 0;
    for (int k = 0; k < 40; ++k) {
        const float width = 0.5f + 0.173f * static_cast<float>(k * k),
                    height = 2.0f + 0.611f * static_cast<float>(k);
        const std::vector<float> xs = Axis(7, 3.0f, 3.0f + width), ys = Axis(5, -1.0f, -1.0f + height);
        ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(xs, ys, 1, [](float x, float y) {
            return NodeValues{x * x, y * y * y, 0, 0};
        })));
        FlowScene& s = Scene();
        std::vector<float> u(kRasterSize), v(kRasterSize);
        float lo = 0, hi = 0;
        s.ResampleField(s.m_pU.get(), u.data(), lo, hi);
        s.ResampleField(s.m_pV.get(), v.data(), lo, hi);
        const float dx = s.m_fExtentX * 0.0028571428f, dy = s.m_fExtentY * 0.0017857143f;
        doubleStepDiffersX += dx != static_cast<float>(s.m_fExtentX * (1.0 / 350.0)) ? 1 : 0;
        doubleStepDiffersY += dy != static_cast<float>(s.m_fExtentY * (1.0 / 560.0)) ? 1 : 0;
        // The value in the cell that holds P along AXIS, as the walk finds it: it moves on
        // only past a cell's far line.
        const auto along = [](const std::vector<float>& axis, float p) {
            std::size_t i = 0;
            while (i + 2 < axis.size() && p > axis[i + 1]) ++i;
            return i;
        };
        float x = xs.front();
        for (int c = 0; c < kRasterWidth; ++c, x += dx) {
            multiplesDiffer += x != xs.front() + static_cast<float>(c) * dx ? 1 : 0;
            const std::size_t i = along(xs, x);
            const auto expected = static_cast<float>(
                InterpolateInCell(x, ys[0], xs[i], ys[0], xs[i + 1], ys[1], xs[i] * xs[i],
                                  xs[i + 1] * xs[i + 1], xs[i] * xs[i], xs[i + 1] * xs[i + 1]));
            ASSERT_EQ(u[static_cast<std::size_t>(c)], expected) << "extent " << width << ", column " << c;
        }
        float y = ys.front();
        for (int r = 0; r < kRasterHeight; ++r, y += dy) {
            const std::size_t j = along(ys, y);
            const float a = ys[j] * ys[j] * ys[j], b = ys[j + 1] * ys[j + 1] * ys[j + 1];
            const auto expected =
                static_cast<float>(InterpolateInCell(xs[0], y, xs[0], ys[j], xs[1], ys[j + 1], a, a, b, b));
            ASSERT_EQ(v[static_cast<std::size_t>(r) * kRasterWidth], expected)
                << "extent " << height << ", row " << r;
        }
    }
    // The alternatives really differ here, so the exact matches above tell them apart.
    EXPECT_GE(doubleStepDiffersX, 3);
    EXPECT_GE(doubleStepDiffersY, 2);
    EXPECT_GT(multiplesDiffer, 0);
}

TEST_F(BackgroundRasterTest, ConstantFieldsGiveBlackImages) {
    FlowScene& s = Scene();
    for (int background : {0, 1}) {
        SCOPED_TRACE(background);
        s.m_nBackground = background;
        ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(Axis(5, 0, 1), Axis(7, 0, 2), 1, [](float x, float y) {
            return NodeValues{0, 0, 101325.0f, x + y};
        })));
        s.BuildRasters();
        EXPECT_TRUE(std::all_of(s.m_pRasterP.get(), s.m_pRasterP.get() + kRasterSize,
                                [](float v) { return v == 0; }));
        EXPECT_TRUE(std::all_of(s.m_pRasterSpeed.get(), s.m_pRasterSpeed.get() + kRasterSize,
                                [](float v) { return v == 0; }));
        EXPECT_TRUE(std::all_of(s.m_pImage.get(), s.m_pImage.get() + kImageBytes,
                                [](std::uint8_t b) { return b == 0; }));
    }
    // The vorticity varies, so its picture is not black.
    s.m_nBackground = 2;
    s.ColourBackground();
    EXPECT_TRUE(
        std::any_of(s.m_pImage.get(), s.m_pImage.get() + kImageBytes, [](std::uint8_t b) { return b != 0; }));
}

TEST_F(BackgroundRasterTest, EachBackgroundHasItsChannelAndFullRange) {
    FlowScene& s = Scene();
    s.m_nBackground = 1;
    ASSERT_NO_FATAL_FAILURE(LoadVariedField());
    // The first image already shows the chosen field: pressure, in red.
    const std::vector<std::uint8_t> firstImage(s.m_pImage.get(), s.m_pImage.get() + kImageBytes);
    const float* rasters[] = {s.m_pRasterSpeed.get(), s.m_pRasterP.get(), s.m_pRasterW.get()};
    for (int background : {0, 1, 2}) {
        SCOPED_TRACE(background);
        s.m_nBackground = background;
        s.ColourBackground();
        const float* r = rasters[background];
        const auto largest = std::max_element(r, r + kRasterSize);
        const double perUnit = 255.0 / *largest;
        const std::uint8_t* image = s.m_pImage.get();
        std::size_t lit = 0;
        for (std::size_t k = 0; k < kRasterSize; ++k) {
            const std::uint8_t R = image[3 * k], G = image[3 * k + 1], B = image[3 * k + 2];
            const std::uint8_t t = background == 0 ? G : R;
            const bool onlyItsChannel = background == 0   ? R == 0 && B == 0
                                        : background == 1 ? G == 0 && B == 0
                                                          : R == G && G == B;
            ASSERT_TRUE(onlyItsChannel) << "pixel " << k << ": " << int{R} << " " << int{G} << " " << int{B};
            // Truncated: never above the exact scaled value, never a whole step below it.
            const double exact = r[k] * perUnit;
            ASSERT_LE(t, exact + 1e-3) << "pixel " << k;
            ASSERT_GT(t, exact - 1.0 - 1e-3) << "pixel " << k;
            lit += t != 0;
        }
        EXPECT_GT(lit, kRasterSize / 2);
        const std::size_t top = static_cast<std::size_t>(largest - r);
        const std::uint8_t topValue = image[3 * top + (background == 0 ? 1 : 0)];
        EXPECT_TRUE(topValue == 254 || topValue == 255) << int{topValue};
        if (background == 1) {
            EXPECT_EQ(std::memcmp(firstImage.data(), image, kImageBytes), 0);
        }
    }
    // Shifted fields reach 0 at their minimum.
    s.m_nBackground = 1;
    s.ColourBackground();
    const std::size_t bottom =
        static_cast<std::size_t>(std::min_element(rasters[1], rasters[1] + kRasterSize) - rasters[1]);
    EXPECT_EQ(s.m_pImage[3 * bottom], 0);
}

TEST_F(BackgroundRasterTest, RecolouringRepeatsAndLeavesTheRastersAlone) {
    ASSERT_NO_FATAL_FAILURE(LoadVariedField());
    FlowScene& s = Scene();
    s.m_nBackground = 2;
    const std::vector<float> before[] = {Copy(s.m_pRasterU), Copy(s.m_pRasterV), Copy(s.m_pRasterSpeed),
                                         Copy(s.m_pRasterP), Copy(s.m_pRasterW)};
    s.ColourBackground();
    const std::vector<std::uint8_t> first(s.m_pImage.get(), s.m_pImage.get() + kImageBytes);
    s.m_nBackground = 0;
    s.ColourBackground();
    s.m_nBackground = 2;
    s.ColourBackground();
    EXPECT_EQ(std::memcmp(first.data(), s.m_pImage.get(), kImageBytes), 0);
    const std::vector<float> after[] = {Copy(s.m_pRasterU), Copy(s.m_pRasterV), Copy(s.m_pRasterSpeed),
                                        Copy(s.m_pRasterP), Copy(s.m_pRasterW)};
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(std::memcmp(before[n].data(), after[n].data(), kRasterSize * sizeof(float)), 0) << n;
}

TEST_F(BackgroundRasterTest, NegativeAndMissingValuesColourBlack) {
    ASSERT_NO_FATAL_FAILURE(LoadVariedField());
    FlowScene& s = Scene();
    std::vector<float> r(kRasterSize, 0.0f);
    const float values[] = {-1.0f, std::numeric_limits<float>::quiet_NaN(), -0.0f, 5.0f, 10.0f, 0.039f};
    std::copy(std::begin(values), std::end(values), r.begin());
    s.m_nBackground = 2;
    s.ColourImage(r.data(), 25.5f);
    const std::uint8_t expected[] = {0, 0, 0, 127, 255, 0};
    for (std::size_t k = 0; k < std::size(expected); ++k) {
        EXPECT_EQ(s.m_pImage[3 * k], expected[k]) << "value " << values[k];
        EXPECT_EQ(s.m_pImage[3 * k + 2], expected[k]) << "value " << values[k];
    }
}

// One value that is not finite, anywhere, leaves the rest of the picture as it would be: the
// range and scale come from the finite pixels, and only the pixels that are not finite go black.
TEST_F(BackgroundRasterTest, NonFiniteNodesBlackenOnlyTheirOwnPixels) {
    static constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    static constexpr float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        int background;
        NodeValues (*at)(float x, float y);
    };
    const Case cases[] = {
        {"NaN speed at node 0", 0,
         [](float x, float y) {
             return NodeValues{x + y == 0 ? nan : x, y, 1, 1};
         }},
        {"one infinite vorticity", 2,
         [](float x, float y) {
             return NodeValues{1, 1, 1, x == 2 && y == 3 ? inf : x * y};
         }},
        {"pressure of +-3e38", 1,
         [](float x, float y) {
             return NodeValues{1, 1, x < 2 ? -3e38f : 3e38f * (y / 6), 0};
         }},
        {"minus infinity pressure at node 0", 1,
         [](float x, float y) {
             return NodeValues{1, 1, x + y == 0 ? -inf : x - y, 0};
         }},
    };
    FlowScene& s = Scene();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        s.m_nBackground = c.background;
        ASSERT_NO_FATAL_FAILURE(Load(MakeRectilinear(Axis(5, 0, 4), Axis(7, 0, 6), 1, c.at)));
        s.BuildRasters();
        const float* r = c.background == 0   ? s.m_pRasterSpeed.get()
                         : c.background == 1 ? s.m_pRasterP.get()
                                             : s.m_pRasterW.get();
        double largest = -inf;
        for (std::size_t k = 0; k < kRasterSize; ++k)
            if (std::isfinite(r[k])) largest = std::max(largest, static_cast<double>(r[k]));
        ASSERT_GT(largest, 0.0);
        const std::uint8_t* image = s.m_pImage.get();
        std::size_t lit = 0, notFinite = 0;
        for (std::size_t k = 0; k < kRasterSize; ++k) {
            const std::uint8_t t = image[3 * k + (c.background == 0 ? 1 : 0)];
            if (!std::isfinite(r[k])) {
                ++notFinite;
                ASSERT_EQ(t, 0) << "pixel " << k;
                continue;
            }
            const double exact = std::max(0.0, r[k] * (255.0 / largest));
            ASSERT_LE(t, exact + 1e-3) << "pixel " << k;
            ASSERT_GT(t, exact - 1.0 - 1e-3) << "pixel " << k;
            lit += t != 0;
        }
        EXPECT_GT(lit, kRasterSize / 4);
        EXPECT_LT(notFinite, kRasterSize / 4);
    }
}

// The placement's rasters alone are those of the whole picture, bit for bit: in the classic view,
// in a window (the axes worked out once) and in a picture of its own size and proportions.
TEST_F(BackgroundRasterTest, FlowRastersAreThoseOfThePicture) {
    ASSERT_NO_FATAL_FAILURE(LoadVariedField());
    FlowScene& s = Scene();
    struct View {
        PictureSize size;
        WorldWindow window;
        std::int32_t aspect;
    };
    const View views[] = {{PictureSize{}, WorldWindow{}, kAspectStretch},
                          {PictureSize{}, WorldWindow{2.5, 3.5, -6.0, 0.0}, kAspectStretch},
                          {PictureSize{97, 61, 0}, WorldWindow{1.0, 9.0, -9.0, 20.0}, kAspectEqual}};
    for (const View& view : views) {
        DrawSettings d;
        d.size = view.size;
        d.window = view.window;
        d.aspect = view.aspect;
        ApplyDrawSettings(s, d);
        if (s.ViewChanged()) s.ApplyView();
        s.BuildRasters();
        const std::size_t bytes = s.Raster().Pixels() * sizeof(float);
        const auto held = [&] {
            std::vector<char> all(3 * bytes);
            std::memcpy(all.data(), s.m_pRasterU.get(), bytes);
            std::memcpy(all.data() + bytes, s.m_pRasterV.get(), bytes);
            std::memcpy(all.data() + 2 * bytes, s.m_pRasterSpeed.get(), bytes);
            return all;
        };
        const std::vector<char> picture = held();
        s.BuildFlowRasters();
        EXPECT_TRUE(held() == picture) << view.size.width << " x " << view.size.height;
        EXPECT_FALSE(s.m_pRasterP || s.m_pRasterW);
    }
}

TEST(RasterOpsTest, SpeedMaximumAndShift) {
    // 3e20 squared overflows a float; the speed is formed in double.
    const float u[] = {3, 3e20f, 0, -6, 99};
    const float v[] = {4, 4e20f, 0, 8, 99};
    float speed[] = {-1, -1, -1, -1, -1};
    EXPECT_EQ(ComputeSpeed(u, v, speed, 2, 2), speed);
    EXPECT_EQ(speed[0], 5.0f);
    EXPECT_EQ(speed[1], 5e20f);
    EXPECT_EQ(speed[2], 0.0f);
    EXPECT_EQ(speed[3], 10.0f);
    EXPECT_EQ(speed[4], -1.0f);  // beyond width * height: untouched

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float r[] = {-2, nan, -1, 7, 3, 100};
    EXPECT_EQ(RasterMax(r, 5, 1), 7.0);
    EXPECT_EQ(RasterMax(r, 1, 1), -2.0);
    const float inf = std::numeric_limits<float>::infinity();
    const float startsNaN[] = {nan, 1, 2, inf};
    EXPECT_EQ(RasterMax(startsNaN, 4, 1), 2.0) << "the largest finite value";
    const float noNumber[] = {nan, inf, -inf};
    EXPECT_TRUE(std::isnan(RasterMax(noNumber, 3, 1)));
    const float big = std::numeric_limits<float>::max();
    float wide[] = {3e38f, -3e38f, inf, nan};
    AddConstant(wide, 3e38f, 4, 1);
    EXPECT_EQ(wide[0], big) << "finite values that overflow stay the largest float";
    EXPECT_EQ(wide[1], 0.0f);
    EXPECT_EQ(wide[2], inf);
    EXPECT_TRUE(std::isnan(wide[3]));

    float shifted[] = {1.5f, -2.0f, 4.0f};
    EXPECT_EQ(AddConstant(shifted, 2.0f, 2, 1), shifted);
    EXPECT_EQ(shifted[0], 3.5f);
    EXPECT_EQ(shifted[1], 0.0f);
    EXPECT_EQ(shifted[2], 4.0f);
}

}  // namespace
