// The axes of a figure without a font: ticks at round values of the data's coordinates where
// the pixels show them, with labels that read back as their values and keep clear of each other.
#include "render/figure_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "base/field_units.h"
#include "render/legend_drawing.h"
#include "scene/flow_scene.h"
#include "tests/support/test_support.h"

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

// The units a figure's texts show: the file's, those the user names over them, y after x and
// speed after u, and vorticity's derived only where u's unit is x's per second.
TEST(FigureUnits, FromTheFileOrTheOptionAndDerivedOnlyWhereTheyReduce) {
    struct Case {
        FieldLabel x, u, p, w;
        const char* overrides;
        ShownUnits shown;
    };
    const Case cases[] = {
        {{}, {}, {}, {}, "", {}},
        {{"x", "m"}, {"U", "m/s"}, {}, {}, "", {"m", "m", "m/s", "", "1/s"}},
        {{"x", "m"}, {"U", "m/s"}, {"p", "Pa"}, {"w", "1/ms"}, "", {"m", "m", "m/s", "Pa", "1/ms"}},
        {{"x", "m"}, {"U", "m/s"}, {}, {}, "x=mm", {"mm", "mm", "m/s", "", ""}},
        {{}, {}, {}, {}, "x=mm,u=mm/s,p=bar", {"mm", "mm", "mm/s", "bar", "1/s"}},
        {{}, {}, {}, {}, "y=km,u=px/frame", {"", "km", "px/frame", "", ""}},
    };
    for (const Case& c : cases) {
        DataSetNotes notes;
        notes.x = c.x;
        notes.u = c.u;
        notes.p = c.p;
        notes.w = c.w;
        EXPECT_EQ(UnitsShown(notes, c.overrides), c.shown) << c.overrides << " " << c.x.unit;
        EXPECT_EQ(FieldUnit(c.shown, kBackgroundSpeed), c.shown.speed);
        EXPECT_EQ(FieldUnit(c.shown, kBackgroundPressure), c.shown.pressure);
        EXPECT_EQ(FieldUnit(c.shown, kBackgroundVorticity), c.shown.vorticity);
    }
    std::string why;
    EXPECT_TRUE(UnitsReadable("", why));
    EXPECT_TRUE(UnitsReadable("x=m,y=m,u=m/s,v=m/s,p=Pa,w=1/s", why));
    for (const char* bad : {"q=m", "x=", "=m", "x", "x=m,", ",x=m", "x=m,x=mm", "x=m m", "x=\tm"}) {
        why.clear();
        EXPECT_FALSE(UnitsReadable(bad, why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    EXPECT_FALSE(UnitsReadable("x=" + std::string(kUnitsBytesMax, 'm'), why));
}

// A set whose file names units shows them in the axes' and the legend's titles, one without
// shows none, and --units names them for it.
TEST(FigureUnits, StandInTheTitlesOfASetWithUnitsAndNotWithout) {
    for (const bool named : {false, true}) {
        testsupport::SceneFixture fx;
        FlowScene& scene = fx.scene;
        DataSetArrays data = testsupport::MakeRectilinear({0, 1, 2, 3}, {0, 1, 2}, 1, [](float x, float y) {
            return testsupport::NodeValues{1.0f + x, y, x * y, 0.5f};
        });
        if (named) {
            data.notes.x = {"x", "m"};
            data.notes.u = {"U", "m/s"};
        }
        ASSERT_TRUE(scene.AdoptDataSet(std::move(data), "flow.csv"));
        scene.m_modes.axes = true;
        scene.m_modes.language = kLanguageEnglish;
        scene.ResetForDraw();
        scene.BuildRasters();
        for (const std::int32_t field : {kBackgroundSpeed, kBackgroundVorticity, kBackgroundPressure}) {
            scene.m_nBackground = field;
            scene.ColourBackground();
            const std::string title = LayOutSceneLegend(scene).texts.at(0).utf8;
            const bool unit = named && field != kBackgroundPressure;
            EXPECT_EQ(title,
                      LegendTitle(field, false, unit ? (field == kBackgroundSpeed ? "m/s" : "1/s") : ""));
        }
        FigureLayout figure = LayOutFigure(scene);
        EXPECT_EQ(figure.xTitle, named ? "x [m]" : "x");
        EXPECT_EQ(figure.yTitle, named ? "y [m]" : "y");
        scene.m_modes.units = "y=km";
        figure = LayOutFigure(scene);
        EXPECT_EQ(figure.xTitle, named ? "x [m]" : "x");
        EXPECT_EQ(figure.yTitle, "y [km]");
    }
}
