#include "streamlines/farthest_heap.h"

#include <algorithm>

void FarthestHeap::Order() {
    const std::size_t n = m_items.size();
    if (n < 2) return;
    for (std::size_t i = (n - 2) / kArity + 1; i-- > 0;) SiftDown(i, m_items[i]);
}

void FarthestHeap::Pop() {
    const Entry last = m_items.back();
    m_items.pop_back();
    if (!m_items.empty()) SiftDown(0, last);
}

void FarthestHeap::SiftDown(std::size_t at, Entry e) {
    const std::size_t n = m_items.size();
    for (;;) {
        const std::size_t first = kArity * at + 1;
        if (first >= n) break;
        const std::size_t end = std::min(first + kArity, n);
        std::size_t best = first;
        for (std::size_t c = first + 1; c < end; ++c)
            if (Before(m_items[c], m_items[best])) best = c;
        if (!Before(m_items[best], e)) break;
        m_items[at] = m_items[best];
        at = best;
    }
    m_items[at] = e;
}
