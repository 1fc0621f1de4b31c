#include "streamlines/seed_queue.h"

#include <stdexcept>

void SeedQueue::ThrowSubscript() {
    throw std::out_of_range("invalid vector<T> subscript");
}

void SeedQueue::Compact() {
    if (m_head == m_items.size()) {
        Clear();
    } else if (m_head >= kCompactAfter && 2 * m_head > m_items.size()) {
        m_items.erase(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(m_head));
        m_head = 0;
    }
}

void SeedQueue::Clear() {
    m_items.clear();
    m_head = 0;
}
