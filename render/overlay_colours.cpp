#include "render/overlay_colours.h"

#include "base/draw_settings.h"

namespace {

constexpr OverlayColour Bytes(int r, int g, int b) {
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f, static_cast<float>(b) / 255.0f};
}

// Found by searching the RGB cube in steps of 17 for the colour whose smallest difference
// (CIEDE2000, D65) from the map's 256 entries is largest; for the arrows' base, the colour at
// least 40 from the tip whose blends with it at a quarter, a half and three quarters keep the
// largest smallest difference. White, the classic colour, comes within 30 of viridis' yellow
// end, within 27 of cividis' light yellow and within 7 of the cool-to-warm map's grey middle;
// the smallest differences of the lines and of the arrows below are 49 and 47 (viridis:
// orange-red lines, arrows from pink), 36 and 32 (cividis: light pink lines, arrows from cyan)
// and 51 and 36 (cool to warm: near-black green lines, arrows from green).
constexpr OverlayColours kViridisOverlay{Bytes(255, 68, 0), Bytes(255, 187, 238), Bytes(255, 68, 0)};
constexpr OverlayColours kCividisOverlay{Bytes(255, 204, 255), Bytes(102, 255, 255), Bytes(255, 204, 255)};
constexpr OverlayColours kCoolwarmOverlay{Bytes(17, 51, 0), Bytes(34, 170, 0), Bytes(17, 51, 0)};

}  // namespace

const OverlayColours& OverlayColoursFor(int map) {
    switch (map) {
        case kColourMapViridis:
            return kViridisOverlay;
        case kColourMapCividis:
            return kCividisOverlay;
        case kColourMapCoolwarm:
            return kCoolwarmOverlay;
        default:
            return kClassicOverlay;
    }
}
