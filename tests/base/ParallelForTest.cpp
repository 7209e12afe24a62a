#include "base/ParallelFor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

TEST(ParallelFor, VisitsEveryIndexOnceOnNoMoreThreadsThanCores) {
    std::vector<std::atomic<int>> visits(5000);
    base::parallelFor(int(visits.size()), [&](int i) { visits[size_t(i)]++; });
    for (const auto& v : visits)
        ASSERT_EQ(v.load(), 1);

    // Which threads take part does not depend on who wins the indices: the caller is
    // always one of them, and there are never more than cores.
    std::mutex m;
    std::set<std::thread::id> workers;
    base::parallelWorkers(1000, [&](const base::NextIndex& next) {
        {
            std::lock_guard lock(m);
            workers.insert(std::this_thread::get_id());
        }
        while (next() >= 0) {
        }
    });
    EXPECT_LE(int(workers.size()), base::coreCount());
    EXPECT_TRUE(workers.count(std::this_thread::get_id())) << "the caller takes part";
}

TEST(ParallelFor, NestedLoopsRunOnTheirCallersThread) {
    std::atomic<int> foreignInner{0};
    std::atomic<int> total{0};
    base::parallelFor(8, [&](int) {
        const auto outer = std::this_thread::get_id();
        base::parallelFor(50, [&](int) {
            total++;
            if (std::this_thread::get_id() != outer)
                foreignInner++;
        });
    });
    EXPECT_EQ(total.load(), 400);
    EXPECT_EQ(foreignInner.load(), 0);
}

TEST(ParallelFor, FirstExceptionStopsTheWorkAndReachesTheCaller) {
    std::atomic<int> ran{0};
    EXPECT_THROW(base::parallelFor(100000,
                                   [&](int i) {
                                       ran++;
                                       if (i == 10)
                                           throw std::runtime_error("page 11 is broken");
                                       // Slow enough that the other threads cannot finish
                                       // everything while the thrower waits for a core.
                                       std::this_thread::sleep_for(std::chrono::microseconds(20));
                                   }),
                 std::runtime_error);
    EXPECT_LT(ran.load(), 100000);
    // The budget is whole again: a later loop still gets its threads and finishes.
    std::atomic<int> after{0};
    base::parallelFor(1000, [&](int) { after++; });
    EXPECT_EQ(after.load(), 1000);
}

TEST(ParallelFor, CancelStopsHandingOutIndices) {
    base::CancelToken cancel;
    std::atomic<int> ran{0};
    base::parallelFor(100000,
                      [&](int i) {
                          ran++;
                          if (i == 5)
                              cancel.cancel();
                      },
                      {0, &cancel});
    EXPECT_LT(ran.load(), 1000);
}

TEST(ParallelFor, WorkersKeepStatePerThreadAndRespectMaxThreads) {
    std::mutex m;
    std::vector<int> perWorker;
    base::parallelWorkers(300,
                          [&](const base::NextIndex& next) {
                              int mine = 0;
                              for (int i = next(); i >= 0; i = next())
                                  ++mine;
                              std::lock_guard lock(m);
                              perWorker.push_back(mine);
                          },
                          {1, nullptr});
    ASSERT_EQ(perWorker.size(), 1u);
    EXPECT_EQ(perWorker[0], 300);
    base::parallelFor(0, [](int) { FAIL() << "no index to visit"; });
}

TEST(ParallelFor, PoolTasksHoldTheirCoresAndDoNotFanOut) {
    // Inside a pool task a loop stays on the task's thread.
    {
        const base::PoolTask task;
        std::atomic<int> foreign{0};
        const auto self = std::this_thread::get_id();
        base::parallelFor(200, [&](int) {
            if (std::this_thread::get_id() != self)
                foreign++;
        });
        EXPECT_EQ(foreign.load(), 0);
    }
    // While pool tasks hold every core, a loop elsewhere gets no helper threads.
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};
    std::thread pool([&] {
        std::vector<std::unique_ptr<base::PoolTask>> tasks;
        for (int i = 0; i < base::coreCount(); ++i)
            tasks.push_back(std::make_unique<base::PoolTask>());
        held = true;
        while (!release)
            std::this_thread::yield();
    });
    while (!held)
        std::this_thread::yield();
    std::mutex m;
    std::set<std::thread::id> threads;
    base::parallelFor(2000, [&](int) {
        std::lock_guard lock(m);
        threads.insert(std::this_thread::get_id());
    });
    release = true;
    pool.join();
    EXPECT_EQ(threads.size(), 1u);
    // Once they are done the cores are back: every worker of a loop gets a thread of its own.
    threads.clear();
    std::atomic<int> started{0};
    base::parallelWorkers(base::coreCount(), [&](const base::NextIndex& next) {
        if (next() < 0)
            return;
        {
            std::lock_guard lock(m);
            threads.insert(std::this_thread::get_id());
        }
        started++;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (started < base::coreCount() && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
    });
    EXPECT_EQ(int(threads.size()), base::coreCount());
}
