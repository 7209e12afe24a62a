#include "viewmodels/AnnotationChangeEdit.h"
#include "viewmodels/DocumentViewModel.h"

#include "pdf/document/Page.h"
#include "support/AnnotationFixtures.h"

#include <QUndoStack>
#include <gtest/gtest.h>

namespace {

struct Loaded {
    DocumentViewModel vm;
    pdf::DocumentPtr doc;
    pdf::PagePtr page;
    Loaded() {
        doc = pdf::Document::fromData(fixtures::foreignAnnotationsPdf());
        vm.loadCreatedDocument(doc, "annotated");
        vm.markSaved(); // as if written: what follows is the edits alone
        page = doc->page(0);
    }
    pdf::AnnotationPtr at(int i) const { return pdf::editableAnnotations(*page).at(size_t(i)); }
};

} // namespace

TEST(AnnotationChangeEdit, EachChangeIsOneStepUndoneAndRedoneExactly) {
    Loaded l;
    const pdf::AnnotationPtr square = l.at(0);
    const auto original = pdf::snapshot(*square);
    ASSERT_TRUE(l.vm.perform(ChangeAnnotationEdit::move(l.doc, square, {40, 0})));
    ASSERT_TRUE(l.vm.perform(ChangeAnnotationEdit::lineWidth(l.doc, square, 6)));
    ASSERT_TRUE(l.vm.perform(ChangeAnnotationEdit::color(l.doc, square, Qt::blue)));
    const auto edited = pdf::snapshot(*square);
    EXPECT_EQ(l.vm.undoName(), "Change Colour");

    l.vm.undo();
    EXPECT_EQ(pdf::annotationFacts(*square)->color.rgb(), QColor(Qt::red).rgb());
    EXPECT_DOUBLE_EQ(pdf::annotationFacts(*square)->lineWidth, 6);
    l.vm.undo();
    l.vm.undo();
    EXPECT_TRUE(pdf::snapshot(*square)->sameAs(*original));
    EXPECT_FALSE(l.vm.isModified());

    l.vm.redo();
    l.vm.redo();
    l.vm.redo();
    EXPECT_TRUE(pdf::snapshot(*square)->sameAs(*edited));
    EXPECT_TRUE(l.vm.isModified());
}

TEST(AnnotationChangeEdit, ChangesOfOneGestureAreOneStepThatNeverReachesBackPastASave) {
    Loaded l;
    const pdf::AnnotationPtr square = l.at(0);
    const pdf::AnnotationPtr note = l.at(1);
    auto change = [&l](std::unique_ptr<ChangeAnnotationEdit> edit, int gesture) {
        edit->setGesture(gesture);
        return l.vm.perform(std::move(edit));
    };
    const QRectF start = pdf::annotationFacts(*square)->frame;
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(change(ChangeAnnotationEdit::move(l.doc, square, {2, 0}), 7));
    EXPECT_EQ(l.vm.undoStack()->count(), 1);
    // Another kind of change, another annotation or another gesture: a step of its own.
    ASSERT_TRUE(change(ChangeAnnotationEdit::lineWidth(l.doc, square, 6), 7));
    ASSERT_TRUE(change(ChangeAnnotationEdit::move(l.doc, note, {0, 5}), 7));
    ASSERT_TRUE(change(ChangeAnnotationEdit::move(l.doc, note, {0, 5}), 8));
    EXPECT_EQ(l.vm.undoStack()->count(), 4);
    for (int i = 0; i < 3; ++i)
        l.vm.undo();
    l.vm.undo();
    EXPECT_EQ(pdf::annotationFacts(*square)->frame, start);
    l.vm.redo();
    EXPECT_EQ(pdf::annotationFacts(*square)->frame, start.translated(8, 0));

    // What was written stays a place undo can return to: the gesture goes on in a new step.
    l.vm.markSaved();
    ASSERT_TRUE(change(ChangeAnnotationEdit::move(l.doc, square, {2, 0}), 7));
    ASSERT_TRUE(change(ChangeAnnotationEdit::move(l.doc, square, {2, 0}), 7));
    EXPECT_EQ(l.vm.undoStack()->count(), 2);
    l.vm.undo();
    EXPECT_EQ(pdf::annotationFacts(*square)->frame, start.translated(8, 0));
    EXPECT_FALSE(l.vm.isModified());
}

TEST(AnnotationChangeEdit, NothingChangedIsNotKept) {
    Loaded l;
    EXPECT_FALSE(l.vm.perform(ChangeAnnotationEdit::move(l.doc, l.at(0), {0, 0})));
    // The stamp's own face is not the engine's to redraw in another colour.
    EXPECT_FALSE(l.vm.perform(ChangeAnnotationEdit::color(l.doc, l.at(2), Qt::red)));
    EXPECT_FALSE(l.vm.canUndo());
}

TEST(AnnotationChangeEdit, RemovalUndoneAndRedoneAgainAndAgain) {
    Loaded l;
    const pdf::AnnotationPtr note = l.at(1);
    const auto original = pdf::snapshot(*note);
    const size_t count = pdf::editableAnnotations(*l.page).size();
    ASSERT_TRUE(l.vm.perform(std::make_unique<RemoveAnnotationEdit>(l.doc, note)));
    EXPECT_EQ(pdf::editableAnnotations(*l.page).size(), count - 1);
    EXPECT_EQ(l.vm.undoName(), "Delete Annotation");
    for (int round = 0; round < 2; ++round) {
        l.vm.undo();
        ASSERT_EQ(pdf::editableAnnotations(*l.page).size(), count);
        const pdf::AnnotationPtr back = pdf::editableAnnotations(*l.page).back();
        EXPECT_TRUE(pdf::snapshot(*back)->sameAs(*original));
        l.vm.redo();
        EXPECT_EQ(pdf::editableAnnotations(*l.page).size(), count - 1);
        for (const auto& a : pdf::editableAnnotations(*l.page))
            EXPECT_NE(a->subtype(), "Text");
    }
}

TEST(AnnotationChangeEdit, UndoFindsAnAnnotationThatARemovalUndonePutBackElsewhere) {
    Loaded l;
    const pdf::AnnotationPtr square = l.at(0);
    const pdf::AnnotationPtr note = l.at(1);
    const auto noteBefore = pdf::snapshot(*note);
    ASSERT_TRUE(l.vm.perform(ChangeAnnotationEdit::move(l.doc, square, {40, 0})));
    ASSERT_TRUE(l.vm.perform(std::make_unique<RemoveAnnotationEdit>(l.doc, square)));
    // The note now sits where the square was; the square comes back last.
    l.vm.undo();
    l.vm.undo();
    EXPECT_TRUE(pdf::snapshot(*note)->sameAs(*noteBefore)) << "the undo changed another annotation";
    const pdf::AnnotationPtr back = pdf::editableAnnotations(*l.page).back();
    EXPECT_EQ(back->subtype(), "Square");
    EXPECT_EQ(pdf::annotationFacts(*back)->frame, QRectF(100, 500, 100, 100));
    l.vm.redo();
    EXPECT_EQ(pdf::annotationFacts(*back)->frame, QRectF(140, 500, 100, 100));
    EXPECT_TRUE(pdf::snapshot(*note)->sameAs(*noteBefore));
    l.vm.redo();
    EXPECT_FALSE(back->isValid());
}
