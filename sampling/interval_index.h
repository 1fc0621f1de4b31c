#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The first of a list of half-open intervals [low, high) that holds a value, found by bisection
// instead of a walk through the list: a grid whose rows or columns are not in order (a
// curvilinear grid folded over, or nodes in no order at all) answers each sample in a few
// comparisons. The answers are those of the walk, the values that are not numbers included.
class IntervalIndex {
public:
    struct Interval {
        float low;
        float high;
    };
    void Build(const std::vector<Interval>& intervals);
    bool Built() const { return m_built; }
    // The index of the first interval with low <= v < high, or -1. The stretch between bounds
    // that held the last value is tried first: samples along a line mostly stay in it.
    int First(float v) const;

private:
    // Every bound of every interval, once each, in order; between two neighbours the answer
    // cannot change, as no interval starts or ends there.
    std::vector<float> m_bounds;
    // The answer for values from m_bounds[k] up to m_bounds[k + 1].
    std::vector<std::int32_t> m_first;
    mutable std::size_t m_last = 0;
    bool m_built = false;
};
