#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// Adds an array of COMPONENTS interleaved values per sample as one column per component.
inline void AddArray(SampleSet& set, const std::string& name, std::size_t components,
                     const std::vector<double>& values) {
    if (components == 0) return;
    const std::size_t tuples = values.size() / components;
    for (std::size_t c = 0; c < components; ++c) {
        Column column{components == 1 ? name : name + ":" + std::to_string(c), std::vector<double>(tuples)};
        for (std::size_t t = 0; t < tuples; ++t) column.values[t] = values[t * components + c];
        set.columns.push_back(std::move(column));
    }
}

}  // namespace formats
