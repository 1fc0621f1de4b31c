#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/data_set.h"

// One of the readers of other programs' files, as the fuzzers and the corpus replay call it.
using ReaderFunction = void (*)(std::string_view bytes, const std::string& file, DataSetArrays& out);

struct ReaderOutcome {
    bool read = false;       // the reader gave a data set and the scene took it
    bool consistent = true;  // a data set with every array, or nothing and a message in both languages
    std::string message;     // the English message when it was rejected
};

// Runs READER on BYTES as a file named NAME, then hands what it gave to a scene as the viewer
// does (without drawing, so that a fuzzer runs thousands of inputs a second).
ReaderOutcome RunReader(ReaderFunction reader, std::string_view bytes, const std::string& name);
