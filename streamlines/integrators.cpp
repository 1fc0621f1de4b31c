#include <cmath>

#include "scene/flow_scene.h"

// Every step works on single-precision pairs, operation by operation, so that the points of a
// streamline do not depend on how the compiler widens intermediates.
//
// The three schemes are written once, over a field that may have no value at a point: the
// velocity, which always has one, for the time step, and the flow's direction in raster pixels
// for the pixel step, which has none where the flow does not move. A stage without a value
// fails the step as a stage point outside the domain does.

namespace {

// Only -1 reverses a step; any other direction integrates forwards.
float SignedStep(float h, int direction) {
    return direction == -1 ? -h : h;
}

GridNode Scaled(float tau, GridNode v) {
    return {tau * v.x, tau * v.y};
}

// FIELD(q, value) stores the field at q in VALUE, or returns false where it has none.
template <class Field>
GridNode EulerStep(const Field& field, GridNode p, float tau, bool& failed) {
    GridNode v;
    if (!field(p, v)) {
        failed = true;
        return {};
    }
    return {p.x + tau * v.x, p.y + tau * v.y};
}

template <class Field>
GridNode MidpointStep(const FlowScene& scene, const Field& field, GridNode p, float h, int direction,
                      bool& failed) {
    const GridNode m = EulerStep(field, p, SignedStep(h * 0.5f, direction), failed);
    GridNode v;
    if (failed || !scene.IsInDomain(m.x, m.y) || !field(m, v)) {
        failed = true;
        return {};
    }
    const float tau = SignedStep(h, direction);
    return {p.x + tau * v.x, p.y + tau * v.y};
}

template <class Field>
GridNode ClassicalStep(const FlowScene& scene, const Field& field, GridNode p, float h, int direction,
                       bool& failed) {
    auto fail = [&failed]() {
        failed = true;
        return GridNode{};
    };
    const float tau = SignedStep(h, direction);
    GridNode v;

    if (!field(p, v)) return fail();
    const GridNode k1 = Scaled(tau, v);
    const GridNode p2{p.x + 0.5f * k1.x, p.y + 0.5f * k1.y};
    if (!scene.IsInDomain(p2.x, p2.y) || !field(p2, v)) return fail();

    const GridNode k2 = Scaled(tau, v);
    const GridNode p3{p.x + 0.5f * k2.x, p.y + 0.5f * k2.y};
    if (!scene.IsInDomain(p3.x, p3.y) || !field(p3, v)) return fail();

    const GridNode k3 = Scaled(tau, v);
    const GridNode p4 = p + k3;
    if (!scene.IsInDomain(p4.x, p4.y) || !field(p4, v)) return fail();

    const GridNode k4 = Scaled(tau, v);
    GridNode sum = k1;
    sum += k2;
    sum += k2;
    sum += k3;
    sum += k3;
    sum += k4;
    return p + sum / 6.0f;
}

template <class Field>
GridNode Dispatch(const FlowScene& scene, const Field& field, int method, GridNode p, float h, int direction,
                  bool* failed) {
    bool stageFailed = false;
    GridNode next;
    switch (method) {
        case kMethodEuler:
            next = EulerStep(field, p, SignedStep(h, direction), stageFailed);
            break;
        case kMethodRK4:
            next = ClassicalStep(scene, field, p, h, direction, stageFailed);
            break;
        default:  // second order, and any value that names no method
            next = MidpointStep(scene, field, p, h, direction, stageFailed);
            break;
    }
    if (failed) *failed = stageFailed;
    return next;
}

// The velocity never lacks a value; a sample that is not a number is carried on as it is and
// ends the direction at the domain test of the point it leads to.
struct Velocity {
    const FlowScene& scene;
    bool operator()(GridNode q, GridNode& v) const {
        v = scene.SampleVelocity(q.x, q.y);
        return true;
    }
};

struct Direction {
    const FlowScene& scene;
    bool operator()(GridNode q, GridNode& d) const { return scene.FlowDirection(q.x, q.y, d); }
};

}  // namespace

GridNode FlowScene::Integrate(int method, GridNode p, float h, int direction, bool* failed) const {
    return Dispatch(*this, Velocity{*this}, method, p, h, direction, failed);
}

GridNode FlowScene::IntegrateEuler(GridNode p, float h, int direction) const {
    bool failed = false;
    return EulerStep(Velocity{*this}, p, SignedStep(h, direction), failed);
}

GridNode FlowScene::IntegrateRK2(GridNode p, float h, int direction, bool* failed) const {
    return Dispatch(*this, Velocity{*this}, kMethodRK2, p, h, direction, failed);
}

GridNode FlowScene::IntegrateRK4(GridNode p, float h, int direction, bool* failed) const {
    return Dispatch(*this, Velocity{*this}, kMethodRK4, p, h, direction, failed);
}

bool FlowScene::FlowDirection(float x, float y, GridNode& direction) const {
    const GridNode v = SampleVelocity(x, y);
    // |S v| is formed in double from the float velocity and the float scales and is not
    // rounded; each quotient is rounded to float once. In pixels, the result is one pixel long
    // to within that rounding.
    const double px = static_cast<double>(m_fScaleX) * v.x;
    const double py = static_cast<double>(m_fScaleY) * v.y;
    const double length = std::sqrt(px * px + py * py);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    direction = {static_cast<float>(v.x / length), static_cast<float>(v.y / length)};
    return true;
}

GridNode FlowScene::IntegratePixels(int method, GridNode p, float lengthPixels, int direction,
                                    bool* failed) const {
    return Dispatch(*this, Direction{*this}, method, p, lengthPixels, direction, failed);
}

GridNode FlowScene::Step(int method, GridNode p, int direction, bool* failed) const {
    if (PixelStepOn()) return IntegratePixels(method, p, m_modes.stepPixels, direction, failed);
    return Integrate(method, p, kTimeStep, direction, failed);
}
