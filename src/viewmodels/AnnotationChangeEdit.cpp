#include "viewmodels/AnnotationChangeEdit.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("AnnotationChangeEdit", text);
}

// The annotation the edit is about. Its place may have changed since (a removal undone
// puts an annotation back last), so the place is checked against what the annotation must
// look like, and the page searched when another annotation sits there now.
pdf::AnnotationPtr locate(const pdf::Document& document, AnnotationLocation& at,
                          const pdf::AnnotationSnapshot* expected) {
    pdf::AnnotationPtr annotation = at.resolve(document);
    if (!expected)
        return annotation;
    if (annotation) {
        const auto now = pdf::snapshot(*annotation);
        if (now && now->sameAs(*expected))
            return annotation;
    }
    const pdf::PagePtr page = document.page(at.page);
    if (!page)
        return nullptr;
    for (const pdf::AnnotationPtr& candidate : page->annotations()) {
        const auto now = pdf::snapshot(*candidate);
        if (now && now->sameAs(*expected)) {
            at = AnnotationLocation::of(candidate);
            return candidate;
        }
    }
    return nullptr;
}

} // namespace

ChangeAnnotationEdit::ChangeAnnotationEdit(QString name, pdf::DocumentPtr document,
                                           AnnotationLocation at, Change change)
    : DocumentEdit(name), document_(std::move(document)), at_(at), change_(std::move(change)) {}

bool ChangeAnnotationEdit::apply() {
    if (!document_ || !change_)
        return false;
    const pdf::AnnotationPtr annotation = locate(*document_, at_, before_.get());
    if (!annotation)
        return false;
    // A redo puts back what the first apply made rather than making it again.
    if (after_)
        return pdf::restore(*annotation, *after_);
    before_ = pdf::snapshot(*annotation);
    if (!before_ || !change_(*annotation))
        return false;
    after_ = pdf::snapshot(*annotation);
    return true;
}

void ChangeAnnotationEdit::undo() {
    if (!before_ || !after_)
        return;
    if (const pdf::AnnotationPtr annotation = locate(*document_, at_, after_.get()))
        pdf::restore(*annotation, *before_);
}

int ChangeAnnotationEdit::id() const {
    // One id for every change of an annotation; mergeWith() tells them apart.
    constexpr int kAnnotationChange = 0x414e4e4f;
    return gesture_ ? kAnnotationChange : -1;
}

bool ChangeAnnotationEdit::mergeWith(const QUndoCommand* other) {
    const auto* next = dynamic_cast<const ChangeAnnotationEdit*>(other);
    if (!next || next->gesture_ != gesture_ || next->text() != text() ||
        next->document_ != document_ || !(next->at_ == at_) || !before_ || !next->after_)
        return false;
    // The step now spans both: undo goes back to before the first, redo to after the last.
    after_ = next->after_;
    return true;
}

namespace {

std::unique_ptr<ChangeAnnotationEdit> make(const QString& name, pdf::DocumentPtr document,
                                           const pdf::AnnotationPtr& annotation,
                                           ChangeAnnotationEdit::Change change) {
    return std::make_unique<ChangeAnnotationEdit>(
        name, std::move(document), AnnotationLocation::of(annotation), std::move(change));
}

} // namespace

std::unique_ptr<ChangeAnnotationEdit>
ChangeAnnotationEdit::move(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation,
                           QPointF delta) {
    return make(tr("Move Annotation"), std::move(document), annotation,
                [delta](pdf::Annotation& a) { return pdf::moveAnnotation(a, delta); });
}

std::unique_ptr<ChangeAnnotationEdit>
ChangeAnnotationEdit::resize(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation,
                             const QRectF& frame) {
    return make(tr("Resize Annotation"), std::move(document), annotation,
                [frame](pdf::Annotation& a) { return pdf::resizeAnnotation(a, frame); });
}

std::unique_ptr<ChangeAnnotationEdit>
ChangeAnnotationEdit::lineEnds(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation,
                               QPointF start, QPointF end) {
    return make(tr("Move Line End"), std::move(document), annotation,
                [start, end](pdf::Annotation& a) { return pdf::setLineEnds(a, start, end); });
}

std::unique_ptr<ChangeAnnotationEdit>
ChangeAnnotationEdit::color(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation,
                            const QColor& color) {
    return make(tr("Change Colour"), std::move(document), annotation,
                [color](pdf::Annotation& a) { return pdf::setAnnotationColor(a, color); });
}

std::unique_ptr<ChangeAnnotationEdit>
ChangeAnnotationEdit::lineWidth(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation,
                                double width) {
    return make(tr("Change Line Width"), std::move(document), annotation,
                [width](pdf::Annotation& a) { return pdf::setAnnotationLineWidth(a, width); });
}

std::unique_ptr<ChangeAnnotationEdit>
ChangeAnnotationEdit::fontSize(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation,
                               double size) {
    return make(tr("Change Font Size"), std::move(document), annotation,
                [size](pdf::Annotation& a) { return pdf::setAnnotationFontSize(a, size); });
}

RemoveAnnotationEdit::RemoveAnnotationEdit(pdf::DocumentPtr document,
                                           const pdf::AnnotationPtr& annotation)
    : DocumentEdit(tr("Delete Annotation")), document_(std::move(document)),
      at_(AnnotationLocation::of(annotation)) {}

bool RemoveAnnotationEdit::apply() {
    if (!document_)
        return false;
    const pdf::AnnotationPtr annotation = locate(*document_, at_, removed_.get());
    if (!annotation)
        return false;
    removed_ = pdf::snapshot(*annotation);
    return removed_ && annotation->page()->removeAnnotation(annotation);
}

void RemoveAnnotationEdit::undo() {
    if (!removed_ || !document_)
        return;
    const pdf::PagePtr page = document_->page(at_.page);
    if (!page)
        return;
    // It comes back as the last annotation drawn; a redo takes it from there.
    if (const pdf::AnnotationPtr back = pdf::reinsert(*page, *removed_))
        at_ = AnnotationLocation::of(back);
}
