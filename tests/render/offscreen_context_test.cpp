#include "render/offscreen_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "render/view_projection.h"
#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

// Opens a generated flow into SCENE and paints it into a new context of the given kind;
// returns the picture region.
std::vector<std::uint8_t> RenderThrough(OffscreenContext::Target target, FlowScene& scene,
                                        std::string* description) {
    std::string error;
    auto context = OffscreenContext::Create(kMinViewWidth, kMinViewHeight, &error, target);
    if (!context) {
        ADD_FAILURE() << error;
        return {};
    }
    *description = context->Description();
    SetViewProjection(context->Width(), context->Height());
    PaintFrame(scene);
    return ReadPicture(*context);
}

TEST(OffscreenContext, PbufferAndFramebufferObjectGiveTheSamePicture) {
    testsupport::TempDir dir;
    testsupport::SceneFixture fx;
    fx.scene.SetFixedSeed(3);
    fx.scene.OpenDataSet(testsupport::WriteDataSet(dir, "gyre", MakeFlow("double-gyre", 32, 64, 1, 0.0f)));
    ASSERT_TRUE(fx.scene.HasDataSet());

    std::string anyKind, fboKind;
    const auto any = RenderThrough(OffscreenContext::Target::Any, fx.scene, &anyKind);
    const auto fbo = RenderThrough(OffscreenContext::Target::Framebuffer, fx.scene, &fboKind);
    EXPECT_NE(anyKind.find("EGL"), std::string::npos) << anyKind;
    EXPECT_NE(fboKind.find("framebuffer object"), std::string::npos) << fboKind;
    ASSERT_EQ(any.size(), kImageBytes);
    ASSERT_EQ(fbo.size(), kImageBytes);
    EXPECT_TRUE(any == fbo);
}

TEST(OffscreenContext, EightBitChannelsPassThroughUnchanged) {
    std::string error;
    auto context = OffscreenContext::Create(kMinViewWidth, kMinViewHeight, &error);
    ASSERT_TRUE(context) << error;
    EXPECT_EQ(context->Width(), 700);
    EXPECT_EQ(context->Height(), 630);
    SetViewProjection(700, 630);
    // Every byte value once: a deeper or shallower framebuffer would round some of them.
    std::vector<std::uint8_t> ramp(256 * 3);
    for (int i = 0; i < 256; ++i) {
        ramp[static_cast<std::size_t>(3 * i)] = static_cast<std::uint8_t>(i);
        ramp[static_cast<std::size_t>(3 * i + 1)] = static_cast<std::uint8_t>(255 - i);
        ramp[static_cast<std::size_t>(3 * i + 2)] = static_cast<std::uint8_t>(i * 7);
    }
    glClear(GL_COLOR_BUFFER_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glRasterPos2i(10, 20);
    glDrawPixels(256, 1, GL_RGB, GL_UNSIGNED_BYTE, ramp.data());
    glFinish();
    EXPECT_TRUE(context->ReadRgb(10, 20, 256, 1) == ramp);
    EXPECT_TRUE(context->ReadRgb(0, 0, 0, 5).empty());
}

TEST(OffscreenContext, ImpossibleSizesAreRefusedWithAMessage) {
    std::string error;
    EXPECT_FALSE(OffscreenContext::Create(0, 630, &error));
    EXPECT_NE(error.find("no OpenGL context"), std::string::npos) << error;
    error.clear();
    EXPECT_FALSE(OffscreenContext::Create(700, -1, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
