// The 256-entry colour maps and the colouring with them: the tables' shape, and every pixel's
// colour and the recorded scale against the field's own values.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

#include "sampling/colour_tables.h"
#include "tests/support/test_support.h"

namespace {

// CIE L* of an sRGB colour (D65).
double Lightness(const ColourEntry& c) {
    const auto linear = [](std::uint8_t v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const double y = 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2]);
    return y > 0.008856 ? 116.0 * std::cbrt(y) - 16.0 : 903.3 * y;
}

// Lightness grows from entry FROM towards entry TO: over every four entries, and never falls by
// more than the rounding to bytes can make it between neighbours.
::testing::AssertionResult GetsLighter(const ColourEntry* table, int from, int to) {
    const int step = from < to ? 1 : -1;
    for (int i = from + step; i != to + step; i += step) {
        if (Lightness(table[i]) < Lightness(table[i - step]) - 0.1)
            return ::testing::AssertionFailure() << "darker at entry " << i;
        if (i - 4 * step >= std::min(from, to) && i - 4 * step <= std::max(from, to) &&
            !(Lightness(table[i]) > Lightness(table[i - 4 * step]) + 0.3))
            return ::testing::AssertionFailure() << "not lighter over the four entries to " << i;
    }
    return ::testing::AssertionSuccess();
}

TEST(ColourTables, SequentialMapsGetLighterAllTheWay) {
    for (const int map : {kColourMapViridis, kColourMapCividis}) {
        const ColourEntry* table = ColourTable(map);
        ASSERT_NE(table, nullptr);
        EXPECT_TRUE(GetsLighter(table, 0, 255)) << "map " << map;
        EXPECT_GT(Lightness(table[255]) - Lightness(table[0]), 60.0);
    }
    EXPECT_EQ(ColourTable(kColourMapRamp), nullptr);
    EXPECT_EQ(ColourTable(17), nullptr);
}

TEST(ColourTables, CoolToWarmRisesToAGreyMiddleAndFallsAgainEvenly) {
    const ColourEntry* table = ColourTable(kColourMapCoolwarm);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table[0], (ColourEntry{59, 76, 192}));
    EXPECT_EQ(table[255], (ColourEntry{180, 4, 38}));
    EXPECT_TRUE(GetsLighter(table, 0, 120));
    EXPECT_TRUE(GetsLighter(table, 255, 135));
    for (int i = 1; i < 128; ++i) {
        // Equal distances from zero look equally strong on either side.
        EXPECT_NEAR(Lightness(table[i]), Lightness(table[255 - i]), 2.5) << i;
        EXPECT_GT(table[i - 1][2], table[i - 1][0]) << "blue below zero at " << i - 1;
        EXPECT_GT(table[256 - i][0], table[256 - i][2]) << "red above zero at " << 256 - i;
    }
    for (const int middle : {127, 128}) {
        const auto [lo, hi] = std::minmax({table[middle][0], table[middle][1], table[middle][2]});
        EXPECT_LE(hi - lo, 2) << "entry " << middle << " is grey";
    }
}

TEST(ColourTables, PositionsSplitIntoEqualPartsAndClampAtTheEnds) {
    EXPECT_EQ(TableIndex(0.0), 0);
    EXPECT_EQ(TableIndex(-3.0), 0);
    EXPECT_EQ(TableIndex(1.0), 255);
    EXPECT_EQ(TableIndex(7.0), 255);
    EXPECT_EQ(TableIndex(std::numeric_limits<double>::quiet_NaN()), -1);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(TableIndex((i + 0.01) / 256.0), i);
        EXPECT_EQ(TableIndex((i + 0.99) / 256.0), i);
    }
    // The classic ramps truncate the share of 255, in the field's own hue.
    EXPECT_EQ(MapColour(kColourMapRamp, kBackgroundSpeed, 0.5), (ColourEntry{0, 127, 0}));
    EXPECT_EQ(MapColour(kColourMapRamp, kBackgroundPressure, 1.0), (ColourEntry{255, 0, 0}));
    EXPECT_EQ(MapColour(kColourMapRamp, kBackgroundVorticity, 0.2), (ColourEntry{51, 51, 51}));
}

// A flow on a 40 x 64 rectangle whose fields all change sign: speed |x|, pressure 3 + y / 8
// (positive), vorticity x - 10 (from -30 to 10). The node at x = 0 is a raster column only
// by chance, so no pixel is assumed to hit a value exactly.
DataSetArrays SignedFields() {
    using testsupport::Axis;
    return testsupport::MakeRectilinear(
        Axis(41, -20.0f, 20.0f), Axis(65, -32.0f, 32.0f), 1, [](float x, float y) {
            return testsupport::NodeValues{x, 0.0f, 3.0f + y / 8.0f, x - 10.0f};
        });
}

