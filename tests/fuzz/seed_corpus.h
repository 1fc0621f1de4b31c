#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/fuzz/fuzz_input.h"

// Small valid data sets and near misses, one for each way the loader rejects a file, each
// with settings that exercise a different path (methods, backgrounds, hedgehog).
struct SeedCase {
    std::string name;
    FuzzCase input;
    bool shouldLoad;
};
std::vector<SeedCase> SeedCorpus();
// Names a case in test output instead of dumping its bytes.
inline void PrintTo(const SeedCase& c, std::ostream* os) {
    *os << c.name;
}
