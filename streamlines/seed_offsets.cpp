#include "streamlines/seed_offsets.h"

#include <cmath>

bool SeedOffsets::Compute(std::int64_t dx, std::int64_t dy, double d, std::int64_t& tx, std::int64_t& ty) {
    const auto fx = static_cast<double>(dx);
    const auto fy = static_cast<double>(dy);
    const float len = static_cast<float>(std::sqrt(fx * fx + fy * fy));
    if (!(len > 0.0f)) return false;  // only a hand-made line can repeat a point
    const float nx = static_cast<float>(-fy / len * d);
    const float ny = static_cast<float>(fx / len * d);
    // 64 bits, because a hand-made line or a huge d_sep may reach past the int range.
    tx = static_cast<std::int64_t>(std::trunc(nx));
    ty = static_cast<std::int64_t>(std::trunc(ny));
    return true;
}

bool SeedOffsets::GetSlowly(std::int64_t dx, std::int64_t dy, double d, std::int64_t& tx, std::int64_t& ty) {
    if (dx < -kReach || dx > kReach || dy < -kReach || dy > kReach || !(d <= kLargestRemembered))
        return Compute(dx, dy, d, tx, ty);
    if (d != m_d) {
        m_entries.fill(Entry{});
        m_d = d;
    }
    Entry& e = m_entries[static_cast<std::size_t>((dy + kReach) * kSide + (dx + kReach))];
    if (e.state == 0) {
        std::int64_t x = 0, y = 0;
        e.state = Compute(dx, dy, d, x, y) ? 2 : 1;
        e.tx = static_cast<std::int32_t>(x);
        e.ty = static_cast<std::int32_t>(y);
    }
    tx = e.tx;
    ty = e.ty;
    return e.state == 2;
}
