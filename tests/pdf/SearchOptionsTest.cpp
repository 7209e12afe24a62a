#include "pdf/text/TextPage.h"

#include <gtest/gtest.h>

namespace {

// A page of one line per string, one character after another; text only, boxes unused.
pdf::TextPage page(const std::vector<std::u32string>& lines) {
    std::vector<pdf::TextChar> chars;
    std::vector<pdf::TextLine> out;
    for (size_t l = 0; l < lines.size(); ++l) {
        pdf::TextLine line;
        line.first = int(chars.size());
        for (char32_t c : lines[l])
            chars.push_back({.code = c, .line = int(l)});
        line.last = int(chars.size());
        out.push_back(line);
    }
    return pdf::TextPage(std::move(chars), std::move(out));
}

std::vector<std::pair<int, int>> find(const pdf::TextPage& text, const QString& query,
                                      pdf::SearchOptions options = {}) {
    return text.find(pdf::foldForSearch(query, options), options);
}

TEST(SearchOptions, AccentsCaseAndWordEdgesAsAsked) {
    // "Zürich" precomposed, then with a combining diaeresis, then "ZURICH", "Zurichsee".
    const pdf::TextPage text =
        page({U"Z\u00fcrich Zu\u0308rich", U"ZURICH Zurichsee", U"\u0141\u00f3d\u017a"});
    using Hits = std::vector<std::pair<int, int>>;
    // The combining mark belongs to the match it follows.
    EXPECT_EQ(find(text, "zurich"), (Hits{{0, 6}, {7, 14}, {14, 20}, {21, 27}}));
    EXPECT_EQ(find(text, "Z\u00fcrich"), find(text, "zurich"));
    EXPECT_EQ(find(text, "zurich", {.matchDiacritics = true}), (Hits{{14, 20}, {21, 27}}));
    EXPECT_EQ(find(text, "Z\u00fcrich", {.matchDiacritics = true}), (Hits{{0, 6}}));
    EXPECT_EQ(find(text, "Zurich", {.matchCase = true}), (Hits{{0, 6}, {7, 14}, {21, 27}}));
    EXPECT_EQ(find(text, "zurich", {.wholeWords = true}), (Hits{{0, 6}, {7, 14}, {14, 20}}));
    // A stroke is no separate accent, yet readers expect "Lodz" to find "Łódź".
    EXPECT_EQ(find(text, "lodz"), (Hits{{30, 34}}));
    // A match never runs across a line end.
    EXPECT_TRUE(find(text, "richZURICH").empty());
}

} // namespace
