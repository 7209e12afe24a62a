#include "desktop/Alerts.h"

#include <QDebug>

#include <mutex>

namespace {

// Without a screen nobody can answer: keep everything and write nothing over anything.
class SilentAlerts final : public Alerts {
public:
    UnsavedChoice askToSaveChanges(const QString&) override { return UnsavedChoice::cancel; }
    bool confirm(const QString&, const QString&, const QString&) override { return false; }
    QString askPassword(const QString&, const QString&) override { return {}; }
    void inform(const QString& title, const QString& message) override {
        qWarning().noquote() << title << ":" << message;
    }
};

std::mutex& lock() {
    static std::mutex m;
    return m;
}

std::shared_ptr<Alerts>& slot() {
    static std::shared_ptr<Alerts> alerts = std::make_shared<SilentAlerts>();
    return alerts;
}

} // namespace

std::shared_ptr<Alerts> Alerts::current() {
    std::lock_guard guard(lock());
    return slot();
}

std::shared_ptr<Alerts> Alerts::install(std::shared_ptr<Alerts> alerts) {
    std::lock_guard guard(lock());
    std::shared_ptr<Alerts> previous = slot();
    slot() = alerts ? std::move(alerts) : std::make_shared<SilentAlerts>();
    return previous;
}
