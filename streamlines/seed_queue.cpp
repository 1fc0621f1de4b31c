#include "streamlines/seed_queue.h"

#include <stdexcept>

namespace {
// The consumed front is dropped once it is this long and more than half the storage; the
// copy that costs is paid for by the pops before it.
constexpr std::size_t kCompactAfter = 1024;
}  // namespace

PixelPoint SeedQueue::Get(std::size_t i) const {
    if (i >= Size()) throw std::out_of_range("invalid vector<T> subscript");
    return m_items[m_head + i];
}

void SeedQueue::Pop() {
    if (Empty()) return;
    ++m_head;
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
