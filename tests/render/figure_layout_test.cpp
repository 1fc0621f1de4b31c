// The axes of a figure without a font: ticks at round values of the data's coordinates where
// the pixels show them, with labels that read back as their values and keep clear of each other.
#include "render/figure_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace {

// The value a label stands for, with a true minus sign and a decimal point or comma.
double Parse(std::string text) {
    const std::string minus = "\u2212";
    const bool negative = text.rfind(minus, 0) == 0;
    if (negative) text.erase(0, minus.size());
    for (char& c : text)
        if (c == ',') c = '.';
    return (negative ? -1.0 : 1.0) * std::stod(text);
}

// Over scales of every magnitude and offset, both axes and both notations: every tick is a
// multiple of one step of 1, 2 or 5 times a power of ten, stands where the scale puts its value,
// inside the axis, reads back from its label, and keeps its neighbours' labels clear; an axis
// long enough has at least two.
TEST(FigureLayout, AxisTicksOverManyScales) {
    std::mt19937 random(27);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> power(-6, 6), length(32, 2000);
    int many = 0;
    for (int n = 0; n < 4000; ++n) {
        const double perPixel = std::pow(10.0, power(random) + unit(random));
        const int pixels = length(random);
        // Offsets from none to far beyond the extent, as a UTM grid has them.
        const double at0 = unit(random) * perPixel * pixels * std::pow(10.0, std::abs(power(random)) / 2);
        const bool alongX = n % 2 == 0, comma = n % 3 == 0;
        const std::vector<AxisTick> ticks = AxisTicks({at0, perPixel}, pixels, alongX, comma);
        const std::string where = "at0 " + std::to_string(at0) + " per pixel " + std::to_string(perPixel) +
                                  " pixels " + std::to_string(pixels);
        if (pixels >= 300) {
            EXPECT_GE(ticks.size(), alongX ? 1u : 2u) << where;
        }
        many += ticks.size() >= 2;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const AxisTick& t = ticks[i];
            EXPECT_GE(t.position, 0.0) << where;
            EXPECT_LE(t.position, pixels) << where;
            EXPECT_NEAR(at0 + (t.position - 0.5) * perPixel, t.value,
                        perPixel * 1e-6 + std::fabs(t.value) * 1e-12)
                << where;
            EXPECT_NEAR(Parse(t.label), t.value, std::fabs(t.value) * 1e-12 + perPixel * 1e-9)
                << t.label << where;
            EXPECT_EQ(t.label.find(comma ? '.' : ','), std::string::npos) << t.label;
            if (i == 0) continue;
            const double step = std::fabs(t.value - ticks[i - 1].value);
            const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
            EXPECT_TRUE(std::fabs(mantissa - 1.0) < 1e-6 || std::fabs(mantissa - 2.0) < 1e-6 ||
                        std::fabs(mantissa - 5.0) < 1e-6)
                << step << " " << where;
            EXPECT_NEAR(std::remainder(t.value, step), 0.0, step * 1e-6) << where;
            const double apart = std::fabs(t.position - ticks[i - 1].position);
            const double labels =
                alongX ? (LabelWidth(t.label) + LabelWidth(ticks[i - 1].label)) / 2.0 + kLabelGapX
                       : kLabelHeight;
            EXPECT_GE(apart, std::max(labels, alongX ? kLeastTickSpacingX : kLeastTickSpacingY)) << where;
        }
    }
    EXPECT_GT(many, 3000);
    for (const double bad : {std::nan(""), HUGE_VAL, 0.0})
        EXPECT_TRUE(AxisTicks({0.0, bad}, 300, true).empty()) << bad;
    EXPECT_TRUE(AxisTicks({NAN, 1.0}, 300, false).empty());
    EXPECT_TRUE(AxisTicks({1e308, 1e306}, 300, false).empty());
}

}  // namespace
