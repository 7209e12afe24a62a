#pragma once
// A thread that holds a document's engine lock, as a worker recording a heavy page does,
// until it is told to let go or a generous guard runs out. The guard running out means
// whatever ran meanwhile waited for the lock: release() then answers false.
#include "pdf/document/Document.h"
#include "pdf/engine/EngineLockHold.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace fixtures {

class EngineHeld {
public:
    explicit EngineHeld(const pdf::Document& document) {
        thread_ = std::thread([this, &document] {
            const pdf::EngineLockHold hold(document);
            std::unique_lock lock(mutex_);
            held_ = true;
            changed_.notify_all();
            timedOut_ =
                !changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
        });
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return held_; });
    }
    ~EngineHeld() { release(); }
    EngineHeld(const EngineHeld&) = delete;
    EngineHeld& operator=(const EngineHeld&) = delete;

    // Lets go of the lock; true when the guard had not run out by then.
    bool release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
        return !timedOut_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool released_ = false;
    bool timedOut_ = false;
    std::thread thread_;
};

} // namespace fixtures
