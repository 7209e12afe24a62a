#include "viewmodels/AddAnnotationsEdit.h"

#include "pdf/document/Page.h"

#include <algorithm>

AddAnnotationsEdit::AddAnnotationsEdit(QString name, pdf::DocumentPtr document, Maker make)
    : DocumentEdit(name), document_(std::move(document)), make_(std::move(make)) {}

bool AddAnnotationsEdit::apply() {
    added_.clear();
    if (!document_ || !make_)
        return false;
    const std::vector<pdf::AnnotationPtr> made = make_(*document_);
    // Located once all are made: a later one on the same page may come before an earlier
    // one (widgets are listed after the other annotations).
    for (const pdf::AnnotationPtr& annotation : made)
        if (const AnnotationLocation at = AnnotationLocation::of(annotation); at.page >= 0)
            added_.push_back(at);
    return !added_.empty();
}

void AddAnnotationsEdit::undo() {
    // Last place first, so the places of the others stay right.
    std::vector<AnnotationLocation> order = added_;
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.page != b.page ? a.page > b.page : a.position > b.position;
    });
    for (const AnnotationLocation& at : order)
        if (pdf::AnnotationPtr annotation = at.resolve(*document_))
            annotation->page()->removeAnnotation(annotation);
    added_.clear();
}
