// Resampling the per-node fields onto the fixed raster, once per load.

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <vector>

#include "sampling/interpolation.h"
#include "sampling/raster_ops.h"
#include "scene/flow_scene.h"

namespace {

// The field F interpolated in the cell whose lower-left node is H, of a grid NI nodes wide.
struct CellSample {
    const GridNode* nodes;
    const float* F;
    int ni;
    float operator()(int h, float px, float py) const {
        const GridNode& ll = nodes[h];
        const GridNode& ur = nodes[h + ni + 1];
        return static_cast<float>(
            InterpolateInCell(px, py, ll.x, ll.y, ur.x, ur.y, F[h], F[h + 1], F[h + ni], F[h + ni + 1]));
    }
};

// No cell to interpolate in: nothing of the PIXELS values is a number, so it all colours black.
// False, changing nothing, when there are cells.
bool NothingToSample(const GridNode* nodes, const float* F, int ni, int nj, float* out, std::size_t pixels,
                     float& min, float& max) {
    if (nodes && F && ni >= 2 && nj >= 2) return false;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (std::size_t k = 0; k < pixels; ++k) out[k] = nan;
    min = max = nan;
    return true;
}

}  // namespace

void FlowScene::BuildRasters() {
    if (!m_pNodes || !m_pU || !m_pV || !m_pP || !m_pW) return;

    // Everything is taken before anything is stored, so that a failed allocation leaves the
    // scene as it was instead of holding an image without its rasters.
    // Every pixel of every raster is written below; rasters of the picture's size already held
    // (a Draw that makes them anew for a zoom) are written over, not taken again.
    const std::size_t pixels = m_raster.Pixels();
    auto image = std::make_unique_for_overwrite<std::uint8_t[]>(3 * pixels);
    auto rasterU = TakeRaster(m_pRasterU);
    auto rasterV = TakeRaster(m_pRasterV);
    auto rasterSpeed = TakeRaster(m_pRasterSpeed);
    auto rasterP = TakeRaster(m_pRasterP);
    auto rasterW = TakeRaster(m_pRasterW);
    m_nRasterPixels = pixels;

    float* rasters[4] = {rasterU.get(), rasterV.get(), rasterP.get(), rasterW.get()};
    float lows[4] = {}, highs[4] = {};
    ResampleFields(rasters, lows, highs, 4);
    const float minP = lows[2], maxP = highs[2], minW = lows[3], maxW = highs[3];
    ComputeSpeed(rasterU.get(), rasterV.get(), rasterSpeed.get(), m_raster.width, m_raster.height);
    // Pressure and vorticity are shown relative to their own smallest value.
    AddConstant(rasterP.get(), -minP, m_raster.width, m_raster.height);
    AddConstant(rasterW.get(), -minW, m_raster.width, m_raster.height);

    m_pRasterU = std::move(rasterU);
    m_pRasterV = std::move(rasterV);
    m_pRasterSpeed = std::move(rasterSpeed);
    m_pRasterP = std::move(rasterP);
    m_pRasterW = std::move(rasterW);
    m_pImage = std::move(image);
    m_fRasterMinP = minP;
    m_fRasterMaxP = maxP;
    m_fRasterMinW = minW;
    m_fRasterMaxW = maxW;
    // The nodes' ranges change with the data alone, not with the picture.
    if (!m_bNodeRangesMeasured) MeasureNodeRanges();
    ColourBackground();
}

void FlowScene::BuildFlowRasters() {
    if (!m_pNodes || !m_pU || !m_pV) return;
    const std::size_t pixels = m_raster.Pixels();
    auto rasterU = TakeRaster(m_pRasterU);
    auto rasterV = TakeRaster(m_pRasterV);
    auto rasterSpeed = TakeRaster(m_pRasterSpeed);
    float* rasters[4] = {rasterU.get(), rasterV.get(), nullptr, nullptr};
    float lows[4] = {}, highs[4] = {};
    // The placement reads no range: the axes' resampling leaves them out.
    ResampleFields(rasters, lows, highs, 2, false);
    ComputeSpeed(rasterU.get(), rasterV.get(), rasterSpeed.get(), m_raster.width, m_raster.height);
    m_pRasterU = std::move(rasterU);
    m_pRasterV = std::move(rasterV);
    m_pRasterSpeed = std::move(rasterSpeed);
    m_pRasterP.reset();
    m_pRasterW.reset();
    m_nRasterPixels = pixels;
}

