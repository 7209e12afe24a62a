#include "shell/CoreCommandHandler.h"

#include "platform/NotificationCenter.h"
#include "shell/CommandVocabulary.h"
#include "shell/SheetFlags.h"
#include "viewmodels/BookmarkViewModel.h"
#include "viewmodels/DocumentViewModel.h"

const QStringList& CoreCommandHandler::names() {
    namespace N = Notifications;
    static const QStringList list{
        N::openFile,       N::save,         N::saveAs,         N::closeDocument,
        N::newDocument,    N::importImages, N::clipboardToPDF, N::zoomIn,
        N::zoomOut,        N::zoomToFit,    N::nextPage,       N::previousPage,
        N::firstPage,      N::lastPage,     N::toggleSearch,   N::toggleBookmark,
        N::ocrCurrentPage, N::ocrDocument,  N::showExport,     N::makeSearchable,
        N::undo,           N::redo};
    return list;
}

CoreCommandHandler::CoreCommandHandler(DocumentViewModel* documentVM, BookmarkViewModel* bookmarkVM,
                                       SheetFlags* flags, Actions actions,
                                       NotificationCenter& center, QObject* parent)
    : QObject(parent), documentVM_(documentVM), bookmarkVM_(bookmarkVM), flags_(flags),
      actions_(std::move(actions)) {
    for (const QString& name : names())
        center.subscribe(name, this, [this, name](const QVariant&) { handle(name); });
}

void CoreCommandHandler::handle(const QString& name) {
    namespace N = Notifications;
    DocumentViewModel* doc = documentVM_;
    if (!doc)
        return;

    if (name == N::openFile) {
        doc->openFile();
    } else if (name == N::save) {
        doc->save();
    } else if (name == N::saveAs) {
        doc->saveAs();
    } else if (name == N::closeDocument) {
        if (doc->pdfDocument())
            doc->closeAfterAsking();
        else if (actions_.closeWindow)
            actions_.closeWindow();
    } else if (name == N::newDocument) {
        if (flags_)
            flags_->setShowDocumentCreation(true);
    } else if (name == N::importImages || name == N::clipboardToPDF) {
        const bool images = name == N::importImages;
        const auto& make = images ? actions_.importImagesAsPDF : actions_.clipboardToPDF;
        if (!make)
            return;
        if (pdf::DocumentPtr created = make())
            doc->loadCreatedDocument(created, images ? QStringLiteral("Imported Images")
                                                     : QStringLiteral("From Clipboard"));
    } else if (name == N::zoomIn) {
        doc->zoomIn();
    } else if (name == N::zoomOut) {
        doc->zoomOut();
    } else if (name == N::zoomToFit) {
        doc->zoomToFit();
    } else if (name == N::nextPage) {
        doc->goToPage(doc->currentPageIndex() + 1);
    } else if (name == N::previousPage) {
        doc->goToPage(doc->currentPageIndex() - 1);
    } else if (name == N::firstPage) {
        if (doc->pdfDocument() && doc->pdfDocument()->pageCount() > 0)
            doc->goToPage(0);
    } else if (name == N::lastPage) {
        doc->goToPage(doc->totalPages() - 1);
    } else if (name == N::toggleSearch) {
        if (flags_)
            flags_->setShowSearch(!flags_->showSearch());
    } else if (name == N::toggleBookmark) {
        if (bookmarkVM_)
            bookmarkVM_->toggleBookmark(doc->currentPageIndex());
    } else if (name == N::ocrCurrentPage) {
        if (actions_.ocrCurrentPage)
            actions_.ocrCurrentPage();
    } else if (name == N::ocrDocument) {
        if (actions_.ocrEntireDocument)
            actions_.ocrEntireDocument();
    } else if (name == N::makeSearchable) {
        if (actions_.makeSearchable)
            actions_.makeSearchable();
    } else if (name == N::undo) {
        doc->undo();
    } else if (name == N::redo) {
        doc->redo();
    } else if (name == N::showExport) {
        if (flags_)
            flags_->setShowExport(true);
    }
}
