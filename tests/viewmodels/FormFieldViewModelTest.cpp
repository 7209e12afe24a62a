#include "viewmodels/FormFieldViewModel.h"

#include "support/FakePageView.h"
#include "support/PdfFixtures.h"
#include "support/ToolFixtures.h"
#include "viewmodels/DocumentViewModel.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class FormFieldViewModelTest : public testing::Test {
protected:
    void SetUp() override {
        documentVM.loadCreatedDocument(pdf::Document::fromData(formPdf()), "form");
        documentVM.setPdfView(&view, &view);
        vm.detectFormFields();
    }
    int row(const QString& name, int nth = 0) const {
        const auto& fields = vm.formFields();
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].displayName() == name && nth-- == 0)
                return int(i);
        return -1;
    }
    FakePageView view;
    DocumentViewModel documentVM;
    FormFieldViewModel vm{documentVM};
};

TEST_F(FormFieldViewModelTest, ListsFieldsWithCount) {
    ASSERT_EQ(vm.formFields().size(), 6u);
    EXPECT_EQ(vm.headerText(), "6 fields found");
    EXPECT_EQ(row("sig"), -1);
    EXPECT_EQ(vm.formFields()[size_t(row("city"))].locationLine(), "Page 2 \u2022 Text");

    // The second page alone: one field.
    auto single = pdf::Document::fromData(formPdf());
    ASSERT_TRUE(single->removePage(0));
    documentVM.closeDocument();
    documentVM.loadCreatedDocument(single, "city only");
    vm.detectFormFields();
    ASSERT_EQ(vm.formFields().size(), 1u);
    EXPECT_EQ(vm.headerText(), "1 fields found");
    EXPECT_EQ(vm.formFields()[0].locationLine(), "Page 1 \u2022 Text");
}

TEST(FormFieldViewModelNoDocument, StaysEmpty) {
    DocumentViewModel documentVM;
    FormFieldViewModel vm(documentVM);
    QSignalSpy spy(&vm, &FormFieldViewModel::formFieldsChanged);
    vm.detectFormFields();
    EXPECT_TRUE(vm.formFields().empty());
    EXPECT_EQ(vm.headerText(), "0 fields found");
    EXPECT_EQ(spy.count(), 0);
    vm.setValue(0, "x"); // no rows: nothing happens
    vm.goToField(0);
}

TEST_F(FormFieldViewModelTest, TypingChangesTheFieldAsDrawn) {
    const int name = row("name");
    const auto page = vm.formFields()[size_t(name)].page;
    const QImage before = page->render(1.0);
    QSignalSpy notices(documentVM.pdfDocument()->changes(), &pdf::DocumentChanges::changed);
    vm.setValue(name, "Alice B");
    vm.setValue(name, "Alice Bo");
    EXPECT_EQ(vm.formFields()[size_t(name)].annotation->widgetStringValue(), "Alice Bo");
    EXPECT_EQ(vm.formFields()[size_t(name)].value, "Alice Bo");
    // The document announces each value for the page the field is on (page 1).
    ASSERT_EQ(notices.count(), 2);
    EXPECT_EQ(notices[1][0].value<pdf::Change>(),
              (pdf::Change{pdf::Change::Kind::FormValuesChanged, {0}}));
    // The field's area (72,680)-(300,700) in PDF space is drawn differently now.
    const QRect area(72, 792 - 700, 228, 20);
    EXPECT_NE(page->render(1.0).copy(area), before.copy(area));
    // Unchanged text asks for nothing.
    vm.setValue(name, "Alice Bo");
    EXPECT_EQ(notices.count(), 2);

    // Each value is an edit of its own: undo goes back one keystroke at a time.
    documentVM.undo();
    EXPECT_EQ(vm.formFields()[size_t(name)].annotation->widgetStringValue(), "Alice B");
    documentVM.redo();
    EXPECT_EQ(vm.formFields()[size_t(name)].annotation->widgetStringValue(), "Alice Bo");
}

TEST_F(FormFieldViewModelTest, TogglingChangesTheStateAndRadioGroupsKeepOneOn) {
    const int agree = row("agree"), a = row("choice", 0), b = row("choice", 1);
    QSignalSpy toggles(&vm, &FormFieldViewModel::buttonStatesChanged);
    EXPECT_FALSE(vm.buttonState(agree));
    vm.setButtonState(agree, true);
    EXPECT_TRUE(vm.buttonState(agree));
    EXPECT_TRUE(vm.formFields()[size_t(agree)].annotation->buttonWidgetState());
    vm.setButtonState(agree, false);
    EXPECT_FALSE(vm.buttonState(agree));

    EXPECT_TRUE(vm.buttonState(a));
    vm.setButtonState(b, true);
    EXPECT_TRUE(vm.buttonState(b));
    EXPECT_FALSE(vm.buttonState(a));
    vm.setButtonState(b, false); // the group keeps one on
    EXPECT_TRUE(vm.buttonState(a) || vm.buttonState(b));
    EXPECT_EQ(toggles.count(), 4);
}

TEST_F(FormFieldViewModelTest, GoToFieldShowsItsPage) {
    vm.goToField(row("city"));
    EXPECT_EQ(documentVM.currentPageIndex(), 1);
    ASSERT_FALSE(view.visited.empty());
    EXPECT_EQ(view.visited.back()->index(), 1);
}

} // namespace

namespace {

TEST_F(FormFieldViewModelTest, ACopyWrittenAfterEditingShowsTheValuesElsewhere) {
    if (!toolAvailable("pdftotext") || !toolAvailable("pdftoppm") || !toolAvailable("qpdf"))
        GTEST_SKIP() << "poppler-utils and qpdf are needed";
    vm.setValue(row("name"), "Katherine Johnson");
    vm.setValue(row("city"), "Hampton");
    vm.setButtonState(row("agree"), true);
    vm.setButtonState(row("choice", 1), true);
    QTemporaryDir dir;
    const QString out = dir.filePath("filled.pdf");
    ASSERT_TRUE(documentVM.pdfDocument()->write(out));
    int code = -1;
    runTool("qpdf", {"--check", out}, &code);
    EXPECT_EQ(code, 0);
    const QString text = QString::fromUtf8(runTool("pdftotext", {out, "-"}));
    EXPECT_TRUE(text.contains("Katherine Johnson")) << text.toStdString();
    EXPECT_TRUE(text.contains("Hampton"));
    EXPECT_GT(darkPixels(popplerRegion(out, 1, QRectF(72, 640, 14, 14))), 5);   // check mark
    EXPECT_EQ(darkPixels(popplerRegion(out, 1, QRectF(72, 600, 14, 14))), 0);   // radio a off
    EXPECT_GT(darkPixels(popplerRegion(out, 1, QRectF(100, 600, 14, 14))), 5);  // radio b on
    EXPECT_GT(darkPixels(popplerRegion(out, 2, QRectF(72, 680, 228, 20))), 20); // "Hampton"
}

} // namespace
