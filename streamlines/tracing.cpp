#include <algorithm>
#include <cmath>
#include <cstdint>

#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"

namespace {

constexpr int kMaxStepsPerDirection = 1000;
// A point joins the line only this far (strictly) from the one added before it.
constexpr double kMinSpacing = 1.5;

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
    int steps = 0;
    while (steps < kMaxStepsPerDirection) {
        ++steps;
        ++m_stats.steps;
        // Where the next two steps will most likely sample: the line carried on straight.
        const GridNode ahead{cur.x - previous.x, cur.y - previous.y};
        PrefetchVelocity(cur.x + ahead.x, cur.y + ahead.y);
        PrefetchVelocity(cur.x + 2.0f * ahead.x, cur.y + 2.0f * ahead.y);
        previous = cur;
        // Every reason for a direction to end is in this loop: the step limit, a failed step
        // (a stage point outside the domain, or no flow under the pixel step), a next point
        // outside the domain, and a point too close to an earlier streamline.
        bool failed = false;
        const GridNode next = Step(method, cur, direction, &failed);
        // A failed step yields no point at all, not the origin it reports.
        if (failed || !IsInDomain(next.x, next.y)) break;
        const PixelPoint q = WorldToPixel(next);
        if (PixelDistance(q.x, q.y, last.x, last.y) > kMinSpacing) {
            if (!click && !IsFarEnough(q.x, q.y, m_fDTest)) break;
            if (direction == +1)
                s.AppendPoint(q.x, q.y);
            else
                s.PrependPoint(q.x, q.y);
            last = q;
        }
        cur = next;
    }
    if (m_pTraceLog) m_pTraceLog->push_back({p0, method, direction, static_cast<std::uint32_t>(steps)});
}

void FlowScene::InsertIntoGrid(const Streamline& s) {
    SeparationGrid& grid = Grid();
    if (grid.CellCount() == 0) return;
    const PixelPoint* points = s.Data();
    for (std::size_t i = 0; i < s.GetCount(); ++i) {
        grid.LocateCell(points[i].x, points[i].y, m_aCellNbr);
        grid.Cell(m_aCellNbr[0]).AddPoint(points[i].x, points[i].y);
    }
}

void FlowScene::AddSeedCandidates(const Streamline& s) {
    const double d = std::max(m_nDSep, 1);
    const PixelPoint* points = s.Data();
    const std::size_t n = s.GetCount();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const PixelPoint p = points[i];
        const PixelPoint q = points[i + 1];
        const double dx = static_cast<double>(static_cast<std::int64_t>(q.x) - p.x);
        const double dy = static_cast<double>(static_cast<std::int64_t>(q.y) - p.y);
        const float len = static_cast<float>(std::sqrt(dx * dx + dy * dy));
        if (!(len > 0.0f)) continue;  // only a hand-made line can repeat a point
        // The segment's direction turned a quarter turn counter-clockwise, d_sep long.
        const float nx = static_cast<float>(-dy / len * d);
        const float ny = static_cast<float>(dx / len * d);
        // 64 bits, because a hand-made line or a huge d_sep may reach past the int range.
        const std::int64_t tx = static_cast<std::int64_t>(std::trunc(nx));
        const std::int64_t ty = static_cast<std::int64_t>(std::trunc(ny));
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
