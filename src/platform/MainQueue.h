#pragma once
// Work handed to the main (user-interface) thread from anywhere: on its next turn, or
// after a delay. With a context object the work is dropped if the context dies first.
#include <QObject>

#include <chrono>
#include <functional>

namespace MainQueue {

// Runs `work` on the main thread on a later turn of its event loop (never inline).
void async(std::function<void()> work, QObject* context = nullptr);

// Runs `work` on the main thread once `delay` has passed.
void asyncAfter(std::chrono::milliseconds delay, std::function<void()> work,
                QObject* context = nullptr);

bool isMainThread();

} // namespace MainQueue
