#pragma once

#include <cstddef>
#include <vector>

#include "base/pixel_point.h"

// First-in, first-out queue of seed candidates with constant-time removal at the front.
// Entries before m_head are consumed; the storage is compacted when the consumed part
// dominates and kept between placements, so a placement allocates only while it grows.
class SeedQueue {
public:
    void Push(PixelPoint p) { m_items.push_back(p); }
    // Throws std::out_of_range("invalid vector<T> subscript") when i is not below the length.
    PixelPoint Get(std::size_t i) const {
        if (i >= Size()) ThrowSubscript();
        return m_items[m_head + i];
    }
    // Removes the front entry; nothing on an empty queue.
    void Pop() {
        if (Empty()) return;
        ++m_head;
        if (m_head == m_items.size() || (m_head >= kCompactAfter && 2 * m_head > m_items.size())) Compact();
    }
    std::size_t Size() const { return m_items.size() - m_head; }
    bool Empty() const { return Size() == 0; }
    void Clear();

private:
    // The consumed front is dropped once it is this long and more than half the storage; the
    // copy that costs is paid for by the pops before it.
    static constexpr std::size_t kCompactAfter = 1024;
    [[noreturn]] static void ThrowSubscript();
    void Compact();

    std::vector<PixelPoint> m_items;
    std::size_t m_head = 0;
};
