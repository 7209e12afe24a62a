#include "desktop/qt/QtAlerts.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

Alerts::UnsavedChoice QtAlerts::askToSaveChanges(const QString& documentName) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Unsaved Changes"));
    box.setText(QStringLiteral("Do you want to save the changes made to \u201c%1\u201d?")
                    .arg(documentName));
    box.setInformativeText(
        QStringLiteral("Your changes will be lost if you don\u2019t save them."));
    QPushButton* save = box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return UnsavedChoice::save;
    if (box.clickedButton() == discard)
        return UnsavedChoice::discard;
    return UnsavedChoice::cancel;
}

bool QtAlerts::confirm(const QString& title, const QString& message, const QString& action) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(title);
    box.setText(message);
    QPushButton* yes = box.addButton(action, QMessageBox::AcceptRole);
    QPushButton* no = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    // A slip of the Return key must not replace anything.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

QString QtAlerts::askPassword(const QString& documentName, const QString& message) {
    bool ok = false;
    const QString password =
        QInputDialog::getText(QApplication::activeWindow(),
                              QStringLiteral("Password for \u201c%1\u201d").arg(documentName),
                              message, QLineEdit::Password, QString(), &ok);
    return ok ? password : QString();
}

void QtAlerts::inform(const QString& title, const QString& message) {
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Information);
    box.setWindowTitle(title);
    box.setText(message);
    box.addButton(QMessageBox::Ok);
    box.exec();
}

void QtAlerts::install() {
    Alerts::install(std::make_shared<QtAlerts>());
}
