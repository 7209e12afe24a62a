// A recording nobody waits for any more is stopped and not kept; one another caller still
// waits for goes on.
#include "pageview/DisplayListCache.h"

#include "pdf/document/Document.h"
#include "support/EngineHeld.h"
#include "support/PdfFixtures.h"

#include <QTest>
#include <gtest/gtest.h>

#include <future>

using namespace fixtures;

namespace {

// Waits (up to a generous guard) until the cache holds `count` recordings, finished or not.
bool holds(DisplayListCache& cache, int count) {
    for (int i = 0; i < 2000 && cache.size() != count; ++i)
        QTest::qWait(10);
    return cache.size() == count;
}

TEST(DisplayListCacheTest, RecordingsNobodyWantsAreStopped) {
    const auto doc = pdf::Document::fromData(numberedPdf(2));
    ASSERT_TRUE(doc);
    DisplayListCache cache;
    const auto first = doc->page(0), second = doc->page(1); // the cache does not hold pages
    auto scrolledAway = std::make_shared<base::CancelToken>();
    auto stillShown = std::make_shared<base::CancelToken>();
    std::future<std::shared_ptr<pdf::DisplayList>> gone, kept, joined;
    {
        // Both recordings wait for the lock, as behind another page's long recording.
        EngineHeld held(*doc);
        gone = std::async(std::launch::async, [&] { return cache.get(first, scrolledAway); });
        kept = std::async(std::launch::async, [&] { return cache.get(second, stillShown); });
        ASSERT_TRUE(holds(cache, 2));
        // A second caller for page 1 that leaves does not stop what the first still wants.
        auto leaving = std::make_shared<base::CancelToken>();
        joined = std::async(std::launch::async, [&] { return cache.get(second, leaving); });
        QTest::qWait(50);
        leaving->cancel();
        scrolledAway->cancel();
        cache.cancelUnwanted();
        EXPECT_EQ(cache.size(), 1);
        EXPECT_TRUE(held.release());
    }
    EXPECT_FALSE(gone.get());
    EXPECT_TRUE(kept.get());
    (void)joined.get();
    EXPECT_EQ(cache.size(), 1);
    // Asked for again, the stopped page is recorded afresh.
    EXPECT_TRUE(cache.get(first, std::make_shared<base::CancelToken>()));
    EXPECT_EQ(cache.size(), 2);
}

} // namespace
