// The colours drawn over the maps stand out from every colour of the map they are drawn on.
#include "render/overlay_colours.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "sampling/colour_tables.h"

namespace {

using Lab = std::array<double, 3>;

// CIELAB of an sRGB colour with components 0..1 (D65).
Lab ToLab(double r, double g, double b) {
    const auto linear = [](double s) {
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const double lr = linear(r), lg = linear(g), lb = linear(b);
    const double x = (0.4124 * lr + 0.3576 * lg + 0.1805 * lb) / 0.95047;
    const double y = 0.2126 * lr + 0.7152 * lg + 0.0722 * lb;
    const double z = (0.0193 * lr + 0.1192 * lg + 0.9505 * lb) / 1.08883;
    const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    return {116.0 * f(y) - 16.0, 500.0 * (f(x) - f(y)), 200.0 * (f(y) - f(z))};
}

// The smallest CIE76 difference of a colour from the entries of a table.
double SmallestDifference(const ColourEntry* table, const OverlayColour& c) {
    const Lab a = ToLab(c.r, c.g, c.b);
    double smallest = 1e9;
    for (int i = 0; i < kColourTableSize; ++i) {
        const Lab b = ToLab(table[i][0] / 255.0, table[i][1] / 255.0, table[i][2] / 255.0);
        smallest = std::min(smallest, std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]));
    }
    return smallest;
}

OverlayColour Blend(const OverlayColour& a, const OverlayColour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

TEST(OverlayColours, LinesAndEveryShadeOfTheArrowsStandOutFromTheirMap) {
    for (const int map : {kColourMapViridis, kColourMapCividis, kColourMapCoolwarm}) {
        SCOPED_TRACE(::testing::Message() << "map " << map);
        const ColourEntry* table = ColourTable(map);
        const OverlayColours& c = OverlayColoursFor(map);
        const double line = SmallestDifference(table, c.line);
        EXPECT_GT(line, 45.0);
        EXPECT_GT(line, SmallestDifference(table, kClassicOverlay.line)) << "better than white";
        for (const float t : {0.0f, 0.25f, 0.5f, 0.75f, 1.0f})
            EXPECT_GT(SmallestDifference(table, Blend(c.arrowBase, c.arrowTip, t)), 40.0) << "blend " << t;
        EXPECT_EQ(c.arrowTip.r, c.line.r) << "arrows end in the line colour, as the classic in white";
    }
    // The classic own maps keep white lines and red-to-white arrows.
    const OverlayColours& design = OverlayColoursFor(kColourMapRamp);
    EXPECT_EQ(design.line.r + design.line.g + design.line.b, 3.0f);
    EXPECT_EQ(design.arrowBase.r, 1.0f);
    EXPECT_EQ(design.arrowBase.g + design.arrowBase.b, 0.0f);
}

}  // namespace
