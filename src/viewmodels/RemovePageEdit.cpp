#include "viewmodels/RemovePageEdit.h"

#include "pdf/document/Page.h"
#include "utilities/PageOperations.h"

#include <QCoreApplication>

RemovePageEdit::RemovePageEdit(pdf::DocumentPtr document, int index)
    : DocumentEdit(QCoreApplication::translate("RemovePageEdit", "Delete Page")),
      document_(std::move(document)), index_(index) {}

bool RemovePageEdit::apply() {
    if (!document_ || document_->pageCount() < 2)
        return false;
    const pdf::PagePtr page = document_->page(index_);
    kept_ = pdf::Document::create();
    if (!page || !kept_ || !kept_->insertPage(page, 0)) {
        kept_.reset();
        return false; // a page that cannot be kept could not come back
    }
    if (PageOperations::deletePage(document_, index_))
        return true;
    kept_.reset();
    return false;
}

void RemovePageEdit::undo() {
    if (kept_)
        document_->insertPage(kept_->page(0), index_);
    kept_.reset();
}
