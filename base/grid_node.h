#pragma once

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
};