class ColourMapTest : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
};

// Every pixel shows its value's place between the recorded ends; the ends are the field's range
// over the nodes in its own values, and the diverging map's are symmetric about zero.
TEST_P(ColourMapTest, EveryPixelShowsItsValueBetweenTheTrueEnds) {
    const auto [map, field] = GetParam();
    FlowScene& s = f.scene;
    s.m_modes.colourMap = map;
    s.m_nBackground = field;
    s.OpenDataSet(testsupport::WriteDataSet(dir, "signed", SignedFields()));
    ASSERT_TRUE(s.HasDataSet());

    // The values as in the solution file: pressure and vorticity before the rasters' shift.
    std::vector<double> values(kRasterSize);
    for (std::size_t k = 0; k < kRasterSize; ++k)
        values[k] = field == kBackgroundSpeed      ? s.m_pRasterSpeed[k]
                    : field == kBackgroundPressure ? double{s.m_pRasterP[k]} + s.m_fRasterMinP
                                                   : double{s.m_pRasterW[k]} + s.m_fRasterMinW;
    // The nodes span speed 0..20, pressure -1..7 and vorticity -30..10.
    const double nodeLow = field == kBackgroundSpeed ? 0.0 : field == kBackgroundPressure ? -1.0 : -30.0;
    const double nodeHigh = field == kBackgroundSpeed ? 20.0 : field == kBackgroundPressure ? 7.0 : 10.0;
    const ColourScale& scale = s.ImageScale();
    EXPECT_TRUE(scale.coloured);
    EXPECT_EQ(scale.map, map);
    EXPECT_EQ(scale.field, field);
    if (map == kColourMapCoolwarm) {
        EXPECT_DOUBLE_EQ(scale.high, std::max(std::fabs(nodeLow), std::fabs(nodeHigh)));
        EXPECT_EQ(scale.low, -scale.high);
    } else {
        EXPECT_DOUBLE_EQ(scale.low, field == kBackgroundSpeed ? 0.0 : nodeLow);
        EXPECT_DOUBLE_EQ(scale.high, nodeHigh);
    }
    // The picture stays within them.
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    EXPECT_GE(*lo, scale.low);
    EXPECT_LE(*hi, scale.high);

    int checked = 0;
    for (std::size_t k = 0; k < kRasterSize; k += 37) {
        const double t = (values[k] - scale.low) / (scale.high - scale.low);
        // Pixels within rounding of an entry's border may fall either side.
        if (std::fabs(t * 256.0 - std::round(t * 256.0)) < 1e-4) continue;
        const ColourEntry expected = MapColour(map, field, t);
        const ColourEntry shown{s.m_pImage[3 * k], s.m_pImage[3 * k + 1], s.m_pImage[3 * k + 2]};
        ASSERT_EQ(shown, expected) << "pixel " << k << " value " << values[k];
        ++checked;
    }
    EXPECT_GT(checked, 5000);
}

INSTANTIATE_TEST_SUITE_P(
    Maps, ColourMapTest,
    ::testing::Combine(::testing::Values(kColourMapViridis, kColourMapCividis, kColourMapCoolwarm),
                       ::testing::Values(kBackgroundSpeed, kBackgroundPressure, kBackgroundVorticity)));

