#pragma once

#include <concepts>
#include <optional>

// Sizes and counts read from a file, added and multiplied without wrapping: a file can claim
// any number, and a sum that wraps round to a small one would pass every bound checked after it.
namespace formats {

// A + B, or nothing when the true sum does not fit in T.
template <std::integral T>
std::optional<T> CheckedAdd(T a, T b) {
    T sum;
    if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
    return sum;
}

// A * B, or nothing when the true product does not fit in T.
template <std::integral T>
std::optional<T> CheckedMultiply(T a, T b) {
    T product;
    if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
    return product;
}

}  // namespace formats
