#pragma once

#include <cstddef>
#include <new>

#include "base/large_pages.h"

// A pair of single-precision floats: a grid node in world units, and equally a world point,
// a velocity (u, v) or an integration increment. All integrator arithmetic stays in float.
struct GridNode {
    float x = 0.0f;
    float y = 0.0f;

    friend GridNode operator+(GridNode a, GridNode b) { return {a.x + b.x, a.y + b.y}; }
    GridNode& operator+=(GridNode b) {
        x += b.x;
        y += b.y;
        return *this;
    }
    friend GridNode operator/(GridNode a, float d) { return {a.x / d, a.y / d}; }
    friend bool operator==(GridNode a, GridNode b) = default;

    // An array of nodes is written whole as soon as it is taken, by the zeros of its
    // construction: a large one is asked for on large pages before that first touch.
    static void* operator new[](std::size_t bytes) {
        void* data = ::operator new[](bytes);
        AdviseLargePages(data, bytes);
        return data;
    }
    static void operator delete[](void* data) noexcept { ::operator delete[](data); }
};
