#pragma once
// Edits of an annotation already on a page: one change of its geometry or style, or its
// removal. Each keeps a copy of the annotation's dictionary, so undo gives back exactly
// what was there and redo exactly what the edit made.
#include "viewmodels/AnnotationLocation.h"
#include "viewmodels/DocumentEdit.h"

#include "pdf/annotations/AnnotationEdit.h"

#include <functional>
#include <memory>

class ChangeAnnotationEdit : public DocumentEdit {
public:
    // Changes the annotation; false when nothing changed.
    using Change = std::function<bool(pdf::Annotation&)>;

    ChangeAnnotationEdit(QString name, pdf::DocumentPtr document, AnnotationLocation at,
                         Change change);

    Kind kind() const override { return Kind::annotations; }
    bool apply() override;
    void undo() override;

    // Changes of one gesture (a run of arrow-key nudges) join the step before them when that
    // is the same kind of change of the same annotation in the same gesture: undo then takes
    // the whole gesture back at once. 0, the default, keeps each change a step of its own.
    void setGesture(int gesture) { gesture_ = gesture; }
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

    // Common edits, named as the Edit menu shows them.
    static std::unique_ptr<ChangeAnnotationEdit>
    move(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation, QPointF delta);
    static std::unique_ptr<ChangeAnnotationEdit>
    resize(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation, const QRectF& frame);
    static std::unique_ptr<ChangeAnnotationEdit> lineEnds(pdf::DocumentPtr document,
                                                          const pdf::AnnotationPtr& annotation,
                                                          QPointF start, QPointF end);
    static std::unique_ptr<ChangeAnnotationEdit>
    color(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation, const QColor& color);
    static std::unique_ptr<ChangeAnnotationEdit>
    lineWidth(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation, double width);
    static std::unique_ptr<ChangeAnnotationEdit>
    fontSize(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation, double size);

private:
    pdf::DocumentPtr document_;
    AnnotationLocation at_;
    Change change_;
    int gesture_ = 0;
    std::shared_ptr<const pdf::AnnotationSnapshot> before_;
    std::shared_ptr<const pdf::AnnotationSnapshot> after_;
};

class RemoveAnnotationEdit : public DocumentEdit {
public:
    RemoveAnnotationEdit(pdf::DocumentPtr document, const pdf::AnnotationPtr& annotation);

    Kind kind() const override { return Kind::annotations; }
    bool apply() override;
    void undo() override;

    // Where the annotation is while it is on the page (after undo, the last place).
    const AnnotationLocation& location() const { return at_; }

private:
    pdf::DocumentPtr document_;
    AnnotationLocation at_;
    std::shared_ptr<const pdf::AnnotationSnapshot> removed_;
};
