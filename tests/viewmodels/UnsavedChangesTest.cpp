// The document's unsaved state follows its edit stack, the person is asked before
// unsaved changes are dropped, and undoing every edit gives back the document as opened.
#include "pdf/annotations/Annotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedAlerts.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/AddAnnotationsEdit.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FormValueEdit.h"
#include "viewmodels/InsertPagesEdit.h"
#include "viewmodels/RemovePageEdit.h"
#include "viewmodels/RotatePageEdit.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

pdf::AnnotationPtr field(const pdf::DocumentPtr& doc, const QString& name) {
    for (int i = 0; i < doc->pageCount(); ++i)
        for (const auto& a : doc->page(i)->annotations())
            if (a->fieldName() == name)
                return a;
    return nullptr;
}

std::unique_ptr<AddAnnotationsEdit> annotate(const pdf::DocumentPtr& doc, int index, int kind) {
    return std::make_unique<AddAnnotationsEdit>(
        "Annotate", doc, [index, kind](pdf::Document& d) -> std::vector<pdf::AnnotationPtr> {
            auto page = d.page(index);
            if (kind == 0)
                return {page->addHighlight(QRectF(72, 700, 120, 20), Qt::yellow)};
            if (kind == 1)
                return {page->addFreeText(QRectF(72, 600, 200, 30), "Signed by A. Person", 10,
                                          Qt::black)};
            return {page->addTextWatermark(QRectF(100, 300, 400, 100), "DRAFT", 48,
                                           QColor(255, 0, 0, 80), 45)};
        });
}

// What a reader sees of a document once written out and read back: per page its
// rotation, text and annotation count, and the form's values.
QStringList writtenState(const pdf::DocumentPtr& doc) {
    auto copy = pdf::Document::fromData(doc->dataRepresentation());
    if (!copy)
        return {"unreadable"};
    QStringList state;
    for (int i = 0; i < copy->pageCount(); ++i) {
        auto page = copy->page(i);
        state << QStringLiteral("page %1 rot %2 annots %3 text %4")
                     .arg(i)
                     .arg(page->rotation())
                     .arg(page->annotations().size())
                     .arg(page->text().value_or(""));
        for (const auto& a : page->annotations())
            if (!a->fieldName().isEmpty())
                state << a->fieldName() + "=" + a->widgetStringValue();
    }
    return state;
}

class UnsavedChangesTest : public ::testing::Test {
protected:
    void open(const QByteArray& bytes) {
        alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::discard);
        ASSERT_TRUE(vm.loadDocument(
            QUrl::fromLocalFile(fixtures::writeTemp(files.path(), "form.pdf", bytes))));
        doc = vm.pdfDocument();
        alerts->unsavedAnswers.clear();
        alerts->unsavedAsked.clear();
    }

    QTemporaryDir files;
    ScopedAlerts alerts;
    ScopedFileDialogs dialogs;
    DocumentViewModel vm;
    pdf::DocumentPtr doc;
};

} // namespace

TEST_F(UnsavedChangesTest, TheStateFollowsTheStackAndASaveMovesTheCleanPoint) {
    open(fixtures::numberedPdf(3));
    QSignalSpy spy(&vm, &DocumentViewModel::modifiedChanged);
    EXPECT_FALSE(vm.isModified());
    ASSERT_TRUE(vm.perform(annotate(doc, 0, 0)));
    EXPECT_TRUE(vm.isModified());
    vm.undo();
    EXPECT_FALSE(vm.isModified());
    vm.redo();
    EXPECT_TRUE(vm.isModified());
    EXPECT_EQ(spy.count(), 3);

    vm.markSaved();
    EXPECT_FALSE(vm.isModified());
    vm.undo(); // back before the save: differs from what was written
    EXPECT_TRUE(vm.isModified());
    vm.redo();
    EXPECT_FALSE(vm.isModified());

    // Once the saved state is undone and a different edit made, it cannot come back.
    vm.undo();
    ASSERT_TRUE(vm.perform(std::make_unique<RotatePageEdit>(doc, 0)));
    vm.undo();
    EXPECT_TRUE(vm.isModified());
}

TEST_F(UnsavedChangesTest, CancelKeepsTheDocumentAndItsEditsDiscardReplacesIt) {
    open(fixtures::numberedPdf(2));
    ASSERT_TRUE(vm.perform(annotate(doc, 0, 0)));
    auto other = pdf::Document::fromData(fixtures::numberedPdf(1));

    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::cancel);
    EXPECT_FALSE(vm.loadCreatedDocument(other, "other"));
    ASSERT_EQ(alerts->unsavedAsked.size(), 1u);
    EXPECT_EQ(alerts->unsavedAsked[0], "form.pdf");
    EXPECT_EQ(vm.pdfDocument(), doc);
    EXPECT_TRUE(vm.canUndo());
    EXPECT_TRUE(vm.isModified());

    // Open asks before the file dialog; cancelling there never shows it.
    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::cancel);
    vm.openFile();
    EXPECT_TRUE(dialogs->openRequests.empty());
    EXPECT_EQ(vm.pdfDocument(), doc);

    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::discard);
    EXPECT_TRUE(vm.loadCreatedDocument(other, "other"));
    EXPECT_EQ(vm.pdfDocument(), other);
    EXPECT_TRUE(vm.isModified()); // made in memory: nowhere on disk yet
    EXPECT_FALSE(vm.canUndo());
}

