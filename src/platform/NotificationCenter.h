#pragma once
// Publish/subscribe by name. Each window has a centre of its own that its menu items post
// on and its command handlers subscribe to; neither knows the other, and no other window
// hears. Delivery always happens on the main thread: a post from another thread is queued
// there.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <map>
#include <mutex>

class NotificationCenter : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const QVariant& payload)>;
    using Token = quint64;

    // The centre every part of the program shares: for notices that carry their sender
    // (a page view's page and selection changes), never for a window's commands.
    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter() override;

    // `owner` bounds the subscription: it ends when the owner is destroyed. A null owner
    // keeps it until unsubscribe(). Returns 0 when no callback is given.
    Token subscribe(const QString& name, QObject* owner, Callback callback);
    void unsubscribe(Token token);

    // Calls every subscriber of `name`, in subscription order. Synchronous on the main
    // thread; queued to the main thread from any other thread.
    void post(const QString& name, const QVariant& payload = {});

    int subscriberCount(const QString& name) const;

private:
    struct Subscription {
        QString name;
        QPointer<QObject> owner;
        bool hasOwner = false;
        std::shared_ptr<Callback> callback;
    };

    void deliver(const QString& name, const QVariant& payload);
    void dropOwner(QObject* owner);

    mutable std::mutex mutex_;
    std::map<Token, Subscription> subscriptions_; // ordered by token = subscription order
    Token nextToken_ = 1;
};
