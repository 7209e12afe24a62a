#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FormValueEdit.h"
#include "viewmodels/InsertPagesEdit.h"
#include "viewmodels/RemovePageEdit.h"
#include "viewmodels/RotatePageEdit.h"

#include <gtest/gtest.h>

namespace {

pdf::AnnotationPtr field(const pdf::DocumentPtr& doc, const QString& name) {
    for (int i = 0; i < doc->pageCount(); ++i)
        for (const auto& a : doc->page(i)->annotations())
            if (a->fieldName() == name)
                return a;
    return nullptr;
}

std::unique_ptr<AddAnnotationsEdit> highlightOn(const pdf::DocumentPtr& doc, int index) {
    return std::make_unique<AddAnnotationsEdit>(
        "Highlight", doc, [index](pdf::Document& d) -> std::vector<pdf::AnnotationPtr> {
            return {d.page(index)->addHighlight(QRectF(72, 700, 120, 20), Qt::yellow)};
        });
}

class DocumentEditTest : public ::testing::Test {
protected:
    void open(const QByteArray& bytes, int current = 0) {
        doc = pdf::Document::fromData(bytes);
        ASSERT_NE(doc, nullptr);
        vm.loadCreatedDocument(doc, "test");
        vm.setCurrentPageIndex(current);
    }
    QString textOf(int index) const { return doc->page(index)->text().value_or(""); }

    DocumentViewModel vm;
    pdf::DocumentPtr doc;
};

} // namespace

TEST_F(DocumentEditTest, ARemovedPageComesBackWithItsFieldsAndAnnotations) {
    open(fixtures::formPdf());
    const QString original = field(doc, "city")->widgetStringValue();
    ASSERT_TRUE(vm.perform(std::make_unique<FormValueEdit>(doc, field(doc, "city"), "Lyon")));
    ASSERT_TRUE(vm.perform(highlightOn(doc, 1)));
    const size_t annotations = doc->page(1)->annotations().size();

    ASSERT_TRUE(vm.perform(std::make_unique<RemovePageEdit>(doc, 1)));
    EXPECT_EQ(doc->pageCount(), 1);
    EXPECT_EQ(vm.totalPages(), 1); // the model follows the document's notice
    EXPECT_EQ(vm.undoName(), "Delete Page");

    vm.undo();
    ASSERT_EQ(doc->pageCount(), 2);
    EXPECT_EQ(vm.totalPages(), 2);
    EXPECT_EQ(doc->page(1)->annotations().size(), annotations);
    ASSERT_TRUE(field(doc, "city"));
    EXPECT_EQ(field(doc, "city")->widgetStringValue(), "Lyon");

    // The earlier edits still undo on the page that came back (a new page object).
    vm.undo();
    EXPECT_EQ(doc->page(1)->annotations().size(), annotations - 1);
    vm.undo();
    EXPECT_EQ(field(doc, "city")->widgetStringValue(), original);
    EXPECT_FALSE(vm.canUndo());

    // And redo walks forward again to the removal.
    vm.redo();
    vm.redo();
    vm.redo();
    EXPECT_EQ(doc->pageCount(), 1);
    EXPECT_FALSE(vm.canRedo());
}

TEST_F(DocumentEditTest, RotationAndInsertionUndoToTheDocumentAsItWas) {
    open(fixtures::numberedPdf(3), 1);

    ASSERT_TRUE(vm.perform(std::make_unique<RotatePageEdit>(doc, 1)));
    EXPECT_EQ(doc->page(1)->rotation(), 90);
    auto source = pdf::Document::fromData(fixtures::numberedPdf(2, "Inserted"));
    auto insert = [source](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
        return {0, into->insertPages(*source, {0, 1}, 0)};
    };
    ASSERT_TRUE(vm.perform(std::make_unique<InsertPagesEdit>("Insert Pages", doc, insert)));
    EXPECT_EQ(doc->pageCount(), 5);
    EXPECT_TRUE(textOf(1).contains("Inserted"));
    // Pages inserted before the current page keep the same page current.
    EXPECT_EQ(vm.currentPageIndex(), 3);

    vm.undo();
    vm.undo();
    EXPECT_EQ(doc->pageCount(), 3);
    EXPECT_EQ(vm.currentPageIndex(), 1);
    EXPECT_EQ(doc->page(1)->rotation(), 0);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(textOf(i).startsWith(QStringLiteral("Page %1").arg(i + 1)));

    // Redo puts the same pages back without asking the inserter again.
    vm.redo();
    vm.redo();
    EXPECT_EQ(doc->pageCount(), 5);
    EXPECT_TRUE(textOf(0).contains("Inserted"));
    EXPECT_EQ(doc->page(3)->rotation(), 90);
}

TEST_F(DocumentEditTest, EditsThatChangeNothingAreNotKeptAndANewEditEndsRedo) {
    open(fixtures::numberedPdf(2));
    EXPECT_FALSE(vm.perform(std::make_unique<RotatePageEdit>(doc, 7)));
    EXPECT_FALSE(vm.perform(std::make_unique<RemovePageEdit>(doc, 5)));
    EXPECT_FALSE(vm.canUndo());

    ASSERT_TRUE(vm.perform(highlightOn(doc, 0)));
    vm.undo();
    EXPECT_TRUE(vm.canRedo());
    ASSERT_TRUE(vm.perform(highlightOn(doc, 1)));
    EXPECT_FALSE(vm.canRedo());
    EXPECT_TRUE(doc->page(0)->annotations().empty());
    EXPECT_EQ(doc->page(1)->annotations().size(), 1u);

    // Opening another document (its changes discarded) forgets the edits of this one.
    ScopedAlerts alerts;
    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::discard);
    vm.loadCreatedDocument(pdf::Document::fromData(fixtures::numberedPdf(1)), "other");
    EXPECT_FALSE(vm.canUndo());
}
