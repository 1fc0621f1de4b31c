#include "tools/render/render_report.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include "scene/flow_scene.h"
#include "tools/render/render_options.h"

QJsonArray StreamlinePoints(const Streamline& s) {
    QJsonArray points;
    const PixelPoint* p = s.Data();
    for (std::size_t i = 0; i < s.GetCount(); ++i) points.append(QJsonArray{p[i].x, p[i].y});
    return points;
}

QByteArray StreamlinesJson(const FlowScene& scene, const QJsonArray& clicks) {
    QJsonArray lines;
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i)
        lines.append(StreamlinePoints(scene.StreamlineAt(i)));
    QJsonObject root;
    root["dsep"] = scene.m_nDSep;
    root["dtest"] = static_cast<double>(scene.m_fDTest);
    root["method"] = QString::fromLatin1(MethodName(scene.m_nMethod));
    root["seed"] = static_cast<qint64>(scene.LastSeed());
    root["streamlines"] = lines;
    root["clicks"] = clicks;
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

QByteArray StatsJson(const FlowScene& scene, const RenderTimes& times, const std::string& renderer) {
    std::uint64_t points = 0;
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i) points += scene.StreamlineAt(i).GetCount();
    // Only the scene knows where loading ends and resampling starts; without its timings
    // those three fields are null and open_ms still holds their sum.
    const OpenTimings& t = scene.LastOpenTimings();
    auto measured = [&t](double ms) { return t.measured ? QJsonValue(ms) : QJsonValue(); };
    QJsonObject root;
    root["ni"] = scene.m_ni;
    root["nj"] = scene.m_nj;
    root["nk"] = scene.m_nk;
    root["streamlines"] = static_cast<qint64>(scene.GetStreamlineCount());
    root["points"] = static_cast<qint64>(points);
    root["seed"] = static_cast<qint64>(scene.LastSeed());
    root["load_ms"] = measured(t.loadMs);
    root["rasters_ms"] = measured(t.rastersMs);
    root["placement_ms"] = measured(t.placementMs);
    root["open_ms"] = times.openMs;
    root["drawing_ms"] = times.drawingMs;
    root["renderer"] = QString::fromStdString(renderer);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}
