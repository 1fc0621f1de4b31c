// A frame of a time series swaps the fields under a grid that stays: the grid's shift, extents
// and shape were found for the first frame and hold for every other.

#include <cstring>
#include <utility>

#include "base/world_origin.h"
#include "scene/data_set_checks.h"
#include "scene/flow_scene.h"

bool FlowScene::FrameOnLoadedGrid(const Frame& frame, DataSetArrays& data) {
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
    if (same) return true;
    const FrameName name = NameOf(frame);
    m_pReporter->Tell(
        {messages::kAppCaption,
         "Das Bild " + name.de + " liegt auf einem anderen Gitter als das erste Bild der Folge.",
         "the frame " + name.en + " lies on another grid than the first frame of the sequence"});
    return false;
}

bool FlowScene::ShowFrame(const Frame& frame) {
    if (!m_pImage) return false;
    DataSetArrays data;
    if (!ReadFrameArrays(frame, data)) return false;
    return ShowFrameArrays(frame, std::move(data));
}

bool FlowScene::ShowFrameArrays(const Frame& frame, DataSetArrays&& data) {
    if (!m_pImage || !FrameOnLoadedGrid(frame, data)) return false;
    // Taken before the lines go: a coherent series starts this frame's placement from them.
    const std::vector<GridNode> carried = m_modes.coherent ? LineSeeds() : std::vector<GridNode>{};
    m_pU = std::move(data.u);
    m_pV = std::move(data.v);
    m_pP = std::move(data.p);
    m_pW = std::move(data.w);
    m_notes = std::move(data.notes);
    data.Release();
    // The colour maps span the values of the frame shown, unless the sequence's range is set.
    m_bNodeRangesMeasured = false;
    ResetForDraw();
    BuildRasters();
    if (!m_bHedgehog) PlaceStreamlines(carried);
    return true;
}

bool FlowScene::MeasureSequenceRanges(const std::vector<Frame>& frames) {
    m_sequenceRanges.reset();
    if (!m_pImage) return false;
    NodeRanges ranges;
    const std::size_t plane = static_cast<std::size_t>(m_ni) * static_cast<std::size_t>(m_nj);
    for (const Frame& frame : frames) {
        DataSetArrays data;
        if (!ReadFrameArrays(frame, data) || !FrameOnLoadedGrid(frame, data)) return false;
        WidenRanges(ranges, MeasureRanges(data.u.get(), data.v.get(), data.p.get(), data.w.get(), plane));
    }
    m_sequenceRanges = ranges;
    return true;
}
