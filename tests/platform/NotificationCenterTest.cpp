#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Runs queued deliveries until `done`, with a generous limit so a lost delivery fails.
template <typename Pred> void spinUntil(Pred done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(NotificationCenter, DeliversNameAndPayloadToEverySubscriberOfThatName) {
    NotificationCenter center;
    QObject owner;
    QStringList seen;
    center.subscribe("a", &owner, [&](const QVariant& v) { seen << "1:" + v.toString(); });
    center.subscribe("a", &owner, [&](const QVariant& v) { seen << "2:" + v.toString(); });
    center.subscribe("b", &owner, [&](const QVariant&) { seen << "b"; });

    center.post("a", QString("x"));
    center.post("a");
    EXPECT_EQ(seen, (QStringList{"1:x", "2:x", "1:", "2:"}));
    EXPECT_EQ(center.subscriberCount("a"), 2);
    EXPECT_EQ(center.subscriberCount("c"), 0);
}

TEST(NotificationCenter, SubscriptionEndsWithItsOwnerOrOnUnsubscribe) {
    NotificationCenter center;
    int calls = 0;
    auto owner = std::make_unique<QObject>();
    center.subscribe("n", owner.get(), [&](const QVariant&) { ++calls; });
    QObject keeper;
    const auto token = center.subscribe("n", &keeper, [&](const QVariant&) { calls += 10; });

    center.post("n");
    EXPECT_EQ(calls, 11);
    owner.reset();
    center.post("n");
    EXPECT_EQ(calls, 21);
    center.unsubscribe(token);
    center.post("n");
    EXPECT_EQ(calls, 21);
    EXPECT_EQ(center.subscriberCount("n"), 0);
}

TEST(NotificationCenter, CallbackMayEndOtherSubscriptionsOfTheSamePosting) {
    NotificationCenter center;
    auto second = std::make_unique<QObject>();
    QObject first;
    int secondCalls = 0;
    center.subscribe("n", &first, [&](const QVariant&) { second.reset(); });
    center.subscribe("n", second.get(), [&](const QVariant&) { ++secondCalls; });
    center.post("n");
    EXPECT_EQ(secondCalls, 0);
}

TEST(NotificationCenter, PostFromAnotherThreadArrivesOnTheMainThread) {
    NotificationCenter center;
    QObject owner;
    QThread* deliveredOn = nullptr;
    QVariant payload;
    center.subscribe("n", &owner, [&](const QVariant& v) {
        deliveredOn = QThread::currentThread();
        payload = v;
    });
    std::unique_ptr<QThread> worker(QThread::create([&] { center.post("n", 42); }));
    worker->start();
    worker->wait();
    EXPECT_EQ(deliveredOn, nullptr); // queued, not run on the worker
    spinUntil([&] { return deliveredOn != nullptr; });
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(payload.toInt(), 42);
}

TEST(NotificationCenter, DefaultCenterIsOneObject) {
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
}
