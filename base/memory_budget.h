#pragma once

#include <cstdint>
#include <optional>

// How much memory the system can still give: on a machine whose kernel promises more than it
// has, an allocation far beyond that succeeds and the program is killed later instead of
// being told, so sizes are checked against this before anything large is taken.

// Bytes available without swapping (MemAvailable of /proc/meminfo), or nothing where the
// system does not say.
std::optional<std::uint64_t> AvailableMemory();
// False only when the system says it has less than BYTES available.
bool FitsInMemory(std::uint64_t bytes);
// Tests pretend the system has this much; nothing goes back to asking the system.
void SetAvailableMemoryForTesting(std::optional<std::uint64_t> bytes);
