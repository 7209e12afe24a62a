// The background task: what comes back reaches the owner on the owner's thread, in order,
// and nothing reaches an owner that is gone.
#include "base/Task.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct Delivery {
    QString what;
    int value = 0;
    QThread* thread = nullptr;
};

// Collects what handlers are given, from whichever thread they run on.
struct Record {
    std::mutex mutex;
    std::vector<Delivery> got;
    void add(const QString& what, int value) {
        std::lock_guard lock(mutex);
        got.push_back({what, value, QThread::currentThread()});
    }
};

void deliverPosted(QObject* owner, const base::Task& task) {
    task.wait();
    QCoreApplication::sendPostedEvents(owner, QEvent::MetaCall);
}

TEST(Task, StepsProgressAndResultReachTheOwnersThreadInOrder) {
    // The owner lives on a thread of its own, so delivery to the main thread would show.
    QThread ownerThread;
    ownerThread.start();
    auto* owner = new QObject;
    owner->moveToThread(&ownerThread);

    Record record;
    std::promise<void> resultIn;
    std::atomic<QThread*> workThread{nullptr};
    base::Task::Handlers handlers;
    handlers.progress = [&](int done, int total) {
        EXPECT_EQ(total, 100000);
        record.add("progress", done);
    };
    auto task = base::Task::run(
        owner,
        [&](base::TaskContext& context) {
            workThread = QThread::currentThread();
            for (int i = 1; i <= 100000; ++i) {
                if (i % 20000 == 0)
                    context.post([&record, i] { record.add("step", i); });
                context.progress(i, 100000);
            }
            return 42;
        },
        [&](int result) {
            record.add("result", result);
            resultIn.set_value();
        },
        handlers);
    resultIn.get_future().wait();

    EXPECT_NE(workThread.load(), &ownerThread);
    ASSERT_GE(record.got.size(), 8u);
    int lastProgress = 0, lastStep = 0;
    for (size_t i = 0; i < record.got.size(); ++i) {
        const Delivery& d = record.got[i];
        EXPECT_EQ(d.thread, &ownerThread) << d.what.toStdString();
        if (d.what == "progress") {
            EXPECT_GT(d.value, lastProgress); // in order, none twice
            EXPECT_GE(d.value, lastStep);     // after the steps posted before it
            lastProgress = d.value;
        } else if (d.what == "step") {
            EXPECT_EQ(d.value, lastStep + 20000);
            EXPECT_LT(lastProgress, d.value);
            lastStep = d.value;
        } else {
            EXPECT_EQ(i, record.got.size() - 1) << "the result comes last";
            EXPECT_EQ(d.value, 42);
        }
    }
    EXPECT_EQ(lastStep, 100000);
    // The first and the last report always arrive; the ones between are thinned out.
    EXPECT_EQ(record.got.front().what, "progress");
    EXPECT_EQ(record.got.front().value, 1);
    EXPECT_EQ(lastProgress, 100000);
    EXPECT_LT(record.got.size(), 5000u);

    QMetaObject::invokeMethod(
        owner, [owner] { delete owner; }, Qt::BlockingQueuedConnection);
    ownerThread.quit();
    ownerThread.wait();
}

TEST(Task, AnExceptionInTheWorkArrivesAsAnErrorAndNoResult) {
    QObject owner;
    Record record;
    base::Task::Handlers handlers;
    handlers.failed = [&](const QString& error) { record.add(error, 0); };
    auto failing = base::Task::run(
        &owner, [](base::TaskContext&) -> int { throw std::runtime_error("disk on fire"); },
        [&](int) { record.add("result", 0); }, handlers);
    deliverPosted(&owner, failing);
    auto odd = base::Task::run(
        &owner, [](base::TaskContext&) { throw 7; }, [&] { record.add("result", 0); }, handlers);
    deliverPosted(&owner, odd);

    ASSERT_EQ(record.got.size(), 2u);
    EXPECT_EQ(record.got[0].what, "disk on fire");
    EXPECT_EQ(record.got[0].thread, QThread::currentThread());
    EXPECT_FALSE(record.got[1].what.isEmpty()); // not a std::exception: still an error
    EXPECT_NE(record.got[1].what, "result");
}

// Holds its task as a window's model does: destroying it lets the task go.
struct Owner : QObject {
    base::Task task;
};

TEST(Task, AnOwnerGoneOrATaskLetGoGetsNothingAndNobodyWaits) {
    Record record;
    base::Task::Handlers handlers;
    handlers.progress = [&](int done, int) { record.add("progress", done); };
    handlers.failed = [&](const QString& error) { record.add(error, 0); };

    // The work runs until it is cancelled: the owner's destructor must not wait for it.
    auto* owner = new Owner;
    std::promise<void> ended;
    std::atomic<bool> started{false};
    owner->task = base::Task::run(
        owner,
        [&](base::TaskContext& context) {
            started = true;
            while (!context.isCancelled())
                std::this_thread::yield();
            context.progress(1, 1);
            context.post([&] { record.add("step", 0); });
            ended.set_value();
            return 1;
        },
        [&](int) { record.add("result", 0); }, handlers);
    while (!started)
        std::this_thread::yield();
    delete owner;
    ended.get_future().wait();

    // An owner destroyed while the work still runs; its results come after it is gone.
    auto* gone = new QObject;
    std::promise<void> release;
    auto blocked = base::Task::run(
        gone,
        [&, go = release.get_future().share()](base::TaskContext& context) {
            go.wait();
            context.progress(1, 1);
            return 2;
        },
        [&](int) { record.add("result", 0); }, handlers);
    delete gone;
    release.set_value();
    blocked.wait();

    // A task let go while its owner lives: what it sent already is dropped as well.
    QObject living;
    auto dropped = base::Task::run(
        &living, [](base::TaskContext& context) { context.progress(1, 1); },
        [&] { record.add("result", 0); }, handlers);
    dropped.wait();
    dropped.reset();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(record.got.empty()) << record.got.front().what.toStdString();
}

TEST(Task, ATaskAfterAnotherStartsOnceThatOneHasEnded) {
    QObject owner;
    std::atomic<bool> firstEnded{false};
    auto first = base::Task::run(&owner, [&](base::TaskContext& context) {
        while (!context.isCancelled())
            std::this_thread::yield();
        firstEnded = true;
    });
    bool firstEndedBefore = false;
    base::Task::Handlers handlers;
    handlers.after = &first;
    auto second = base::Task::run(
        &owner, [&](base::TaskContext&) { return firstEnded.load(); },
        [&](bool ended) { firstEndedBefore = ended; }, handlers);
    first.reset(); // superseded: cancelled, and the second one may go
    deliverPosted(&owner, second);
    EXPECT_TRUE(firstEndedBefore);
}

} // namespace
