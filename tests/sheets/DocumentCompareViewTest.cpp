#include "sheets/DocumentCompareView.h"

#include "pageview/PagePreviewView.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedFileDialogs.h"
#include "support/ToolFixtures.h"
#include "viewmodels/DocumentCompareViewModel.h"
#include "viewmodels/DocumentViewModel.h"

#include <QLabel>
#include <QListWidget>
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

// "1200" against "1500" no longer passes unseen: the words are tinted on both sides and the
// list steps through them, also across a page that only the chosen file has.
TEST(DocumentCompareDifferences, TintedOnBothSidesAndListed) {
    QTemporaryDir dir;
    ScopedFileDialogs dialogs;
    DocumentViewModel documentVM;
    documentVM.loadDocument(
        QUrl::fromLocalFile(writeTemp(dir.path(), "march.pdf",
                                      textPdf({{"Invoice March", "Total due: 1200 euros"},
                                               {"Terms apply", "Thank you for your order"}}))));
    DocumentCompareView sheet{documentVM};
    sheet.resize(1000, 640);
    sheet.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
    // A bell in the file's name is shown, not rung.
    dialogs->scriptOpen({writeTemp(dir.path(), "april\x07.pdf",
                                   textPdf({{"Invoice March", "Total due: 1500 euros"},
                                            {"Late fees: none"},
                                            {"Terms apply", "Thank you for your order"}}))});
    QTest::mouseClick(sheet.choosePDFButton(), Qt::LeftButton);
    sheet.model().waitForDifferences();
    QListWidget* list = sheet.differenceList();
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(sheet.summaryLabel()->text(), "2 differences");
    EXPECT_EQ(list->item(0)->text(), "Page 1: \u201c1200\u201d \u2192 \u201c1500\u201d");
    EXPECT_EQ(list->item(1)->text(), "Page 2: page added");
    EXPECT_EQ(sheet.counterLabel()->text(), "Page 1 of 3");
    EXPECT_EQ(sheet.rightNameLabel()->text(), "april?.pdf");

    // The first row: one amber word on each side, where "1200" and "1500" are drawn.
    const auto waitFor = [](PagePreviewView* side) {
        if (side->isRendering()) {
            QSignalSpy ready(side, &PagePreviewView::previewReady);
            ASSERT_TRUE(ready.wait(10000));
        }
    };
    waitFor(sheet.leftPreview());
    waitFor(sheet.rightPreview());
    for (PagePreviewView* side : {sheet.leftPreview(), sheet.rightPreview()}) {
        ASSERT_EQ(side->marks().size(), 1u);
        const QRect mark = side->markRect(side->marks()[0].box).toAlignedRect();
        const QImage shown = side->grab().toImage();
        const double ratio = shown.devicePixelRatio();
        // Tinted: most of the word's box is amber (red leads blue), not the page's white.
        int tinted = 0, all = 0;
        for (int y = mark.top(); y <= mark.bottom(); ++y)
            for (int x = mark.left(); x <= mark.right(); ++x, ++all) {
                const QColor c = shown.pixelColor(QPoint(x, y) * ratio);
                tinted += c.red() > c.blue() + 40;
            }
        EXPECT_GT(tinted, all / 2) << tinted << " of " << all;
    }
    saveScreenshot(&sheet, "compare-differences");

    // Clicking the second entry goes to the page only the chosen file has.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(sheet.counterLabel()->text(), "Page 2 of 3");
    EXPECT_TRUE(sheet.leftPageLabel()->text().isEmpty());
    EXPECT_EQ(sheet.rightPageLabel()->text(), "Page 2");
    ASSERT_FALSE(sheet.rightPreview()->marks().empty());
    EXPECT_TRUE(sheet.rightPreview()->marks()[0].strong);
    EXPECT_FALSE(sheet.nextDifferenceButton()->isEnabled());
    // Paging on, the shared last page faces its counterpart without a mark.
    QTest::mouseClick(sheet.nextButton(), Qt::LeftButton);
    EXPECT_EQ(sheet.leftPageLabel()->text(), "Page 2");
    EXPECT_EQ(sheet.rightPageLabel()->text(), "Page 3");
    EXPECT_TRUE(sheet.rightPreview()->marks().empty());
    QTest::mouseClick(sheet.previousDifferenceButton(), Qt::LeftButton);
    EXPECT_EQ(sheet.counterLabel()->text(), "Page 1 of 3");
    EXPECT_EQ(list->currentRow(), 0);
}

} // namespace