std::unique_ptr<float[]> FlowScene::TakeRaster(std::unique_ptr<float[]>& held) const {
    const std::size_t pixels = m_raster.Pixels();
    return held && m_nRasterPixels == pixels ? std::move(held)
                                             : std::make_unique_for_overwrite<float[]>(pixels);
}

void FlowScene::ResampleFields(float* const out[4], float low[4], float high[4], int fields,
                               bool ranges) const {
    if (!m_bDesignView && m_bRectilinear)
        return ResampleViewOfAxes(out, ranges ? low : nullptr, ranges ? high : nullptr, fields);
    if (!m_bDesignView) return ResampleFieldsAtPixels(out, low, high, fields);
    const float* nodeFields[4] = {m_pU.get(), m_pV.get(), m_pP.get(), m_pW.get()};
    for (int f = 0; f < fields; ++f) ResampleField(nodeFields[f], out[f], low[f], high[f]);
}

float* FlowScene::ResampleField(const float* F, float* out, float& min, float& max) const {
    const int ni = m_ni;
    const int nj = m_nj;
    if (NothingToSample(m_pNodes.get(), F, ni, nj, out, kRasterSize, min, max)) return out;
    const GridNode* nodes = m_pNodes.get();
    const CellSample sample{nodes, F, ni};

    // About one 350th and one 560th of the extent. The positions advance by repeated
    // single-precision addition, not by multiplication: the raster's values depend on that
    // rounding.
    const float dx = m_fExtentX * 0.0028571428f;
    const float dy = m_fExtentY * 0.0017857143f;

    // The current cell is carried along: it moves up between pixel rows and right within a
    // row, never back, and stops at the last cell row and the last cell of a row.
    int rowBase = 0;  // index of the first cell of the current cell row
    int j = 0;
    float px = nodes[0].x;
    float py = nodes[0].y;
    // Over finite values only, so that one NaN or infinity (at the first pixel or anywhere)
    // does not shift or scale the whole picture; with every value finite this is the range
    // that starts from the first pixel.
    bool any = false;
    min = max = std::numeric_limits<float>::quiet_NaN();

    for (int r = 0; r < kRasterHeight; ++r) {
        while (py > nodes[rowBase + ni + 1].y && j < nj - 2) {
            rowBase += ni;
            ++j;
        }
        int i = 0;
        float* row = out + static_cast<std::ptrdiff_t>(r) * kRasterWidth;
        for (int c = 0; c < kRasterWidth; ++c) {
            while (px > nodes[rowBase + i + ni + 1].x && i < ni - 2) ++i;
            const float value = sample(rowBase + i, px, py);
            if (std::isfinite(value)) {
                if (!any || value < min) min = value;
                if (!any || value > max) max = value;
                any = true;
            }
            row[c] = value;
            px = px + dx;
        }
        px = nodes[rowBase].x;
        py = py + dy;
    }
    return out;
}

void FlowScene::ResampleFieldsAtPixels(float* const out[4], float low[4], float high[4], int fields) const {
    const int ni = m_ni;
    const int nj = m_nj;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const int width = m_raster.width, height = m_raster.height;
    const float* nodeFields[4] = {m_pU.get(), m_pV.get(), m_pP.get(), m_pW.get()};
    const GridNode* nodes = m_pNodes.get();
    std::vector<CellSample> samples;
    std::vector<float*> targets;
    std::vector<int> sampled;
    for (int f = 0; f < fields; ++f) {
        if (NothingToSample(nodes, nodeFields[f], ni, nj, out[f], m_raster.Pixels(), low[f], high[f]))
            continue;
        samples.push_back(CellSample{nodes, nodeFields[f], ni});
        targets.push_back(out[f]);
        sampled.push_back(f);
    }
    const std::size_t count = samples.size();
    if (count == 0) return;
    std::vector<char> any(count, 0);

    // The positions are PixelInData's, so that a pixel shows what a click on it or a
    // streamline through it meets. They grow with the pixel, so the cell is carried along as
    // in the classic walk, with the same strict comparisons.
    int rowBase = 0;
    int j = 0;
    for (int r = 0; r < height; ++r) {
        const std::ptrdiff_t rowStart = static_cast<std::ptrdiff_t>(r) * width;
        int i = 0;
        bool walked = false;
        for (int c = 0; c < width; ++c) {
            GridNode w;
            if (!PixelInData(c, r, w)) {
                for (std::size_t f = 0; f < count; ++f) targets[f][rowStart + c] = nan;
                continue;
            }
            if (!walked) {
                // A row's points share one y; pixels on the grid's edge are moved onto it alike.
                while (w.y > nodes[rowBase + ni + 1].y && j < nj - 2) {
                    rowBase += ni;
                    ++j;
                }
                walked = true;
            }
            while (w.x > nodes[rowBase + i + ni + 1].x && i < ni - 2) ++i;
            for (std::size_t f = 0; f < count; ++f) {
                const float value = samples[f](rowBase + i, w.x, w.y);
                targets[f][rowStart + c] = value;
                if (!std::isfinite(value)) continue;
                float& lo = low[sampled[f]];
                float& hi = high[sampled[f]];
                if (!any[f] || value < lo) lo = value;
                if (!any[f] || value > hi) hi = value;
                any[f] = 1;
            }
        }
    }
    for (std::size_t f = 0; f < count; ++f)
        if (!any[f]) low[sampled[f]] = high[sampled[f]] = nan;
}

