#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/offscreen_context.h"
#include "render/view_projection.h"
#include "tests/support/picture_kit.h"

namespace rendertest {

using picturekit::Rgb;
// The whole framebuffer as read back, in window coordinates (origin bottom left).
using Frame = picturekit::Picture;

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
