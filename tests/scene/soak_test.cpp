// Many Draw requests with changing settings and clicks, then alternating good and bad opens,
// on one scene: its memory must settle, and its last picture must be the one a fresh scene
// makes with the same settings and seed.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/support/test_support.h"
#include "tools/flowgen/analytic_flows.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kHeapIsMeasurable = false;  // the sanitizer's allocator keeps freed blocks aside
#else
constexpr bool kHeapIsMeasurable = true;
#endif

// Large blocks are mapped apart from the heap until the allocator raises its threshold, so
// both parts count.
long HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

std::vector<PixelPoint> AllPoints(const FlowScene& s) {
    std::vector<PixelPoint> points;
    for (std::size_t i = 0; i < s.GetStreamlineCount(); ++i) {
        const Streamline& line = s.StreamlineAt(i);
        points.insert(points.end(), line.Data(), line.Data() + line.GetCount());
        points.push_back({-1, -1});  // keeps the split between streamlines in the comparison
    }
    return points;
}

TEST(Soak, ManyDrawsAndOpensSettleAndEndWithTheFreshPicture) {
    testsupport::TempDir dir;
    const std::string good =
        testsupport::WriteDataSet(dir, "street", MakeFlow("vortex-street", 48, 77, 1, 0.0f));
    const std::string bad = dir.File("bad.gri");
    testsupport::WriteBytes(bad, "SN4DB 48 77 1 0 0 0.0");  // header only: far too short

    testsupport::SceneFixture f;
    FlowScene& scene = f.scene;
    scene.SetFixedSeed(7);
    std::mt19937 random(2026);
    auto randomSettings = [&] {
        DrawSettings s;
        s.dsep = std::uniform_int_distribution<int>(kDSepMin, kDSepMax)(random);
        s.dtestPercent = 10 * std::uniform_int_distribution<int>(1, 9)(random);
        s.method = std::uniform_int_distribution<int>(kMethodEuler, kMethodRK4)(random);
        s.background = std::uniform_int_distribution<int>(kBackgroundSpeed, kBackgroundVorticity)(random);
        s.hedgehog = random() % 4 == 0;
        s.stepPixels = random() % 3 == 0 ? 0.25f * static_cast<float>(1 + random() % 20) : 0.0f;
        return s;
    };

    DrawSettings last;
    last.dsep = 12;
    last.dtestPercent = 60;
    last.method = kMethodRK4;
    last.background = kBackgroundPressure;
    ApplyDrawSettings(scene, last);
    scene.OpenDataSet(good);
    ASSERT_TRUE(scene.HasDataSet());
    scene.RedrawScene();
    const long afterFirstCycle = HeapInUse();
    const int draws = 1000;
    for (int i = 0; i < draws; ++i) {
        ApplyDrawSettings(scene, randomSettings());
        scene.RedrawScene();
        const int clicks = static_cast<int>(random() % 3);
        for (int c = 0; c < clicks; ++c)
            scene.AddClickStreamline(1 + static_cast<int>(random() % 349),
                                     1 + static_cast<int>(random() % 559));
        ASSERT_TRUE(scene.HasDataSet());
    }
    for (int i = 0; i < 100; ++i) {
        scene.OpenDataSet(i % 2 == 0 ? bad : good);
        ASSERT_EQ(scene.HasDataSet(), i % 2 == 1);
    }
    EXPECT_EQ(f.reporter.entries.size(), 50u);

    ApplyDrawSettings(scene, last);
    scene.RedrawScene();
    const long afterRun = HeapInUse();

    // The soaked scene has had a reset grid, slots and queue many times over; none of that
    // may show in its picture.
    testsupport::SceneFixture fresh;
    fresh.scene.SetFixedSeed(7);
    ApplyDrawSettings(fresh.scene, last);
    fresh.scene.OpenDataSet(good);
    fresh.scene.RedrawScene();
    ASSERT_TRUE(fresh.scene.HasDataSet());
    EXPECT_EQ(std::memcmp(scene.m_pImage.get(), fresh.scene.m_pImage.get(), kImageBytes), 0);
    EXPECT_GT(fresh.scene.GetStreamlineCount(), 1u);
    EXPECT_EQ(AllPoints(scene), AllPoints(fresh.scene));

    if (kHeapIsMeasurable) {
        // Containers keep their largest storage between placements, which the 1 MiB allows
        // for; what must not happen is growth with the number of requests.
        EXPECT_LT(afterRun - afterFirstCycle, 1L << 20);
    }
}

}  // namespace
