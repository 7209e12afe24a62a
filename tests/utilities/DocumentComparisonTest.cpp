#include "utilities/DocumentComparison.h"

#include "pdf/document/Document.h"
#include "support/PdfFixtures.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace fixtures;
using namespace DocumentComparison;

namespace {

class DocumentComparisonTest : public testing::Test {
protected:
    std::vector<PageWords> words(const std::vector<QStringList>& pages) {
        const QString path =
            writeTemp(dir.path(), QStringLiteral("%1.pdf").arg(++made), textPdf(pages));
        const pdf::DocumentPtr document = pdf::Document::open(path);
        EXPECT_TRUE(document);
        return document ? wordsOf(*document) : std::vector<PageWords>{};
    }
    QTemporaryDir dir;
    int made = 0;
};

TEST_F(DocumentComparisonTest, FindsChangedAddedAndRemovedWordsWhereTheyStand) {
    const Result result = compare(
        words({{"Invoice 2024", "Total due: 1200 euros by May"}, {"Terms apply", "Thank you"}}),
        words({{"Invoice 2024", "Total due: 1500 euros by May"},
               {"Terms apply in full", "Thank you"}}));
    ASSERT_EQ(result.pages, (std::vector<PagePair>{{0, 0}, {1, 1}}));
    ASSERT_EQ(result.differences.size(), 2u);

    const Difference& changed = result.differences[0];
    EXPECT_EQ(changed.kind, Kind::changed);
    EXPECT_EQ(changed.leftText, "1200");
    EXPECT_EQ(changed.rightText, "1500");
    EXPECT_EQ(changed.row, 0);
    // One box per side, on the second line (baseline 704) and right of "Total due:".
    ASSERT_EQ(changed.leftBoxes.size(), 1u);
    ASSERT_EQ(changed.rightBoxes.size(), 1u);
    for (const QRectF& box : {changed.leftBoxes[0], changed.rightBoxes[0]}) {
        EXPECT_GT(box.left(), 120);
        EXPECT_LT(box.right(), 200);
        EXPECT_LT(std::abs(box.center().y() - 708), 8) << box.center().y();
    }

    const Difference& added = result.differences[1];
    EXPECT_EQ(added.kind, Kind::added);
    EXPECT_EQ(added.rightText, "in full");
    EXPECT_TRUE(added.leftText.isEmpty());
    EXPECT_EQ(added.rightBoxes.size(), 2u);
    EXPECT_EQ(added.leftPage, 1);
    EXPECT_EQ(added.rightPage, 1);
}

TEST_F(DocumentComparisonTest, TheSameWordsOnOtherLinesAreTheSameText) {
    EXPECT_TRUE(
        compare(words({{"one two three four"}}), words({{"one two", "three four"}})).same());
    // Case counts: a capital is a change.
    const Result cased = compare(words({{"Zurich office"}}), words({{"zurich office"}}));
    ASSERT_EQ(cased.differences.size(), 1u);
    EXPECT_EQ(cased.differences[0].kind, Kind::changed);
}

TEST_F(DocumentComparisonTest, PagesStayPairedAcrossInsertedAndRemovedPages) {
    std::vector<QStringList> left;
    for (const char* topic :
         {"apples grow on trees", "bread is baked daily", "cheese ages in caves",
          "dates come from palms", "eggs are laid by hens"})
        left.push_back({QStringLiteral("About %1 and more").arg(topic)});
    std::vector<QStringList> right = left;
    right.erase(right.begin() + 3);                                      // dates removed
    right.insert(right.begin() + 2, {"A new chapter on figs entirely"}); // after bread

    const Result result = compare(words(left), words(right));
    EXPECT_EQ(result.pages,
              (std::vector<PagePair>{{0, 0}, {1, 1}, {-1, 2}, {2, 3}, {3, -1}, {4, 4}}));
    // Only the two whole pages differ: the shift moves no word.
    ASSERT_EQ(result.differences.size(), 2u);
    EXPECT_TRUE(result.differences[0].wholePage);
    EXPECT_EQ(result.differences[0].kind, Kind::added);
    EXPECT_EQ(result.differences[0].rightPage, 2);
    EXPECT_EQ(result.differences[0].row, 2);
    EXPECT_EQ(result.differences[1].kind, Kind::removed);
    EXPECT_EQ(result.differences[1].leftPage, 3);
    EXPECT_TRUE(result.differences[1].leftText.startsWith("About dates"));
}

TEST_F(DocumentComparisonTest, RewrittenPagesInPlaceArePairedAndTotallyDifferentPagesBounded) {
    // Nothing alike on page 2, but it stands where page 2 stood on both sides.
    const Result result = compare(words({{"alpha beta"}, {"gamma delta"}, {"epsilon zeta"}}),
                                  words({{"alpha beta"}, {"one two three"}, {"epsilon zeta"}}));
    EXPECT_EQ(result.pages, (std::vector<PagePair>{{0, 0}, {1, 1}, {2, 2}}));
    ASSERT_EQ(result.differences.size(), 1u);
    EXPECT_EQ(result.differences[0].leftText, "gamma delta");
    EXPECT_EQ(result.differences[0].rightText, "one two three");

    // Two long pages with no word in common: one change, found without an unbounded search.
    PageWords a, b;
    for (int i = 0; i < 3000; ++i) {
        a.push_back({QStringLiteral("a%1").arg(i), QRectF(0, i, 1, 1)});
        b.push_back({QStringLiteral("b%1").arg(i), QRectF(0, i, 1, 1)});
    }
    const std::vector<Difference> far = compareWords(a, b, {0, 0}, 0);
    ASSERT_EQ(far.size(), 1u);
    EXPECT_EQ(far[0].leftBoxes.size(), 3000u);
    EXPECT_EQ(far[0].rightBoxes.size(), 3000u);
}

} // namespace
