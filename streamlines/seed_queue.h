#pragma once

#include <cstddef>
#include <vector>

#include "streamlines/pixel_point.h"

// First-in, first-out queue of seed candidates with constant-time removal at the front.
// Entries before m_head are consumed; the storage is compacted when the consumed part
// dominates and kept between placements, so a placement allocates only while it grows.
class SeedQueue {
public:
    void Push(PixelPoint p) { m_items.push_back(p); }
    // Throws std::out_of_range("invalid vector<T> subscript") when i is not below the length.
    PixelPoint Get(std::size_t i) const;
    // Removes the front entry; nothing on an empty queue.
    void Pop();
    std::size_t Size() const { return m_items.size() - m_head; }
    bool Empty() const { return Size() == 0; }
    void Clear();

private:
    std::vector<PixelPoint> m_items;
    std::size_t m_head = 0;
};
