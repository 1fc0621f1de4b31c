// Colour-mapping one raster into the background image.

#include <algorithm>
#include <cstddef>

#include "sampling/raster_ops.h"
#include "scene/flow_scene.h"

void FlowScene::ColourImage(const float* r, float scale) {
    if (!m_pImage || !r) return;
    std::uint8_t* image = m_pImage.get();
    for (std::size_t k = 0; k < kRasterSize; ++k) {
        const float v = r[k];
        std::uint8_t t = 0;
        if (v >= 0.0f) {
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

void FlowScene::ColourBackground() {
    if (!m_pImage) return;
    const float* r = m_nBackground == kBackgroundSpeed      ? m_pRasterSpeed.get()
                     : m_nBackground == kBackgroundPressure ? m_pRasterP.get()
                                                            : m_pRasterW.get();
    const double largest = r ? RasterMax(r, kRasterWidth, kRasterHeight) : 0.0;
    if (largest == 0.0) {
        // Nothing to scale by: the largest value is 0, and so is every pixel.
        std::fill_n(m_pImage.get(), kImageBytes, std::uint8_t{0});
        return;
    }
    ColourImage(r, static_cast<float>(255.0 / largest));
}
