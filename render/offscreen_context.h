#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/raster_geometry.h"

// A desktop OpenGL (compatibility profile) context without any window, current on the thread
// that created it, with an offscreen framebuffer of a fixed size. Made through EGL: Mesa's
// surfaceless platform first (no display server needed; software or a render node), then each
// EGL device, then the default display.
class OffscreenContext {
public:
    enum class Target {
        Any,          // a pbuffer where the configuration offers one, else a framebuffer object
        Framebuffer,  // always a framebuffer object
    };

    // Nullptr with *error set when no context can be made; the text says what was tried.
    static std::unique_ptr<OffscreenContext> Create(int width, int height, std::string* error,
                                                    Target target = Target::Any);
    ~OffscreenContext();
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    int Width() const;
    int Height() const;
    // Where the context lives and who renders, e.g. "EGL surfaceless, pbuffer, llvmpipe (...)".
    const std::string& Description() const;

    // RGB bytes of the rectangle at (x, y) of w x h window pixels, three per pixel, rows
    // bottom first. The rectangle must lie inside the framebuffer.
    std::vector<std::uint8_t> ReadRgb(int x, int y, int w, int h) const;

    struct Impl;

private:
    explicit OffscreenContext(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The picture region of the view, WIDTH x HEIGHT pixels from window (350, 70), as RGB bytes in
// the background image's order: row 0 at the bottom. The classic region is x 350..699, y
// 70..629, and needs a framebuffer of at least 700 x 630; with a WIDTH beyond the picture's,
// the legend's columns follow.
std::vector<std::uint8_t> ReadPicture(const OffscreenContext& context, int width = kRasterWidth,
                                      int height = kRasterHeight);
