#include "utilities/RedactionMatcher.h"

#include <gtest/gtest.h>

namespace {

using Preset = RedactionMatcher::Preset;

QStringList found(const RedactionMatcher& matcher, const QString& text) {
    QStringList out;
    for (const auto& [start, end] : matcher.find(text))
        out << text.mid(start, end - start);
    return out;
}

TEST(RedactionMatcher, PresetsFindOnlyWhatTheirChecksAccept) {
    const RedactionMatcher all({}, {}, {Preset::Email, Preset::Phone, Preset::Iban, Preset::Card});
    const QString text = "mail jan.kowalski@example.com.pl; call +48 22 123 45 67 or 555-0100; "
                         "pay DE89 3704 0044 0532 0130 00 not DE00 3704 0044 0532 0130 00; "
                         "card 4111 1111 1111 1111 but not 4111 1111 1111 1112; invoice 2024";
    EXPECT_EQ(found(all, text),
              (QStringList{"jan.kowalski@example.com.pl", "+48 22 123 45 67", "555-0100",
                           "DE89 3704 0044 0532 0130 00", "4111 1111 1111 1111"}));
}

TEST(RedactionMatcher, WordsMatchInAnyCaseAndOverlapsMerge) {
    const RedactionMatcher matcher({"zażółć", "a.b"}, {"Gęś\\w+"}, {});
    EXPECT_EQ(found(matcher, "ZAŻÓŁĆ gęślą Gęślą a.b axb"),
              (QStringList{"ZAŻÓŁĆ", "Gęślą", "a.b"}));
    const RedactionMatcher overlapping({"top secret", "secret plan"}, {}, {});
    EXPECT_EQ(found(overlapping, "the top secret plan"), QStringList{"top secret plan"});
    QString text = "one TOP SECRET two";
    EXPECT_EQ(overlapping.replace(text, "[x]"), 1);
    EXPECT_EQ(text, "one [x] two");
}

TEST(RedactionMatcher, RefusesExpressionsThatDoNotCompileOrRunAway) {
    EXPECT_THROW(RedactionMatcher({}, {"(open"}, {}), RedactionMatcher::PatternError);
    EXPECT_THROW(RedactionMatcher({}, {QString(1001, 'a')}, {}), RedactionMatcher::PatternError);
    // Each run of a's splits two ways at every letter before the c stops it.
    const RedactionMatcher runaway({}, {"(a|aa)+b"}, {});
    try {
        runaway.find(QString(40, 'a') + "cb");
        FAIL() << "a runaway expression was let run";
    } catch (const RedactionMatcher::PatternError& e) {
        EXPECT_TRUE(QString(e.what()).contains("runs away")) << e.what();
    }
}

} // namespace
