#include "viewmodels/PasswordRequest.h"

#include "desktop/Alerts.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("PasswordRequest", text);
}

// Asks until a password unlocks `document`; that password, or nullopt when cancelled.
std::optional<QString> ask(pdf::Document& document, const QString& name) {
    QString message = tr("This document is protected by a password.");
    while (document.isLocked()) {
        const QString password = Alerts::current()->askPassword(name, message);
        if (password.isEmpty())
            return std::nullopt;
        if (document.unlock(password))
            return password;
        message = tr("That password does not open it. Try again.");
    }
    return QString();
}

} // namespace

bool unlockByAsking(pdf::Document& document, const QString& name) {
    return ask(document, name).has_value();
}

std::optional<QString> askPasswordFor(const QString& path) {
    // A short look: only whether a password is needed, and whether it opens the file.
    const auto document = pdf::Document::openForLookup(path);
    if (!document)
        return QString();
    return ask(*document, QFileInfo(path).fileName());
}
