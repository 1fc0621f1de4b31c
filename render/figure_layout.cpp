#include "render/figure_layout.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/field_units.h"
#include "render/legend_numbers.h"
#include "scene/flow_scene.h"

namespace {

// Advances of DejaVu Sans at 12 pixels: digits 0.636 em, point and comma 0.318 em, the minus
// sign 0.838 em; anything else is taken as wide as an em.
constexpr double kDigitWidth = 7.7;
constexpr double kPointWidth = 3.9;
constexpr double kMinusWidth = 10.1;
constexpr double kOtherWidth = 12.0;

// Candidate steps of one power of ten, finest first.
constexpr std::array<double, 3> kMantissas{1.0, 2.0, 5.0};

// Ticks of STEP on the axis, or none when more than MOST of them would fall on it.
std::vector<AxisTick> TicksOf(AxisScale scale, int pixels, double step, int decimals, bool comma,
                              double most) {
    std::vector<AxisTick> ticks;
    // The axis reaches from the edge of its first pixel to the edge of its last.
    const double a = scale.at0 - 0.5 * scale.perPixel;
    const double b = scale.at0 + (pixels - 0.5) * scale.perPixel;
    const double low = std::min(a, b), high = std::max(a, b);
    const double first = std::ceil(low / step - 1e-9);
    const double last = std::floor(high / step + 1e-9);
    if (!(last - first + 1.0 <= most)) return ticks;
    for (double k = first; k <= last; k += 1.0) {
        const double value = k == 0.0 ? 0.0 : k * step;
        const double position =
            std::clamp((value - scale.at0) / scale.perPixel + 0.5, 0.0, static_cast<double>(pixels));
        ticks.push_back({value, position, FormatNumber(value, 0, decimals, comma)});
    }
    if (scale.perPixel < 0.0) std::reverse(ticks.begin(), ticks.end());
    return ticks;
}

// Whether every two neighbours stand far enough apart for their labels.
bool ClearOfEachOther(const std::vector<AxisTick>& ticks, bool alongX) {
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const double apart = std::fabs(ticks[i].position - ticks[i - 1].position);
        const double needed =
            alongX
                ? std::max(kLeastTickSpacingX,
                           (LabelWidth(ticks[i].label) + LabelWidth(ticks[i - 1].label)) / 2.0 + kLabelGapX)
                : std::max(kLeastTickSpacingY, kLabelHeight);
        if (apart < needed) return false;
    }
    return true;
}

}  // namespace

double LabelWidth(std::string_view utf8) {
    double width = 0.0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= '0' && c <= '9') {
            width += kDigitWidth;
        } else if (c == '.' || c == ',') {
            width += kPointWidth;
        } else if (utf8.substr(i, 3) == "\u2212") {
            width += kMinusWidth;
            i += 2;
        } else if (c < 0x80 || c >= 0xC0) {
            // One character: an ASCII byte or the lead byte of a longer one.
            width += kOtherWidth;
        }
    }
    return width;
}

std::vector<AxisTick> AxisTicks(AxisScale scale, int pixels, bool alongX, bool comma) {
    const double span = std::fabs(scale.perPixel) * pixels;
    if (pixels <= 0 || !std::isfinite(scale.at0) || !std::isfinite(span) || !(span > 0.0) ||
        !std::isfinite(std::fabs(scale.at0) + span))
        return {};
    const double least = alongX ? kLeastTickSpacingX : kLeastTickSpacingY;
    // No step finer than the least spacing allows can do; the coarsest that still can give a
    // tick is the span's own power of ten and one more.
    const int finest = static_cast<int>(std::floor(std::log10(span * least / pixels)));
    const int coarsest = static_cast<int>(std::floor(std::log10(span))) + 1;
    std::vector<AxisTick> ticks;
    for (int power = finest; power <= coarsest; ++power)
        for (const double m : kMantissas) {
            const double step = m * std::pow(10.0, power);
            const int decimals = std::clamp(-power, 0, 9);
            // More ticks than the least spacing allows never fit: not worth writing out.
            ticks = TicksOf(scale, pixels, step, decimals, comma, pixels / least + 2.0);
            if (ticks.size() >= 2 && ClearOfEachOther(ticks, alongX)) return ticks;
            // A single tick overlaps nothing: the finest step that leaves one, when none with
            // more fits.
            if (ticks.size() == 1) return ticks;
        }
    return {};
}

std::string AxisTitle(std::string_view name, std::string_view unit) {
    std::string title(name);
    if (!unit.empty()) title += " [" + std::string(unit) + "]";
    return title;
}

FigureLayout ZoomedFigure(FigureLayout figure, double zoom) {
    for (std::vector<AxisTick>* ticks : {&figure.x, &figure.y})
        for (AxisTick& t : *ticks) t.position *= zoom;
    figure.width = static_cast<int>(std::lround(figure.width * zoom));
    figure.height = static_cast<int>(std::lround(figure.height * zoom));
    return figure;
}

AxisScale XScaleOf(const FlowScene& scene) {
    const double node0 = scene.m_pNodes ? scene.m_pNodes[0].x : 0.0;
    const double per = scene.m_fInvScaleX;
    return {scene.Origin().x + node0 - scene.m_dOffsetX * per, per};
}

AxisScale YScaleOf(const FlowScene& scene) {
    const double node0 = scene.m_pNodes ? scene.m_pNodes[0].y : 0.0;
    const double per = scene.m_fInvScaleY;
    return {scene.Origin().y + node0 - scene.m_dOffsetY * per, per};
}

FigureLayout LayOutFigure(const FlowScene& scene) {
    FigureLayout figure;
    if (!scene.HasDataSet()) return figure;
    const RasterSize raster = scene.Raster();
    figure.width = raster.width;
    figure.height = raster.height;
    figure.title = scene.m_modes.title;
    figure.axes = scene.m_modes.axes;
    if (!figure.axes) return figure;
    const bool comma = scene.m_modes.language == kLanguageGerman;
    figure.x = AxisTicks(XScaleOf(scene), raster.width, true, comma);
    figure.y = AxisTicks(YScaleOf(scene), raster.height, false, comma);
    const ShownUnits units = UnitsShown(scene.Notes(), scene.m_modes.units);
    figure.xTitle = AxisTitle("x", units.x);
    figure.yTitle = AxisTitle("y", units.y);
    return figure;
}
