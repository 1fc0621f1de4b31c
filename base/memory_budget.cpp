#include "base/memory_budget.h"

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

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

void AdviseLargePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Below a few large pages the call would cost more than it saves.
    constexpr std::size_t kLeastBytes = std::size_t{4} << 20;
    if (!data || bytes < kLeastBytes) return;
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) / page * page;
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}
