// A frame of a time series swaps the fields under a grid that stays: the grid's shift, extents
// and shape were found for the first frame and hold for every other.

#include <cstring>

#include "base/world_origin.h"
#include "scene/data_set_checks.h"
#include "scene/flow_scene.h"
#include "scene/gri_reader.h"

namespace {

std::string FrameName(const Frame& frame) {
    return frame.solution.empty() ? frame.path : frame.solution;
}

}  // namespace

bool FlowScene::ShowFrame(const Frame& frame) {
    if (!m_pImage) return false;
    DataSetArrays data;
    bool read = false;
    if (frame.solution.empty() && m_pReader && m_pReader->Accepts(frame.path)) {
        read = m_pReader->Read(frame.path, data, *m_pReporter);
    } else {
        GriReader pair;
        pair.SetSolutionPath(frame.solution);
        read = pair.Read(frame.path, data, *m_pReporter);
    }
    if (!read || !TakeChosenPlane(data, FrameName(frame))) return false;
    bool same = data.ni == m_ni && data.nj == m_nj && data.nk == m_nk && data.nodes && data.u && data.v &&
                data.p && data.w;
    if (same) {
        const std::int64_t count = NodeCount();
        // Shifted as the first frame's grid was, so that the same file gives the same bits.
        if (m_origin.Shifted()) {
            const WorldOrigin origin = ShiftToFirstNode(data.nodes.get(), count);
            same = origin.x == m_origin.x && origin.y == m_origin.y;
        }
        same = same && std::memcmp(data.nodes.get(), m_pNodes.get(),
                                   static_cast<std::size_t>(count) * sizeof(GridNode)) == 0;
    }
    if (!same) {
        const std::string name = FrameName(frame);
        m_pReporter->Tell({messages::kAppCaption,
                           "Das Bild " + loading::QuotedDe(name) +
                               " liegt auf einem anderen Gitter als das erste Bild der Folge.",
                           "the frame " + loading::QuotedEn(name) +
                               " lies on another grid than the first frame of the sequence"});
        return false;
    }
    m_pU = std::move(data.u);
    m_pV = std::move(data.v);
    m_pP = std::move(data.p);
    m_pW = std::move(data.w);
    m_notes = std::move(data.notes);
    data.Release();
    // The colour maps span the values of the frame shown.
    m_bNodeRangesMeasured = false;
    ResetForDraw();
    BuildRasters();
    if (!m_bHedgehog) PlaceStreamlines();
    return true;
}
