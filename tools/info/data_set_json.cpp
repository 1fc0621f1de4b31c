#include "tools/info/data_set_json.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <cmath>

#include "base/shown_numbers.h"
#include "common/native_names.h"
#include "sampling/grid_shape.h"
#include "scene/flow_scene.h"
#include "streamlines/step_advance.h"
#include "tools/info/data_set_summary.h"

namespace {

QJsonValue Bound(const FieldRange& r, float value, double shift) {
    return r.finite == 0 ? QJsonValue() : QJsonValue(ShownCoordinate(value, shift));
}

QJsonObject RangeJson(const FieldRange& r, double shift = 0.0) {
    return QJsonObject{{"min", Bound(r, r.min, shift)},
                       {"max", Bound(r, r.max, shift)},
                       {"non_finite", static_cast<qint64>(r.nonFinite)}};
}

QJsonArray Pair(double a, double b) {
    return QJsonArray{a, b};
}

QString Name(const std::string& path) {
    return QString::fromStdString(common::PrintableName(path));
}

}  // namespace

QJsonObject DataSetJson(const FlowScene& s, const std::string& path) {
    const std::int64_t plane = std::int64_t{s.m_ni} * s.m_nj;
    const GridNode& first = s.m_pNodes[0];
    const GridNode& last = s.m_pNodes[static_cast<std::size_t>(plane - 1)];
    const WorldOrigin& origin = s.Origin();
    const DataSetNotes& notes = s.Notes();
    QJsonObject o;
    o["file"] = Name(path);
    o["loaded"] = true;
    o["format"] = notes.format.empty() ? QStringLiteral("gri") : QString::fromStdString(notes.format);
    if (notes.format.empty()) o["solution"] = Name(FlowScene::SolutionPathFor(path));
    o["counts"] = QJsonObject{{"ni", s.m_ni}, {"nj", s.m_nj}, {"nk", s.m_nk}};
    // Only where one plane of a 3-D file was read alone, so that every other object stays as it was.
    if (notes.planes > 0)
        o["plane"] = QJsonObject{{"index", static_cast<qint64>(notes.plane)},
                                 {"planes", static_cast<qint64>(notes.planes)}};
    o["nodes"] = static_cast<qint64>(s.NodeCount());
    o["extent"] = Pair(ShortestDecimal(s.m_fExtentX), ShortestDecimal(s.m_fExtentY));
    o["scale"] = Pair(ShortestDecimal(s.m_fScaleX), ShortestDecimal(s.m_fScaleY));
    o["inverse_scale"] = Pair(ShortestDecimal(s.m_fInvScaleX), ShortestDecimal(s.m_fInvScaleY));
    o["world"] =
        QJsonObject{{"x", Pair(ShownCoordinate(first.x, origin.x), ShownCoordinate(last.x, origin.x))},
                    {"y", Pair(ShownCoordinate(first.y, origin.y), ShownCoordinate(last.y, origin.y))}};
    o["shift"] = Pair(origin.x, origin.y);
    const GridShape shape = CheckGridShape(s.m_pNodes.get(), s.m_ni, s.m_nj);
    o["rectilinear"] = shape.Rectilinear();
    o["grid"] = QString::fromStdString(DescribeGridShape(shape));
    o["invalid_nodes"] = static_cast<qint64>(notes.invalidNodes);
    if (notes.meshPoints > 0)
        o["resampled"] = QJsonObject{{"points", static_cast<qint64>(notes.meshPoints)},
                                     {"cells", static_cast<qint64>(notes.meshCells)},
                                     {"outside_nodes", static_cast<qint64>(notes.nodesOutsideMesh)}};
    o["pressure_missing"] = notes.pressureMissing;
    o["vorticity_computed"] = notes.vorticityComputed;
    if (LabelsHaveUnits(notes)) {
        QJsonObject fields;
        for (const NamedLabel& l : RoleLabels(notes))
            if (!l.label->name.empty() || !l.label->unit.empty())
                fields[QLatin1String(l.role)] = QJsonObject{{"name", QString::fromStdString(l.label->name)},
                                                            {"unit", QString::fromStdString(l.label->unit)}};
        o["fields"] = fields;
    }
    const FieldRanges r = MeasureFieldRanges(s);
    o["ranges"] = QJsonObject{{"x", RangeJson(r.x, origin.x)},
                              {"y", RangeJson(r.y, origin.y)},
                              {"u", RangeJson(r.u)},
                              {"v", RangeJson(r.v)},
                              {"speed", RangeJson(r.speed)},
                              {"pressure", RangeJson(r.pressure)},
                              {"vorticity", RangeJson(r.vorticity)}};
    const StepAdvance a = MeasureTimeStepAdvance(s);
    o["time_step"] = QJsonObject{{"length", ShortestDecimal(kTimeStep)},
                                 {"moving_pixels", static_cast<qint64>(a.movingPixels)},
                                 {"median_px", a.median},
                                 {"percentile95_px", a.percentile95},
                                 {"fits", TimeStepFits(a)}};
    return o;
}

QJsonObject RejectedJson(const std::string& path, const std::string& error) {
    return QJsonObject{{"file", Name(path)}, {"loaded", false}, {"error", QString::fromStdString(error)}};
}
