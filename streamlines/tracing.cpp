#include <algorithm>
#include <cmath>
#include <cstdint>

#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"
#include "streamlines/tracer.h"

namespace {

// The standard placement's lines end at the first pixel too close to another line; the click
// streamline's, which is traced without separation tests, keep every pixel.
struct StandardPolicy : TracePolicy {
    FlowScene& scene;
    const float dtest;
    const bool click;
    PixelVerdict Judge(PixelPoint q, PixelPoint) {
        return click || scene.IsFarEnough(q.x, q.y, dtest) ? PixelVerdict::kKeep : PixelVerdict::kStop;
    }
};

}  // namespace

std::unique_ptr<Streamline> FlowScene::CreateStreamline(GridNode seed, int method, bool click) {
    // Traced into storage kept by the scene, then copied once at its final size: a streamline
    // costs one allocation however many steps it takes.
    StandardPolicy policy{{}, *this, m_fDTest, click};
    Tracer(*this, m_stats, m_pTraceLog).BothWays(m_scratch, seed, method, policy);
    auto s = std::make_unique<Streamline>(m_scratch);
    m_scratch.RemoveAll();
    if (!click) {
        InsertIntoGrid(*s);
        AddSeedCandidates(*s);
    }
    return s;
}

void FlowScene::TraceDirection(Streamline& s, GridNode p0, int method, int direction, bool click) {
    StandardPolicy policy{{}, *this, m_fDTest, click};
    Tracer(*this, m_stats, m_pTraceLog).Direction(s, p0, method, direction, policy);
}

void FlowScene::InsertIntoGrid(const Streamline& s) {
    if (m_bSlotsDeferred)
        m_bSlotsOwed |= Grid().StorePoints(s.Data(), s.GetCount(), m_nCurrentCell);
    else
        Grid().StorePoints(s.Data(), s.GetCount(), m_aCellNbr);
}

void FlowScene::AddSeedCandidates(const Streamline& s) {
    const double d = std::max(m_nDSep, 1);
    const PixelPoint* points = s.Data();
    const std::size_t n = s.GetCount();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const PixelPoint p = points[i];
        const PixelPoint q = points[i + 1];
        std::int64_t tx, ty;
        if (!m_seedOffsets.Get(std::int64_t{q.x} - p.x, std::int64_t{q.y} - p.y, d, tx, ty)) continue;
        const std::int64_t candidates[2][2] = {{p.x + tx, p.y + ty}, {p.x - tx, p.y - ty}};
        for (const auto& c : candidates)
            if (c[0] >= 0 && c[0] < m_raster.width && c[1] >= 0 && c[1] < m_raster.height &&
                IsPixelInData(static_cast<int>(c[0]), static_cast<int>(c[1])))
                PushSeed(static_cast<int>(c[0]), static_cast<int>(c[1]));
    }
}

void FlowScene::PushSeed(int x, int y) {
    m_seedQueue.Push({x, y});
}
