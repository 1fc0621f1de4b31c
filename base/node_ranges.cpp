#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/colour_scale.h"
#include "base/parallel_parts.h"

namespace {

// Running extremes over several lanes, so that a loop over them has no chain of dependent
// comparisons and no branch: a value that is not finite is taken as each extreme's neutral
// value rather than skipped. Extremes are the same in whatever order values are taken.
constexpr int kLanes = 8;

struct Lanes {
    float low[kLanes];
    float high[kLanes];
    Lanes() {
        std::fill(std::begin(low), std::end(low), HUGE_VALF);
        std::fill(std::begin(high), std::end(high), -HUGE_VALF);
    }
    void Take(int lane, float x) {
        const bool finite = std::fabs(x) <= FLT_MAX;
        const float forLow = finite ? x : HUGE_VALF, forHigh = finite ? x : -HUGE_VALF;
        low[lane] = forLow < low[lane] ? forLow : low[lane];
        high[lane] = forHigh > high[lane] ? forHigh : high[lane];
    }
    void Join(const Lanes& other) {
        for (int lane = 0; lane < kLanes; ++lane) {
            low[lane] = std::min(low[lane], other.low[lane]);
            high[lane] = std::max(high[lane], other.high[lane]);
        }
    }
    ValueRange Range() const {
        const float least = *std::min_element(std::begin(low), std::end(low));
        const float most = *std::max_element(std::begin(high), std::end(high));
        ValueRange range;  // NaN at both ends when no value was finite
        if (least <= most) range = {least, most};
        return range;
    }
};

// Zeros of both signs compare equal, and a range that ends at zero ends at the first of them in
// the field, as a pass over the nodes in order finds it.
void FirstZeroAtEnds(ValueRange& range, const float* f, std::size_t count) {
    if (range.low != 0.0 && range.high != 0.0) return;
    const float first = *std::find(f, f + count, 0.0f);
    if (range.low == 0.0) range.low = first;
    if (range.high == 0.0) range.high = first;
}

struct PartRanges {
    Lanes speed, pressure, vorticity;
};

}  // namespace

NodeRanges MeasureRanges(const float* u, const float* v, const float* p, const float* w, std::size_t plane) {
    // A large grid's four fields are read in parts on their own threads: the pass is bound by
    // memory once its square roots run several to an instruction.
    const auto bounds = PartBounds(0, static_cast<std::int64_t>(plane), std::int64_t{1} << 20);
    std::vector<PartRanges> parts(bounds.size() - 1);
    RunParts(bounds, [&](std::size_t part, std::int64_t first, std::int64_t end) {
        // Locals, not the part's slot: stores there might alias the fields for all the compiler
        // knows, and would keep the extremes out of registers.
        PartRanges r;
        auto take = [&](std::int64_t n, int lane) {
            const double un = u[n], vn = v[n];
            r.speed.Take(lane, static_cast<float>(std::sqrt(un * un + vn * vn)));
            r.pressure.Take(lane, p[n]);
            r.vorticity.Take(lane, w[n]);
        };
        std::int64_t n = first;
        for (; n + kLanes <= end; n += kLanes)
            for (int lane = 0; lane < kLanes; ++lane) take(n + lane, lane);
        for (; n < end; ++n) take(n, 0);
        parts[part] = r;
    });
    PartRanges all;
    for (const PartRanges& r : parts) {
        all.speed.Join(r.speed);
        all.pressure.Join(r.pressure);
        all.vorticity.Join(r.vorticity);
    }
    NodeRanges ranges{all.speed.Range(), all.pressure.Range(), all.vorticity.Range()};
    FirstZeroAtEnds(ranges.pressure, p, plane);
    FirstZeroAtEnds(ranges.vorticity, w, plane);
    return ranges;
}
