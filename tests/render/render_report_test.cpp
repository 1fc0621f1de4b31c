#include "tools/render/render_report.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>

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
    QJsonArray clicks;
    Streamline click;
    click.AppendPoint(7, 8);
    click.AppendPoint(9, 10);
    clicks.append(StreamlinePoints(click));

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
