// The colour legend without a font: its nice ticks, how it writes numbers, and where its
// marks, labels and colours lie for a given scale.
#include "render/legend_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "render/legend_numbers.h"

namespace {

// The value a legend label stands for, read back from its German text.
double Parse(std::string text, int exponent) {
    const std::string minus = "\u2212";
    bool negative = false;
    if (text.rfind(minus, 0) == 0) {
        negative = true;
        text.erase(0, minus.size());
    }
    for (char& c : text)
        if (c == ',') c = '.';
    return (negative ? -1.0 : 1.0) * std::stod(text) * std::pow(10.0, exponent);
}

// Over ranges of every magnitude and sign: the ticks lie in the range, step evenly by 1, 2, 2.5
// or 5 times a power of ten, are few but not too few, and their labels read back as their values.
TEST(LegendNumbers, NiceTicksOverManyRanges) {
    std::mt19937 random(16);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> power(-7, 7);
    for (int n = 0; n < 3000; ++n) {
        const double scale = std::pow(10.0, power(random));
        double low = mantissa(random) * scale, high = mantissa(random) * scale;
        if (low > high) std::swap(low, high);
        if (n % 5 == 0) low = 0.0, high = std::fabs(high);               // speed
        if (n % 7 == 0) low = -std::fabs(high), high = std::fabs(high);  // symmetric
        if (!(high - low > scale * 1e-3)) continue;
        SCOPED_TRACE(::testing::Message() << "range " << low << " .. " << high);
        const std::vector<double> ticks = NiceTicks(low, high, 7);
        ASSERT_GE(ticks.size(), 2u);
        ASSERT_LE(ticks.size(), 7u);
        const double step = ticks[1] - ticks[0];
        const double power10 = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        const double m = step / power10;
        EXPECT_TRUE(std::fabs(m - 1) < 1e-6 || std::fabs(m - 2) < 1e-6 || std::fabs(m - 2.5) < 1e-6 ||
                    std::fabs(m - 5) < 1e-6)
            << "step " << step;
        // The finest such step: the next finer one would give too many.
        const double finer = power10 * (m < 1.5 ? 0.5 : m < 2.2 ? 1.0 : m < 3.0 ? 2.0 : 2.5);
        EXPECT_GT(std::floor(high / finer + 1e-9) - std::ceil(low / finer - 1e-9) + 1, 7.5)
            << "step " << step;
        const NumberStyle style = StyleFor(std::max(std::fabs(low), std::fabs(high)), step);
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            EXPECT_GE(ticks[i], low - step * 1e-6);
            EXPECT_LE(ticks[i], high + step * 1e-6);
            if (i > 0) {
                EXPECT_NEAR(ticks[i] - ticks[i - 1], step, step * 1e-6);
            }
            EXPECT_NEAR(Parse(FormatNumber(ticks[i], style.exponent, style.decimals), style.exponent),
                        ticks[i], step * 1e-6);
        }
        // The ends keep four significant digits.
        const double largest = std::max(std::fabs(low), std::fabs(high));
        EXPECT_NEAR(Parse(FormatEndValue(high, style.exponent, style.decimals), style.exponent), high,
                    largest * 6e-4);
    }
    EXPECT_TRUE(NiceTicks(1.0, 1.0, 7).empty());
    EXPECT_TRUE(NiceTicks(2.0, 1.0, 7).empty());
    EXPECT_TRUE(NiceTicks(0.0, INFINITY, 7).empty());
    EXPECT_TRUE(NiceTicks(1.0e6, 1.0e6 + 1.0e-9, 7).empty()) << "no ticks finer than the numbers";
}

TEST(LegendNumbers, GermanNotationWithATrueMinusAndAFactorForExtremeMagnitudes) {
    EXPECT_EQ(FormatNumber(-1.25, 0, 2), "\u22121,25");
    EXPECT_EQ(FormatNumber(0.5, 0, 1), "0,5");
    EXPECT_EQ(FormatNumber(-0.0001, 0, 2), "0,00") << "no sign on a zero";
    EXPECT_EQ(FormatNumber(2500.0, 3, 1), "2,5");
    EXPECT_EQ(FormatEndValue(3.84712, 0, 1), "3,847");
    EXPECT_EQ(FormatEndValue(2.5, 0, 1), "2,5") << "zeros the ticks do not need are dropped";
    EXPECT_EQ(FormatEndValue(0.0, 0, 1), "0,0");
    EXPECT_EQ(StyleFor(0.0012, 0.0002).exponent, -3);
    EXPECT_EQ(StyleFor(0.0012, 0.0002).decimals, 1);
    EXPECT_EQ(StyleFor(0.012, 0.002).exponent, 0);
    EXPECT_EQ(StyleFor(0.012, 0.002).decimals, 3);
    EXPECT_EQ(StyleFor(12000.0, 2500.0).exponent, 4);
    EXPECT_EQ(StyleFor(12000.0, 2500.0).decimals, 2);
    EXPECT_EQ(StyleFor(9999.0, 2000.0).exponent, 0);
    EXPECT_EQ(FactorText(-3), "\u00D7 10\u207B\u00B3");
    EXPECT_EQ(FactorText(12), "\u00D7 10\u00B9\u00B2");
}

