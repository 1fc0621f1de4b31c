#pragma once

#include <array>
#include <cstdint>

// The offset of the seed candidates beside a segment: its direction (dx, dy) turned a quarter
// turn counter-clockwise and made d_sep long, each component truncated towards zero. It
// depends on nothing but dx, dy and d_sep, and consecutive points of a streamline are a few
// pixels apart, so the square root and divisions are done once per short direction and
// separating distance, not once per segment.
class SeedOffsets {
public:
    // False for dx = dy = 0, which has no direction.
    bool Get(std::int64_t dx, std::int64_t dy, double d, std::int64_t& tx, std::int64_t& ty) {
        if (dx < -kReach || dx > kReach || dy < -kReach || dy > kReach || d != m_d)
            return GetSlowly(dx, dy, d, tx, ty);
        const Entry& e = m_entries[static_cast<std::size_t>((dy + kReach) * kSide + (dx + kReach))];
        if (e.state == 0) return GetSlowly(dx, dy, d, tx, ty);
        tx = e.tx;
        ty = e.ty;
        return e.state == 2;
    }
    // The offset as computed for every segment, in single precision where it is rounded.
    static bool Compute(std::int64_t dx, std::int64_t dy, double d, std::int64_t& tx, std::int64_t& ty);

private:
    bool GetSlowly(std::int64_t dx, std::int64_t dy, double d, std::int64_t& tx, std::int64_t& ty);

    static constexpr int kReach = 15;  // |dx| and |dy| remembered
    static constexpr int kSide = 2 * kReach + 1;
    // Past this d_sep an offset may not fit 32 bits; such are computed each time.
    static constexpr double kLargestRemembered = 1 << 20;
    struct Entry {
        std::int32_t tx = 0;
        std::int32_t ty = 0;
        std::uint8_t state = 0;  // 0: not yet computed, 1: no direction, 2: tx and ty
    };
    double m_d = -1.0;  // the d_sep the entries hold
    std::array<Entry, kSide * kSide> m_entries{};
};
