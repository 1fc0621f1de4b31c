#pragma once

#include <optional>
#include <vector>

#include "base/pixel_point.h"
#include "base/shown_numbers.h"

class FlowScene;

// The data's coordinates of a scene's pixels, as FlowScene::PixelToShown gives them. A pixel's x
// follows from its column alone and its y from its row, and the lines of a picture pass the
// same ones many times: each is worked out (to its shortest decimal) once.
class ShownAxes {
public:
    explicit ShownAxes(const FlowScene& scene);
    ShownPoint At(PixelPoint p);

private:
    const FlowScene& m_scene;
    std::vector<std::optional<double>> m_x, m_y;
};
