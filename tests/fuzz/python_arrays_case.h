#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How a fuzz input becomes a call of the Python module's checks, conversion and placement
// (python/array_input.h), with the arrays numpy could hand it:
//   byte 0       bit 0 p given, bit 1 w given, bit 2 vorticity derived and every raster made
//                as for a picture (else the placement's alone, as for lines), bit 3 a small picture's
//                size put first among the options (bit 4: as auto:N), bits 5..7 how many
//                options follow
//   bytes 1..2   the small picture's sides, 32..95
//   then         the seed, as an option's value
//   then         x and y: 4 bytes each (element type and dimensions, length, how the values run,
//                strides); u, v, p, w: 3 bytes each (element type and dimensions, strides and
//                shape, scale)
//   then         the options: a key byte (a row of the settings table, or a name none has) and
//                a value (None, bool, whole number within or past 64 bits, real number, text
//                with or without UTF-8, tuple of those, or another type)
//   then         the bytes the arrays' values are drawn from, in turn.
// Strides may be C or Fortran order, reversed, zero, overlapping, padded, any small number of
// bytes, or start off alignment; an array's buffer holds exactly the bytes its shape and
// strides address, so that a read past them is AddressSanitizer's to find.
struct ArraysOutcome {
    bool converted = false;  // the arrays and options passed the checks
    bool placed = false;     // the scene opened and placed
    std::size_t lines = 0;
    std::string error;       // the failure's message, when one was raised
    bool consistent = true;  // a failure has a message; every placed point lies in the picture
};

ArraysOutcome RunArraysCase(const std::uint8_t* data, std::size_t size);
