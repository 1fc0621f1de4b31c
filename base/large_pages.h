#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

// Asks the system to back the fresh, untouched array at DATA of BYTES with large pages where it
// can: filling an array of a large data set otherwise takes a page fault every 4 KiB, which
// costs more than reading its file. A hint only, ignored where the system has no such pages.
// Inline, so that every user of GridNode's arrays has it without linking a library.
inline void AdviseLargePages([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes) {
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

// Faults in the fresh array at DATA of BYTES from the calling thread, a write to each page,
// leaving its values unset as they were. Threads that fill an array's parts at once stall on
// each other's large-page faults far longer than one thread takes to fault the whole array.
inline void FaultInPages(void* data, std::size_t bytes) {
    constexpr std::size_t kPage = 4096;
    auto* bytesOf = static_cast<volatile unsigned char*>(data);
    for (std::size_t at = 0; at < bytes; at += kPage) bytesOf[at] = 0;
}
