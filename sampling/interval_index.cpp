#include "sampling/interval_index.h"

#include <algorithm>
#include <cstddef>
#include <numeric>

void IntervalIndex::Build(const std::vector<Interval>& intervals) {
    m_bounds.clear();
    m_first.clear();
    m_last = 0;
    m_built = true;
    // An empty interval, or one with a bound that is not a number, holds no value: low < high
    // fails for both.
    for (const Interval& i : intervals)
        if (i.low < i.high) {
            m_bounds.push_back(i.low);
            m_bounds.push_back(i.high);
        }
    std::sort(m_bounds.begin(), m_bounds.end());
    m_bounds.erase(std::unique(m_bounds.begin(), m_bounds.end()), m_bounds.end());
    m_first.assign(m_bounds.size(), -1);
    // Each stretch of bounds is given to the first interval that covers it: intervals in their
    // order, the stretches already given skipped through NEXT, so that each is given once.
    std::vector<std::size_t> next(m_bounds.size() + 1);
    std::iota(next.begin(), next.end(), std::size_t{0});
    const auto unassigned = [&](std::size_t k) {
        while (next[k] != k) {
            next[k] = next[next[k]];
            k = next[k];
        }
        return k;
    };
    for (std::size_t n = 0; n < intervals.size(); ++n) {
        const Interval& i = intervals[n];
        if (!(i.low < i.high)) continue;
        const auto from = static_cast<std::size_t>(std::lower_bound(m_bounds.begin(), m_bounds.end(), i.low) -
                                                   m_bounds.begin());
        const auto to = static_cast<std::size_t>(std::lower_bound(m_bounds.begin(), m_bounds.end(), i.high) -
                                                 m_bounds.begin());
        for (std::size_t k = unassigned(from); k < to; k = unassigned(k)) {
            m_first[k] = static_cast<std::int32_t>(n);
            next[k] = k + 1;
        }
    }
}

int IntervalIndex::First(float v) const {
    // Below every bound, past the last (where no interval reaches), or not a number: none.
    if (m_bounds.empty() || !(v >= m_bounds.front())) return -1;
    if (m_last < m_bounds.size() && m_bounds[m_last] <= v &&
        (m_last + 1 == m_bounds.size() || v < m_bounds[m_last + 1]))
        return m_first[m_last];
    const auto k =
        static_cast<std::size_t>(std::upper_bound(m_bounds.begin(), m_bounds.end(), v) - m_bounds.begin()) -
        1;
    return m_first[k];
}
