#pragma once
// Turns the file, document, navigation, search, bookmark, text recognition and export
// commands into calls on the window's models, or raises the window's flags.
#include "pdf/document/Document.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class BookmarkViewModel;
class DocumentViewModel;
class NotificationCenter;
class SheetFlags;

class CoreCommandHandler : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> ocrCurrentPage;
        std::function<void()> ocrEntireDocument;
        // Each yields the new document, or nullptr when nothing came of it.
        std::function<pdf::DocumentPtr()> importImagesAsPDF;
        std::function<pdf::DocumentPtr()> clipboardToPDF;
        std::function<void()> makeSearchable;
        std::function<void()> closeWindow;
    };

    CoreCommandHandler(DocumentViewModel* documentVM, BookmarkViewModel* bookmarkVM,
                       SheetFlags* flags, Actions actions, NotificationCenter& center,
                       QObject* parent = nullptr);

    // The names this handler subscribes to.
    static const QStringList& names();

private:
    void handle(const QString& name);

    QPointer<DocumentViewModel> documentVM_;
    QPointer<BookmarkViewModel> bookmarkVM_;
    QPointer<SheetFlags> flags_;
    Actions actions_;
};
