#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

// Work over a large run of items split into parts, each on its own thread: reading and
// converting a large file is bound by copying and first-touching memory, which the kernel does
// for each thread on its own core.

// Where the parts of [FIRST, END) begin, and END last: as many parts as the machine has cores
// (at most MAXPARTS), each at least LEASTPART items long, every boundary but END at FIRST plus a
// multiple of ALIGN. One part when the run is too short to pay for a thread.
inline std::vector<std::int64_t> PartBounds(std::int64_t first, std::int64_t end, std::int64_t leastPart,
                                            std::int64_t align = 1, unsigned maxParts = 4) {
    const std::int64_t count = std::max<std::int64_t>(0, end - first);
    const auto cores =
        static_cast<std::int64_t>(std::clamp(std::thread::hardware_concurrency(), 1u, maxParts));
    const std::int64_t parts =
        std::clamp<std::int64_t>(count / std::max<std::int64_t>(1, leastPart), 1, cores);
    std::vector<std::int64_t> bounds{first};
    const std::int64_t step = std::max<std::int64_t>(1, align);
    for (std::int64_t k = 1; k < parts; ++k) {
        const std::int64_t at = first + count * k / parts / step * step;
        if (at > bounds.back() && at < end) bounds.push_back(at);
    }
    bounds.push_back(std::max(first, end));
    return bounds;
}

// Runs WORK(k, begin, end) for each part k between BOUNDS, part 0 on the calling thread, and
// returns when every part has ended. A thread that cannot be started leaves its part to the
// caller. The first exception a part throws is thrown again here, after all have ended.
template <typename Work>
void RunParts(const std::vector<std::int64_t>& bounds, Work&& work) {
    const std::size_t parts = bounds.size() < 2 ? 0 : bounds.size() - 1;
    std::vector<std::exception_ptr> failures(parts);
    auto run = [&](std::size_t k) {
        try {
            work(k, bounds[k], bounds[k + 1]);
        } catch (...) {
            failures[k] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    std::vector<std::size_t> leftToCaller;
    threads.reserve(parts);
    leftToCaller.reserve(parts);
    for (std::size_t k = 1; k < parts; ++k) {
        try {
            threads.emplace_back(run, k);
        } catch (const std::system_error&) {
            leftToCaller.push_back(k);
        }
    }
    if (parts > 0) run(0);
    for (const std::size_t k : leftToCaller) run(k);
    for (auto& thread : threads) thread.join();
    for (const auto& failure : failures)
        if (failure) std::rethrow_exception(failure);
}
