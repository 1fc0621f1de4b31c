// The containers of the subsystem: a streamline's points, the seed queue and the farthest-pixel heap.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "streamlines/farthest_heap.h"
#include "streamlines/seed_queue.h"
#include "streamlines/streamline.h"
#include "tests/streamlines/flow_fixture.h"

namespace {

using streamlines_test::ExpectSubscriptError;
using streamlines_test::PointsOf;

TEST(StreamlineTest, BackwardPointsComeFirstInReverseOrderOfFinding) {
    Streamline s;
    EXPECT_EQ(s.GetCount(), 0u);
    s.AppendPoint(10, 10);  // the seed
    s.AppendPoint(12, 10);
    s.PrependPoint(8, 10);
    s.AppendPoint(14, 10);
    s.PrependPoint(6, 10);
    const std::vector<PixelPoint> expected{{6, 10}, {8, 10}, {10, 10}, {12, 10}, {14, 10}};
    EXPECT_EQ(PointsOf(s), expected);
    EXPECT_EQ(s.Data()[2], (PixelPoint{10, 10}));
}

TEST(StreamlineTest, ManyPrependsKeepOrderAndStayCheap) {
    // A thousand backward points onto a thousand forward ones: the order must hold across every
    // growth of the front room, and the front room must grow geometrically, not by one.
    Streamline s;
    for (int i = 0; i < 1000; ++i) s.AppendPoint(i, 0);
    int growths = 0;
    for (int i = 1; i <= 1000; ++i) {
        if (s.FrontRoom() == 0) ++growths;
        s.PrependPoint(-i, 0);
    }
    ASSERT_EQ(s.GetCount(), 2000u);
    for (std::size_t k = 0; k < s.GetCount(); ++k) EXPECT_EQ(s.GetPoint(k).x, static_cast<int>(k) - 1000);
    EXPECT_LE(growths, 12);
}

TEST(StreamlineTest, ReservedRoomTakesAWholeTraceWithoutMovingStorage) {
    Streamline s;
    s.Reserve(1001, 1001);
    s.AppendPoint(0, 0);
    const PixelPoint* seed = s.Data();
    for (int i = 1; i <= 1000; ++i) s.AppendPoint(i, 0);
    for (int i = 1; i <= 1000; ++i) s.PrependPoint(-i, 0);
    EXPECT_EQ(s.Data() + 1000, seed);
    EXPECT_EQ(s.GetPoint(1000), (PixelPoint{0, 0}));

    // Reused after RemoveAll, the same storage serves again.
    s.RemoveAll();
    EXPECT_EQ(s.GetCount(), 0u);
    s.Reserve(1001, 1001);
    EXPECT_GE(s.FrontRoom(), 1001u);
    EXPECT_GE(s.BackRoom(), 1001u);
    s.AppendPoint(7, 7);
    EXPECT_EQ(s.Data(), seed);
}

TEST(StreamlineTest, CopiesAreExactAndIndependentMovesLeaveTheSourceEmpty) {
    Streamline s;
    s.Reserve(50, 50);
    s.AppendPoint(1, 2);
    s.PrependPoint(3, 4);
    Streamline copy(s);
    EXPECT_EQ(PointsOf(copy), PointsOf(s));
    EXPECT_EQ(copy.FrontRoom(), 0u);  // exact size: a stored streamline carries no spare room
    s.AppendPoint(5, 6);
    EXPECT_EQ(copy.GetCount(), 2u);
    copy = s;
    EXPECT_EQ(PointsOf(copy), PointsOf(s));

    Streamline moved(std::move(s));
    EXPECT_EQ(moved.GetCount(), 3u);
    EXPECT_EQ(s.GetCount(), 0u);  // NOLINT(bugprone-use-after-move): defined to be empty
    s.PrependPoint(4, 4);         // and usable
    EXPECT_EQ(s.GetPoint(0), (PixelPoint{4, 4}));
    copy = std::move(moved);
    EXPECT_EQ(copy.GetPoint(0), (PixelPoint{3, 4}));
    EXPECT_EQ(moved.GetCount(), 0u);  // NOLINT(bugprone-use-after-move)
}

TEST(StreamlineTest, ReadsPastTheEndRaiseTheSubscriptError) {
    Streamline s;
    ExpectSubscriptError([&] { s.GetPoint(0); });
    s.AppendPoint(1, 1);
    s.PrependPoint(0, 0);
    EXPECT_NO_THROW(s.GetPoint(1));
    ExpectSubscriptError([&] { s.GetPoint(2); });
    s.RemoveAll();
    ExpectSubscriptError([&] { s.GetPoint(0); });
}

TEST(SeedQueueTest, FirstInFirstOut) {
    SeedQueue q;
    EXPECT_TRUE(q.Empty());
    q.Push({1, 1});
    q.Push({2, 2});
    q.Push({3, 3});
    EXPECT_EQ(q.Size(), 3u);
    EXPECT_EQ(q.Get(0), (PixelPoint{1, 1}));
    EXPECT_EQ(q.Get(2), (PixelPoint{3, 3}));
    q.Pop();
    EXPECT_EQ(q.Get(0), (PixelPoint{2, 2}));
    q.Push({4, 4});
    q.Pop();
    q.Pop();
    EXPECT_EQ(q.Get(0), (PixelPoint{4, 4}));
    q.Pop();
    EXPECT_TRUE(q.Empty());
    ExpectSubscriptError([&] { q.Get(0); });
    q.Pop();  // nothing to remove: stays empty
    EXPECT_EQ(q.Size(), 0u);
    q.Push({6, 6});
    ExpectSubscriptError([&] { q.Get(1); });
    q.Clear();
    EXPECT_TRUE(q.Empty());
}

TEST(SeedQueueTest, OrderSurvivesLongRunsOfInterleavedPushAndPop) {
    // Long enough for the consumed front to be dropped several times.
    SeedQueue q;
    int nextIn = 0;
    int nextOut = 0;
    for (int round = 0; round < 20000; ++round) {
        q.Push({nextIn, -nextIn});
        ++nextIn;
        if (round % 3 != 0) {
            ASSERT_EQ(q.Get(0).x, nextOut);
            q.Pop();
            ++nextOut;
        }
    }
    EXPECT_EQ(q.Size(), static_cast<std::size_t>(nextIn - nextOut));
    EXPECT_EQ(q.Get(q.Size() - 1).x, nextIn - 1);
    while (!q.Empty()) {
        ASSERT_EQ(q.Get(0).x, nextOut++);
        q.Pop();
    }
    EXPECT_EQ(nextOut, nextIn);
}

TEST(FarthestHeapTest, ComesOutAsTheOrderedSetWouldUnderStaleKeys) {
    // As the placement uses it: entries of few distinct keys, so that ties are the rule, and
    // tops whose key went stale put back lower. The model is the same entries in a set ordered
    // by key, highest first, then pixel.
    using Entry = FarthestHeap::Entry;
    const auto later = [](const Entry& a, const Entry& b) {
        return a.key > b.key || (a.key == b.key && a.pixel < b.pixel);
    };
    std::mt19937 random(3);
    for (int round = 0; round < 200; ++round) {
        const auto n = static_cast<std::uint32_t>(random() % 300);
        const int keys = 1 + static_cast<int>(random() % 40);
        FarthestHeap heap;
        std::set<Entry, decltype(later)> model(later);
        std::vector<std::uint32_t> pixels(n);
        for (std::uint32_t i = 0; i < n; ++i) pixels[i] = i;
        std::shuffle(pixels.begin(), pixels.end(), random);
        for (const std::uint32_t pixel : pixels) {
            const Entry e{static_cast<DistanceField::Squared>(random() % static_cast<unsigned>(keys)), pixel};
            heap.Add(e);
            model.insert(e);
        }
        heap.Order();
        while (!model.empty()) {
            ASSERT_FALSE(heap.Empty());
            ASSERT_EQ(heap.Size(), model.size());
            const Entry top = heap.Top();
            ASSERT_EQ(top.key, model.begin()->key);
            ASSERT_EQ(top.pixel, model.begin()->pixel);
            model.erase(model.begin());
            if (top.key > 0 && random() % 2 == 0) {
                const Entry lower{
                    static_cast<DistanceField::Squared>(random() % static_cast<unsigned>(top.key)),
                    top.pixel};
                heap.ReplaceTop(lower);
                model.insert(lower);
            } else {
                heap.Pop();
            }
        }
        EXPECT_TRUE(heap.Empty());
    }
}

}  // namespace
