#include "tools/cli/batch_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

// Every input is done exactly once whatever the number of workers, never more at once than
// there are workers, and the count of failures is that of the tasks that failed.
TEST(BatchRunner, EachInputOnceAtMostWorkersAtOnceAndTheFailuresCounted) {
    for (std::size_t count : {0u, 1u, 2u, 7u, 64u})
        for (unsigned workers : {1u, 2u, 3u, 8u}) {
            std::vector<std::atomic<int>> runs(count);
            std::atomic<unsigned> inFlight{0}, most{0};
            const std::size_t failed = cli::RunBatch(
                count, workers,
                [&](std::size_t i) {
                    const unsigned now = ++inFlight;
                    for (unsigned m = most.load(); now > m && !most.compare_exchange_weak(m, now);) {
                    }
                    ++runs[i];
                    --inFlight;
                    return i % 3 != 1;
                },
                "test");
            for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(runs[i].load(), 1) << count << " " << workers;
            EXPECT_EQ(failed, (count + 1) / 3) << count << " " << workers;
            EXPECT_LE(most.load(), workers);
        }
}

TEST(BatchRunner, AWorkerPerCoreAtMostOnePerInput) {
    EXPECT_EQ(cli::BatchWorkers(0), 1u);
    EXPECT_EQ(cli::BatchWorkers(1), 1u);
    for (std::size_t n : {2u, 5u, 1000u}) {
        EXPECT_LE(cli::BatchWorkers(n), n);
        EXPECT_GE(cli::BatchWorkers(n), 1u);
    }
}

}  // namespace
