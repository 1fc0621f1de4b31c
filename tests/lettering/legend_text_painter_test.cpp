#include "lettering/legend_text_painter.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <algorithm>
#include <memory>

namespace {

class LegendTextPainterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_text";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) s_app = std::make_unique<QGuiApplication>(argc, argv);
    }
    // Qt's own statics are gone by the time a static application would be destroyed.
    static void TearDownTestSuite() { s_app.reset(); }
    static inline std::unique_ptr<QGuiApplication> s_app;
};

struct Box {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
    int lit = 0;
};

// Where the image is lit at all, in its own pixels from the bottom-left corner.
Box LitBox(const TextImage& image) {
    Box box;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                                   static_cast<std::size_t>(x)) *
                                  3u;
            if (image.rgb[i] == 0 && image.rgb[i + 1] == 0 && image.rgb[i + 2] == 0) continue;
            ++box.lit;
            box.left = std::min(box.left, x), box.right = std::max(box.right, x);
            box.bottom = std::min(box.bottom, y), box.top = std::max(box.top, y);
        }
    return box;
}

TEST_F(LegendTextPainterTest, LettersStandAtTheirAnchorsAndGrowWithTheZoom) {
    const QtLegendTextPainter painter;
    // A label centred on height 200 and a baseline at 500, both starting at x 40.
    const std::vector<LegendText> label{
        {"\u22120,5972", 40.0, 200.0, LegendText::Anchor::kMiddle, 12, false}};
    const std::vector<LegendText> title{
        {"Wirbelst\u00E4rke", 40.0, 500.0, LegendText::Anchor::kBaseline, 12, true}};

    const TextImage one = painter.Paint(label, 130, 560, 1.0);
    ASSERT_EQ(one.width, 130);
    ASSERT_EQ(one.height, 560);
    ASSERT_EQ(one.rgb.size(), 130u * 560u * 3u);
    const Box a = LitBox(one);
    ASSERT_GT(a.lit, 40);
    EXPECT_NEAR(a.left, 40, 2);
    EXPECT_NEAR((a.bottom + a.top) / 2.0, 200.0, 2.5) << "centred on its height";
    EXPECT_LE(a.top - a.bottom, 13);
    EXPECT_LT(a.right, 130) << "fits the panel";

    const Box t = LitBox(painter.Paint(title, 130, 560, 1.0));
    EXPECT_NEAR(t.bottom, 500, 3) << "letters stand on the baseline ('W' has no descender)";
    EXPECT_LE(t.right, 129) << "the longest title fits the panel";

    const TextImage two = painter.Paint(label, 130, 560, 2.0);
    ASSERT_EQ(two.width, 260);
    ASSERT_EQ(two.height, 1120);
    const Box b = LitBox(two);
    EXPECT_NEAR(b.left, 2 * a.left, 3);
    EXPECT_NEAR(b.right, 2 * a.right, 4);
    EXPECT_NEAR(b.top - b.bottom, 2 * (a.top - a.bottom), 4);
    // Painted at the larger size: not the small picture with its pixels doubled.
    int differing = 0;
    for (int y = 0; y < two.height; ++y)
        for (int x = 0; x < two.width; ++x) {
            const auto at = [](const TextImage& im, int px, int py) {
                return im.rgb[(static_cast<std::size_t>(py) * static_cast<std::size_t>(im.width) +
                               static_cast<std::size_t>(px)) *
                              3u];
            };
            differing += at(two, x, y) != at(one, x / 2, y / 2) ? 1 : 0;
        }
    EXPECT_GT(differing, 200);

    // The same request again is the same image; nothing to paint is black.
    EXPECT_EQ(painter.Paint(label, 130, 560, 2.0).rgb, two.rgb);
    EXPECT_EQ(LitBox(painter.Paint({}, 130, 560, 1.0)).lit, 0);
    EXPECT_EQ(painter.Paint(label, 130, 560, 0.0).width, 0) << "no image of no size";
}

}  // namespace
