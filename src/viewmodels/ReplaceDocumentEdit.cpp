#include "viewmodels/ReplaceDocumentEdit.h"

#include "viewmodels/DocumentViewModel.h"

ReplaceDocumentEdit::ReplaceDocumentEdit(QString name, DocumentViewModel& documentVM,
                                         pdf::DocumentPtr replacement)
    : DocumentEdit(name), documentVM_(documentVM), replacement_(std::move(replacement)) {}

bool ReplaceDocumentEdit::apply() {
    if (!replacement_ || replacement_ == documentVM_.pdfDocument())
        return false;
    previous_ = documentVM_.pdfDocument();
    show(replacement_);
    return true;
}

void ReplaceDocumentEdit::undo() {
    if (previous_)
        show(previous_);
}

void ReplaceDocumentEdit::show(const pdf::DocumentPtr& document) {
    documentVM_.setPdfDocument(document);
    documentVM_.setTotalPages(document->pageCount());
    if (documentVM_.currentPageIndex() >= document->pageCount())
        documentVM_.setCurrentPageIndex(std::max(0, document->pageCount() - 1));
    if (PageViewInterface* view = documentVM_.pdfView(); view && view->document() != document)
        view->setDocument(document);
}
