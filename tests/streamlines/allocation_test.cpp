// Tracing allocates per streamline, not per step, and the separation test not at all. The
// program's allocation function is replaced to count calls while a test asks for it.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "tests/streamlines/flow_fixture.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

// Counts the allocations made while it lives.
class AllocationCounter {
public:
    AllocationCounter() {
        g_allocations = 0;
        g_counting = true;
    }
    ~AllocationCounter() { g_counting = false; }
    long Count() const { return g_allocations; }
};
}  // namespace

void* operator new(std::size_t size) {
    if (g_counting) ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// GCC cannot see that the replaced operator new allocates with malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

using streamlines_test::LoadedFlow;
using streamlines_test::MakeFlow;
using testsupport::Axis;

class AllocationTest : public LoadedFlow {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(41, -1, 1), Axis(41, -1, 1), [](float x, float y) {
            return std::pair{-0.2f * y, 0.2f * x};
        })));
        Scene().SetFixedSeed(99u);
    }
};

TEST_F(AllocationTest, TracingAllocatesOnlyTheFinishedStreamline) {
    for (int method : {0, 1, 2}) {
        Scene().CreateStreamline({0.5f, 0.0f}, method, true);  // the first one may set up storage
        AllocationCounter counter;
        std::size_t steps = Scene().Stats().steps;
        for (int i = 0; i < 10; ++i)
            Scene().CreateStreamline({0.1f * static_cast<float>(i), 0.0f}, method, true);
        steps = Scene().Stats().steps - steps;
        EXPECT_GT(steps, 10000u);
        EXPECT_LE(counter.Count(), 20) << method;  // the object and its points, per streamline
    }
}

TEST_F(AllocationTest, SeparationTestAllocatesNothing) {
    Scene().PlaceStreamlines();
    ASSERT_GT(Grid().PointCount(), 100u);
    AllocationCounter counter;
    int passed = 0;
    for (int y = 0; y < 560; y += 7)
        for (int x = 0; x < 350; x += 7) passed += Scene().IsFarEnough(x, y, 10.0f) ? 1 : 0;
    EXPECT_EQ(counter.Count(), 0);
    EXPECT_GT(passed, 0);
}

TEST_F(AllocationTest, PlacementAllocatesFarLessOftenThanItSteps) {
    // Flow so slow that most steps add no point: the work is in the steps, and what a
    // placement allocates (streamlines, stored points, candidates) must not grow with them.
    ASSERT_NO_FATAL_FAILURE(Load(MakeFlow(Axis(41, -1, 1), Axis(41, -1, 1), [](float x, float y) {
        return std::pair{-0.002f * y, 0.002f * x};
    })));
    Scene().PlaceStreamlines();  // warm: the list and queue keep their storage
    Scene().ResetForDraw();
    AllocationCounter counter;
    Scene().PlaceStreamlines();
    const PlacementStats& stats = Scene().Stats();
    ASSERT_GT(stats.steps, 20000u);
    EXPECT_LT(static_cast<std::uint64_t>(counter.Count()), stats.steps / 20)
        << counter.Count() << " allocations for " << stats.steps << " steps, " << stats.streamlines
        << " streamlines";
}

}  // namespace
