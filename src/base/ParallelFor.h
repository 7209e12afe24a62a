#pragma once
// The one way this program spreads work over threads. A process-wide budget keeps the
// number of busy threads at the number of cores: a call made while the cores are taken,
// or from inside another parallel loop, runs on the calling thread alone.
//
// The pool policy, for every thread the program starts:
// - A parallel loop (parallelFor/parallelWorkers) is the only fan-out; no raw threads.
// - A pool (the renderer's) has at most poolThreadCount() threads, and each of its tasks
//   opens a PoolTask: while it runs it holds a core of the budget, and a loop inside it
//   runs on the task's own thread, so a pool never nests in a pool.
// - Long work (a search, an export, a print) runs as a base::Task, on a thread of its own
//   started by startThread(), not in a pool: a loop inside it takes what the budget has
//   left, and a Task that wants no loop but holds a core for long opens a PoolTask.
#include "base/CancelToken.h"

#include <functional>

namespace base {

// The cores of this machine (at least 1).
int coreCount();

struct ParallelOptions {
    int maxThreads = 0;                  // 0: as many as the budget allows
    const CancelToken* cancel = nullptr; // once cancelled, no further index is handed out
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

// Starts `work` (which must not throw) on a thread of its own: base::Task's way off the
// caller's thread. The program's end waits for such threads still running, so none is cut
// off half-way by the exit.
void startThread(std::function<void()> work);

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
