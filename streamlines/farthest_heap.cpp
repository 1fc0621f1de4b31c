#include "streamlines/farthest_heap.h"

#include <algorithm>

void FarthestHeap::Order() {
    const std::size_t n = m_items.size();
    if (n < 2) return;
    for (std::size_t i = (n - 2) / kArity + 1; i-- > 0;) SiftDown(i, m_items[i]);
}

void FarthestHeap::AddOpenFarther(const DistanceField::Squared* distance, const std::uint8_t* open,
                                  std::size_t pixels, DistanceField::Squared least) {
    const std::size_t start = m_items.size();
    m_items.resize(start + pixels);
    Entry* out = m_items.data() + start;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        out[kept] = Entry(distance[i], static_cast<std::uint32_t>(i));
        kept += static_cast<std::size_t>(open[i] != 0) & static_cast<std::size_t>(distance[i] > least);
    }
    m_items.resize(start + kept);
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
