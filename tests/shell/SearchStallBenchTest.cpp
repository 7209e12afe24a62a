// The first search of a long document, typed into the window's search bar: the longest
// stand-still of the main loop while the matches stream in. Prints its figures; runs only
// when VELLUMARK_SEARCH_BENCH is set (bench/search_stall.sh), and never fails on a time.
#include "support/PageViewTestSupport.h"
#include "support/WindowTestSupport.h"

#include "pageview/PdfPageView.h"
#include "shell/ContentView.h"
#include "shell/PDFKitView.h"
#include "shell/SearchBarView.h"
#include "shell/SheetFlags.h"
#include "viewmodels/DocumentViewModel.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>

using namespace windowtest;

TEST(SearchStall, FirstSearchOfALongDocumentKeepsTheWindowTurning) {
    if (qEnvironmentVariableIsEmpty("VELLUMARK_SEARCH_BENCH"))
        GTEST_SKIP() << "VELLUMARK_SEARCH_BENCH not set";
    const int pages = qEnvironmentVariableIntValue("VELLUMARK_SEARCH_BENCH_PAGES") > 0
                          ? qEnvironmentVariableIntValue("VELLUMARK_SEARCH_BENCH_PAGES")
                          : 1000;
    const QString path = folder() + QString("/search-%1.pdf").arg(pages);
    ASSERT_EQ(QProcess::execute("python3",
                                {QStringLiteral(VELLUMARK_SOURCE_DIR) + "/bench/make_text_pdf.py",
                                 QString::number(pages), path}),
              0);

    ContentView window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    open(window, path);
    ASSERT_TRUE(fixtures::waitUntilSharp(*window.pageView()->pdfView()));
    window.flags()->setShowSearch(true);
    SearchBarView* bar = window.searchBar();
    QTest::keyClicks(bar->field(), "needle");

    DocumentViewModel* vm = window.documentVM();
    // A 5 ms heartbeat: the longest gap between beats is the longest freeze.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, firstMatch = -1;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (now - last > 50 && qEnvironmentVariableIsSet("VELLUMARK_SEARCH_BENCH_TRACE"))
            std::printf("stall %lldms at %lldms, %lld matches\n",
                        static_cast<long long>(now - last), static_cast<long long>(now),
                        static_cast<long long>(vm->searchResults().size()));
        longest = std::max(longest, now - last);
        last = now;
    });
    QObject::connect(vm, &DocumentViewModel::searchResultsChanged, [&] {
        if (firstMatch < 0 && !vm->searchResults().isEmpty())
            firstMatch = clock.elapsed();
    });
    clock.start();
    beat.start();
    QTest::keyClick(bar->field(), Qt::Key_Return);
    const qint64 returned = clock.elapsed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !vm->isSearching(); }, 120000));
    const qint64 done = clock.elapsed();
    QTest::qWait(20);
    beat.stop();
    longest = std::max(longest, returned);

    std::printf("pages=%d matches=%lld first-match=%lldms search=%lldms "
                "longest-main-loop-stall=%lldms counter=\"%s\"\n",
                pages, static_cast<long long>(vm->searchResults().size()),
                static_cast<long long>(firstMatch), static_cast<long long>(done),
                static_cast<long long>(longest), qPrintable(bar->counter()->text()));
    EXPECT_FALSE(vm->searchResults().isEmpty());
}
