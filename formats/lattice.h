#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "formats/read_error.h"

namespace formats {

// The nodes of a rectilinear lattice and, for each, the sample that lies on it.
struct Lattice {
    std::vector<double> x, y, z;  // ascending; z holds one value for a single plane
    // Node (k * nj + j) * ni + i is sample sampleOf[node]; empty when the samples are already
    // in node order.
    std::vector<std::int64_t> sampleOf;

    std::int64_t NodeCount() const {
        return static_cast<std::int64_t>(x.size()) * static_cast<std::int64_t>(y.size()) *
               static_cast<std::int64_t>(z.size());
    }
    std::int64_t SampleAt(std::int64_t node) const {
        return sampleOf.empty() ? node : sampleOf[static_cast<std::size_t>(node)];
    }
};

// Where sample S is in the file, for messages.
using SampleLocator = std::function<Place(std::int64_t sample)>;

// Puts samples in any order (x or y running fastest, either axis descending, as PIV programs
// write them) onto the rectilinear lattice their coordinates form. Coordinates that differ by
// no more than text rounding are taken as one; Z may be null for a single plane. Points that
// form no lattice, a lattice with holes and two samples on one node are rejected with a
// ReadError naming FILE and, where there is one, the sample's place.
Lattice SortOntoLattice(const std::vector<double>& x, const std::vector<double>& y,
                        const std::vector<double>* z, const std::string& file, const SampleLocator& where);

}  // namespace formats
