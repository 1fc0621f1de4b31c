#include "base/memory_budget.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

bool g_pretend = false;
std::optional<std::uint64_t> g_pretended;

}  // namespace

std::optional<std::uint64_t> AvailableMemory() {
    if (g_pretend) return g_pretended;
    std::ifstream meminfo("/proc/meminfo");
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        std::string key, unit;
        std::uint64_t value = 0;
        if (fields >> key >> value >> unit && key == "MemAvailable:" && unit == "kB") return value * 1024u;
    }
    return std::nullopt;
}

bool FitsInMemory(std::uint64_t bytes) {
    const std::optional<std::uint64_t> available = AvailableMemory();
    return !available || bytes <= *available;
}

void SetAvailableMemoryForTesting(std::optional<std::uint64_t> bytes) {
    g_pretend = bytes.has_value();
    g_pretended = bytes;
}
