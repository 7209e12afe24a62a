// How the window copes with a long document: the first page must show at once and the
// main loop must keep turning while the thumbnails fill in. Prints its figures; runs
// only when VELLUMARK_WINDOW_BENCH is set (bench/window_open.sh), and never fails on a time.
#include "support/PageViewTestSupport.h"
#include "support/WindowTestSupport.h"

#include "pageview/PdfPageView.h"
#include "pageview/PdfThumbnailView.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SidebarView.h"
#include "shell/ThumbnailSidebarView.h"
#include "viewmodels/DocumentViewModel.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>

using namespace windowtest;

TEST(WindowResponsiveness, ThousandPageDocumentOpensWithoutFreezing) {
    if (qEnvironmentVariableIsEmpty("VELLUMARK_WINDOW_BENCH"))
        GTEST_SKIP() << "VELLUMARK_WINDOW_BENCH not set";
    const int pages = qEnvironmentVariableIntValue("VELLUMARK_WINDOW_BENCH_PAGES") > 0
                          ? qEnvironmentVariableIntValue("VELLUMARK_WINDOW_BENCH_PAGES")
                          : 1000;
    const QString path = folder() + QString("/long-%1.pdf").arg(pages);
    ASSERT_EQ(QProcess::execute("python3",
                                {QStringLiteral(VELLUMARK_SOURCE_DIR) + "/bench/make_text_pdf.py",
                                 QString::number(pages), path}),
              0);

    ContentView window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // A 5 ms heartbeat: the longest gap between beats is the longest freeze.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });

    clock.start();
    open(window, path);
    const qint64 loaded = clock.elapsed();
    ASSERT_EQ(window.documentVM()->totalPages(), pages);
    last = clock.elapsed();
    beat.start();
    auto* view = (window.pageView() ? window.pageView()->pdfView() : nullptr);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    const qint64 firstPage = clock.elapsed();

    // Scroll the thumbnail strip through the document while pages render.
    auto* strip = window.sidebar()->thumbnails()->thumbnailView();
    ASSERT_NE(strip, nullptr);
    QScrollBar* bar = strip->verticalScrollBar();
    for (int step = 0; step <= 20; ++step) {
        bar->setValue(bar->maximum() * step / 20);
        QTest::qWait(30);
    }
    window.documentVM()->goToPage(pages - 1);
    ASSERT_TRUE(fixtures::waitUntilSharp(*view));
    fixtures::waitUntilIdle(*strip);
    beat.stop();

    std::printf("pages=%d load=%lldms first-page-sharp=%lldms longest-main-loop-gap=%lldms "
                "current=%s\n",
                pages, static_cast<long long>(loaded), static_cast<long long>(firstPage),
                static_cast<long long>(longest), qPrintable(window.subtitle()));
    EXPECT_EQ(window.subtitle(), QString("Page %1 of %1").arg(pages));
}
