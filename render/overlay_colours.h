#pragma once

// The colours drawn over the background: streamlines, and arrows fading from their base to
// their tip, which is what tells an arrow's direction.
struct OverlayColour {
    float r, g, b;
};
struct OverlayColours {
    OverlayColour line;
    OverlayColour arrowBase;
    OverlayColour arrowTip;
};

// White lines and arrows from red to white, over the classic ramps.
inline constexpr OverlayColours kClassicOverlay{{1.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}};

// The colours over an image coloured with MAP. For each of the 256-entry maps the line colour
// is the one whose smallest CIEDE2000 difference from the map's entries is largest, and the
// arrows fade from a second colour to it such that every blend keeps a clear difference too.
const OverlayColours& OverlayColoursFor(int map);
