#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "base/raster_geometry.h"

// How the tests look at pictures, in one place: pixels addressed from the bottom row as the
// raster and the view count them, the colours the drawing uses, and where the picture sits
// in the view.
namespace picturekit {

// Window position of raster pixel (0, 0), from the view's bottom-left corner.
inline constexpr int kPictureLeft = kImageOriginX;
inline constexpr int kPictureBottom = kImageOriginY;

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
    bool IsBlack() const { return r == 0 && g == 0 && b == 0; }
    bool IsWhite() const { return r == 255 && g == 255 && b == 255; }
    // The first pixels of an arrow: red at its base, fading towards white along it, green and
    // blue rising together.
    bool IsArrowBase() const { return r >= 200 && g <= 70 && g == b; }
};
inline bool IsBlack(Rgb c) {
    return c.IsBlack();
}
inline bool IsWhite(Rgb c) {
    return c.IsWhite();
}
inline bool IsArrowBase(Rgb c) {
    return c.IsArrowBase();
}

// A picture of WIDTH x HEIGHT pixels held as RGB bytes with the bottom row first, read as
// (x, y) from its bottom-left corner.
class Picture {
public:
    Picture() = default;
    Picture(std::vector<std::uint8_t> rgb, int width, int height)
        : m_rgb(std::move(rgb)), m_width(width), m_height(height) {}
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Inside(int x, int y) const { return x >= 0 && x < m_width && y >= 0 && y < m_height; }
    Rgb At(int x, int y) const {
        const std::size_t i =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)) *
            3u;
        return {m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]};
    }
    // Raster pixel (x, y) in a picture of the whole view.
    Rgb Raster(int x, int y) const { return At(x + kPictureLeft, y + kPictureBottom); }
    static bool InRaster(int x, int y) { return x >= 0 && x < kRasterWidth && y >= 0 && y < kRasterHeight; }

    // Whether a pixel within SLACK of (x, y) in both axes, inside the picture, passes TEST.
    template <typename Test>
    bool Near(int x, int y, int slack, Test test) const {
        for (int dy = -slack; dy <= slack; ++dy)
            for (int dx = -slack; dx <= slack; ++dx)
                if (Inside(x + dx, y + dy) && test(At(x + dx, y + dy))) return true;
        return false;
    }
    // The same for raster pixels of a picture of the whole view, within the raster.
    template <typename Test>
    bool NearRaster(int x, int y, int slack, Test test) const {
        for (int dy = -slack; dy <= slack; ++dy)
            for (int dx = -slack; dx <= slack; ++dx)
                if (InRaster(x + dx, y + dy) && test(Raster(x + dx, y + dy))) return true;
        return false;
    }
    // Pixels that pass TEST in the rectangle from (x0, y0) up to, not including, (x1, y1).
    template <typename Test>
    long long Count(int x0, int y0, int x1, int y1, Test test) const {
        long long n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += test(At(x, y)) ? 1 : 0;
        return n;
    }
    template <typename Test>
    long long CountAll(Test test) const {
        return Count(0, 0, m_width, m_height, test);
    }

private:
    std::vector<std::uint8_t> m_rgb;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace picturekit
