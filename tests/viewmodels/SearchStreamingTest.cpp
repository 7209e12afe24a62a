// The search runs on a worker and hands its matches over as it finds them, while the main
// loop keeps turning; what it finds in the end is what a search in one go finds.
#include "viewmodels/DocumentViewModel.h"

#include "pdf/document/Page.h"
#include "support/FakePageView.h"
#include "support/TextPdfBuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Found {
    int page;
    int first;
    int last;
    bool operator==(const Found&) const = default;
};

std::vector<Found> describe(const pdf::Document& doc, const QList<pdf::Selection>& matches) {
    std::vector<Found> out;
    for (const pdf::Selection& s : matches)
        for (const auto& r : s.ranges())
            out.push_back({doc.indexForPage(r.page), r.first, r.last});
    return out;
}

class SearchStreamingTest : public ::testing::Test {
protected:
    void SetUp() override {
        bytes = fixtures::buildNumberedPdf(1000, 40);
        auto doc = pdf::Document::fromData(bytes);
        ASSERT_TRUE(doc);
        ASSERT_TRUE(vm.loadCreatedDocument(doc, "long"));
        vm.setPdfView(&view, &view);
    }
    // What a search in one go finds, in a document of its own so no text is shared.
    std::vector<Found> synchronous(const QString& text) {
        auto doc = pdf::Document::fromData(bytes);
        const auto found = doc->findString(text);
        return describe(*doc, QList<pdf::Selection>(found.begin(), found.end()));
    }
    bool waitUntilIdle() {
        return QTest::qWaitFor([&] { return !vm.isSearching(); }, 60000);
    }

    QByteArray bytes;
    DocumentViewModel vm;
    FakePageView view;
};

} // namespace

TEST_F(SearchStreamingTest, MatchesArriveWhileSearchingAndEndAsASynchronousSearchDoes) {
    // A 10 ms heartbeat: its longest gap is the longest the main loop stood still.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer beat;
    beat.setInterval(10);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    qsizetype firstCount = -1;
    bool firstWhileSearching = false;
    QObject::connect(&vm, &DocumentViewModel::searchResultsChanged, [&] {
        if (firstCount < 0 && !vm.searchResults().isEmpty()) {
            firstCount = vm.searchResults().size();
            firstWhileSearching = vm.isSearching();
        }
    });

    clock.start();
    beat.start();
    vm.setSearchText("lazy dog");
    vm.performSearch();
    EXPECT_TRUE(vm.searchResults().isEmpty()); // nothing found on the calling turn
    EXPECT_TRUE(vm.isSearching());
    ASSERT_TRUE(waitUntilIdle());
    beat.stop();
    std::printf("search of 1000 pages: %lld ms, longest main-loop gap %lld ms\n",
                static_cast<long long>(clock.elapsed()), static_cast<long long>(longest));

    const auto expected = synchronous("lazy dog");
    ASSERT_EQ(expected.size(), 10000u); // 10 lines a page
    EXPECT_TRUE(firstWhileSearching);
    EXPECT_GT(firstCount, 0);
    EXPECT_LT(firstCount, qsizetype(expected.size()));
    EXPECT_EQ(describe(*vm.pdfDocument(), vm.searchResults()), expected);
    // The first match was shown as soon as it came; every match went to the view.
    ASSERT_TRUE(view.selection);
    EXPECT_EQ(*view.selection, vm.searchResults().first());
    EXPECT_EQ(vm.currentSearchIndex(), 0);
    EXPECT_EQ(view.matches.size(), vm.searchResults().size());
}

TEST_F(SearchStreamingTest, ANewSearchOrClosingCancelsTheRunningOne) {
    vm.setSearchText("lazy");
    vm.performSearch();
    vm.setSearchText("Page 99"); // Page 99, 990-999
    vm.performSearch();
    ASSERT_TRUE(waitUntilIdle());
    QTest::qWait(50); // anything late from the first run would land now
    EXPECT_EQ(describe(*vm.pdfDocument(), vm.searchResults()), synchronous("Page 99"));
    EXPECT_EQ(vm.searchResults().size(), 11);

    vm.setSearchText("quick");
    vm.performSearch();
    vm.clearSearch();
    EXPECT_FALSE(vm.isSearching());
    QTest::qWait(100);
    QCoreApplication::processEvents();
    EXPECT_TRUE(vm.searchResults().isEmpty());
    EXPECT_TRUE(view.matches.isEmpty());

    // Stepping while matches still stream in moves through what is there.
    vm.setSearchText("brown fox");
    vm.performSearch();
    ASSERT_TRUE(QTest::qWaitFor([&] { return vm.searchResults().size() >= 2; }, 60000));
    vm.nextSearchResult();
    EXPECT_EQ(vm.currentSearchIndex(), 1);
    vm.waitForSearch();
    EXPECT_EQ(vm.currentSearchIndex(), 1);
    EXPECT_EQ(vm.searchResults().size(), 10000);
}
