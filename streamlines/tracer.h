#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/grid_node.h"
#include "base/pixel_point.h"
#include "base/work_counters.h"
#include "streamlines/streamline.h"

// Tracing a streamline, for the standard placement, the fine placement and the click
// streamline alike: the same steps, the same pixels and the same spacing of the points kept.
// What differs is a policy's, which sees every pixel that could join the line. The loop is a
// template so that each caller's policy is inlined into its own copy: it runs once per step.

// The most integration steps one direction of a streamline takes.
inline constexpr int kMaxStepsPerDirection = 1000;

// A point joins the line only more than 1.5 pixels from the one kept before it. Between whole
// pixels sqrt(2) < 1.5 < sqrt(3): that is more than one pixel apart along x or y.
inline bool FartherThanSpacing(PixelPoint q, PixelPoint last) {
    // In 64 bits: pixels of points far off the raster would overflow 32.
    const std::int64_t dx = std::int64_t{q.x} - last.x;
    const std::int64_t dy = std::int64_t{q.y} - last.y;
    return dx > 1 || dx < -1 || dy > 1 || dy < -1;
}

// Forward directions grow the line at its end, backward ones at its start.
inline void AddAtEnd(Streamline& line, PixelPoint p, int direction) {
    if (direction == +1)
        line.AppendPoint(p.x, p.y);
    else
        line.PrependPoint(p.x, p.y);
}

// What a policy makes of a pixel farther than the spacing from the last one kept: the line
// keeps it, ends before it, ends having come round to its seed, or ends having come back to
// another part of itself. The last two join the line to the point the policy names.
enum class PixelVerdict { kKeep, kStop, kCloseLoop, kJoinItself };

// Why a direction ended.
enum class TraceEnd { kStepLimit, kLeftFlow, kStopped, kClosedLoop };

// A policy has, beside what it inherits from here,
//   PixelVerdict Judge(PixelPoint q, PixelPoint last)
// for each pixel Q farther than the spacing from LAST, the last one kept; and, where it sets
// kEndsAtEdge, for a step that fails or leaves the domain from CUR (towards NEXT),
//   GridNode EdgeEnd(GridNode cur, GridNode next, bool failed)
//   bool AdmitsEnd(PixelPoint end)
// the point where the line reaches the edge of the flow, and whether that point's pixel,
// spaced from the last one kept, may join the line.
// A policy that closes lines or joins them to themselves names the point they end at with
//   PixelPoint JoinPoint(PixelPoint seed) const
struct TracePolicy {
    static constexpr bool kEndsAtEdge = false;
    // Called before each direction, with the seed's pixel.
    void Begin(PixelPoint) {}
    // Where a line that closes or comes back to itself ends: its seed unless the policy knows better.
    PixelPoint JoinPoint(PixelPoint seed) const { return seed; }
};

// Traces over FLOW, which offers Step, IsInDomain, WorldToPixel, PrefetchVelocity,
// PrefetchPays, IsInPicture and EndsAtPicture as the scene does. Where the picture shows less
// than the whole grid (EndsAtPicture), a direction also ends where it leaves the picture, at
// its edge where the policy ends lines at the edge. Each direction's steps are added to STATS.steps and, when
// a LOG is kept, the direction is appended to it, so that its steps can be replayed.
template <class Flow>
class Tracer {
public:
    Tracer(const Flow& flow, PlacementStats& stats, std::vector<TracedDirection>* log)
        : m_flow(flow),
          m_stats(stats),
          m_log(log),
          m_prefetch(flow.PrefetchPays()),
          m_endsAtPicture(flow.EndsAtPicture()) {}

    // Both directions from SEED into LINE, which is emptied first and holds afterwards the
    // line with its seed and seed index; the backward direction only when the forward one did not come
    // back to the seed.
    template <class Policy>
    void BothWays(Streamline& line, GridNode seed, int method, Policy& policy) const {
        line.RemoveAll();
        // Room for a point at every step and one more, at the domain's edge or the seed.
        line.Reserve(kMaxStepsPerDirection + 2, kMaxStepsPerDirection + 2);
        const PixelPoint start = m_flow.WorldToPixel(seed);
        line.AppendPoint(start.x, start.y);
        const TraceEnd forward = Direction(line, seed, method, +1, policy);
        const std::size_t forwardCount = line.GetCount();
        // A closed loop already holds the whole orbit; tracing back would only retrace it.
        if (forward != TraceEnd::kClosedLoop) Direction(line, seed, method, -1, policy);
        line.SetSeedIndex(line.GetCount() - forwardCount);
        line.SetSeed(seed);
    }

