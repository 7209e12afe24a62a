#pragma once
// The seam for the questions and notices a window puts to the person: keep unsaved
// changes, overwrite files, why an action did nothing. The application installs the Qt
// message boxes at start-up; tests install a scripted implementation. Until one is
// installed every question is answered the way that loses nothing (cancel, do not
// overwrite) and notices go to the log.
#include <QString>
#include <QStringList>

#include <memory>

class Alerts {
public:
    enum class UnsavedChoice { save, discard, cancel };

    virtual ~Alerts() = default;

    // "Save", "Discard" or "Cancel" for the changes made to `documentName`.
    virtual UnsavedChoice askToSaveChanges(const QString& documentName) = 0;
    // True when the person agrees to `action` (the confirm button's title) after `message`.
    virtual bool confirm(const QString& title, const QString& message, const QString& action) = 0;
    // Asks for the password of `documentName`; empty when cancelled.
    virtual QString askPassword(const QString& documentName, const QString& message) = 0;
    // Tells why something did not happen; returns once the person saw it.
    virtual void inform(const QString& title, const QString& message) = 0;

    static std::shared_ptr<Alerts> current();
    // Replaces the implementation (nullptr: back to the silent default); returns the previous.
    static std::shared_ptr<Alerts> install(std::shared_ptr<Alerts> alerts);
};
