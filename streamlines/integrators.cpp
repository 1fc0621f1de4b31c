#include "scene/flow_scene.h"

// Every step works on single-precision pairs, operation by operation, so that the points of a
// streamline do not depend on how the compiler widens intermediates.

namespace {

// Only -1 reverses a step; any other direction integrates forwards.
float SignedStep(float h, int direction) {
    return direction == -1 ? -h : h;
}

GridNode Scaled(float tau, GridNode v) {
    return {tau * v.x, tau * v.y};
}

}  // namespace

GridNode FlowScene::Integrate(int method, GridNode p, float h, int direction, bool* failed) const {
    switch (method) {
        case kMethodEuler:
            if (failed) *failed = false;
            return IntegrateEuler(p, h, direction);
        case kMethodRK4:
            return IntegrateRK4(p, h, direction, failed);
        default:  // second order, and any value that names no method
            return IntegrateRK2(p, h, direction, failed);
    }
}

GridNode FlowScene::IntegrateEuler(GridNode p, float h, int direction) const {
    const float tau = SignedStep(h, direction);
    const GridNode v = SampleVelocity(p.x, p.y);
    return {p.x + tau * v.x, p.y + tau * v.y};
}

GridNode FlowScene::IntegrateRK2(GridNode p, float h, int direction, bool* failed) const {
    if (failed) *failed = false;
    const GridNode m = IntegrateEuler(p, h * 0.5f, direction);
    if (!IsInDomain(m.x, m.y)) {
        if (failed) *failed = true;
        return {};
    }
    const float tau = SignedStep(h, direction);
    const GridNode v = SampleVelocity(m.x, m.y);
    return {p.x + tau * v.x, p.y + tau * v.y};
}

GridNode FlowScene::IntegrateRK4(GridNode p, float h, int direction, bool* failed) const {
    if (failed) *failed = false;
    auto fail = [failed]() {
        if (failed) *failed = true;
        return GridNode{};
    };
    const float tau = SignedStep(h, direction);

    const GridNode k1 = Scaled(tau, SampleVelocity(p.x, p.y));
    const GridNode p2{p.x + 0.5f * k1.x, p.y + 0.5f * k1.y};
    if (!IsInDomain(p2.x, p2.y)) return fail();

    const GridNode k2 = Scaled(tau, SampleVelocity(p2.x, p2.y));
    const GridNode p3{p.x + 0.5f * k2.x, p.y + 0.5f * k2.y};
    if (!IsInDomain(p3.x, p3.y)) return fail();

    const GridNode k3 = Scaled(tau, SampleVelocity(p3.x, p3.y));
    const GridNode p4 = p + k3;
    if (!IsInDomain(p4.x, p4.y)) return fail();

    const GridNode k4 = Scaled(tau, SampleVelocity(p4.x, p4.y));
    GridNode sum = k1;
    sum += k2;
    sum += k2;
    sum += k3;
    sum += k3;
    sum += k4;
    return p + sum / 6.0f;
}
