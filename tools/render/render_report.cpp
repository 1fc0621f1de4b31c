#include "tools/render/render_report.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <algorithm>
#include <vector>

#include "base/settings_table.h"
#include "base/shown_numbers.h"
#include "scene/flow_scene.h"
#include "streamlines/shown_axes.h"
#include "tools/cli/command_line.h"
#include "tools/render/render_options.h"

QJsonArray StreamlinePoints(const Streamline& s) {
    QJsonArray points;
    const PixelPoint* p = s.Data();
    for (std::size_t i = 0; i < s.GetCount(); ++i) points.append(QJsonArray{p[i].x, p[i].y});
    return points;
}

QJsonArray StreamlineWorldPoints(ShownAxes& axes, const Streamline& s) {
    QJsonArray points;
    const PixelPoint* p = s.Data();
    for (std::size_t i = 0; i < s.GetCount(); ++i) {
        const ShownPoint w = axes.At(p[i]);
        points.append(QJsonArray{w.x, w.y});
    }
    return points;
}

namespace {

// Three significant digits without an exponent down to 1e-4, whole pixels from 1000 on.
QString PixelCount(double pixels) {
    return pixels >= 1000.0 ? QString::number(pixels, 'f', 0) : QString::number(pixels, 'g', 3);
}

// The fine placement draws no first seed, so it has none to report.
QJsonValue SeedJson(const FlowScene& scene) {
    if (scene.m_modes.placement == kPlacementFine) return QJsonValue(QJsonValue::Null);
    return static_cast<qint64>(scene.LastSeed());
}

}  // namespace

QJsonObject StepJson(const FlowScene& scene) {
    const bool pixels = scene.PixelStepOn();
    return QJsonObject{{"mode", pixels ? "pixels" : "time"},
                       {"length", ShortestDecimal(pixels ? scene.m_modes.stepPixels : kTimeStep)}};
}

QByteArray StreamlinesJson(const FlowScene& scene, std::span<const Streamline> clickLines) {
    QJsonArray lines, linesWorld, clicks, clicksWorld;
    QJsonArray seeds;
    ShownAxes axes(scene);
    for (const Streamline& click : clickLines) {
        clicks.append(StreamlinePoints(click));
        clicksWorld.append(StreamlineWorldPoints(axes, click));
    }
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i) {
        const Streamline& s = scene.StreamlineAt(i);
        lines.append(StreamlinePoints(s));
        linesWorld.append(StreamlineWorldPoints(axes, s));
        const PixelPoint seed =
            s.GetCount() ? s.GetPoint(std::min(s.SeedIndex(), s.GetCount() - 1)) : PixelPoint{};
        seeds.append(QJsonArray{seed.x, seed.y});
    }
    QJsonObject root;
    root["dsep"] = scene.m_nDSep;
    root["dtest"] = static_cast<double>(scene.m_fDTest);
    root["method"] = QString::fromLatin1(settings::MethodWord(scene.m_nMethod));
    root["step"] = StepJson(scene);
    root["placement"] = QString::fromLatin1(settings::PlacementWord(scene.m_modes.placement));
    root["seed"] = SeedJson(scene);
    root["streamlines"] = lines;
    root["settings"] = cli::SettingsJson(CurrentDrawSettings(scene));
    root["seed_pixels"] = seeds;
    root["clicks"] = clicks;
    root["streamlines_world"] = linesWorld;
    root["clicks_world"] = clicksWorld;
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
    root["step"] = StepJson(scene);
    root["streamlines"] = static_cast<qint64>(scene.GetStreamlineCount());
    root["points"] = static_cast<qint64>(points);
    root["placement"] = QString::fromLatin1(settings::PlacementWord(scene.m_modes.placement));
    root["seed"] = SeedJson(scene);
    if (scene.m_modes.placement == kPlacementFine) {
        const PlacementStats& w = scene.Stats();
        root["work"] = QJsonObject{{"steps", static_cast<qint64>(w.steps)},
                                   {"separation_tests", static_cast<qint64>(w.separationTests)},
                                   {"seeds_examined", static_cast<qint64>(w.seedsExamined)},
                                   {"distance_transforms", static_cast<qint64>(w.distanceTransforms)},
                                   {"distance_updates", static_cast<qint64>(w.distanceUpdates)},
                                   {"farthest_seeds", static_cast<qint64>(w.farthestSeeds)},
                                   {"dropped_short", static_cast<qint64>(w.droppedShort)},
                                   {"closed_loops", static_cast<qint64>(w.closedLoops)}};
    }
    root["load_ms"] = measured(t.loadMs);
    root["rasters_ms"] = measured(t.rastersMs);
    root["placement_ms"] = measured(t.placementMs);
    root["open_ms"] = times.openMs;
    root["drawing_ms"] = times.drawingMs;
    root["renderer"] = QString::fromStdString(renderer);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::size_t LinesFromSeeds(const FlowScene& scene, std::span<const GridNode> seeds) {
    const auto before = [](GridNode a, GridNode b) { return a.x < b.x || (a.x == b.x && a.y < b.y); };
    std::vector<GridNode> sorted(seeds.begin(), seeds.end());
    std::sort(sorted.begin(), sorted.end(), before);
    std::size_t count = 0;
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i)
        if (std::binary_search(sorted.begin(), sorted.end(), scene.StreamlineAt(i).Seed(), before)) ++count;
    return count;
}

QByteArray FrameStatsJson(std::size_t frame, const FlowScene& scene, std::optional<std::size_t> carried,
                          std::optional<double> changed) {
    QJsonObject root;
    root["frame"] = static_cast<qint64>(frame);
    root["streamlines"] = static_cast<qint64>(scene.GetStreamlineCount());
    root["carried"] = carried ? QJsonValue(static_cast<qint64>(*carried)) : QJsonValue();
    root["changed_percent"] = changed ? QJsonValue(*changed) : QJsonValue();
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::string TimeStepWarning(const StepAdvance& advance) {
    if (TimeStepFits(advance)) return {};
    const char* effect = advance.median > kTimeStepAdvanceMax
                             ? "streamlines jump across the picture or stop after a step or two"
                             : "streamlines end as short fragments after their 1000 steps";
    return QString(
               "warning: one time step of %1 moves %2 pixels at this data set's median speed (%3 at the "
               "95th percentile), so %4; --step-px 1 steps one pixel along the flow instead")
        .arg(ShortestDecimal(kTimeStep))
        .arg(PixelCount(advance.median), PixelCount(advance.percentile95))
        .arg(QLatin1String(effect))
        .toStdString();
}