ColourScale Scale(int field, int map, double low, double high) {
    ColourScale s;
    s.coloured = true;
    s.field = field;
    s.map = map;
    s.low = low;
    s.high = high;
    return s;
}

const LegendText* TextAt(const LegendLayout& layout, double y) {
    for (const LegendText& t : layout.texts)
        if (t.anchor == LegendText::Anchor::kMiddle && std::fabs(t.y - y) < 1e-9) return &t;
    return nullptr;
}

TEST(LegendLayout, EndsAreLabelledTicksKeepClearAndTheBarShowsTheMap) {
    const LegendLayout layout =
        LayOutLegend(Scale(kBackgroundVorticity, kColourMapCoolwarm, -0.5972, 0.5972));
    ASSERT_FALSE(layout.texts.empty());
    EXPECT_EQ(layout.texts[0].utf8, "Wirbelst\u00E4rke");
    ASSERT_GE(layout.marks.size(), 4u);
    const LegendMark& bottom = layout.marks.front();
    const LegendMark& top = layout.marks.back();
    EXPECT_EQ(bottom.value, -0.5972);
    EXPECT_EQ(top.value, 0.5972);
    EXPECT_EQ(bottom.y, layout.barBottom);
    EXPECT_EQ(top.y, layout.barBottom + layout.barHeight);
    ASSERT_NE(TextAt(layout, bottom.y), nullptr);
    EXPECT_EQ(TextAt(layout, bottom.y)->utf8, "\u22120,5972");
    EXPECT_EQ(TextAt(layout, top.y)->utf8, "0,5972");
    double lastLabel = -1e9;
    bool zero = false;
    for (const LegendMark& m : layout.marks) {
        // Every mark sits where its value lies on the bar, and labels never crowd each other.
        EXPECT_NEAR(m.y, layout.barBottom + (m.value + 0.5972) / 1.1944 * layout.barHeight, 1e-9);
        if (!m.labelled) continue;
        EXPECT_GE(m.y - lastLabel, 15.0);
        lastLabel = m.y;
        ASSERT_NE(TextAt(layout, m.y), nullptr);
        zero = zero || TextAt(layout, m.y)->utf8 == "0,0";
    }
    EXPECT_TRUE(zero) << "zero is a tick of a symmetric range";
    ASSERT_EQ(layout.ramp.size(), static_cast<std::size_t>(layout.barHeight));
    for (int row = 0; row < layout.barHeight; row += 7)
        EXPECT_EQ(layout.ramp[static_cast<std::size_t>(row)],
                  MapColour(kColourMapCoolwarm, kBackgroundVorticity, (row + 0.5) / layout.barHeight));
    for (const LegendText& t : layout.texts) {
        EXPECT_GE(t.x, 0.0);
        EXPECT_LE(t.y, kRasterHeight);
    }
}

// In English the legend is the German one with the field's English name, a unit when there is
// one, and decimal points for the commas: the same marks, and texts at the same places.
TEST(LegendLayout, EnglishDiffersFromGermanInTheTitleAndTheDecimalSignAlone) {
    std::mt19937 random(8);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> power(-6, 6), field(kBackgroundSpeed, kBackgroundVorticity),
        map(kColourMapRamp, kColourMapCoolwarm);
    const char* english[] = {"speed", "pressure", "vorticity"};
    for (int n = 0; n < 500; ++n) {
        const double scale = std::pow(10.0, power(random));
        double low = mantissa(random) * scale, high = mantissa(random) * scale;
        if (low > high) std::swap(low, high);
        const ColourScale s = Scale(field(random), map(random), low, high);
        const LegendLayout german = LayOutLegend(s, 400);
        const LegendLayout plain = LayOutLegend(s, 400, false);
        const LegendLayout withUnit = LayOutLegend(s, 400, false, "m/s");
        ASSERT_EQ(german.texts.size(), plain.texts.size());
        EXPECT_EQ(german.marks, plain.marks);
        EXPECT_EQ(german.texts[0].utf8, FieldTitle(s.field));
        EXPECT_EQ(plain.texts[0].utf8, english[s.field]);
        EXPECT_EQ(withUnit.texts[0].utf8, std::string(english[s.field]) + " [m/s]");
        for (std::size_t i = 1; i < german.texts.size(); ++i) {
            if (german.texts[i].utf8 == RangeNote(true)) {
                EXPECT_EQ(plain.texts[i].utf8, RangeNote(false));
                continue;
            }
            std::string expected = german.texts[i].utf8;
            for (char& c : expected)
                if (c == ',') c = '.';
            EXPECT_EQ(plain.texts[i].utf8, expected);
            EXPECT_EQ(plain.texts[i].y, german.texts[i].y);
        }
    }
}

