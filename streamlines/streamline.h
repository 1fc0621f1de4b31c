#pragma once

#include <cstddef>
#include <vector>

#include "base/grid_node.h"
#include "base/pixel_point.h"

// An ordered list of raster pixels along one curve of the flow, from the last backward point
// to the last forward point. Points are held by value: a copy shows the same points in the
// same order, and releasing a streamline releases its points.
//
// Storage keeps free room in front of the first point, so that PrependPoint is amortised
// constant time like AppendPoint.
class Streamline {
public:
    Streamline() = default;
    virtual ~Streamline() = default;
    // A copy holds exactly the points, with no spare room at either end.
    Streamline(const Streamline& other);
    Streamline& operator=(const Streamline& other);
    // The moved-from streamline is left empty.
    Streamline(Streamline&& other) noexcept;
    Streamline& operator=(Streamline&& other) noexcept;

    void AppendPoint(int x, int y);
    void PrependPoint(int x, int y);
    // Throws std::out_of_range("invalid vector<T> subscript") when i is not below the count.
    PixelPoint GetPoint(std::size_t i) const;
    std::size_t GetCount() const { return m_points.size() - m_head; }
    // Forgets the points but keeps the storage for reuse.
    void RemoveAll();
    // Room for this many points at each end without reallocation.
    void Reserve(std::size_t front, std::size_t back);
    // Free places before the first point and after the last one before storage must grow.
    std::size_t FrontRoom() const { return m_head; }
    std::size_t BackRoom() const { return m_points.capacity() - m_points.size(); }

    // The index of the seed's pixel in a traced streamline: the number of points found
    // backwards. 0 for a streamline built point by point, unless set.
    std::size_t SeedIndex() const { return m_seedIndex; }
    void SetSeedIndex(std::size_t i) { m_seedIndex = i; }
    // The point of the flow a traced streamline started from, exactly: its pixel alone would
    // not trace the same line again. The origin for a streamline built point by point.
    GridNode Seed() const { return m_seed; }
    void SetSeed(GridNode seed) { m_seed = seed; }

    // Contiguous view of the points, index 0 first; for drawing and bulk reads.
    const PixelPoint* Data() const { return m_points.data() + m_head; }

private:
    // Moves the points into storage with exactly FRONT free places before them and at least
    // BACK after them.
    void Relocate(std::size_t front, std::size_t back);

    std::vector<PixelPoint> m_points;  // [m_head, size) hold the points
    std::size_t m_head = 0;
    std::size_t m_seedIndex = 0;
    GridNode m_seed{};
};
