#include "tools/render/render_report.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

#include "base/settings_table.h"
#include "tests/support/test_support.h"

namespace {

QJsonObject Parse(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    return doc.object();
}

void AddLine(FlowScene& scene, std::initializer_list<PixelPoint> points) {
    auto s = std::make_unique<Streamline>();
    for (const PixelPoint& p : points) s->AppendPoint(p.x, p.y);
    scene.m_streamlines.push_back(std::move(s));
}

TEST(RenderReport, StreamlinesJsonHoldsTheSettingsAndEveryLineInOrder) {
    testsupport::SceneFixture fx;
    fx.scene.m_nDSep = 12;
    fx.scene.m_fDTestPercent = 60.0f;
    UpdateDTest(fx.scene);
    fx.scene.m_nMethod = 2;
    AddLine(fx.scene, {{1, 2}, {3, 4}, {5, 6}});
    AddLine(fx.scene, {{349, 559}});
    std::vector<Streamline> clicks(1);
    clicks[0].AppendPoint(7, 8);
    clicks[0].AppendPoint(9, 10);

    const QJsonObject root = Parse(StreamlinesJson(fx.scene, clicks));
    EXPECT_EQ(root["dsep"].toInt(), 12);
    EXPECT_EQ(static_cast<float>(root["dtest"].toDouble()), 7.2f) << "the float the placement used";
    EXPECT_EQ(root["method"].toString(), "rk4");
    EXPECT_TRUE(root["seed"].isDouble());
    const QJsonArray lines = root["streamlines"].toArray();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].toArray(), (QJsonArray{QJsonArray{1, 2}, QJsonArray{3, 4}, QJsonArray{5, 6}}));
    EXPECT_EQ(lines[1].toArray(), (QJsonArray{QJsonArray{349, 559}}));
    EXPECT_EQ(root["clicks"].toArray(), (QJsonArray{QJsonArray{QJsonArray{7, 8}, QJsonArray{9, 10}}}));
    EXPECT_EQ(root["step"].toObject(), (QJsonObject{{"mode", "time"}, {"length", 0.1}}));
    // A line built point by point counts its first point as its seed.
    EXPECT_EQ(root["seed_pixels"].toArray(), (QJsonArray{QJsonArray{1, 2}, QJsonArray{349, 559}}));
}

TEST(RenderReport, WorldPointsFollowThePixelsPointForPointAndTheSettingsAreTheOptions) {
    testsupport::SceneFixture fx;
    fx.scene.m_fInvScaleX = 0.37f;
    fx.scene.m_fInvScaleY = 1.0f / 3.0f;
    fx.scene.m_pNodes = std::make_unique<GridNode[]>(1);
    fx.scene.m_pNodes[0] = {-2.5f, 40.0f};
    fx.scene.m_modes.stepPixels = 0.5f;
    std::vector<Streamline> clicks(1);
    for (int i = 0; i < 40; ++i) {
        AddLine(fx.scene, {{i * 8, 559 - i * 13}, {i * 8 + 1, 558 - i * 13}});
        clicks[0].AppendPoint(349 - i * 3, i * 14);
    }
    const QJsonObject root = Parse(StreamlinesJson(fx.scene, clicks));
    for (const auto& [pixels, world] :
         {std::pair{"streamlines", "streamlines_world"}, {"clicks", "clicks_world"}}) {
        const QJsonArray p = root[pixels].toArray(), w = root[world].toArray();
        ASSERT_EQ(p.size(), w.size()) << world;
        for (qsizetype l = 0; l < p.size(); ++l) {
            const QJsonArray pl = p[l].toArray(), wl = w[l].toArray();
            ASSERT_EQ(pl.size(), wl.size());
            for (qsizetype i = 0; i < pl.size(); ++i) {
                const int px = pl[i].toArray()[0].toInt(), py = pl[i].toArray()[1].toInt();
                EXPECT_NEAR(wl[i].toArray()[0].toDouble(), px * 0.37 - 2.5, 1e-5) << px;
                EXPECT_NEAR(wl[i].toArray()[1].toDouble(), py / 3.0 + 40.0, 1e-4) << py;
            }
        }
    }
    const QJsonObject settings = root["settings"].toObject();
    EXPECT_EQ(settings["step-px"].toDouble(), 0.5);
    EXPECT_EQ(settings["method"].toString(), root["method"].toString());
    EXPECT_EQ(settings["dsep"].toInt(), root["dsep"].toInt());
    EXPECT_EQ(settings["placement"].toString(), "standard");
    // Figure and reading settings at their defaults are left out.
    qsizetype listed = 0;
    for (const settings::Row& row : settings::Table()) listed += settings::ListedOnlyWhenSet(row) ? 0 : 1;
    EXPECT_EQ(settings.size(), listed) << "one entry per setting";
}

