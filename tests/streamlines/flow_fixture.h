#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/loaded_scene.h"
#include "tests/support/test_support.h"

namespace streamlines_test {

// Velocity (u, v) at a world point.
using VelocityField = std::function<std::pair<float, float>(float, float)>;

// A rectilinear grid over XS by YS carrying FIELD; pressure and vorticity stay zero.
inline DataSetArrays MakeFlow(const std::vector<float>& xs, const std::vector<float>& ys,
                              const VelocityField& field) {
    return testsupport::MakeRectilinear(xs, ys, 1, [&](float x, float y) {
        const auto [u, v] = field(x, y);
        testsupport::NodeValues values;
        values.u = u;
        values.v = v;
        return values;
    });
}

using LoadedFlow = testsupport::LoadedScene;

// All points of S, index 0 first.
inline std::vector<PixelPoint> PointsOf(const Streamline& s) {
    std::vector<PixelPoint> points;
    for (std::size_t i = 0; i < s.GetCount(); ++i) points.push_back(s.GetPoint(i));
    return points;
}

// Expects F to throw std::out_of_range with the text that every indexed read uses.
template <typename F>
void ExpectSubscriptError(F&& f) {
    try {
        f();
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_EQ(std::string(e.what()), "invalid vector<T> subscript");
    }
}

}  // namespace streamlines_test
