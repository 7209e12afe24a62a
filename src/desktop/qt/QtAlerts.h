#pragma once
// The Alerts seam on QMessageBox, window-modal over the active window. The application
// installs it at start-up with QtAlerts::install().
#include "desktop/Alerts.h"

class QtAlerts final : public Alerts {
public:
    UnsavedChoice askToSaveChanges(const QString& documentName) override;
    bool confirm(const QString& title, const QString& message, const QString& action) override;
    QString askPassword(const QString& documentName, const QString& message) override;
    void inform(const QString& title, const QString& message) override;

    static void install();
};
