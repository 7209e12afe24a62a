#pragma once
// Alerts for tests: answers come from a script and every question and notice is recorded.
// An unscripted question is answered the silent default's way (cancel, no).
#include "desktop/Alerts.h"

#include <deque>
#include <vector>

class ScriptedAlerts : public Alerts {
public:
    UnsavedChoice askToSaveChanges(const QString& documentName) override {
        unsavedAsked.push_back(documentName);
        if (unsavedAnswers.empty())
            return UnsavedChoice::cancel;
        const UnsavedChoice answer = unsavedAnswers.front();
        unsavedAnswers.pop_front();
        return answer;
    }
    bool confirm(const QString&, const QString& message, const QString&) override {
        confirmations.push_back(message);
        if (confirmAnswers.empty())
            return false;
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    QString askPassword(const QString& documentName, const QString&) override {
        passwordAsked.push_back(documentName);
        if (passwordAnswers.empty())
            return {};
        const QString answer = passwordAnswers.front();
        passwordAnswers.pop_front();
        return answer;
    }
    void inform(const QString& title, const QString& message) override {
        notices.push_back(title + QStringLiteral(": ") + message);
    }

    std::deque<UnsavedChoice> unsavedAnswers;
    std::deque<bool> confirmAnswers;
    std::deque<QString> passwordAnswers;
    std::vector<QString> passwordAsked;
    std::vector<QString> unsavedAsked;
    std::vector<QString> confirmations;
    std::vector<QString> notices;
};

// Installs a ScriptedAlerts for the life of the guard and restores the previous one.
class ScopedAlerts {
public:
    ScopedAlerts()
        : alerts_(std::make_shared<ScriptedAlerts>()), previous_(Alerts::install(alerts_)) {}
    ~ScopedAlerts() { Alerts::install(previous_); }
    ScopedAlerts(const ScopedAlerts&) = delete;
    ScopedAlerts& operator=(const ScopedAlerts&) = delete;

    ScriptedAlerts* operator->() const { return alerts_.get(); }

private:
    std::shared_ptr<ScriptedAlerts> alerts_;
    std::shared_ptr<Alerts> previous_;
};