    // One direction from P0, adding its points at LINE's growing end.
    template <class Policy>
    TraceEnd Direction(Streamline& line, GridNode p0, int method, int direction, Policy& policy) const {
        // In locals, which no call in the loop can change, rather than read again after each.
        const Flow& flow = m_flow;
        const bool prefetch = m_prefetch;
        const bool endsAtPicture = m_endsAtPicture;
        const PixelPoint start = flow.WorldToPixel(p0);
        policy.Begin(start);
        PixelPoint last = start;
        GridNode cur = p0;
        GridNode previous = p0;
        TraceEnd end = TraceEnd::kStepLimit;
        int steps = 0;
        while (steps < kMaxStepsPerDirection) {
            ++steps;
            if (prefetch) {
                // Where the next two steps will most likely sample: the line carried on straight.
                const GridNode ahead{cur.x - previous.x, cur.y - previous.y};
                flow.PrefetchVelocity(cur.x + ahead.x, cur.y + ahead.y);
                flow.PrefetchVelocity(cur.x + 2.0f * ahead.x, cur.y + 2.0f * ahead.y);
            }
            previous = cur;
            // Every reason for a direction to end is in this loop: the step limit, a failed step
            // (a stage point outside the domain, or no flow under the pixel step), a next point
            // outside the domain, and the policy's verdict on a pixel.
            bool failed = false;
            const GridNode next = flow.Step(method, cur, direction, &failed);
            // A failed step yields no point at all, not the origin it reports.
            if (failed || !flow.IsInDomain(next.x, next.y)) {
                if constexpr (Policy::kEndsAtEdge) {
                    const PixelPoint edge = flow.WorldToPixel(policy.EdgeEnd(cur, next, failed));
                    if (FartherThanSpacing(edge, last) && policy.AdmitsEnd(edge))
                        AddAtEnd(line, edge, direction);
                }
                end = TraceEnd::kLeftFlow;
                break;
            }
            const PixelPoint q = flow.WorldToPixel(next);
            if (endsAtPicture && !flow.IsInPicture(q.x, q.y)) {
                if constexpr (Policy::kEndsAtEdge) {
                    const PixelPoint edge = flow.NearestInPicture(q);
                    if (FartherThanSpacing(edge, last) && policy.AdmitsEnd(edge))
                        AddAtEnd(line, edge, direction);
                }
                end = TraceEnd::kLeftFlow;
                break;
            }
            if (FartherThanSpacing(q, last)) {
                const PixelVerdict verdict = policy.Judge(q, last);
                if (verdict == PixelVerdict::kStop) {
                    end = TraceEnd::kStopped;
                    break;
                }
                if (verdict == PixelVerdict::kCloseLoop || verdict == PixelVerdict::kJoinItself) {
                    const PixelPoint join = policy.JoinPoint(start);
                    if (FartherThanSpacing(join, last)) AddAtEnd(line, join, direction);
                    end = verdict == PixelVerdict::kCloseLoop ? TraceEnd::kClosedLoop : TraceEnd::kStopped;
                    break;
                }
                AddAtEnd(line, q, direction);
                last = q;
            }
            // A step that lands exactly where it started lands there again every time after, in
            // a flow that does not change: where the flow is too slow to move a float, as beside
            // a stagnation point or a wall, the rest of the direction's steps would add nothing.
            // They are counted as taken, so that whatever is bounded by steps stays the same.
            if (std::bit_cast<std::uint64_t>(next) == std::bit_cast<std::uint64_t>(cur)) {
                steps = kMaxStepsPerDirection;
                break;
            }
            cur = next;
        }
        m_stats.steps += static_cast<std::uint64_t>(steps);
        if (m_log) m_log->push_back({p0, method, direction, static_cast<std::uint32_t>(steps)});
        return end;
    }

private:
    const Flow& m_flow;
    PlacementStats& m_stats;
    std::vector<TracedDirection>* m_log;
    // Fetching the velocities ahead changes no result; it pays only on fields larger than a cache.
    bool m_prefetch;
    bool m_endsAtPicture;
};