TEST(RenderReport, StreamlinesJsonNamesThePixelStepAndEachLinesSeed) {
    testsupport::SceneFixture fx;
    fx.scene.m_modes.stepPixels = 0.3f;
    AddLine(fx.scene, {{1, 2}, {3, 4}, {5, 6}});
    fx.scene.m_streamlines.back()->SetSeedIndex(2);
    const QJsonObject root = Parse(StreamlinesJson(fx.scene, {}));
    EXPECT_EQ(root["step"].toObject(), (QJsonObject{{"mode", "pixels"}, {"length", 0.3}}));
    EXPECT_EQ(root["seed_pixels"].toArray(), (QJsonArray{QJsonArray{5, 6}}));
    EXPECT_EQ(Parse(StatsJson(fx.scene, {}, "r"))["step"].toObject(), root["step"].toObject());
    EXPECT_EQ(root["placement"].toString(), "standard");
    EXPECT_TRUE(root["seed"].isDouble());
}

TEST(RenderReport, TheFinePlacementHasNoSeedAndReportsItsWork) {
    testsupport::SceneFixture fx;
    fx.scene.m_modes.placement = kPlacementFine;
    const QJsonObject root = Parse(StreamlinesJson(fx.scene, {}));
    EXPECT_EQ(root["placement"].toString(), "fine");
    EXPECT_TRUE(root["seed"].isNull());
    const QJsonObject stats = Parse(StatsJson(fx.scene, {}, "r"));
    EXPECT_EQ(stats["placement"].toString(), "fine");
    EXPECT_TRUE(stats["seed"].isNull());
    EXPECT_TRUE(stats["work"].toObject().contains("distance_transforms"));
}

TEST(RenderReport, WarnsWhenTheTimeStepMovesTooFarOrTooLittle) {
    EXPECT_EQ(TimeStepWarning({}), "") << "nothing moves";
    EXPECT_EQ(TimeStepWarning({1000, 1.75, 2.1}), "");
    const std::string far = TimeStepWarning({1000, 276.4, 1491.0});
    const std::string near = TimeStepWarning({1000, 0.0855, 0.151});
    for (const std::string& w : {far, near}) {
        EXPECT_EQ(w.rfind("warning: one time step of 0.1 moves ", 0), 0u) << w;
        EXPECT_NE(w.find("--step-px 1"), std::string::npos) << w;
        EXPECT_EQ(w.find('\n'), std::string::npos) << w;
    }
    EXPECT_NE(far.find("moves 276 pixels at this data set's median speed (1491 at the 95th"),
              std::string::npos)
        << far;
    EXPECT_NE(far.find("jump"), std::string::npos) << far;
    EXPECT_NE(near.find("moves 0.0855 pixels"), std::string::npos) << near;
    EXPECT_NE(near.find("fragments"), std::string::npos) << near;
}

TEST(RenderReport, StatsCountLinesAndPointsAndLeaveUnmeasuredStepsNull) {
    testsupport::SceneFixture fx;
    AddLine(fx.scene, {{1, 2}, {3, 4}, {5, 6}});
    AddLine(fx.scene, {{9, 9}, {10, 10}});
    fx.scene.m_ni = 4;
    fx.scene.m_nj = 5;
    fx.scene.m_nk = 1;
    const QByteArray line = StatsJson(fx.scene, RenderTimes{12.5, 3.25}, "test renderer");
    EXPECT_FALSE(line.contains('\n'));
    const QJsonObject root = Parse(line);
    EXPECT_EQ(root["ni"].toInt(), 4);
    EXPECT_EQ(root["nj"].toInt(), 5);
    EXPECT_EQ(root["nk"].toInt(), 1);
    EXPECT_EQ(root["streamlines"].toInt(), 2);
    EXPECT_EQ(root["points"].toInt(), 5);
    EXPECT_DOUBLE_EQ(root["open_ms"].toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(root["drawing_ms"].toDouble(), 3.25);
    EXPECT_EQ(root["renderer"].toString(), "test renderer");
    // Nothing was opened, so the scene has no step times to give.
    for (const char* key : {"load_ms", "rasters_ms", "placement_ms"}) {
        EXPECT_TRUE(root.contains(key)) << key;
        EXPECT_TRUE(root[key].isNull()) << key;
    }
}

}  // namespace
