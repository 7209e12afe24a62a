#include "sheets/FormFieldView.h"

#include "support/FakePageView.h"
#include "support/HostileFixtures.h"
#include "support/PdfFixtures.h"
#include "support/ToolFixtures.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/FormFieldViewModel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class FormFieldViewTest : public testing::Test {
protected:
    void SetUp() override {
        documentVM.loadCreatedDocument(pdf::Document::fromData(formPdf()), "form");
        documentVM.setPdfView(&view, &view);
    }
    FakePageView view;
    DocumentViewModel documentVM;
};

TEST_F(FormFieldViewTest, RowsShowNamesPlacesAndControls) {
    FormFieldView sheet(documentVM);
    sheet.resize(560, 520);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_FALSE(sheet.showsEmptyState());
    EXPECT_EQ(sheet.countLabel()->text(), "6 fields found");
    const auto& rows = sheet.rows();
    ASSERT_EQ(rows.size(), 6u);
    QStringList lines;
    for (const auto& row : rows)
        lines << row.name->text() + " / " + row.location->text();
    EXPECT_EQ(lines, QStringList({"name / Page 1 \u2022 Text", "agree / Page 1 \u2022 Button",
                                  "choice / Page 1 \u2022 Button", "choice / Page 1 \u2022 Button",
                                  "colour / Page 1 \u2022 Choice", "city / Page 2 \u2022 Text"}));
    ASSERT_NE(rows[0].textField, nullptr);
    EXPECT_EQ(rows[0].textField->text(), "Alice");
    EXPECT_EQ(rows[0].textField->placeholderText(), "Enter value");
    EXPECT_EQ(rows[0].textField->width(), 200);
    ASSERT_NE(rows[1].toggle, nullptr);
    EXPECT_FALSE(rows[1].toggle->isChecked());
    EXPECT_TRUE(rows[2].toggle->isChecked());
    ASSERT_NE(rows[4].choiceValue, nullptr);
    EXPECT_EQ(rows[4].choiceValue->text(), "Red");
    EXPECT_EQ(rows[5].goButton->toolTip(), "Go to field");
    saveScreenshot(&sheet, "form-fields-sheet");

    QTest::mouseClick(rows[5].goButton, Qt::LeftButton);
    EXPECT_EQ(documentVM.currentPageIndex(), 1);
    EXPECT_TRUE(sheet.isVisible()); // the sheet stays open
}

TEST_F(FormFieldViewTest, TypingAndTogglingReachTheDocument) {
    FormFieldView sheet(documentVM);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    const auto& rows = sheet.rows();
    const auto& fields = sheet.model().formFields();
    const QImage before = fields[0].page->render(1.0);
    QSignalSpy notices(documentVM.pdfDocument()->changes(), &pdf::DocumentChanges::changed);
    QTest::keyClicks(rows[0].textField, " Smith");
    EXPECT_EQ(fields[0].annotation->widgetStringValue(), "Alice Smith");
    EXPECT_EQ(notices.count(), 6); // the page is drawn again after each keystroke
    const QRect area(72, 792 - 700, 228, 20);
    EXPECT_NE(fields[0].page->render(1.0).copy(area), before.copy(area));

    QTest::mouseClick(rows[1].toggle, Qt::LeftButton);
    EXPECT_TRUE(fields[1].annotation->buttonWidgetState());
    // Switching the second radio button on switches the first one off, in the rows too.
    QTest::mouseClick(rows[3].toggle, Qt::LeftButton);
    EXPECT_TRUE(fields[3].annotation->buttonWidgetState());
    EXPECT_FALSE(fields[2].annotation->buttonWidgetState());
    EXPECT_FALSE(rows[2].toggle->isChecked());
    EXPECT_TRUE(rows[3].toggle->isChecked());
    // The group keeps one on: the toggle shows what the field says.
    QTest::mouseClick(rows[3].toggle, Qt::LeftButton);
    EXPECT_EQ(rows[3].toggle->isChecked(), fields[3].annotation->buttonWidgetState());
    EXPECT_TRUE(fields[2].annotation->buttonWidgetState() ||
                fields[3].annotation->buttonWidgetState());
}

TEST(FormFieldViewEmpty, NoFieldsOrNoDocumentShowTheEmptyState) {
    DocumentViewModel documentVM;
    {
        FormFieldView sheet(documentVM);
        EXPECT_TRUE(sheet.showsEmptyState());
        EXPECT_EQ(sheet.countLabel()->text(), "0 fields found");
    }
    documentVM.loadCreatedDocument(pdf::Document::fromData(numberedPdf(2)), "plain");
    FormFieldView sheet(documentVM);
    sheet.resize(520, 420);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    EXPECT_TRUE(sheet.showsEmptyState());
    EXPECT_TRUE(sheet.rows().empty());
    saveScreenshot(&sheet, "form-fields-empty");
}

TEST(FormFieldViewSingle, OneTextFieldOnPageTwo) {
    auto doc = pdf::Document::fromData(formPdf());
    // Page 1 keeps only its title: the fields there go, the one on page 2 stays.
    for (const auto& annotation : doc->page(0)->annotations())
        doc->page(0)->removeAnnotation(annotation);
    DocumentViewModel documentVM;
    documentVM.loadCreatedDocument(doc, "one field");
    FormFieldView sheet(documentVM);
    ASSERT_EQ(sheet.rows().size(), 1u);
    EXPECT_EQ(sheet.rows()[0].location->text(), "Page 2 \u2022 Text");
    EXPECT_EQ(sheet.countLabel()->text(), "1 fields found");
}

} // namespace

TEST(FormFieldViewMarkup, AFieldNamedWithMarkupShowsItLiterally) {
    const QString name = "<h1 style='color:red'>Headline</h1><img src='/etc/hostname'>";
    FakePageView view;
    DocumentViewModel documentVM;
    documentVM.loadCreatedDocument(pdf::Document::fromData(namedFieldPdf(name)), "form");
    documentVM.setPdfView(&view, &view);
    FormFieldView sheet(documentVM);
    sheet.resize(560, 520);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    ASSERT_EQ(sheet.rows().size(), 1u);
    const QLabel* label = sheet.rows()[0].name;
    EXPECT_EQ(label->text(), name);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    // Shown as markup, the label would be one short headline; as text it is one long line.
    EXPECT_GT(label->sizeHint().width(), label->fontMetrics().horizontalAdvance("Headline") * 4);
}
