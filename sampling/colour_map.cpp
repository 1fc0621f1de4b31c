// Colour-mapping one raster into the background image.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "sampling/colour_tables.h"
#include "sampling/raster_ops.h"
#include "scene/flow_scene.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

std::int32_t ShownField(std::int32_t background) {
    return background == kBackgroundSpeed || background == kBackgroundPressure ? background
                                                                               : kBackgroundVorticity;
}

}  // namespace

void FlowScene::MeasureNodeRanges() {
    m_nodeRanges = {};
    m_bNodeRangesMeasured = true;
    if (!m_pU || !m_pV || !m_pP || !m_pW || m_ni < 1 || m_nj < 1) return;
    const std::size_t plane = static_cast<std::size_t>(m_ni) * static_cast<std::size_t>(m_nj);
    m_nodeRanges = MeasureRanges(m_pU.get(), m_pV.get(), m_pP.get(), m_pW.get(), plane);
}

void FlowScene::ColourImage(const float* r, float scale) {
    if (!m_pImage || !r) return;
    std::uint8_t* image = m_pImage.get();
    for (std::size_t k = 0; k < m_raster.Pixels(); ++k) {
        const float v = r[k];
        std::uint8_t t = 0;
        // Not a number, infinite or negative: black.
        if (v >= 0.0f && v <= std::numeric_limits<float>::max()) {
            const float scaled = v * scale;
            // Clamped before the conversion: a product out of range or not a number would make
            // the conversion undefined.
            if (scaled >= 255.0f)
                t = 255;
            else if (scaled > 0.0f)
                t = static_cast<std::uint8_t>(scaled);  // truncation toward zero
        }
        std::uint8_t* px = image + 3 * k;
        switch (m_nBackground) {
            case kBackgroundSpeed:  // green
                px[0] = 0, px[1] = t, px[2] = 0;
                break;
            case kBackgroundPressure:  // red
                px[0] = t, px[1] = 0, px[2] = 0;
                break;
            default:  // vorticity, and any other value: grey
                px[0] = t, px[1] = t, px[2] = t;
                break;
        }
    }
}

void FlowScene::ColourImageWithMap(const float* r, double low, double high, int map) {
    const ColourEntry* table = ColourTable(map);
    if (!m_pImage || !r || !table) return;
    const double span = high - low;
    // A field of one value has no span to divide by; it takes the colour a constant has.
    const bool constant = span == 0.0;
    std::uint8_t* image = m_pImage.get();
    for (std::size_t k = 0; k < m_raster.Pixels(); ++k) {
        const double v = r[k];
        const double t = !std::isfinite(v) ? kNaN : constant ? ConstantFieldPosition(map) : (v - low) / span;
        const int i = TableIndex(t);
        const ColourEntry c = i < 0 ? ColourEntry{0, 0, 0} : table[i];
        std::copy(c.begin(), c.end(), image + 3 * k);
    }
}

double FlowScene::RasterValue(std::int32_t field, int x, int y) const {
    field = ShownField(field);
    const float* r = field == kBackgroundSpeed      ? m_pRasterSpeed.get()
                     : field == kBackgroundPressure ? m_pRasterP.get()
                                                    : m_pRasterW.get();
    if (!r || !m_raster.Contains(x, y)) return kNaN;
    // Pressure and vorticity rasters hold their values less their smallest one.
    const double shift = field == kBackgroundPressure    ? m_fRasterMinP
                         : field == kBackgroundVorticity ? m_fRasterMinW
                                                         : 0.0;
    return shift + r[m_raster.Index(x, y)];
}

