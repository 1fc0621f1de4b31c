#include <gtest/gtest.h>

#include <climits>

#include "tests/support/test_support.h"

namespace {

TEST(Settings, SeparatingDistanceStepsWithinFiveToTwenty) {
    testsupport::SceneFixture f;
    FlowScene& s = f.scene;
    EXPECT_TRUE(ChangeDSep(s, -1));  // the up arrow reports -1
    EXPECT_EQ(s.m_nDSep, 11);
    while (ChangeDSep(s, -1)) {
    }
    EXPECT_EQ(s.m_nDSep, 20);
    EXPECT_FALSE(ChangeDSep(s, -1));
    EXPECT_EQ(s.m_nDSep, 20);
    while (ChangeDSep(s, 1)) {
    }
    EXPECT_EQ(s.m_nDSep, 5);
    // A large step that would leave the range changes nothing, and no delta overflows.
    EXPECT_FALSE(ChangeDSep(s, -100));
    EXPECT_FALSE(ChangeDSep(s, INT_MIN));
    EXPECT_FALSE(ChangeDSep(s, INT_MAX));
    EXPECT_EQ(s.m_nDSep, 5);
}

TEST(Settings, PercentageMovesInTensAndStopsAtItsBounds) {
    testsupport::SceneFixture f;
    FlowScene& s = f.scene;
    for (float expected : {60.0f, 70.0f, 80.0f, 90.0f}) {
        EXPECT_TRUE(ChangeDTestPercent(s, -1));
        EXPECT_EQ(s.m_fDTestPercent, expected);
    }
    EXPECT_FALSE(ChangeDTestPercent(s, -1));
    EXPECT_EQ(s.m_fDTestPercent, 90.0f);
    while (ChangeDTestPercent(s, 1)) {
    }
    EXPECT_EQ(s.m_fDTestPercent, 10.0f);
    EXPECT_EQ(s.m_fDTest, 1.0f);
}

TEST(Settings, TestDistanceFollowsBothDistanceAndPercentage) {
    testsupport::SceneFixture f;
    FlowScene& s = f.scene;
    ASSERT_TRUE(ChangeDTestPercent(s, -1));
    EXPECT_EQ(s.m_fDTest, 6.0f);
    // The distance change recomputes the test distance, so it never contradicts "dtest%".
    ASSERT_TRUE(ChangeDSep(s, -2));
    EXPECT_EQ(s.m_nDSep, 12);
    EXPECT_EQ(s.m_fDTest, 7.2f);
    ASSERT_TRUE(ChangeDTestPercent(s, 1));
    EXPECT_EQ(s.m_fDTest, 6.0f);
}

TEST(Settings, EveryFieldGoesIntoTheSceneAndComesBack) {
    testsupport::SceneFixture f;
    EXPECT_EQ(CurrentDrawSettings(f.scene), DrawSettings{});
    DrawSettings changed;
    changed.dsep = 7;
    changed.dtestPercent = 30;
    changed.method = kMethodEuler;
    changed.background = kBackgroundVorticity;
    changed.hedgehog = true;
    changed.arrowsBySpeed = true;
    changed.colourMap = kColourMapCoolwarm;
    changed.aspect = kAspectEqual;
    changed.legend = true;
    ApplyDrawSettings(f.scene, changed);
    EXPECT_EQ(CurrentDrawSettings(f.scene), changed);
    // The viewer starts as the command line does, but with the legend and in German.
    DrawSettings viewer = ViewerStartSettings();
    EXPECT_TRUE(viewer.legend);
    EXPECT_EQ(viewer.language, kLanguageGerman);
    viewer.legend = false;
    viewer.language = kLanguageEnglish;
    EXPECT_EQ(viewer, DrawSettings{});
}

}  // namespace