TEST(ColourMap, ZeroVorticityIsTheGreyMiddleAndNoNumberIsBlack) {
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
    FlowScene& s = f.scene;
    s.m_modes.colourMap = kColourMapCoolwarm;
    s.m_nBackground = kBackgroundVorticity;
    s.OpenDataSet(testsupport::WriteDataSet(dir, "signed", SignedFields()));
    ASSERT_TRUE(s.HasDataSet());
    const ColourEntry* table = ColourTable(kColourMapCoolwarm);
    int nearZero = 0;
    for (std::size_t k = 0; k < kRasterSize; ++k) {
        const double w = double{s.m_pRasterW[k]} + s.m_fRasterMinW;
        // Within half an entry of zero: 30 / 256 either side holds entries 127 and 128.
        if (std::fabs(w) > 0.11) continue;
        ++nearZero;
        const ColourEntry shown{s.m_pImage[3 * k], s.m_pImage[3 * k + 1], s.m_pImage[3 * k + 2]};
        EXPECT_TRUE(shown == table[127] || shown == table[128]) << "pixel " << k << " w " << w;
    }
    EXPECT_GT(nearZero, 100);

    // A pixel that is not a number, however it came about, is black.
    s.m_pRasterW[1234] = std::numeric_limits<float>::quiet_NaN();
    s.ColourBackground();
    EXPECT_EQ(s.m_pImage[3 * 1234] + s.m_pImage[3 * 1234 + 1] + s.m_pImage[3 * 1234 + 2], 0);

    // A field of one value takes the middle of the diverging map and the start of the others.
    for (std::size_t n = 0; n < 41u * 65u; ++n) s.m_pW[n] = 0.0f;
    s.m_pW[5] = std::numeric_limits<float>::infinity();  // not a value a range can span
    s.MeasureNodeRanges();
    EXPECT_EQ(s.FieldRanges().vorticity.high, 0.0);
    for (std::size_t k = 0; k < kRasterSize; ++k) s.m_pRasterW[k] = 0.0f;
    s.m_fRasterMinW = 0.0f;
    s.ColourBackground();
    EXPECT_EQ(s.ImageScale().low, 0.0);
    EXPECT_EQ(s.ImageScale().high, 0.0);
    EXPECT_TRUE(std::equal(s.m_pImage.get(), s.m_pImage.get() + 3, table[128].begin()));
    s.m_modes.colourMap = kColourMapViridis;
    s.ColourBackground();
    EXPECT_TRUE(
        std::equal(s.m_pImage.get(), s.m_pImage.get() + 3, ColourTable(kColourMapViridis)[0].begin()));
}

// The nodes' ranges are those of one pass over the nodes in order, to the bit: at any length
// (lanes, their remainder, parts on threads), with values that are not finite anywhere and
// zeros of both signs at the ends.
TEST(ColourMap, NodeRangesAreThoseOfAPassOverTheNodesInOrder) {
    const float inf = std::numeric_limits<float>::infinity();
    const float pool[] = {0.0f, -0.0f, std::nanf(""), inf, -inf, 3e38f, -2.5f, 1e-40f};
    std::mt19937 random(3);
    std::uniform_int_distribution<int> pick(0, 15);
    std::uniform_real_distribution<float> value(-4.0f, 4.0f);
    for (const std::size_t count : {0u, 1u, 7u, 8u, 9u, 23u, 64u, 2100005u})
        for (int trial = 0; trial < (count > 1000 ? 1 : 30); ++trial) {
            std::vector<float> f[4];
            for (std::vector<float>& field : f) {
                field.resize(count);
                // Mostly one kind per field, so that zeros and non-finite values can be its ends.
                const bool special = trial % 3 != 0;
                for (float& x : field) {
                    const int k = pick(random);
                    x = special && k < 8 ? pool[k] : trial % 3 == 2 ? std::abs(value(random)) : value(random);
                }
            }
            NodeRanges expected;
            for (std::size_t n = 0; n < count; ++n) {
                const double u = f[0][n], v = f[1][n];
                Widen(expected.speed, static_cast<float>(std::sqrt(u * u + v * v)));
                Widen(expected.pressure, f[2][n]);
                Widen(expected.vorticity, f[3][n]);
            }
            const NodeRanges got = MeasureRanges(f[0].data(), f[1].data(), f[2].data(), f[3].data(), count);
            const auto bits = [](const ValueRange& r) {
                return std::pair{std::bit_cast<std::uint64_t>(r.low), std::bit_cast<std::uint64_t>(r.high)};
            };
            EXPECT_EQ(bits(got.speed), bits(expected.speed)) << count << " nodes, trial " << trial;
            EXPECT_EQ(bits(got.pressure), bits(expected.pressure)) << count << " nodes, trial " << trial;
            EXPECT_EQ(bits(got.vorticity), bits(expected.vorticity)) << count << " nodes, trial " << trial;
        }
}

TEST(ColourMap, TheDesignsRampRecordsItsEndsInTheDataValues) {
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
    FlowScene& s = f.scene;
    s.m_nBackground = kBackgroundPressure;
    s.OpenDataSet(testsupport::WriteDataSet(dir, "signed", SignedFields()));
    ASSERT_TRUE(s.HasDataSet());
    EXPECT_EQ(s.ImageScale().map, kColourMapRamp);
    // Black at the smallest pressure, full red at the largest: both as in the file.
    EXPECT_EQ(s.ImageScale().low, s.m_fRasterMinP);
    EXPECT_NEAR(s.ImageScale().high, s.m_fRasterMaxP, 1e-5);
    EXPECT_NEAR(s.ImageScale().low, -1.0, 1e-5);
}

}  // namespace
