// A scanned document made searchable from the window's Tools menu: the search bar then
// finds a word on the scan and selects it where it stands. With VELLUMARK_SCREENSHOT_DIR
// set (tests/screenshots/ocr.sh), pictures of the language choice, of progress with Cancel
// and of a search hit on the scan are saved too.
#include "app/VellumarkApp.h"
#include "support/OcrFixtures.h"
#include "support/PageViewTestSupport.h"
#include "support/WindowTestSupport.h"

#include "pageview/PdfPageView.h"
#include "pdf/document/Page.h"
#include "pdf/text/Selection.h"
#include "platform/NotificationCenter.h"
#include "sheets/OCRResultSheet.h"
#include "shell/CommandVocabulary.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "utilities/OCRService.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/OCRViewModel.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace windowtest;

namespace {

QString shotsDir() {
    return qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
}

void shoot(QWidget& widget, const QString& name) {
    if (shotsDir().isEmpty())
        return;
    QDir().mkpath(shotsDir());
    EXPECT_TRUE(widget.grab().save(QDir(shotsDir()).filePath(name + ".png")));
}

QStringList lines() {
    return fixtures::wrapText(fixtures::samplePassage(), 12, 468);
}

// Two scanned pages written to a file, as a scanner would leave them.
QString scanFile() {
    const QString path = folder() + "/harbour-scan.pdf";
    if (!QFile::exists(path)) {
        const QStringList text = lines();
        auto doc = fixtures::scannedDocument({fixtures::textPageImage(text.mid(0, 12), 12, 200),
                                              fixtures::textPageImage(text.mid(12), 12, 200)});
        EXPECT_TRUE(doc->write(path));
    }
    return path;
}

OCRResultSheet* sheetOf(ContentView& window) {
    waitUntil([&] { return window.findChild<OCRResultSheet*>() != nullptr; });
    return window.findChild<OCRResultSheet*>();
}

void settle(ContentView& window) {
    QTest::qWait(50);
    if (auto* view = (window.pageView() ? window.pageView()->pdfView() : nullptr))
        fixtures::waitUntilSharp(*view);
    QTest::qWait(50);
}

class SearchableScanWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(1100, 760);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        open(window, scanFile());
        ASSERT_TRUE(window.documentVM()->pdfDocument());
    }
    std::unique_ptr<ContentView> made{VellumarkApp::makeWindow()};
    ContentView& window = *made;
};

} // namespace

TEST_F(SearchableScanWindow, ToolsMakeSearchableThenTheSearchBarFindsTheWordOnTheScan) {
    const auto document = window.documentVM()->pdfDocument();
    // Before: the scan has no text, so there is nothing to find.
    window.flags()->setShowSearch(true);
    QTest::keyClicks(window.searchBar()->field(), "weighbridge");
    QTest::keyClick(window.searchBar()->field(), Qt::Key_Return);
    window.documentVM()->waitForSearch();
    EXPECT_TRUE(window.documentVM()->searchResults().isEmpty());

    EXPECT_FALSE(window.documentVM()->isModified());
    window.commandCenter().post(Notifications::makeSearchable);
    OCRResultSheet* sheet = sheetOf(window);
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(window.ocrVM()->isOCRRunning());
    ASSERT_TRUE(waitUntil([&] { return !window.ocrVM()->isOCRRunning(); }, 120000));
    EXPECT_EQ(window.ocrVM()->ocrStatus(), "Text layer added to 2 pages.");
    // The text layer is work of its own: unsaved until written, offered before it goes.
    EXPECT_TRUE(window.documentVM()->isModified());
    EXPECT_TRUE(window.windowTitle().startsWith(QStringLiteral("\u2022 ")));
    sheet->reject();

    QTest::keyClick(window.searchBar()->field(), Qt::Key_Return);
    window.documentVM()->waitForSearch();
    ASSERT_EQ(window.documentVM()->searchResults().size(), 1);
    const auto selection = window.pageView()->pdfView()->currentSelection();
    ASSERT_TRUE(selection);
    const auto page = document->page(0);
    const QRectF found = page->pageToDisplay().mapRect(selection->boundsForPage(page));
    const QRectF drawn = fixtures::drawnWordBox(lines().mid(0, 12), "weighbridge", 12, 200);
    EXPECT_NEAR(found.left(), drawn.left(), 2.0);
    EXPECT_NEAR(found.right(), drawn.right(), 2.0);
    EXPECT_NEAR(found.top(), drawn.top(), 2.0);
    EXPECT_NEAR(found.bottom(), drawn.bottom(), 2.0);
    settle(window);
    shoot(window, "ocr-03-search-hit-on-scan");
}

TEST_F(SearchableScanWindow, LanguageChoiceAndProgressWithCancel) {
    // More than one model to choose from: copies of the English one stand in for others.
    QTemporaryDir tessdata;
    for (const QString model : {"eng", "deu", "fra", "spa"})
        QFile::link(OCRService::tessdataPath() + "/eng.traineddata",
                    tessdata.filePath(model + ".traineddata"));
    const QByteArray oldPrefix = qgetenv("TESSDATA_PREFIX");
    qputenv("TESSDATA_PREFIX", tessdata.path().toUtf8());

    window.ocrVM()->setOcrLanguage("eng+deu");
    window.ocrVM()->setShowOCRSheet(true);
    OCRResultSheet* sheet = sheetOf(window);
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->languageList()->count(), 4);
    QTest::qWait(100);
    shoot(*sheet, "ocr-01-language-choice");

    window.ocrVM()->setOcrLanguage("eng");
    for (QPushButton* button : sheet->searchableButtons())
        if (button->isVisible())
            button->click();
    ASSERT_TRUE(
        waitUntil([&] { return window.ocrVM()->ocrProgress() == QString("Page 1 of 2"); }, 120000));
    EXPECT_TRUE(sheet->cancelButton()->isVisible());
    QTest::qWait(100);
    shoot(*sheet, "ocr-02-progress-with-cancel");
    sheet->cancelButton()->click();
    ASSERT_TRUE(window.ocrVM()->waitForBackgroundWork(60000));
    QTest::qWait(50);
    EXPECT_FALSE(window.documentVM()->pdfDocument()->page(0)->text());

    if (oldPrefix.isEmpty())
        qunsetenv("TESSDATA_PREFIX");
    else
        qputenv("TESSDATA_PREFIX", oldPrefix);
}
