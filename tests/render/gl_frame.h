#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/offscreen_context.h"
#include "render/view_projection.h"

namespace rendertest {

// One RGB pixel of the framebuffer.
struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
    bool IsBlack() const { return r == 0 && g == 0 && b == 0; }
    bool IsWhite() const { return r == 255 && g == 255 && b == 255; }
    // The first pixels of an arrow: red, fading towards white.
    bool IsArrowBase() const { return r >= 200 && g <= 70 && g == b; }
};

// The whole framebuffer as read back, in window coordinates (origin bottom left).
class Frame {
public:
    Frame(std::vector<std::uint8_t> rgb, int width, int height)
        : m_rgb(std::move(rgb)), m_width(width), m_height(height) {}
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Rgb At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x)) * 3u;
        return {m_rgb[i], m_rgb[i + 1], m_rgb[i + 2]};
    }
    // Raster pixel (x, y) of the picture, at window (x + 350, y + 70).
    Rgb Raster(int x, int y) const { return At(x + 350, y + 70); }
    // Whether a raster pixel within SLACK of (x, y) in both axes satisfies TEST.
    template <typename Test>
    bool NearRaster(int x, int y, int slack, Test test) const {
        for (int dy = -slack; dy <= slack; ++dy)
            for (int dx = -slack; dx <= slack; ++dx)
                if (InRaster(x + dx, y + dy) && test(Raster(x + dx, y + dy))) return true;
        return false;
    }
    static bool InRaster(int x, int y) { return x >= 0 && x < 350 && y >= 0 && y < 560; }

private:
    std::vector<std::uint8_t> m_rgb;
    int m_width;
    int m_height;
};

// A suite that draws into one offscreen context of the viewer's smallest full size.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        s_context = OffscreenContext::Create(kMinViewWidth, kMinViewHeight, &error);
        s_error = error;
    }
    static void TearDownTestSuite() { s_context.reset(); }
    void SetUp() override {
        ASSERT_TRUE(s_context) << s_error;
        ASSERT_TRUE(SetViewProjection(kMinViewWidth, kMinViewHeight));
    }
    static Frame ReadFrame() {
        return Frame(s_context->ReadRgb(0, 0, s_context->Width(), s_context->Height()), s_context->Width(),
                     s_context->Height());
    }
    static inline std::unique_ptr<OffscreenContext> s_context;
    static inline std::string s_error;
};

}  // namespace rendertest
