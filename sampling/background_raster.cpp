// Resampling the per-node fields onto the fixed raster, once per load.

#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>

#include "sampling/interpolation.h"
#include "sampling/raster_ops.h"
#include "scene/flow_scene.h"

void FlowScene::BuildRasters() {
    if (!m_pNodes || !m_pU || !m_pV || !m_pP || !m_pW) return;

    // Everything is taken before anything is stored, so that a failed allocation leaves the
    // scene as it was instead of holding an image without its rasters.
    const std::size_t pixels = m_raster.Pixels();
    auto image = std::make_unique<std::uint8_t[]>(3 * pixels);
    auto rasterU = std::make_unique<float[]>(pixels);
    auto rasterV = std::make_unique<float[]>(pixels);
    auto rasterSpeed = std::make_unique<float[]>(pixels);
    auto rasterP = std::make_unique<float[]>(pixels);
    auto rasterW = std::make_unique<float[]>(pixels);

    float minU = 0, maxU = 0, minV = 0, maxV = 0, minP = 0, maxP = 0, minW = 0, maxW = 0;
    if (!m_bDesignView) {
        ResampleFieldAtPixels(m_pU.get(), rasterU.get(), minU, maxU);
        ResampleFieldAtPixels(m_pV.get(), rasterV.get(), minV, maxV);
        ResampleFieldAtPixels(m_pP.get(), rasterP.get(), minP, maxP);
        ResampleFieldAtPixels(m_pW.get(), rasterW.get(), minW, maxW);
    } else {
        ResampleField(m_pU.get(), rasterU.get(), minU, maxU);
        ResampleField(m_pV.get(), rasterV.get(), minV, maxV);
        ResampleField(m_pP.get(), rasterP.get(), minP, maxP);
        ResampleField(m_pW.get(), rasterW.get(), minW, maxW);
    }
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
    MeasureNodeRanges();
    ColourBackground();
}

float* FlowScene::ResampleField(const float* F, float* out, float& min, float& max) const {
    const int ni = m_ni;
    const int nj = m_nj;
    if (!m_pNodes || !F || ni < 2 || nj < 2) {
        // No cell to interpolate in: nothing here is a number, so it all colours black.
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (std::size_t k = 0; k < kRasterSize; ++k) out[k] = nan;
        min = max = nan;
        return out;
    }

    const GridNode* nodes = m_pNodes.get();
    const auto sample = [&](int h, float px, float py) {
        const GridNode& ll = nodes[h];
        const GridNode& ur = nodes[h + ni + 1];
        return static_cast<float>(
            InterpolateInCell(px, py, ll.x, ll.y, ur.x, ur.y, F[h], F[h + 1], F[h + ni], F[h + ni + 1]));
    };

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

float* FlowScene::ResampleFieldAtPixels(const float* F, float* out, float& min, float& max) const {
    const int ni = m_ni;
    const int nj = m_nj;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const int width = m_raster.width, height = m_raster.height;
    if (!m_pNodes || !F || ni < 2 || nj < 2) {
        for (std::size_t k = 0; k < m_raster.Pixels(); ++k) out[k] = nan;
        min = max = nan;
        return out;
    }

    // The positions are PixelInData's, so that a pixel shows what a click on it or a
    // streamline through it meets. They grow with the pixel, so the cell is carried along as
    // in the design's walk, with the same strict comparisons.
    const GridNode* nodes = m_pNodes.get();
    const auto sample = [&](int h, float px, float py) {
        const GridNode& ll = nodes[h];
        const GridNode& ur = nodes[h + ni + 1];
        return static_cast<float>(
            InterpolateInCell(px, py, ll.x, ll.y, ur.x, ur.y, F[h], F[h + 1], F[h + ni], F[h + ni + 1]));
    };
    bool any = false;
    int rowBase = 0;
    int j = 0;
    for (int r = 0; r < height; ++r) {
        float* row = out + static_cast<std::ptrdiff_t>(r) * width;
        int i = 0;
        bool walked = false;
        for (int c = 0; c < width; ++c) {
            GridNode w;
            if (!PixelInData(c, r, w)) {
                row[c] = nan;
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
            const float value = sample(rowBase + i, w.x, w.y);
            row[c] = value;
            if (!std::isfinite(value)) continue;
            if (!any || value < min) min = value;
            if (!any || value > max) max = value;
            any = true;
        }
    }
    if (!any) min = max = nan;
    return out;
}
