#include "viewmodels/RotatePageEdit.h"

#include "pdf/document/Page.h"
#include "utilities/PageOperations.h"

#include <QCoreApplication>

RotatePageEdit::RotatePageEdit(pdf::DocumentPtr document, int index)
    : DocumentEdit(QCoreApplication::translate("RotatePageEdit", "Rotate Page")),
      document_(std::move(document)), index_(index) {}

bool RotatePageEdit::apply() {
    const pdf::PagePtr page = document_ ? document_->page(index_) : nullptr;
    if (!page)
        return false;
    previous_ = page->rotation();
    return PageOperations::rotateClockwise(document_, index_);
}

void RotatePageEdit::undo() {
    if (const pdf::PagePtr page = document_->page(index_))
        page->setRotation(previous_);
}