void FlowScene::ResampleViewOfAxes(float* const out[4], float low[4], float high[4], int fieldCount) const {
    const int ni = m_ni;
    const int nj = m_nj;
    const RasterSize r = m_raster;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float* fields[4] = {m_pU.get(), m_pV.get(), m_pP.get(), m_pW.get()};
    if (low && high)
        for (int f = 0; f < 4; ++f) low[f] = high[f] = nan;

    // On a rectilinear grid a pixel's x, its cell column and its local coordinate follow from
    // its column alone, and the same for rows: worked out once per column and per row, they
    // give every pixel the position, cell and corner weights PixelInData and the cell walk of
    // ResampleFieldsAtPixels give it, and each pixel costs the four blends only.
    struct Axis {
        bool shown = false;
        int cell = 0;
        float local = 0.0f;
    };
    const GridNode* nodes = m_pNodes.get();
    const auto axis = [&](int count, bool columns) {
        std::vector<Axis> a(static_cast<std::size_t>(count));
        int cell = 0;
        for (int k = 0; k < count; ++k) {
            GridNode w = columns ? PixelToWorld(k, 0) : PixelToWorld(0, k);
            if (!ShownAlong(columns ? w.x : w.y, columns)) continue;
            Axis& at = a[static_cast<std::size_t>(k)];
            at.shown = true;
            if (columns) {
                while (w.x > nodes[cell + ni + 1].x && cell < ni - 2) ++cell;
                at.cell = cell;
                at.local =
                    LocalCoordinate(w.x, nodes[cell].x, 1.0 / (double{nodes[cell + 1].x} - nodes[cell].x));
            } else {
                while (w.y > nodes[(cell + 1) * ni + 1].y && cell < nj - 2) ++cell;
                at.cell = cell;
                const float y0 = nodes[cell * ni].y, y1 = nodes[(cell + 1) * ni + 1].y;
                at.local = LocalCoordinate(w.y, y0, 1.0 / (double{y1} - y0));
            }
        }
        return a;
    };
    const std::vector<Axis> columns = axis(r.width, true);
    const std::vector<Axis> rows = axis(r.height, false);

    for (int y = 0; y < r.height; ++y) {
        const Axis& row = rows[static_cast<std::size_t>(y)];
        for (int f = 0; f < fieldCount; ++f) {
            float* line = out[f] + r.Index(0, y);
            if (!row.shown) {
                std::fill(line, line + r.width, nan);
                continue;
            }
            const float* F = fields[f] + static_cast<std::ptrdiff_t>(row.cell) * ni;
            for (int x = 0; x < r.width; ++x) {
                const Axis& column = columns[static_cast<std::size_t>(x)];
                const int h = column.cell;
                line[x] = column.shown ? static_cast<float>(Bilinear(column.local, row.local, F[h], F[h + 1],
                                                                     F[h + ni], F[h + ni + 1]))
                                       : nan;
            }
        }
    }
    // The ranges in a pass of their own, over each raster in the order its pixels were made, so
    // that the loop above has no chain of comparisons; a caller that wants none skips it.
    if (!low || !high) return;
    for (int f = 0; f < fieldCount; ++f) {
        bool any = false;
        const float* values = out[f];
        for (std::size_t k = 0; k < r.Pixels(); ++k) {
            const float value = values[k];
            if (!std::isfinite(value)) continue;
            if (!any || value < low[f]) low[f] = value;
            if (!any || value > high[f]) high[f] = value;
            any = true;
        }
    }
}
