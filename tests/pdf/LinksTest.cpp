#include "pdf/document/Links.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "support/PdfFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

const pdf::Link* linkContaining(const std::vector<pdf::Link>& links, QPointF displayPoint) {
    for (const pdf::Link& link : links)
        if (link.rect.contains(displayPoint))
            return &link;
    return nullptr;
}

TEST(Links, InternalNamedAndExternalLinksResolveInDisplaySpace) {
    auto doc = pdf::Document::fromData(navigationPdf());
    ASSERT_TRUE(doc);
    const auto links = pdf::links(*doc->page(0));
    ASSERT_EQ(links.size(), 3u);

    // PDF y 600..630 on a 792 pt page is display y 162..192.
    const pdf::Link* internal = linkContaining(links, {100, 180});
    ASSERT_NE(internal, nullptr);
    EXPECT_FALSE(internal->isExternal());
    EXPECT_NEAR(internal->rect.top(), 162, 0.5);
    EXPECT_NEAR(internal->rect.width(), 200, 0.5);
    EXPECT_EQ(internal->destination.page, 3);
    ASSERT_TRUE(internal->destination.top);
    EXPECT_NEAR(*internal->destination.top, 792 - 500, 0.5);

    const pdf::Link* named = linkContaining(links, {100, 792 - 515});
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->destination.page, 2);
    ASSERT_TRUE(named->destination.top);
    EXPECT_NEAR(*named->destination.top, 792 - 400, 0.5);

    const pdf::Link* external = linkContaining(links, {100, 792 - 415});
    ASSERT_NE(external, nullptr);
    EXPECT_TRUE(external->isExternal());
    EXPECT_EQ(external->uri, "https://example.org/guide");
    EXPECT_FALSE(external->destination.isValid());

    EXPECT_TRUE(pdf::links(*doc->page(1)).empty());
}

TEST(Links, NamedDestinationsResolveAndUnknownNamesLeadNowhere) {
    auto doc = pdf::Document::fromData(navigationPdf());
    const pdf::Destination chapter = pdf::namedDestination(*doc, "chapter2");
    EXPECT_EQ(chapter.page, 2);
    ASSERT_TRUE(chapter.top);
    EXPECT_NEAR(*chapter.top, 392, 0.5);
    EXPECT_FALSE(pdf::namedDestination(*doc, "no-such-name").isValid());
    EXPECT_FALSE(pdf::namedDestination(*doc, "").isValid());
}

TEST(Outline, ThreeLevelsWithDestinationsOpenStateAndAddresses) {
    auto doc = pdf::Document::fromData(navigationPdf());
    const auto outline = pdf::outline(*doc);
    ASSERT_EQ(outline.size(), 3u);
    EXPECT_EQ(outline[0].title, "Part I");
    EXPECT_EQ(outline[0].destination.page, 0);
    EXPECT_TRUE(outline[0].open);
    ASSERT_EQ(outline[0].children.size(), 1u);
    const pdf::OutlineItem& chapter = outline[0].children[0];
    EXPECT_EQ(chapter.title, "Chapter 1");
    EXPECT_EQ(chapter.destination.page, 1);
    ASSERT_TRUE(chapter.destination.top);
    EXPECT_NEAR(*chapter.destination.top, 92, 0.5);
    EXPECT_FALSE(chapter.open);
    ASSERT_EQ(chapter.children.size(), 1u);
    EXPECT_EQ(chapter.children[0].title, "Section 1.1");
    EXPECT_EQ(chapter.children[0].destination.page, 2);

    EXPECT_EQ(outline[1].title, "Part II");
    EXPECT_EQ(outline[1].destination.page, 2); // through the name
    EXPECT_EQ(outline[2].title, "Website");
    EXPECT_EQ(outline[2].uri, "https://example.org/guide");
    EXPECT_FALSE(outline[2].destination.isValid());

    EXPECT_TRUE(pdf::outline(*pdf::Document::fromData(numberedPdf(2))).empty());
}

TEST(Outline, ALoopingOutlineIsListedOnceAndEnds) {
    auto doc = pdf::Document::fromData(navigationPdf(true));
    ASSERT_TRUE(doc);
    const auto outline = pdf::outline(*doc);
    ASSERT_EQ(outline.size(), 3u);
    EXPECT_EQ(outline[2].title, "Website");
    EXPECT_EQ(outline[0].children.size(), 1u);
}

} // namespace
