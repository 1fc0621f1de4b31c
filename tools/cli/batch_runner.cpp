#include "tools/cli/batch_runner.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace cli {

unsigned BatchWorkers(std::size_t inputs) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(inputs, cores)));
}

std::size_t RunBatch(std::size_t count, unsigned workers, const std::function<bool(std::size_t)>& task,
                     const std::string& program) {
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> failed{0};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            if (!task(i)) ++failed;
            const std::lock_guard lock(mutex);
            ++done;
            changed.notify_one();
        }
    };
    workers = std::max(1u, workers);
    std::vector<std::thread> threads;
    for (unsigned w = 0; w < workers; ++w) threads.emplace_back(work);
    {
        // The calling thread only watches, so that the progress line keeps time.
        const bool terminal = ::isatty(STDERR_FILENO) == 1;
        const auto start = std::chrono::steady_clock::now();
        bool shown = false;
        std::unique_lock lock(mutex);
        while (done < count) {
            changed.wait_for(lock, std::chrono::milliseconds(250));
            if (terminal && std::chrono::steady_clock::now() - start > std::chrono::seconds(1)) {
                std::fprintf(stderr, "\r%s: %zu of %zu done", program.c_str(), done, count);
                std::fflush(stderr);
                shown = true;
            }
        }
        lock.unlock();
        if (shown) std::fputs("\r\033[K", stderr);
    }
    for (std::thread& t : threads) t.join();
    return failed.load();
}

}  // namespace cli