TEST_F(UnsavedChangesTest, SaveWritesTheFileItselfAndAskWhereOnlyForADocumentWithoutOne) {
    QTemporaryDir dir;
    open(fixtures::numberedPdf(2));
    ASSERT_TRUE(vm.perform(annotate(doc, 1, 0)));
    auto other = pdf::Document::fromData(fixtures::numberedPdf(1));

    // The opened file is written where it is, without a dialog.
    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::save);
    EXPECT_TRUE(vm.loadCreatedDocument(other, "other"));
    EXPECT_TRUE(dialogs->saveRequests.empty());
    EXPECT_EQ(vm.pdfDocument(), other);
    auto written = pdf::Document::open(files.filePath("form.pdf"));
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->page(1)->annotations().size(), 1u);

    // A document made in memory is unsaved from the start; its save asks where. A cancelled
    // dialog and a failed write (told) keep it, with its edits.
    EXPECT_TRUE(vm.isModified());
    ASSERT_TRUE(vm.perform(annotate(other, 0, 0)));
    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::save);
    EXPECT_FALSE(vm.loadCreatedDocument(doc, "again"));
    alerts->unsavedAnswers.push_back(Alerts::UnsavedChoice::save);
    dialogs->scriptSave(dir.filePath("missing/folder/x.pdf"));
    EXPECT_FALSE(vm.loadCreatedDocument(doc, "again"));
    EXPECT_EQ(vm.pdfDocument(), other);
    EXPECT_TRUE(vm.canUndo());
    ASSERT_EQ(alerts->notices.size(), 1u);
    EXPECT_TRUE(alerts->notices[0].contains("x.pdf")) << alerts->notices[0].toStdString();
    ASSERT_EQ(dialogs->saveRequests.size(), 2u);
    EXPECT_EQ(dialogs->saveRequests[0].proposedName, "other.pdf");

    // Saved where chosen, it is that file's document from then on: the title follows, and
    // undoing what was saved leaves it unsaved again.
    dialogs->scriptSave(dir.filePath("kept.pdf"));
    EXPECT_TRUE(vm.save());
    EXPECT_FALSE(vm.isModified());
    EXPECT_EQ(vm.fileName(), "kept.pdf");
    EXPECT_EQ(vm.fileURL(), QUrl::fromLocalFile(dir.filePath("kept.pdf")));
    vm.undo();
    EXPECT_TRUE(vm.isModified());
    EXPECT_TRUE(vm.save());
    EXPECT_EQ(dialogs->saveRequests.size(), 3u);
    EXPECT_EQ(pdf::Document::open(dir.filePath("kept.pdf"))->page(0)->annotations().size(), 0u);
}

TEST_F(UnsavedChangesTest, UndoingTenMixedEditsGivesBackTheDocumentAsOpened) {
    open(fixtures::formPdf());
    const QStringList opened = writtenState(doc);
    auto source = pdf::Document::fromData(fixtures::numberedPdf(2, "Inserted"));
    auto insert = [source](const pdf::DocumentPtr& into) -> InsertPagesEdit::Inserted {
        return {1, into->insertPages(*source, {0, 1}, 1)};
    };

    ASSERT_TRUE(vm.perform(annotate(doc, 0, 0))); // highlight
    ASSERT_TRUE(vm.perform(std::make_unique<FormValueEdit>(doc, field(doc, "name"), "Ada")));
    ASSERT_TRUE(vm.perform(annotate(doc, 1, 1))); // stamp
    ASSERT_TRUE(vm.perform(std::make_unique<RotatePageEdit>(doc, 0)));
    ASSERT_TRUE(vm.perform(annotate(doc, 1, 2))); // watermark
    ASSERT_TRUE(vm.perform(std::make_unique<InsertPagesEdit>("Insert Pages", doc, insert)));
    ASSERT_TRUE(vm.perform(std::make_unique<FormValueEdit>(doc, field(doc, "agree"), true)));
    ASSERT_TRUE(vm.perform(std::make_unique<RemovePageEdit>(doc, 1)));
    ASSERT_TRUE(vm.perform(std::make_unique<FormValueEdit>(doc, field(doc, "city"), "Oslo")));
    ASSERT_TRUE(vm.perform(annotate(doc, 0, 0)));
    const QStringList edited = writtenState(doc);
    EXPECT_NE(edited, opened);

    for (int i = 0; i < 10; ++i)
        vm.undo();
    EXPECT_FALSE(vm.canUndo());
    EXPECT_FALSE(vm.isModified());
    EXPECT_EQ(writtenState(doc), opened);

    for (int i = 0; i < 10; ++i)
        vm.redo();
    EXPECT_EQ(writtenState(doc), edited);
    EXPECT_TRUE(vm.isModified());
}
