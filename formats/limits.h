#pragma once

#include <cstddef>
#include <cstdint>

// How much any file may make the readers hold, whatever its header claims. A file is read into
// memory whole, and every value it holds is kept as a double until it is on the lattice; these
// bounds keep a hostile or damaged file from asking for more than a real data set needs.
namespace formats {

inline constexpr std::int64_t kMaxFileBytes = std::int64_t{1} << 30;  // 1 GiB
inline constexpr std::int64_t kMaxNodes = std::int64_t{1} << 25;      // 33 554 432 nodes
inline constexpr std::int64_t kMaxValues = std::int64_t{1} << 27;     // all arrays together
// Columns of a text file and variables of a Tecplot file, and the longest name one may have:
// a line of millions of fields or a name of megabytes is no data set's.
inline constexpr std::size_t kMaxColumns = 10000;
inline constexpr std::size_t kLongestName = 1024;
// More frames than a real series has, in a collection or in one file: bounds what a file can
// make the program list.
inline constexpr std::size_t kMaxFrames = 100000;

}  // namespace formats
