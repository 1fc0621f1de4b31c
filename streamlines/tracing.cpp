#include <algorithm>
#include <cmath>
#include <cstdint>

#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"

namespace {

constexpr int kMaxStepsPerDirection = 1000;
// Velocity arrays (u and v of plane 0) up to this size stay in the second-level cache of
// any current processor, and fetching ahead would only cost time.
constexpr std::int64_t kPrefetchFromBytes = 1 << 20;

// A point joins the line only more than 1.5 pixels from the one added before it. Between
// whole pixels sqrt(2) < 1.5 < sqrt(3): that is more than one pixel apart along x or y.
bool FartherThanSpacing(PixelPoint q, PixelPoint last) {
    // In 64 bits: pixels of points far off the raster would overflow 32.
    const std::int64_t dx = std::int64_t{q.x} - last.x;
    const std::int64_t dy = std::int64_t{q.y} - last.y;
    return dx > 1 || dx < -1 || dy > 1 || dy < -1;
}

}  // namespace

std::unique_ptr<Streamline> FlowScene::CreateStreamline(GridNode seed, int method, bool click) {
    // Traced into storage kept by the scene, then copied once at its final size: a streamline
    // costs one allocation however many steps it takes.
    m_scratch.RemoveAll();
    m_scratch.Reserve(kMaxStepsPerDirection + 1, kMaxStepsPerDirection + 1);
    const PixelPoint start = WorldToPixel(seed);
    m_scratch.AppendPoint(start.x, start.y);
    TraceDirection(m_scratch, seed, method, +1, click);
    const std::size_t forward = m_scratch.GetCount();
    TraceDirection(m_scratch, seed, method, -1, click);
    m_scratch.SetSeedIndex(m_scratch.GetCount() - forward);
    auto s = std::make_unique<Streamline>(m_scratch);
    m_scratch.RemoveAll();
    if (!click) {
        InsertIntoGrid(*s);
        AddSeedCandidates(*s);
    }
    return s;
}

void FlowScene::TraceDirection(Streamline& s, GridNode p0, int method, int direction, bool click) {
    PixelPoint last = WorldToPixel(p0);
    GridNode cur = p0;
    GridNode previous = p0;
    const bool prefetch =
        static_cast<std::int64_t>(m_ni) * m_nj * 2 * std::int64_t{sizeof(float)} > kPrefetchFromBytes;
    const float dtest = m_fDTest;
    int steps = 0;
    while (steps < kMaxStepsPerDirection) {
        ++steps;
        if (prefetch) {
            // Where the next two steps will most likely sample: the line carried on straight.
            const GridNode ahead{cur.x - previous.x, cur.y - previous.y};
            PrefetchVelocity(cur.x + ahead.x, cur.y + ahead.y);
            PrefetchVelocity(cur.x + 2.0f * ahead.x, cur.y + 2.0f * ahead.y);
        }
        previous = cur;
        // Every reason for a direction to end is in this loop: the step limit, a failed step
        // (a stage point outside the domain, or no flow under the pixel step), a next point
        // outside the domain, and a point too close to an earlier streamline.
        bool failed = false;
        const GridNode next = Step(method, cur, direction, &failed);
        // A failed step yields no point at all, not the origin it reports.
        if (failed || !IsInDomain(next.x, next.y)) break;
        const PixelPoint q = WorldToPixel(next);
        if (FartherThanSpacing(q, last)) {
            if (!click && !IsFarEnough(q.x, q.y, dtest)) break;
            if (direction == +1)
                s.AppendPoint(q.x, q.y);
            else
                s.PrependPoint(q.x, q.y);
            last = q;
        }
        cur = next;
    }
    m_stats.steps += static_cast<std::uint64_t>(steps);
    if (m_pTraceLog) m_pTraceLog->push_back({p0, method, direction, static_cast<std::uint32_t>(steps)});
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
            if (c[0] >= 0 && c[0] < kRasterWidth && c[1] >= 0 && c[1] < kRasterHeight &&
                IsPixelInData(static_cast<int>(c[0]), static_cast<int>(c[1])))
                PushSeed(static_cast<int>(c[0]), static_cast<int>(c[1]));
    }
}

void FlowScene::PushSeed(int x, int y) {
    m_seedQueue.Push({x, y});
}
