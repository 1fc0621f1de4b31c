#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scene/gri_format.h"

// The geometry file's 40-byte text header: "SN4DB " and then ni, nj, nk, two more integers
// and a decimal number.
inline constexpr std::size_t kGeometryHeaderBytes = gri::kHeaderBytes;

struct ParsedHeader {
    bool magicOk = false;
    // Decimal values of ni, nj and nk as written, saturated at kSaturated so that absurd
    // digit runs stay comparable; 0 for an empty run.
    std::array<std::uint64_t, 3> counts{0, 0, 0};
    static constexpr std::uint64_t kSaturated = UINT64_C(1) << 62;
};

// BYTES are the header bytes as read (at most 40 are looked at); the text ends at the first
// zero byte. Values are read one after the other: the longest run of digits (the sixth value
// may hold a point), then any white space. Nothing is skipped after the magic, so a blank
// there makes the first value empty, and any other character stops the reading.
ParsedHeader ParseGeometryHeader(std::string_view bytes);
