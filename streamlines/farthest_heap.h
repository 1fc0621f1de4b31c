#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "streamlines/distance_field.h"

// The pixels that may seed, farthest from the lines first and, at equal distance, the first in
// scan order first. No two entries are equal in that order, so the pixels come out in the same
// sequence from any correct heap; this one has four children a node, which halves the levels a
// pop passes through on a raster's worth of pixels and keeps a node's children in one cache line.
class FarthestHeap {
public:
    struct Entry {
        // Left unset when made without values, so that room for a raster's worth costs no writes.
        Entry() {}  // NOLINT(modernize-use-equals-default): = default would zero them in resize
        Entry(DistanceField::Squared k, std::uint32_t p) : key(k), pixel(p) {}
        DistanceField::Squared key;  // the squared distance when the pixel went in
        std::uint32_t pixel;
    };

    void Clear() { m_items.clear(); }
    bool Empty() const { return m_items.empty(); }
    std::size_t Size() const { return m_items.size(); }
    const Entry& Top() const { return m_items.front(); }

    // Entries added this way are in no order until Order is called.
    void Add(Entry e) { m_items.push_back(e); }
    // Every pixel below PIXELS that is OPEN and farther than LEAST, at its DISTANCE, without a
    // branch per pixel: which pixels pass is what a placement cannot predict.
    void AddOpenFarther(const DistanceField::Squared* distance, const std::uint8_t* open, std::size_t pixels,
                        DistanceField::Squared least);
    void Order();

    void Pop();
    // The top taken out and E put in, in one pass down: a pixel whose key went stale goes back
    // at its distance for the cost of a pop.
    void ReplaceTop(Entry e) { SiftDown(0, e); }

private:
    static constexpr std::size_t kArity = 4;
    static bool Before(const Entry& a, const Entry& b) {
        return a.key > b.key || (a.key == b.key && a.pixel < b.pixel);
    }
    void SiftDown(std::size_t at, Entry e);
    std::vector<Entry> m_items;
};