// The ramp spans the picture's values and a table map the data's, so the same field's ends
// differ between them: a table map's legend says which range it shows, in a line under the
// title that moves the bar's top down and changes nothing else; the ramp's legend is as it was.
TEST(LegendLayout, AMapOtherThanTheRampSaysItShowsTheDataRange) {
    std::mt19937 random(31);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> power(-6, 6), field(kBackgroundSpeed, kBackgroundVorticity);
    for (int n = 0; n < 300; ++n) {
        const double scale = std::pow(10.0, power(random));
        double low = mantissa(random) * scale, high = mantissa(random) * scale;
        if (low > high) std::swap(low, high);
        const int f = field(random);
        const bool german = n % 2 == 0;
        const LegendLayout ramp = LayOutLegend(Scale(f, kColourMapRamp, low, high), 400, german);
        for (const int map : {kColourMapViridis, kColourMapCividis, kColourMapCoolwarm}) {
            const LegendLayout table = LayOutLegend(Scale(f, map, low, high), 400, german);
            const bool spans = low < high;
            EXPECT_EQ(table.texts[0], ramp.texts[0]);
            const auto noted =
                std::count_if(table.texts.begin(), table.texts.end(),
                              [&](const LegendText& t) { return t.utf8 == RangeNote(german); });
            EXPECT_EQ(noted, spans ? 1 : 0);
            if (!spans) continue;
            EXPECT_EQ(table.texts[1].utf8, RangeNote(german));
            EXPECT_LT(table.texts[1].y, table.texts[0].y);
            EXPECT_EQ(table.barBottom, ramp.barBottom);
            EXPECT_EQ(table.barHeight, ramp.barHeight - 14);
            // The same ends, labelled, at the ends of the shorter bar.
            ASSERT_GE(table.marks.size(), 2u);
            EXPECT_EQ(table.marks.front().value, ramp.marks.front().value);
            EXPECT_EQ(table.marks.back().value, ramp.marks.back().value);
            EXPECT_EQ(table.marks.back().y, table.barBottom + table.barHeight);
        }
        for (const LegendText& t : ramp.texts) EXPECT_NE(t.utf8, RangeNote(german));
    }
}

TEST(LegendLayout, ConstantAndNonFiniteFieldsAndTheFactorLine) {
    // One value everywhere: one mark, where the map puts it.
    const LegendLayout flat = LayOutLegend(Scale(kBackgroundSpeed, kColourMapRamp, 0.0, 0.0));
    ASSERT_EQ(flat.marks.size(), 1u);
    EXPECT_EQ(flat.marks[0].y, flat.barBottom);
    const LegendLayout flatDiverging = LayOutLegend(Scale(kBackgroundPressure, kColourMapCoolwarm, 0.0, 0.0));
    ASSERT_EQ(flatDiverging.marks.size(), 1u);
    EXPECT_EQ(flatDiverging.marks[0].y, flatDiverging.barBottom + flatDiverging.barHeight / 2.0);
    // Its bar is the one colour the picture shows, not the whole map.
    for (const LegendLayout* layout : {&flat, &flatDiverging})
        EXPECT_EQ(std::count(layout->ramp.begin(), layout->ramp.end(), layout->ramp.front()),
                  static_cast<std::ptrdiff_t>(layout->ramp.size()));
    EXPECT_EQ(flatDiverging.ramp.front(), MapColour(kColourMapCoolwarm, kBackgroundPressure, 0.5));
    // No numbers, no marks, but the title.
    const LegendLayout none = LayOutLegend(Scale(kBackgroundPressure, kColourMapViridis, NAN, NAN));
    EXPECT_TRUE(none.marks.empty());
    ASSERT_EQ(none.texts.size(), 1u);
    EXPECT_EQ(none.texts[0].utf8, "Druck");
    // Tiny values get a factor under the title, and the bar makes room for it.
    const LegendLayout tiny = LayOutLegend(Scale(kBackgroundSpeed, kColourMapViridis, 0.0, 0.00347));
    ASSERT_GE(tiny.texts.size(), 3u);
    EXPECT_EQ(tiny.texts[1].utf8, RangeNote(true));
    EXPECT_EQ(tiny.texts[2].utf8, FactorText(-3));
    EXPECT_LT(tiny.barHeight, flat.barHeight);
    EXPECT_EQ(TextAt(tiny, tiny.marks.back().y)->utf8, "3,47");
}

}  // namespace
