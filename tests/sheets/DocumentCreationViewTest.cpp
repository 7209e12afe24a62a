#include "sheets/DocumentCreationView.h"
#include "sheets/PageListWidget.h"
#include "support/ComposeSupport.h"
#include "support/ScriptedFileDialogs.h"
#include "viewmodels/DocumentCreationViewModel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct Created {
    int count = 0;
    pdf::DocumentPtr document;
    QString title;
    DocumentCreationView::OnCreated callback() {
        return [this](const pdf::DocumentPtr& d, const QString& t) {
            ++count;
            document = d;
            title = t;
        };
    }
};

QToolButton* button(const DocumentCreationView& view, const char* name) {
    return view.findChild<QToolButton*>(name);
}

void selectSize(DocumentCreationView& view, PageSize size) {
    QComboBox* picker = view.sizePicker();
    const int index = picker->findData(QVariant::fromValue(size));
    picker->setCurrentIndex(index);
    emit picker->activated(index);
}

} // namespace

TEST(DocumentCreationView, AFreshSheetShowsOneBlankA4Page) {
    DocumentCreationViewModel model;
    Created created;
    DocumentCreationView view(model, created.callback());
    view.show();
    ASSERT_EQ(view.pageList()->count(), 1);
    EXPECT_EQ(view.pageList()->item(0)->text(), "Page 1");
    EXPECT_EQ(view.pageList()->item(0)->data(PageListWidget::SubtitleRole).toString(),
              "A4 - Blank");
    EXPECT_EQ(view.pageCountLabel()->text(), "1");
    EXPECT_EQ(view.sizePicker()->currentText(), "A4");
    EXPECT_EQ(view.templatePicker()->currentText(), "Blank");
    EXPECT_FALSE(view.customSizeRow()->isVisible());
    EXPECT_TRUE(view.textEditors().isEmpty());
    EXPECT_TRUE(view.imagePreviews().isEmpty());
    EXPECT_EQ(view.titleField()->text(), "Untitled");
    EXPECT_EQ(view.titleField()->placeholderText(), "Document title");
    EXPECT_EQ(view.windowModality(), Qt::WindowModal);
    EXPECT_GE(view.minimumWidth(), 700);
    EXPECT_GE(view.minimumHeight(), 500);
    EXPECT_TRUE(view.createButton()->isDefault());
}

TEST(DocumentCreationView, AddingAndDeletingPages) {
    DocumentCreationViewModel model;
    Created created;
    DocumentCreationView view(model, created.callback());
    view.show();

    std::unique_ptr<QMenu> menu(view.pageContextMenu(0));
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "Delete");
    EXPECT_FALSE(menu->actions()[0]->isEnabled()) << "the only page cannot be deleted";

    button(view, "addPageButton")->click();
    ASSERT_EQ(view.pageList()->count(), 2);
    EXPECT_EQ(view.pageList()->item(1)->text(), "Page 2");
    EXPECT_EQ(view.pageList()->item(1)->data(PageListWidget::SubtitleRole).toString(),
              "A4 - Blank");
    EXPECT_EQ(view.pageList()->currentRow(), 1);
    EXPECT_EQ(model.selectedPageIndex(), 1);
    EXPECT_EQ(view.pageCountLabel()->text(), "2");

    menu.reset(view.pageContextMenu(0));
    ASSERT_TRUE(menu->actions()[0]->isEnabled());
    menu->actions()[0]->trigger();
    EXPECT_EQ(model.pages().size(), 1);
    EXPECT_EQ(view.pageList()->count(), 1);
    EXPECT_EQ(view.pageList()->currentRow(), 0);
}

TEST(DocumentCreationView, CustomSizeShowsEmptyFieldsWithPlaceholders) {
    DocumentCreationViewModel model;
    Created created;
    DocumentCreationView view(model, created.callback());
    view.show();
    selectSize(view, PageSize::custom);
    EXPECT_EQ(model.pages()[0].pageSize, PageSize::custom);
    EXPECT_TRUE(view.customSizeRow()->isVisible());
    EXPECT_TRUE(view.widthField()->text().isEmpty());
    EXPECT_EQ(view.widthField()->placeholderText(), "612");
    EXPECT_EQ(view.heightField()->placeholderText(), "792");
    EXPECT_EQ(model.pages()[0].effectiveSize(), QSizeF(612, 792));
    EXPECT_EQ(view.pageList()->item(0)->data(PageListWidget::SubtitleRole).toString(),
              "Custom - Blank");

    QTest::keyClicks(view.widthField(), "300");
    EXPECT_EQ(model.pages()[0].effectiveSize(), QSizeF(300, 792));
    EXPECT_EQ(view.widthField()->text(), "300");
    view.widthField()->selectAll();
    QTest::keyClick(view.widthField(), Qt::Key_Backspace);
    EXPECT_FALSE(model.pages()[0].customWidth);

    selectSize(view, PageSize::letter);
    EXPECT_FALSE(view.customSizeRow()->isVisible());
}

