#include "base/ParallelFor.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace base {

namespace {

// Extra threads that may run beside the threads already busy.
std::atomic<int>& spareThreads() {
    static std::atomic<int> spare{coreCount() - 1};
    return spare;
}

thread_local bool insideLoop = false;

int takeSpare(int wanted) {
    auto& spare = spareThreads();
    int available = spare.load();
    while (available > 0) {
        const int taking = std::min(available, wanted);
        if (spare.compare_exchange_weak(available, available - taking))
            return taking;
    }
    return 0;
}

// The threads startThread() let go. A static that outlives main(): its end waits for them,
// so a Task cancelled as its window closed is not cut off half-way by the exit.
struct DetachedThreads {
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
    ~DetachedThreads() {
        std::unique_lock lock(mutex);
        ended.wait(lock, [this] { return running == 0; });
    }
} detachedThreads;

} // namespace

void startThread(std::function<void()> work) {
    {
        std::lock_guard lock(detachedThreads.mutex);
        ++detachedThreads.running;
    }
    auto end = [] {
        std::lock_guard lock(detachedThreads.mutex);
        if (--detachedThreads.running == 0)
            detachedThreads.ended.notify_all();
    };
    try {
        std::thread([work = std::move(work), end]() mutable {
            work();
            work = nullptr; // what the work held goes before the end is counted
            end();
        }).detach();
    } catch (...) {
        end();
        throw;
    }
}

int coreCount() {
    static const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    return cores;
}

// The main thread mostly waits for events, so a pool may keep every core busy.
int poolThreadCount() {
    return coreCount();
}

PoolTask::PoolTask() : wasInside_(insideLoop) {
    insideLoop = true;
    spareThreads()--; // may go below zero: loops started meanwhile then get no helpers
}

PoolTask::~PoolTask() {
    spareThreads()++;
    insideLoop = wasInside_;
}

void parallelWorkers(int count, const std::function<void(const NextIndex& next)>& worker,
                     ParallelOptions options) {
    if (count <= 0)
        return;
    std::atomic<int> nextIndex{0};
    std::atomic<bool> failed{false};
    std::exception_ptr firstError;
    std::mutex errorMutex;

    const NextIndex next = [&]() -> int {
        if (failed.load(std::memory_order_relaxed) ||
            (options.cancel && options.cancel->isCancelled()))
            return -1;
        const int i = nextIndex.fetch_add(1, std::memory_order_relaxed);
        return i < count ? i : -1;
    };
    auto run = [&] {
        const bool wasInside = insideLoop;
        insideLoop = true;
        try {
            worker(next);
        } catch (...) {
            std::lock_guard lock(errorMutex);
            if (!firstError)
                firstError = std::current_exception();
            failed = true;
        }
        insideLoop = wasInside;
    };

    int wanted = std::min(count, options.maxThreads > 0 ? options.maxThreads : coreCount()) - 1;
    const int helpers = (insideLoop || wanted <= 0) ? 0 : takeSpare(wanted);
    std::vector<std::thread> threads;
    threads.reserve(size_t(helpers));
    try {
        for (int t = 0; t < helpers; ++t)
            threads.emplace_back(run);
    } catch (...) {
        // No thread to be had: the ones that started and this one share the work.
    }
    spareThreads() += helpers - int(threads.size());
    run();
    for (auto& t : threads)
        t.join();
    spareThreads() += int(threads.size());
    if (firstError)
        std::rethrow_exception(firstError);
}

void parallelFor(int count, const std::function<void(int index)>& body, ParallelOptions options) {
    parallelWorkers(
        count,
        [&](const NextIndex& next) {
            for (int i = next(); i >= 0; i = next())
                body(i);
        },
        options);
}

} // namespace base
