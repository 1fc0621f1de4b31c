#pragma once

#include <string>
#include <string_view>
#include <vector>

class FlowScene;

// What dresses a picture as a figure, laid out without a font: the ticks of its axes in the
// data's own coordinates with their labels, the axes' titles and a title line. Positions are in
// the picture's pixels from its left edge (x) or its bottom edge (y).

// One axis of the picture: the data's coordinate, as the user's file has it, at the centre of
// pixel P is AT0 + PER_PIXEL * P.
struct AxisScale {
    double at0 = 0.0;
    double perPixel = 1.0;
};

struct AxisTick {
    double value = 0.0;     // in the data's coordinates
    double position = 0.0;  // from the picture's edge: pixel P's centre lies at P + 0.5
    std::string label;

    friend bool operator==(const AxisTick&, const AxisTick&) = default;
};

// The figure's letters: labels and axis titles, and the title line, in DejaVu Sans.
inline constexpr int kAxisLabelSize = 12;
inline constexpr int kFigureTitleSize = 14;
// Ticks stand at least this far apart along x and along y, and further when their labels need
// it, so that an axis has a handful of them rather than a fence.
inline constexpr double kLeastTickSpacingX = 60.0;
inline constexpr double kLeastTickSpacingY = 50.0;
// The room between two labels along x, and the height a label takes along y.
inline constexpr double kLabelGapX = 12.0;
inline constexpr double kLabelHeight = 14.0;

// How wide LABEL (digits, a point or comma, a minus sign) is at most at kAxisLabelSize pixels
// in DejaVu Sans: its advances, taken a little above the font's own.
double LabelWidth(std::string_view utf8);

// Ticks at the multiples of one step of 1, 2 or 5 times a power of ten that fall on an axis of
// PIXELS pixels, from the finest whose labels keep clear of each other: along x their widths
// and a gap, along y a line of text, and never closer than the least spacing. Labels have as
// many decimals as the step needs, a true minus sign, and a decimal comma with COMMA. None
// when the scale is not finite or has no extent.
std::vector<AxisTick> AxisTicks(AxisScale scale, int pixels, bool alongX, bool comma = false);

// "x" or, with a unit, "x [m]".
std::string AxisTitle(std::string_view name, std::string_view unit);

struct FigureLayout {
    bool axes = false;
    std::vector<AxisTick> x, y;
    std::string xTitle, yTitle;
    std::string title;  // none when empty
    int width = 0;      // the picture's pixels that show the data
    int height = 0;

    // Whether there is nothing to dress the picture with: the picture as it is.
    bool IsEmpty() const { return !axes && title.empty(); }
    friend bool operator==(const FigureLayout&, const FigureLayout&) = default;
};

// FIGURE around its picture drawn ZOOM window pixels to a picture pixel: its ticks and its
// size scaled, its texts as they are, since letters stay legible at every zoom.
FigureLayout ZoomedFigure(FigureLayout figure, double zoom);

// The scales of the picture in force: pixel centres to the data's coordinates, the shift of a
// far grid added back.
AxisScale XScaleOf(const FlowScene& scene);
AxisScale YScaleOf(const FlowScene& scene);

// The figure the scene's settings ask for (m_modes.axes, m_modes.title) around its picture;
// empty without a data set.
FigureLayout LayOutFigure(const FlowScene& scene);