ColourScale FlowScene::ScaleOf(std::int32_t field, std::int32_t map) const {
    field = ShownField(field);
    ColourScale scale{.coloured = true, .field = field, .map = kColourMapRamp};
    // A sequence's frames share the range of all of them, so that a colour means one value
    // throughout: the ramp then runs from the sequence's smallest value (0 for speed) up.
    const NodeRanges& ranges = m_sequenceRanges ? *m_sequenceRanges : m_nodeRanges;
    const ValueRange& range = field == kBackgroundSpeed      ? ranges.speed
                              : field == kBackgroundPressure ? ranges.pressure
                                                             : ranges.vorticity;
    if (!ColourTable(map) && m_sequenceRanges) {
        scale.low = field == kBackgroundSpeed ? 0.0 : range.low;
        scale.high = range.high;
        return scale;
    }
    if (!ColourTable(map)) {
        const float* r = field == kBackgroundSpeed      ? m_pRasterSpeed.get()
                         : field == kBackgroundPressure ? m_pRasterP.get()
                                                        : m_pRasterW.get();
        const double shift = field == kBackgroundPressure    ? m_fRasterMinP
                             : field == kBackgroundVorticity ? m_fRasterMinW
                                                             : 0.0;
        const double largest = r ? RasterMax(r, m_raster.width, m_raster.height) : 0.0;
        scale.low = shift;
        scale.high = shift + largest;
        return scale;
    }
    // The maps span the field's range over the nodes in its own values: speed from 0,
    // pressure and vorticity from their smallest value, or for the diverging map a range
    // symmetric about zero. The rasters interpolate between the nodes, so they stay within it.
    const double smallest = range.low;
    const double largest = range.high;
    double low = field == kBackgroundSpeed ? 0.0 : smallest;
    double high = largest;
    if (map == kColourMapCoolwarm) {
        high = std::max(std::fabs(smallest), std::fabs(largest));
        low = -high;
    }
    if (std::isnan(smallest)) low = high = kNaN;
    scale.map = map;
    scale.low = low;
    scale.high = high;
    return scale;
}

void FlowScene::ColourBackground() {
    if (!m_pImage) return;
    PaintBackground();
    const std::int32_t lineField = LineField(m_modes.lineColour);
    // Lines coloured by the field shown take its scale, not a second scan of its raster.
    m_lineScale = lineField < 0 ? ColourScale{}
                  : m_imageScale.coloured && m_imageScale.field == ShownField(lineField)
                      ? m_imageScale
                      : ScaleOf(lineField, m_modes.colourMap);
}

void FlowScene::PaintBackground() {
    if (!ShowsField(m_nBackground)) {
        // A plain page: nothing coloured, so the legend is the lines' or none.
        m_imageScale = {};
        std::fill_n(m_pImage.get(), 3 * m_raster.Pixels(),
                    m_nBackground == kBackgroundWhite ? std::uint8_t{255} : std::uint8_t{0});
        return;
    }
    const float* r = m_nBackground == kBackgroundSpeed      ? m_pRasterSpeed.get()
                     : m_nBackground == kBackgroundPressure ? m_pRasterP.get()
                                                            : m_pRasterW.get();
    const std::int32_t field = ShownField(m_nBackground);
    // Pressure and vorticity rasters hold their values less their smallest one.
    const double shift = field == kBackgroundPressure    ? m_fRasterMinP
                         : field == kBackgroundVorticity ? m_fRasterMinW
                                                         : 0.0;
    m_imageScale = {.coloured = true, .field = field, .map = kColourMapRamp};

    if (!ColourTable(m_modes.colourMap) && m_sequenceRanges) {
        m_imageScale = ScaleOf(field, m_modes.colourMap);
        const double low = m_imageScale.low;
        const double span = m_imageScale.high - low;
        if (!(span > 0.0) || !r) {
            std::fill_n(m_pImage.get(), 3 * m_raster.Pixels(), std::uint8_t{0});
            return;
        }
        // The raster holds its values less SHIFT; moved to start at the sequence's LOW.
        std::vector<float> moved(r, r + m_raster.Pixels());
        for (float& v : moved) v = static_cast<float>(v + (shift - low));
        ColourImage(moved.data(), static_cast<float>(255.0 / span));
        return;
    }
    if (!ColourTable(m_modes.colourMap)) {
        const double largest = r ? RasterMax(r, m_raster.width, m_raster.height) : 0.0;
        m_imageScale.low = shift;
        m_imageScale.high = shift + largest;
        if (largest == 0.0) {
            // Nothing to scale by: the largest value is 0, and so is every pixel.
            std::fill_n(m_pImage.get(), 3 * m_raster.Pixels(), std::uint8_t{0});
            return;
        }
        ColourImage(r, static_cast<float>(255.0 / largest));
        return;
    }

    m_imageScale = ScaleOf(field, m_modes.colourMap);
    ColourImageWithMap(r, m_imageScale.low - shift, m_imageScale.high - shift, m_modes.colourMap);
}
