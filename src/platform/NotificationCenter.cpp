#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>

#include <vector>

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

NotificationCenter::NotificationCenter() = default;
NotificationCenter::~NotificationCenter() = default;

NotificationCenter::Token NotificationCenter::subscribe(const QString& name, QObject* owner,
                                                        Callback callback) {
    if (!callback)
        return 0;
    Token token = 0;
    {
        std::lock_guard lock(mutex_);
        token = nextToken_++;
        subscriptions_[token] = Subscription{name, owner, owner != nullptr,
                                             std::make_shared<Callback>(std::move(callback))};
    }
    if (owner) {
        // Direct connection: the entry must be gone before the owner's memory is.
        connect(
            owner, &QObject::destroyed, this, [this](QObject* o) { dropOwner(o); },
            Qt::DirectConnection);
    }
    return token;
}

void NotificationCenter::unsubscribe(Token token) {
    std::lock_guard lock(mutex_);
    subscriptions_.erase(token);
}

void NotificationCenter::dropOwner(QObject* owner) {
    std::lock_guard lock(mutex_);
    for (auto it = subscriptions_.begin(); it != subscriptions_.end();) {
        // The QPointer is already cleared while `destroyed` runs, so compare what is left.
        if (it->second.hasOwner && (it->second.owner.isNull() || it->second.owner.data() == owner))
            it = subscriptions_.erase(it);
        else
            ++it;
    }
}

void NotificationCenter::post(const QString& name, const QVariant& payload) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(
            app, [this, name, payload] { deliver(name, payload); }, Qt::QueuedConnection);
        return;
    }
    deliver(name, payload);
}

void NotificationCenter::deliver(const QString& name, const QVariant& payload) {
    // Snapshot first: a callback may subscribe, unsubscribe or destroy owners.
    std::vector<std::pair<Token, std::shared_ptr<Callback>>> targets;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [token, s] : subscriptions_)
            if (s.name == name && (!s.hasOwner || s.owner))
                targets.emplace_back(token, s.callback);
    }
    for (const auto& [token, callback] : targets) {
        {
            std::lock_guard lock(mutex_);
            auto it = subscriptions_.find(token);
            if (it == subscriptions_.end() || (it->second.hasOwner && !it->second.owner))
                continue; // ended by an earlier callback of this same posting
        }
        (*callback)(payload);
    }
}

int NotificationCenter::subscriberCount(const QString& name) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [token, s] : subscriptions_)
        if (s.name == name && (!s.hasOwner || s.owner))
            ++n;
    return n;
}
