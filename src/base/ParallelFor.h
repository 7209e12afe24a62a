#pragma once
// The one way this program spreads work over threads. A process-wide budget keeps the
// number of busy threads at the number of cores: a call made while the cores are taken,
// or from inside another parallel loop, runs on the calling thread alone.
//
// The pool policy, for every thread the program starts:
// - A parallel loop (parallelFor/parallelWorkers) is the only fan-out; no raw threads.
// - A pool (the renderer's, the recogniser's) has at most poolThreadCount() threads, and
//   each of its tasks opens a PoolTask: while it runs it holds a core of the budget, and a
//   loop inside it runs on the task's own thread, so a pool never nests in a pool.
// - Long work that wants every spare core (exporting all pages) runs on a thread of its
//   own, not in a pool, and fans out through a loop that takes what the budget has left.
#include <atomic>
#include <functional>

namespace base {

// The cores of this machine (at least 1).
int coreCount();

struct ParallelOptions {
    int maxThreads = 0;                        // 0: as many as the budget allows
    const std::atomic<bool>* cancel = nullptr; // once set, no further index is handed out
};

// Hands out the indices [0, count) one at a time. next() returns the next index, or -1
// when none is left or the work was cancelled.
using NextIndex = std::function<int()>;

// Runs `worker` once on each thread taking part (the calling thread is one of them); a
// worker sets up what it needs per thread and then loops on next(). Returns when every
// worker has returned. The first exception a worker throws stops the handing out and is
// rethrown here once all workers are done.
void parallelWorkers(int count, const std::function<void(const NextIndex& next)>& worker,
                     ParallelOptions options = {});

// Calls body(index) for every index in [0, count), unless cancelled.
void parallelFor(int count, const std::function<void(int index)>& body,
                 ParallelOptions options = {});

// Threads the budget lets a pool of its own keep busy beside the calling thread; a pool
// (the renderer's, for one) takes its size from here so the program never oversubscribes.
int poolThreadCount();

// Opened at the start of every pool task (see above); closing it gives the core back.
class PoolTask {
public:
    PoolTask();
    ~PoolTask();
    PoolTask(const PoolTask&) = delete;
    PoolTask& operator=(const PoolTask&) = delete;

private:
    bool wasInside_;
};

} // namespace base
