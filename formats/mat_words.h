#pragma once

#include <cstdint>

// The words of a MATLAB file, in the byte order its header declares, and the padding of its
// MAT 5 data elements.
namespace formats::mat {

// The 32-bit word at B.
inline std::uint32_t Word(const unsigned char* b, bool bigEndian) {
    return bigEndian
               ? std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3]
               : std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
}

// N bytes rounded up to whole 8-byte words, as a MAT 5 element's data is padded.
inline std::uint64_t PaddedTo8(std::uint64_t n) {
    return n + (8 - n % 8) % 8;
}

}  // namespace formats::mat
