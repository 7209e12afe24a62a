#pragma once
// Shows the window's modal sheets: while a sheet's flag is on, its dialog is up
// (window-modal, made afresh each time); closing the dialog lowers the flag, and lowering
// the flag closes the dialog. A sheet without a maker shows nothing and its flag drops
// back at once, so no command leaves a flag stuck.
#include <QDialog>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>

class SheetFlags;

enum class SheetKind {
    exportSheet,
    ocrResult,
    documentCreation,
    signature,
    pageManagement,
    passwordProtection,
    watermark,
    compare,
    formFields,
    reduceFileSize,
    findAndRedact,
};
constexpr int kSheetKindCount = 11;

class SheetPresenter : public QObject {
    Q_OBJECT
public:
    // Reads and writes one sheet's flag, and tells when it changes.
    struct Flag {
        std::function<bool()> get;
        std::function<void(bool)> set;
        // Connects `onChange` to the flag's change signal.
        std::function<QMetaObject::Connection(QObject* context, std::function<void()> onChange)>
            watch;
    };
    // Builds the sheet's dialog, parented to the window.
    using Maker = std::function<QDialog*(QWidget* window)>;

    SheetPresenter(QWidget* window, SheetFlags* flags, QObject* parent = nullptr);

    // Where a sheet's flag lives. The window's flags are taken at construction; the text
    // recognition sheet's flag, kept by its own model, is handed in here.
    void setFlag(SheetKind kind, Flag flag);
    void setMaker(SheetKind kind, Maker maker);
    bool hasMaker(SheetKind kind) const;

    // The dialog now shown for a sheet, if any.
    QDialog* dialog(SheetKind kind) const;

signals:
    // A sheet's dialog closed, however it was closed.
    void sheetClosed(SheetKind kind);

private:
    void flagChanged(SheetKind kind);
    void present(SheetKind kind);

    struct Entry {
        Flag flag;
        Maker maker;
        QPointer<QDialog> dialog;
        QMetaObject::Connection connection;
    };

    QPointer<QWidget> window_;
    std::array<Entry, kSheetKindCount> entries_;
};
