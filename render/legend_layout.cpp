#include "render/legend_layout.h"

#include <algorithm>
#include <cmath>

#include "render/legend_numbers.h"

namespace {

constexpr int kTitleSize = 12;
constexpr int kLabelSize = 12;
// Labels are this far apart at least, centre to centre: a line of text and a little air.
constexpr double kLabelGap = 15.0;
constexpr int kMostTicks = 7;
constexpr int kBarBottom = 8;

}  // namespace

const char* FieldTitle(int field, bool german) {
    switch (field) {
        case kBackgroundSpeed:
            return german ? "Geschwindigkeit" : "speed";
        case kBackgroundPressure:
            return german ? "Druck" : "pressure";
        default:
            return german ? "Wirbelst\u00E4rke" : "vorticity";
    }
}

const char* RangeNote(bool german) {
    return german ? "Bereich der Daten" : "range of the data";
}

std::string LegendTitle(int field, bool german, std::string_view unit) {
    std::string title = FieldTitle(field, german);
    if (!unit.empty()) title += " [" + std::string(unit) + "]";
    return title;
}

LegendLayout LayOutLegend(const ColourScale& scale, int panelHeight, bool german, std::string_view unit) {
    LegendLayout layout;
    const double top = panelHeight;
    layout.texts.push_back({LegendTitle(scale.field, german, unit), kLegendBarLeft, top - 14.0,
                            LegendText::Anchor::kBaseline, kTitleSize, true});

    const bool finite = std::isfinite(scale.low) && std::isfinite(scale.high);
    const bool constant = finite && !(scale.low < scale.high);
    const std::vector<double> ticks =
        constant || !finite ? std::vector<double>{} : NiceTicks(scale.low, scale.high, kMostTicks);
    const double step = ticks.size() >= 2 ? ticks[1] - ticks[0] : 0.0;
    const double largest = finite ? std::max(std::fabs(scale.low), std::fabs(scale.high)) : 0.0;
    const NumberStyle style = StyleFor(largest, step);

    // The ramp spans the picture's values, up to its largest pixel; the other maps span the
    // data's, up to its largest node, which a pixel between the nodes seldom reaches. A map's
    // legend says so under the title, so that its ends are not read as the ramp's.
    double below = 0.0;
    if (scale.map != kColourMapRamp && finite && !constant) {
        layout.texts.push_back({RangeNote(german), kLegendBarLeft, top - 28.0, LegendText::Anchor::kBaseline,
                                kRangeNoteSize, false});
        below = 14.0;
    }
    // Room for the factor's line under the title when there is one.
    double barTop = top - 28.0 - below;
    if (style.exponent != 0) {
        layout.texts.push_back({FactorText(style.exponent), kLegendBarLeft, top - 30.0 - below,
                                LegendText::Anchor::kBaseline, kLabelSize, false});
        barTop = top - 50.0 - below;
    }
    layout.barBottom = kBarBottom;
    layout.barHeight = static_cast<int>(barTop) - kBarBottom;
    const double height = layout.barHeight;
    layout.ramp.reserve(static_cast<std::size_t>(layout.barHeight));
    // A field of one value shows one colour in the picture, and its bar that colour alone.
    for (int row = 0; row < layout.barHeight; ++row)
        layout.ramp.push_back(MapColour(scale.map, scale.field,
                                        constant ? ConstantFieldPosition(scale.map) : (row + 0.5) / height));

    if (!finite) return layout;
    const auto heightOf = [&](double value) {
        return constant ? kBarBottom + ConstantFieldPosition(scale.map) * height
                        : kBarBottom + (value - scale.low) / (scale.high - scale.low) * height;
    };
    // The ends first: their labels stay whatever else crowds them.
    std::vector<LegendMark> marks{{scale.low, heightOf(scale.low), true}};
    if (!constant) marks.push_back({scale.high, heightOf(scale.high), true});
    const double tolerance = step * 1e-6;
    for (const double t : ticks) {
        // A tick on an end is that end.
        if (std::fabs(t - scale.low) <= tolerance || std::fabs(t - scale.high) <= tolerance) continue;
        marks.push_back({t, heightOf(t), false});
    }
    std::vector<double> taken;
    for (LegendMark& m : marks) {
        const bool clear = std::all_of(taken.begin(), taken.end(),
                                       [&m](double y) { return std::fabs(y - m.y) >= kLabelGap; });
        if (m.labelled || clear) {
            m.labelled = true;
            taken.push_back(m.y);
        }
    }
    std::sort(marks.begin(), marks.end(), [](const LegendMark& a, const LegendMark& b) { return a.y < b.y; });
    for (const LegendMark& m : marks) {
        if (!m.labelled) continue;
        const bool end = m.value == scale.low || m.value == scale.high;
        const std::string text = end ? FormatEndValue(m.value, style.exponent, style.decimals, german)
                                     : FormatNumber(m.value, style.exponent, style.decimals, german);
        layout.texts.push_back({text, kLegendLabelLeft, m.y, LegendText::Anchor::kMiddle, kLabelSize, false});
    }
    layout.marks = std::move(marks);
    return layout;
}
