#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace MainQueue {

namespace {

// Wraps `work` so it does nothing once a given context is gone.
std::function<void()> guarded(std::function<void()> work, QObject* context) {
    if (!context)
        return work;
    return [guard = QPointer<QObject>(context), work = std::move(work)] {
        if (guard)
            work();
    };
}

} // namespace

bool isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void async(std::function<void()> work, QObject* context) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !work)
        return;
    QMetaObject::invokeMethod(app, guarded(std::move(work), context), Qt::QueuedConnection);
}

void asyncAfter(std::chrono::milliseconds delay, std::function<void()> work, QObject* context) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !work)
        return;
    auto job = guarded(std::move(work), context);
    // Timers belong to the thread that starts them: start this one on the main thread.
    auto start = [delay, job = std::move(job), app]() mutable {
        QTimer::singleShot(delay, app, std::move(job));
    };
    if (isMainThread())
        start();
    else
        QMetaObject::invokeMethod(app, std::move(start), Qt::QueuedConnection);
}

} // namespace MainQueue
