#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/colour_scale.h"
#include "render/picture_frame.h"
#include "sampling/colour_tables.h"

// The colour legend laid out without a font: a vertical bar of the map's colours, its tick
// marks, and the texts with the point each is anchored at. All positions are in the legend
// panel's pixels (kLegendWidth wide and as high as the picture), from its bottom-left corner.

// A text of the legend. It starts at x; y is its baseline (title, factor) or its middle (labels).
struct LegendText {
    enum class Anchor { kBaseline, kMiddle };
    std::string utf8;
    double x = 0.0;
    double y = 0.0;
    Anchor anchor = Anchor::kMiddle;
    int pixelSize = 12;
    bool bold = false;

    friend bool operator==(const LegendText&, const LegendText&) = default;
};

struct LegendMark {
    double value = 0.0;  // in the data's own values
    double y = 0.0;      // height on the panel
    bool labelled = false;

    friend bool operator==(const LegendMark&, const LegendMark&) = default;
};

struct LegendLayout {
    std::vector<LegendText> texts;
    std::vector<LegendMark> marks;  // bottom to top: the two ends and the ticks between
    int barBottom = 0;
    int barHeight = 0;
    std::vector<ColourEntry> ramp;  // the bar's colours, one per pixel row from the bottom

    friend bool operator==(const LegendLayout&, const LegendLayout&) = default;
};

// Where the bar lies on the panel, and where the tick marks and labels start.
inline constexpr int kLegendBarLeft = 10;
inline constexpr int kLegendBarWidth = 18;
inline constexpr int kLegendTickLength = 5;
inline constexpr int kLegendLabelLeft = kLegendBarLeft + kLegendBarWidth + kLegendTickLength + 4;

// The field's name as the legend's title: Geschwindigkeit, Druck, Wirbelstärke; in English
// speed, pressure, vorticity.
const char* FieldTitle(int field, bool german = true);

// The note under the title of a legend whose map spans the data's range over the nodes, not
// the picture's values as the ramp does: "range of the data", "Bereich der Daten".
const char* RangeNote(bool german);
inline constexpr int kRangeNoteSize = 11;

// The legend's title: the field's name and, when there is one, its unit: "speed [m/s]".
std::string LegendTitle(int field, bool german, std::string_view unit);

// The legend of an image coloured as SCALE says. The ends of the bar are the scale's low and
// high values, both labelled, with RangeNote under the title for a map other than the ramp; ticks at nice
// values lie between, labelled where their label keeps clear of the others. A constant field has one mark,
// where its colour is; values that are not finite have none. The panel is HEIGHT pixels high, the picture's
// height. Titles and numbers are German (a decimal comma) unless GERMAN is false; UNIT follows the title when
// given.
LegendLayout LayOutLegend(const ColourScale& scale, int height = kRasterHeight, bool german = true,
                          std::string_view unit = {});
