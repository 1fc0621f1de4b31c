#pragma once

#include <cstdint>

// The first seed's generator: integers 0..32767 from a linear congruential recurrence
// (multiplier 214013, increment 2531011, bits 16..30 of the state), the classic C library
// generator that the 1/32767 scaling of the first seed was made for. Being our own, it gives
// the same sequence on every platform for the same seed.
class RandomSource {
public:
    static constexpr int kMax = 32767;
    void Seed(std::uint32_t seed) { m_state = seed; }
    int Next() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7fffu);
    }

private:
    std::uint32_t m_state = 1;
};
