#include "viewmodels/InsertPagesEdit.h"

#include <numeric>
#include <vector>

InsertPagesEdit::InsertPagesEdit(QString name, pdf::DocumentPtr document, Inserter insert)
    : DocumentEdit(name), document_(std::move(document)), insert_(std::move(insert)) {}

bool InsertPagesEdit::apply() {
    if (!document_)
        return false;
    if (undone_) {
        std::vector<int> all(size_t(undone_->pageCount()));
        std::iota(all.begin(), all.end(), 0);
        inserted_.count = document_->insertPages(*undone_, all, inserted_.at);
        undone_.reset();
    } else if (insert_) {
        inserted_ = insert_(document_);
    }
    return inserted_.count > 0;
}

void InsertPagesEdit::undo() {
    if (inserted_.count <= 0)
        return;
    std::vector<int> indices(size_t(inserted_.count));
    std::iota(indices.begin(), indices.end(), inserted_.at);
    undone_ = pdf::Document::create();
    if (undone_ && undone_->insertPages(*document_, indices, 0) != inserted_.count)
        undone_.reset(); // a redo would bring back less than was there: make them again
    for (int i = inserted_.count - 1; i >= 0; --i)
        document_->removePage(inserted_.at + i);
}
