#include "pdf/text/TextCache.h"
#include "pdf/document/Document.h"
#include "pdf/text/Selection.h"
#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

TEST(TextCacheTest, SearchKeepsNoMoreTextThanTheLimitAndStillFindsEverything) {
    const qint64 before = pdf::TextCache::limit();
    pdf::TextCache::setLimit(64 * 1024);
    auto doc = pdf::Document::fromData(
        numberedPdf(300, QStringLiteral("a line to find, and more text around it")));
    const auto matches = doc->findString(QStringLiteral("line to find"));
    EXPECT_EQ(matches.size(), 300u);
    EXPECT_GT(doc->keptTextBytes(), 0);
    EXPECT_LE(doc->keptTextBytes(), 64 * 1024);
    // A match on a page whose text was let go of reads it again.
    EXPECT_EQ(matches.back().string(), QStringLiteral("line to find"));
    EXPECT_EQ(matches.front().string(), QStringLiteral("line to find"));
    EXPECT_LE(doc->keptTextBytes(), 64 * 1024);
    pdf::TextCache::setLimit(before);
}

} // namespace
