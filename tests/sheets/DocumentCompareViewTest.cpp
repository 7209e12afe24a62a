#include "sheets/DocumentCompareView.h"

#include "pageview/PagePreviewView.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ToolFixtures.h"
#include "viewmodels/DocumentCompareViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

class DocumentCompareViewTest : public testing::Test {
protected:
    void SetUp() override {
        documentVM.loadDocument(QUrl::fromLocalFile(
            writeTemp(dir.path(), "three.pdf", numberedPdf(3, "left document"))));
        five = writeTemp(dir.path(), "five.pdf", numberedPdf(5, "right document"));
        sheet.resize(900, 600);
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    }
    // Waits until both sides show what the current index asks for.
    void settle() {
        for (PagePreviewView* side : {sheet.leftPreview(), sheet.rightPreview()}) {
            if (side->isRendering()) {
                QSignalSpy ready(side, &PagePreviewView::previewReady);
                ASSERT_TRUE(ready.wait(10000));
            }
        }
    }
    void choose() {
        dialogs->scriptOpen({five});
        QTest::mouseClick(sheet.choosePDFButton(), Qt::LeftButton);
        settle();
    }
    void next() {
        QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
        settle();
    }
    QTemporaryDir dir;
    QString five;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    DocumentCompareView sheet{documentVM};
};

TEST_F(DocumentCompareViewTest, ThreePagesAgainstFive) {
    EXPECT_TRUE(sheet.showsChooser());
    saveScreenshot(&sheet, "compare-sheet-chooser");
    choose();
    ASSERT_FALSE(sheet.showsChooser());
    EXPECT_EQ(sheet.leftNameLabel()->text(), "three.pdf");
    EXPECT_EQ(sheet.rightNameLabel()->text(), "five.pdf");
    EXPECT_EQ(sheet.counterLabel()->text(), "Page 1 of 5");
    EXPECT_FALSE(sheet.previousButton()->isEnabled());
    EXPECT_TRUE(sheet.nextButton()->isEnabled());
    EXPECT_FALSE(sheet.leftPreview()->showsPlaceholder());
    EXPECT_FALSE(sheet.rightPreview()->showsPlaceholder());
    // Rendered at 400 × 550 points: a Letter page comes out 400 wide.
    EXPECT_EQ(sheet.rightPreview()->image().width(),
              qRound(400 * sheet.rightPreview()->devicePixelRatioF()));
    saveScreenshot(&sheet, "compare-sheet-page1");

    next();
    next();
    next();
    EXPECT_EQ(sheet.counterLabel()->text(), "Page 4 of 5");
    EXPECT_TRUE(sheet.leftPreview()->showsPlaceholder());
    EXPECT_FALSE(sheet.rightPreview()->showsPlaceholder());
    EXPECT_EQ(sheet.rightPreview()->image(),
              sheet.model().rightPage()->thumbnail(PagePreviewView::previewSize *
                                                   sheet.rightPreview()->devicePixelRatioF()));
    saveScreenshot(&sheet, "compare-sheet-page4");
    next();
    EXPECT_EQ(sheet.counterLabel()->text(), "Page 5 of 5");
    EXPECT_FALSE(sheet.nextButton()->isEnabled());
    EXPECT_TRUE(sheet.previousButton()->isEnabled());
}

TEST_F(DocumentCompareViewTest, ChooseDifferentFileStartsOver) {
    choose();
    next();
    next();
    QTest::mouseClick(sheet.chooseDifferentButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet.showsChooser());
    choose();
    EXPECT_EQ(sheet.counterLabel()->text(), "Page 1 of 5");

    QTest::mouseClick(sheet.doneButton(), Qt::LeftButton);
    EXPECT_FALSE(sheet.isVisible());
}

TEST_F(DocumentCompareViewTest, AnUnreadableFileSaysWhy) {
    dialogs->scriptOpen({writeTemp(dir.path(), "broken.pdf", garbageBytes())});
    QTest::mouseClick(sheet.choosePDFButton(), Qt::LeftButton);
    EXPECT_TRUE(sheet.showsChooser());
    EXPECT_TRUE(sheet.chooseErrorLabel()->isVisible());
    EXPECT_TRUE(sheet.chooseErrorLabel()->text().contains("broken.pdf"));
}

} // namespace
