#pragma once
// Work that runs off the thread of the object that wants it done (its owner). The work can
// be cancelled, reports progress, and its result, or the message of the exception it threw,
// comes back on the owner's thread, in the order it was sent. Nothing comes back once the
// owner is destroyed or the Task let go of; the work then ends at its next look at the
// cancel token, on its own, with nobody waiting for it.
//
// A Task runs on a thread of its own (base::startThread, the pool policy's way for long
// work), so a loop inside it takes the cores the budget has spare.
#include "base/CancelToken.h"

#include <QObject>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>

namespace base {

struct TaskState;

// The work's side of its Task, used on the work's thread.
class TaskContext {
public:
    const CancelToken& cancelToken() const;
    bool isCancelled() const { return cancelToken().isCancelled(); }
    // `done` of `total` (0: not known). Reports closer together than a twentieth of a second
    // are dropped, save the first and the last (done == total).
    void progress(int done, int total);
    // Runs `step` on the owner's thread, after everything sent before it: part of the result
    // handed over while the work goes on.
    void post(std::function<void()> step);

private:
    friend class Task;
    explicit TaskContext(TaskState& state) : state_(state) {}
    TaskState& state_;
};

class Task;

// Called on the owner's thread. Outside Task, so that a default argument of Task can make
// one before Task is complete.
struct TaskHandlers {
    std::function<void(int done, int total)> progress;
    std::function<void(const QString& error)> failed; // the work threw; what() it said
    const Task* after = nullptr; // the work starts once this task's work has returned
};

// The owner's handle on the work; used on the owner's thread.
class Task {
public:
    using Handlers = TaskHandlers;

    // Runs `work(TaskContext&)` on a thread of its own and hands what it returns to `done`
    // on the owner's thread. Without an owner nothing is delivered: wait() for the work and
    // read what it left. Work and handlers are copyable callables.
    template <typename Work, typename Done = std::nullptr_t>
    static Task run(QObject* owner, Work work, Done done = nullptr, Handlers handlers = {});

    Task() = default;
    Task(Task&& other) noexcept = default;
    Task& operator=(Task&& other) noexcept;
    // Lets go: discard(), and the handle is empty.
    ~Task();
    void reset();

    // Asks the work to stop; what it returns, or throws, is still delivered.
    void cancel();
    // Cancels the work and drops whatever it would still deliver; it can still be waited for.
    void discard();
    // Until the work has returned (false: still running after `msecs`, or -1 for ever).
    // What it sent meanwhile waits in the owner's event queue.
    bool wait(int msecs = -1) const;
    bool isRunning() const;

private:
    static Task start(QObject* owner, Handlers handlers, std::function<void(TaskContext&)> body);
    explicit Task(std::shared_ptr<TaskState> state) : state_(std::move(state)) {}
    std::shared_ptr<TaskState> state_;
};

template <typename Work, typename Done>
Task Task::run(QObject* owner, Work work, Done done, Handlers handlers) {
    using Result = std::invoke_result_t<Work&, TaskContext&>;
    return start(owner, std::move(handlers),
                 [work = std::move(work), done = std::move(done)](TaskContext& context) mutable {
                     if constexpr (std::is_void_v<Result>) {
                         work(context);
                         if constexpr (!std::is_null_pointer_v<Done>)
                             context.post(done);
                     } else {
                         auto result = std::make_shared<Result>(work(context));
                         if constexpr (!std::is_null_pointer_v<Done>)
                             context.post([done, result] { done(std::move(*result)); });
                     }
                 });
}

} // namespace base
