#pragma once

#include <array>
#include <cstdint>

#include "base/draw_settings.h"

// The colour maps as tables: entry 0 for the smallest value, entry 255 for the largest.
using ColourEntry = std::array<std::uint8_t, 3>;
inline constexpr int kColourTableSize = 256;
// Tables and the legend's bar go to OpenGL as plain bytes, three a colour.
static_assert(sizeof(ColourEntry) == 3);

// The table of MAP (viridis, cividis, cool to warm); null for the classic ramps, which are
// computed per pixel, and for any other value.
const ColourEntry* ColourTable(int map);

// The entry for position T on a map, 0 at its first colour and 1 at its last: the 256 entries
// split the range into equal parts, values beyond its ends take the end colours. -1 for a
// position that is not a number.
int TableIndex(double t);

// The colour at position T of MAP as the image shows FIELD with it, the classic ramps
// included: for the legend's bar, and for the tests.
ColourEntry MapColour(int map, int field, double t);
