#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/limits.h"

namespace formats {

// One value per sample under the name the file gives it. A vector array of a VTK file becomes
// one column per component, named "name:0", "name:1", ..., as ParaView names them in text.
struct Column {
    std::string name;
    std::vector<double> values;
};

// Everything a file holds per sample, before the samples are put on their lattice.
struct SampleSet {
    std::vector<Column> columns;
    // The vector array the file marks as its active one (VTK), tried when no name says velocity.
    std::string activeVector;

    std::int64_t Count() const {
        return columns.empty() ? 0 : static_cast<std::int64_t>(columns.front().values.size());
    }
};

// Adds an array, one column of values per component, each as a column of its own: named NAME
// for one component, and "NAME:0", "NAME:1", ... for several.
// A name longer than kLongestName is cut to it.
inline void AddColumns(SampleSet& set, std::string_view name, std::vector<std::vector<double>>&& columns) {
    const std::string base(name.substr(0, kLongestName));
    for (std::size_t c = 0; c < columns.size(); ++c)
        set.columns.push_back(
            {columns.size() == 1 ? base : base + ":" + std::to_string(c), std::move(columns[c])});
}

}  // namespace formats
