#include "base/Task.h"

#include "base/ParallelFor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>

namespace base {

namespace {
constexpr std::chrono::milliseconds kProgressTick{50};
} // namespace

struct TaskState : std::enable_shared_from_this<TaskState> {
    CancelToken cancel;
    Task::Handlers handlers; // the owner's thread only
    std::atomic<bool> dropped{false};

    std::mutex ownerMutex;
    QObject* owner = nullptr; // cleared under the mutex before the owner can go
    QMetaObject::Connection ownerGone;

    std::mutex progressMutex;
    bool reported = false;
    std::chrono::steady_clock::time_point lastReport;

    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;

    void post(std::function<void()> step) {
        std::lock_guard lock(ownerMutex);
        if (!owner)
            return;
        QMetaObject::invokeMethod(
            owner,
            [self = shared_from_this(), step = std::move(step)] {
                if (!self->dropped)
                    step();
            },
            Qt::QueuedConnection);
    }

    void forgetOwner() {
        std::lock_guard lock(ownerMutex);
        owner = nullptr;
    }

    void finish() {
        std::lock_guard lock(doneMutex);
        done = true;
        doneChanged.notify_all();
    }

    void waitUntilDone() {
        std::unique_lock lock(doneMutex);
        doneChanged.wait(lock, [this] { return done; });
    }
};

const CancelToken& TaskContext::cancelToken() const {
    return state_.cancel;
}

void TaskContext::progress(int done, int total) {
    const auto now = std::chrono::steady_clock::now();
    // Held while posting, so that reports from several threads arrive in the order they passed.
    std::lock_guard lock(state_.progressMutex);
    if (state_.reported && done < total && now - state_.lastReport < kProgressTick)
        return;
    state_.reported = true;
    state_.lastReport = now;
    state_.post([state = &state_, done, total] {
        if (state->handlers.progress)
            state->handlers.progress(done, total);
    });
}

void TaskContext::post(std::function<void()> step) {
    state_.post(std::move(step));
}

Task Task::start(QObject* owner, Handlers handlers, std::function<void(TaskContext&)> body) {
    auto state = std::make_shared<TaskState>();
    std::shared_ptr<TaskState> previous = handlers.after ? handlers.after->state_ : nullptr;
    handlers.after = nullptr;
    state->handlers = std::move(handlers);
    if (owner) {
        state->owner = owner;
        // Emitted on the owner's thread while it is destroyed, before its memory goes.
        state->ownerGone =
            QObject::connect(owner, &QObject::destroyed, [weak = std::weak_ptr<TaskState>(state)] {
                if (auto s = weak.lock())
                    s->forgetOwner();
            });
    }
    auto fail = [](TaskState& s, const QString& message) {
        s.post([state = &s, message] {
            if (state->handlers.failed)
                state->handlers.failed(message);
        });
    };
    try {
        startThread([state, previous, body = std::move(body), fail]() mutable {
            if (previous)
                previous->waitUntilDone();
            previous.reset();
            TaskContext context(*state);
            try {
                body(context);
            } catch (const std::exception& error) {
                fail(*state, QString::fromUtf8(error.what()));
            } catch (...) {
                fail(*state, QStringLiteral("Unexpected error."));
            }
            body = nullptr; // what the work held goes before anybody hears it is done
            state->finish();
        });
    } catch (const std::exception& error) {
        fail(*state, QString::fromUtf8(error.what()));
        state->finish();
    }
    return Task(std::move(state));
}

Task& Task::operator=(Task&& other) noexcept {
    if (this != &other) {
        reset();
        state_ = std::move(other.state_);
    }
    return *this;
}

Task::~Task() {
    reset();
}

void Task::reset() {
    discard();
    state_.reset();
}

void Task::discard() {
    if (!state_)
        return;
    state_->cancel.cancel();
    state_->dropped = true;
    state_->forgetOwner();
    QObject::disconnect(state_->ownerGone);
}

void Task::cancel() {
    if (state_)
        state_->cancel.cancel();
}

bool Task::wait(int msecs) const {
    if (!state_)
        return true;
    std::unique_lock lock(state_->doneMutex);
    const auto isDone = [this] { return state_->done; };
    if (msecs < 0) {
        state_->doneChanged.wait(lock, isDone);
        return true;
    }
    return state_->doneChanged.wait_for(lock, std::chrono::milliseconds(msecs), isDone);
}

bool Task::isRunning() const {
    if (!state_)
        return false;
    std::lock_guard lock(state_->doneMutex);
    return !state_->done;
}

} // namespace base
