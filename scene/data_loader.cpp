// Handing a data set to the scene: every reader's, the .gri pair's included, meets the same
// checks here, and only a data set that passes them replaces nothing but an Empty scene. A
// reader fills arrays of its own, so a failure leaves nothing of the new file behind.

#include <optional>
#include <string>
#include <utility>

#include "base/data_set.h"
#include "scene/data_set_checks.h"
#include "scene/flow_scene.h"
#include "scene/gri_format.h"
#include "scene/gri_reader.h"

namespace {

// Keeps only plane PLANE of DATA where one other than 0 is chosen; reports (naming PATH) and
// releases DATA when the file has no such plane.
bool TakeChosenPlane(DataSetArrays& data, std::int32_t plane, const std::string& path, Reporter& reporter) {
    if (plane <= 0) return true;
    if (plane >= data.nk) {
        reporter.Tell(loading::NoSuchPlane(path, plane, data.nk));
        data.Release();
        return false;
    }
    if (data.TakePlane(plane)) return true;
    data.Release();
    reporter.Tell(
        loading::Unreadable(path, {"nicht gen\u00FCgend Arbeitsspeicher f\u00FCr die gew\u00E4hlte Ebene.",
                                   "not enough memory for the plane chosen"}));
    return false;
}

}  // namespace

bool ReadFrameWith(const Frame& frame, DataSetReader* reader, const FrameReading& how, Reporter& reporter,
                   DataSetArrays& data, std::optional<GridShape>* plane) {
    const std::string& name = frame.solution.empty() ? frame.path : frame.solution;
    if (frame.solution.empty() && reader && reader->Accepts(frame.path))
        return reader->ReadFrame(frame, how.lattice, data, reporter) &&
               TakeChosenPlane(data, how.plane, name, reporter);
    GriReader pair;
    pair.SetSolutionPath(frame.solution);
    if (!pair.Read(frame.path, data, reporter)) return false;
    // The pair's reader judged plane 0's shape; another plane's is judged on adoption.
    if (how.plane > 0) return TakeChosenPlane(data, how.plane, name, reporter);
    if (plane) *plane = pair.PlaneShape();
    return true;
}

std::string FlowScene::SolutionPathFor(const std::string& geometryPath) {
    return gri::SolutionPathFor(geometryPath);
}

bool FlowScene::ReadFrameArrays(const Frame& frame, DataSetArrays& data, std::optional<GridShape>* plane) {
    return ReadFrameWith(frame, m_pReader, CurrentFrameReading(), *m_pReporter, data, plane);
}

bool FlowScene::LoadDataSet(const std::string& path) {
    DataSetArrays data;
    std::optional<GridShape> plane;
    if (!ReadFrameArrays(Frame(path), data, &plane)) return false;
    return AdoptDataSet(std::move(data), path, plane);
}

bool FlowScene::FlowIsZero() const {
    const std::int64_t n = std::int64_t{m_ni} * m_nj;
    for (std::int64_t i = 0; i < n; ++i)
        if (m_pU[static_cast<std::size_t>(i)] != 0.0f || m_pV[static_cast<std::size_t>(i)] != 0.0f)
            return false;
    return n > 0;
}

bool FlowScene::AdoptDataSet(DataSetArrays&& data, const std::string& path, std::optional<GridShape> plane) {
    auto fail = [this](const Message& message) {
        m_pReporter->Tell(message);
        return false;
    };
    const auto ni = data.ni, nj = data.nj, nk = data.nk;
    if (!CountsUsable(ni, nj, nk))
        return fail(
            loading::UnusableCounts(path, std::to_string(ni), std::to_string(nj), std::to_string(nk)));
    if (!data.nodes || !data.u || !data.v || !data.p || !data.w)
        return fail(loading::Unreadable(path, {"der Leser hat keine vollst\u00E4ndigen Daten geliefert.",
                                               "its reader gave no complete data"}));
    if (const auto bad = loading::CheckPlaneGeometry(data.nodes.get(), ni, nj, path)) return fail(*bad);
    const GridShape shape = plane ? *plane : CheckGridShape(data.nodes.get(), ni, nj);
    // Told, not refused: the file may be what it says, and the user can see its picture.
    const std::optional<Message> implausible =
        data.notes.binary ? loading::ImplausibleSpeeds(data.u.get(), data.v.get(), data.NodeCount(), path)
                          : std::nullopt;
    m_pNodes = std::move(data.nodes);
    m_pU = std::move(data.u);
    m_pV = std::move(data.v);
    m_pP = std::move(data.p);
    m_pW = std::move(data.w);
    m_notes = std::move(data.notes);
    data.Release();
    m_ni = static_cast<std::int16_t>(ni);
    m_nj = static_cast<std::int16_t>(nj);
    m_nk = static_cast<std::int16_t>(nk);
    FinishGrid(shape);
    if (implausible) m_pReporter->Tell(*implausible);
    return true;
}

void FlowScene::FinishGrid(GridShape shape) {
    m_bNodeRangesMeasured = false;
    if (NeedsShift(m_pNodes.get(), m_ni, m_nj)) {
        m_origin = ShiftToFirstNode(m_pNodes.get(), NodeCount());
        // Judged again on the coordinates the sampling will see.
        shape = CheckGridShape(m_pNodes.get(), m_ni, m_nj);
    }
    ComputeExtents();
    DecideRectilinear(shape);
}

void FlowScene::ComputeExtents() {
    const std::size_t lastX = static_cast<std::size_t>(m_ni) - 1;
    const std::size_t lastY = static_cast<std::size_t>(m_ni) * (static_cast<std::size_t>(m_nj) - 1);
    m_fExtentX = m_pNodes[lastX].x - m_pNodes[0].x;
    m_fExtentY = m_pNodes[lastY].y - m_pNodes[0].y;
    m_fScaleX = kRasterSpanX / m_fExtentX;
    m_fScaleY = kRasterSpanY / m_fExtentY;
    m_fInvScaleX = 1.0f / m_fScaleX;
    m_fInvScaleY = 1.0f / m_fScaleY;
    m_dOffsetX = 0.0;
    m_dOffsetY = 0.0;
    m_nMappedAspect = kAspectStretch;
    m_raster = RasterSize{};
    m_mappedSize = PictureSize{};
    m_mappedWindow = WorldWindow{};
    m_bDesignView = true;
}
