#include "scene/flow_scene.h"

#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

TEST(FlowScene, FreshSceneHoldsTheDefaultsAndNoData) {
    testsupport::SceneFixture f;
    const FlowScene& s = f.scene;
    EXPECT_FALSE(s.HasDataSet());
    for (int slot : s.m_aCellNbr) EXPECT_EQ(slot, -1);
    EXPECT_EQ(s.GetStreamlineCount(), 0u);
    EXPECT_EQ(s.GetSeedCount(), 0u);
    EXPECT_EQ(s.m_nDSep, 10);
    EXPECT_EQ(s.m_fDTest, 5.0f);
    EXPECT_EQ(s.m_fDTestPercent, 50.0f);
    EXPECT_EQ(s.m_nMethod, 1);
    EXPECT_EQ(s.m_nBackground, 0);
    EXPECT_FALSE(s.m_bHedgehog);
    EXPECT_FALSE(s.m_bHedgehogBySpeed);
    EXPECT_EQ(s.m_ni, 0);
    EXPECT_EQ(s.m_pNodes, nullptr);
    EXPECT_EQ(s.m_pClickStreamline, nullptr);
    EXPECT_EQ(s.m_fScaleX, 0.0f);
}

TEST(FlowScene, ReleaseOnAnEmptySceneChangesNothing) {
    testsupport::SceneFixture f;
    f.scene.m_nDSep = 7;
    f.scene.ReleaseDataSet();
    f.scene.ReleaseDataSet();
    EXPECT_FALSE(f.scene.HasDataSet());
    EXPECT_EQ(f.scene.m_nDSep, 7);
    EXPECT_TRUE(f.reporter.entries.empty());
}

TEST(FlowScene, ReleaseKeepsSettingsScalesAndCounts) {
    testsupport::TempDir dir;
    testsupport::SceneFixture f;
    const std::string path =
        testsupport::WriteDataSet(dir, "grid", testsupport::MakeRectilinear({0, 1, 2}, {0, 1}));
    ASSERT_TRUE(f.scene.LoadDataSet(path));
    f.scene.m_nMethod = 2;
    f.scene.ReleaseDataSet();
    EXPECT_EQ(f.scene.m_pNodes, nullptr);
    EXPECT_EQ(f.scene.m_pU, nullptr);
    EXPECT_EQ(f.scene.m_pW, nullptr);
    EXPECT_EQ(f.scene.m_ni, 3);
    EXPECT_EQ(f.scene.m_nj, 2);
    EXPECT_EQ(f.scene.m_nMethod, 2);
    EXPECT_FLOAT_EQ(f.scene.m_fScaleX, 174.5f);
}

}  // namespace