TEST(DocumentCreationView, TypingChangesOnlyThatBlock) {
    DocumentCreationViewModel model;
    Created created;
    DocumentCreationView view(model, created.callback());
    view.show();
    button(view, "addTextButton")->click();
    button(view, "addTextButton")->click();
    ASSERT_EQ(view.textEditors().size(), 2);
    EXPECT_EQ(view.textEditors()[0]->toPlainText(), "Enter text here...");
    EXPECT_EQ(model.pages()[0].textBlocks[0].fontSize, 14);

    QPlainTextEdit* second = view.textEditors()[1];
    second->setFocus();
    second->selectAll();
    QTest::keyClicks(second, "Hello");
    EXPECT_EQ(model.pages()[0].textBlocks[1].text, "Hello");
    EXPECT_EQ(model.pages()[0].textBlocks[0].text, "Enter text here...");
    EXPECT_EQ(view.textEditors()[1], second) << "the editor under the cursor is kept";
    QTest::keyClicks(second, " world");
    EXPECT_EQ(model.pages()[0].textBlocks[1].text, "Hello world");
}

TEST(DocumentCreationView, DraggingPageThreeToTheTopRenumbersTheRows) {
    DocumentCreationViewModel model;
    Created created;
    DocumentCreationView view(model, created.callback());
    view.show();
    button(view, "addPageButton")->click();
    button(view, "addPageButton")->click();
    model.setSelectedPageTemplate(PageTemplate::grid); // page 3 is the grid page
    const QUuid third = model.pages()[2].id;
    ASSERT_EQ(model.selectedPageIndex(), 2);

    PageListWidget* list = view.pageList();
    const QPoint top = list->visualItemRect(list->item(0)).topLeft() + QPoint(10, 2);
    list->moveDraggedRowsTo(top); // what the list's drop handler does with a drop there
    EXPECT_EQ(model.pages()[0].id, third);
    EXPECT_EQ(list->item(0)->text(), "Page 1");
    EXPECT_EQ(list->item(0)->data(PageListWidget::SubtitleRole).toString(), "A4 - Grid");
    EXPECT_EQ(list->item(2)->data(PageListWidget::SubtitleRole).toString(), "A4 - Blank");
    EXPECT_EQ(model.selectedPageIndex(), 2) << "the selection keeps its number";
    EXPECT_EQ(list->currentRow(), 2);
    EXPECT_EQ(list->count(), 3);
}

TEST(DocumentCreationView, EscapeClosesWithoutCreatingAndTheCompositionStays) {
    DocumentCreationViewModel model;
    Created created;
    {
        DocumentCreationView view(model, created.callback());
        view.show();
        button(view, "addPageButton")->click();
        view.titleField()->setFocus();
        view.titleField()->selectAll();
        QTest::keyClicks(view.titleField(), "Notes");
        QTest::keyClick(&view, Qt::Key_Escape);
        EXPECT_FALSE(view.isVisible());
        EXPECT_EQ(view.result(), QDialog::Rejected);
    }
    EXPECT_EQ(created.count, 0);
    DocumentCreationView again(model, created.callback());
    EXPECT_EQ(again.pageList()->count(), 2);
    EXPECT_EQ(again.titleField()->text(), "Notes");
    EXPECT_EQ(again.pageList()->currentRow(), 1);
}

TEST(DocumentCreationView, ReturnCreatesAndHandsTheDocumentOver) {
    DocumentCreationViewModel model;
    model.setDocumentTitle("Plan");
    Created created;
    DocumentCreationView view(model, created.callback());
    view.show();
    button(view, "addTextButton")->click();
    view.titleField()->setFocus();
    QTest::keyClick(view.titleField(), Qt::Key_Return);
    ASSERT_EQ(created.count, 1);
    ASSERT_TRUE(created.document);
    EXPECT_EQ(created.document->pageCount(), 1);
    EXPECT_EQ(created.title, "Plan");
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(model.pages()[0].textBlocks.size(), 1) << "creating keeps the composition";
}

TEST(DocumentCreationView, SavingHandsOverTheReopenedFileAndAFailedWriteKeepsTheSheet) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentCreationViewModel model;
    Created created;
    {
        DocumentCreationView view(model, created.callback());
        view.show();
        dialogs->scriptSave(dir.filePath("missing-folder/Untitled.pdf"));
        view.saveButton()->click();
        EXPECT_TRUE(view.isVisible());
        EXPECT_EQ(created.count, 0);
        auto* box = view.findChild<QMessageBox*>();
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->text().contains("Untitled.pdf")) << box->text().toStdString();
        box->accept();

        // Cancelled: the sheet stays, nothing is handed over.
        view.saveButton()->click();
        EXPECT_TRUE(view.isVisible());
        EXPECT_EQ(created.count, 0);
    }
    DocumentCreationView view(model, created.callback());
    view.show();
    const QString target = dir.filePath("Untitled.pdf");
    dialogs->scriptSave(target);
    view.saveButton()->click();
    EXPECT_FALSE(view.isVisible());
    ASSERT_EQ(created.count, 1);
    ASSERT_TRUE(created.document);
    EXPECT_EQ(created.document->path(), target);
    EXPECT_EQ(compose_test::runTool("qpdf", {"--check", target}).exitCode, 0);
}

TEST(DocumentCreationView, ImagesShowAPreviewSixtyPointsHigh) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentCreationViewModel model;
    Created created;
    DocumentCreationView view(model, created.callback());
    view.show();
    const QString path = dir.filePath("wide.png");
    ASSERT_TRUE(compose_test::writeFile(path, compose_test::encodedImage(300, 100, Qt::darkCyan)));
    dialogs->scriptOpen({path});
    button(view, "addImageButton")->click();
    ASSERT_EQ(view.imagePreviews().size(), 1);
    const QPixmap preview = view.imagePreviews()[0]->pixmap();
    EXPECT_EQ(preview.deviceIndependentSize().toSize(), QSize(180, 60));
    EXPECT_EQ(model.pages()[0].imageBlocks.size(), 1);
}
