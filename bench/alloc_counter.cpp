#include "bench/alloc_counter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::int64_t> g_bytes{0};
std::atomic<std::int64_t> g_peak{0};

void Track(void* p) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    const auto size = static_cast<std::int64_t>(malloc_usable_size(p));
    const std::int64_t now = g_bytes.fetch_add(size, std::memory_order_relaxed) + size;
    std::int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

void* Allocate(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    Track(p);
    return p;
}

void* AllocateAligned(std::size_t size, std::align_val_t align) {
    void* p = nullptr;
    if (posix_memalign(&p, static_cast<std::size_t>(align), size ? size : 1) != 0) throw std::bad_alloc();
    Track(p);
    return p;
}

void Release(void* p) noexcept {
    if (!p) return;
    g_bytes.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)), std::memory_order_relaxed);
    std::free(p);
}

}  // namespace

namespace alloccount {

Snapshot Now() {
    return {g_allocations.load(), g_bytes.load(), g_peak.load()};
}

void ResetPeak() {
    g_peak.store(g_bytes.load());
}

}  // namespace alloccount

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(std::size_t size, std::align_val_t align) {
    return AllocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
    return AllocateAligned(size, align);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
