// Saves pictures of the page management and watermark sheets when VELLUMARK_SCREENSHOT_DIR
// names a folder (tests/screenshots/page-tools.sh runs it on a virtual X display).
#include "pdf/Document.h"
#include "pdf/Page.h"
#include "pdf/WatermarkAnnotation.h"
#include "sheets/PageGridModel.h"
#include "sheets/PageManagementView.h"
#include "sheets/WatermarkView.h"
#include "support/PdfFixtures.h"
#include "viewmodels/DocumentViewModel.h"

#include <QDir>
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
