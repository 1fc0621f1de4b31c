#pragma once

#include <cstdint>

// Counts the program's heap use through a replaced global operator new/delete: the number of
// allocations and the bytes held now and at the peak since the last ResetPeak.
namespace alloccount {

struct Snapshot {
    std::uint64_t allocations = 0;
    std::int64_t bytes = 0;
    std::int64_t peakBytes = 0;
};

Snapshot Now();
// Starts a new peak from the bytes held now.
void ResetPeak();

}  // namespace alloccount
