#include "sheets/OCRResultSheet.h"

#include "support/FakeClipboard.h"
#include "viewmodels/OCRViewModel.h"
#include "widgets/ActivityIndicator.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QPushButton* buttonNamed(const QWidget& sheet, const QString& title) {
    for (auto* button : sheet.findChildren<QPushButton*>())
        if (button->text() == title && button->isVisible())
            return button;
    return nullptr;
}

} // namespace

TEST(OCRResultSheet, ShowsSpinnerAndProgressWhileRunning) {
    OCRViewModel model;
    model.setShowOCRSheet(true);
    model.setIsOCRRunning(true);
    OCRResultSheet sheet(model);
    sheet.show();
    EXPECT_EQ(sheet.content(), OCRResultSheet::Content::running);
    EXPECT_TRUE(sheet.spinner()->isVisible());
    EXPECT_FALSE(sheet.progressLabel()->isVisible());
    EXPECT_EQ(buttonNamed(sheet, "Close"), nullptr);

    model.setOcrProgress(QString("Page 3 of 12"));
    EXPECT_TRUE(sheet.progressLabel()->isVisible());
    EXPECT_EQ(sheet.progressLabel()->text(), "Page 3 of 12");

    model.setOcrText(QString("--- Page 1 ---\nHello"));
    model.setIsOCRRunning(false);
    model.setOcrProgress(std::nullopt);
    EXPECT_EQ(sheet.content(), OCRResultSheet::Content::text);
    EXPECT_FALSE(sheet.spinner()->isVisible());
    EXPECT_FALSE(sheet.progressLabel()->isVisible());
    EXPECT_EQ(sheet.textView()->toPlainText(), "--- Page 1 ---\nHello");
    EXPECT_TRUE(sheet.textView()->isReadOnly());
}

TEST(OCRResultSheet, CopiesTheWholeTextAndStaysOpen) {
    ScopedClipboard clipboard;
    clipboard->setImage(QImage(4, 4, QImage::Format_RGB32));
    OCRViewModel model;
    model.setShowOCRSheet(true);
    model.setOcrText(QString("line one\nline two"));
    OCRResultSheet sheet(model);
    sheet.show();

    QPushButton* copy = buttonNamed(sheet, "Copy to Clipboard");
    ASSERT_NE(copy, nullptr);
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(clipboard->text(), "line one\nline two");
    EXPECT_TRUE(clipboard->image().isNull());
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_TRUE(model.showOCRSheet());
}

TEST(OCRResultSheet, ShowsTheNoticeWhenNothingWasFound) {
    for (const std::optional<QString>& text :
         {std::optional<QString>(), std::optional(QString())}) {
        OCRViewModel model;
        model.setShowOCRSheet(true);
        model.setOcrText(text);
        OCRResultSheet sheet(model);
        sheet.show();
        EXPECT_EQ(sheet.content(), OCRResultSheet::Content::notice);
        bool noticeShown = false;
        for (auto* label : sheet.findChildren<QLabel*>())
            noticeShown |= label->isVisible() && label->text() == "No text was recognized.";
        EXPECT_TRUE(noticeShown);
        EXPECT_EQ(buttonNamed(sheet, "Copy to Clipboard"), nullptr);
        EXPECT_NE(buttonNamed(sheet, "Close"), nullptr);
    }
}

TEST(OCRResultSheet, ClosingLowersTheFlagAndTheFlagClosesTheSheet) {
    OCRViewModel model;
    model.setShowOCRSheet(true);
    {
        OCRResultSheet sheet(model);
        sheet.show();
        QTest::mouseClick(buttonNamed(sheet, "Close"), Qt::LeftButton);
        EXPECT_FALSE(sheet.isVisible());
        EXPECT_FALSE(model.showOCRSheet());
    }
    model.setShowOCRSheet(true);
    OCRResultSheet sheet(model);
    sheet.show();
    model.setShowOCRSheet(false);
    EXPECT_FALSE(sheet.isVisible());
}

TEST(OCRResultSheet, AttachedWindowShowsAFreshSheetEachTime) {
    OCRViewModel model;
    QWidget window;
    window.show();
    OCRResultSheet::attach(model, &window);
    EXPECT_TRUE(window.findChildren<OCRResultSheet*>().isEmpty());

    model.setShowOCRSheet(true);
    QPointer<OCRResultSheet> first = window.findChild<OCRResultSheet*>();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isModal());

    QTest::mouseClick(buttonNamed(*first, "Close"), Qt::LeftButton);
    EXPECT_FALSE(model.showOCRSheet());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());

    model.setShowOCRSheet(true);
    const auto sheets = window.findChildren<OCRResultSheet*>();
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_TRUE(sheets.front()->isVisible());
}
