// Saves pictures of the page management and watermark sheets when VELLUMARK_SCREENSHOT_DIR
// names a folder (tests/screenshots/page-tools.sh runs it on a virtual X display).
#include "pdf/annotations/WatermarkAnnotation.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "sheets/PageGridModel.h"
#include "sheets/PageManagementView.h"
#include "sheets/WatermarkView.h"
#include "support/EngineHeld.h"
#include "support/PdfFixtures.h"
#include "viewmodels/DocumentViewModel.h"
#include "viewmodels/PageManagementViewModel.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace fixtures;

TEST(PageToolsScreenshot, PageManagementAndWatermarkSheets) {
    const QString folder = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VELLUMARK_SCREENSHOT_DIR to save the pictures";
    QDir().mkpath(folder);

    DocumentViewModel vm;
    vm.loadCreatedDocument(pdf::Document::fromData(numberedPdf(14)), "report.pdf");
    auto doc = vm.pdfDocument();
    doc->page(1)->setRotation(90);
    pdf::WatermarkAnnotation::add(*doc->page(3), QString::fromUtf8("ENTWURF – Vertraulich"), 48,
                                  0.3, -45);
    pdf::WatermarkAnnotation::add(*doc->page(4), QString::fromUtf8("機密"), 150, 0.3, 0);
    vm.setCurrentPageIndex(2);

    PageManagementView pages(vm);
    pages.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pages));
    QTRY_VERIFY_WITH_TIMEOUT(
        pages.pageModel()->hasThumbnail(0) && pages.pageModel()->hasThumbnail(7), 20000);
    QTest::qWait(200);
    EXPECT_TRUE(pages.grab().save(folder + "/page-management.png"));
    pages.close();

    WatermarkView watermark(vm);
    watermark.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&watermark));
    QTest::qWait(100);
    EXPECT_TRUE(watermark.grab().save(folder + "/watermark.png"));

    // The marked pages as the page view would draw them.
    EXPECT_TRUE(doc->page(3)->render(0.75).save(folder + "/watermark-page.png"));
    EXPECT_TRUE(doc->page(4)->render(0.75).save(folder + "/watermark-cjk-page.png"));
}

// A long merge in progress: the sheet draws its progress line while the merge waits for the
// document (held here once the first file is in, as a long recording would hold it).
TEST(PageToolsScreenshot, MergeInProgress) {
    const QString folder = qEnvironmentVariable("VELLUMARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VELLUMARK_SCREENSHOT_DIR to save the pictures";
    QDir().mkpath(folder);
    QTemporaryDir files;
    QStringList paths;
    for (int i = 0; i < 3; ++i)
        paths << writeTemp(files.path(), QString("part%1.pdf").arg(i + 1), numberedPdf(300));

    DocumentViewModel vm;
    vm.loadCreatedDocument(pdf::Document::fromData(numberedPdf(500)), "big.pdf");
    PageManagementView pages(vm);
    pages.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pages));
    QTRY_VERIFY_WITH_TIMEOUT(
        pages.pageModel()->hasThumbnail(0) && pages.pageModel()->hasThumbnail(7), 20000);
    std::unique_ptr<EngineHeld> held;
    QObject::connect(pages.operations(), &PageManagementViewModel::progressed, &pages,
                     [&](int done, int) {
                         if (done >= 1 && !held)
                             held = std::make_unique<EngineHeld>(*vm.pdfDocument());
                     });
    ASSERT_TRUE(pages.operations()->mergeFiles(paths));
    QTRY_VERIFY_WITH_TIMEOUT(held != nullptr, 20000);
    QTest::qWait(200);
    EXPECT_TRUE(pages.grab().save(folder + "/page-management-merging.png"));
    EXPECT_TRUE(held->release());
    pages.operations()->wait();
    EXPECT_EQ(vm.totalPages(), 1400);
}
