#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace std::chrono_literals;

namespace {

// Runs the event loop until `done` or a generous limit, so a missing delivery fails
// instead of hanging.
template <typename Pred> void spinUntil(Pred done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(MainQueue, AsyncRunsLaterOnTheMainThread) {
    bool ran = false;
    MainQueue::async([&] { ran = true; });
    EXPECT_FALSE(ran); // never inline
    spinUntil([&] { return ran; });
    EXPECT_TRUE(ran);

    QThread* ranOn = nullptr;
    std::unique_ptr<QThread> worker(
        QThread::create([&] { MainQueue::async([&] { ranOn = QThread::currentThread(); }); }));
    worker->start();
    worker->wait();
    spinUntil([&] { return ranOn != nullptr; });
    EXPECT_EQ(ranOn, QCoreApplication::instance()->thread());
}

TEST(MainQueue, AsyncAfterWaitsAtLeastTheDelayAndWorksFromWorkers) {
    QElapsedTimer clock;
    clock.start();
    qint64 at = -1;
    MainQueue::asyncAfter(120ms, [&] { at = clock.elapsed(); });
    bool fromWorker = false;
    std::unique_ptr<QThread> worker(QThread::create(
        [&] { MainQueue::asyncAfter(10ms, [&] { fromWorker = MainQueue::isMainThread(); }); }));
    worker->start();
    worker->wait();
    spinUntil([&] { return at >= 0 && fromWorker; });
    EXPECT_GE(at, 120);
    EXPECT_TRUE(fromWorker);
}

TEST(MainQueue, WorkIsDroppedWhenItsContextDies) {
    bool ran = false;
    auto context = std::make_unique<QObject>();
    MainQueue::async([&] { ran = true; }, context.get());
    MainQueue::asyncAfter(
        1ms, [&] { ran = true; }, context.get());
    context.reset();
    bool marker = false;
    MainQueue::asyncAfter(30ms, [&] { marker = true; });
    spinUntil([&] { return marker; });
    EXPECT_TRUE(marker);
    EXPECT_FALSE(ran);
}
