#pragma once
// Asking the person for the password of a protected file the window is about to read.
#include "pdf/document/Document.h"

#include <QString>

#include <optional>

// Asks through Alerts for the password of `document` (shown as `name`) until one unlocks
// it; false when the person cancels. True at once for a document that needs none.
bool unlockByAsking(pdf::Document& document, const QString& name);

// The password that opens the file at `path`, asked for as unlockByAsking does: empty
// when the file needs none or cannot be read, nullopt when the person cancelled.
std::optional<QString> askPasswordFor(const QString& path);
