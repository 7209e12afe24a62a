// `compare` and the options of `search`, as a person runs them.
#include "support/CliFixture.h"
#include "support/PdfFixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

using CompareAndFindCliTest = CliFixture;

TEST_F(CompareAndFindCliTest, CompareReportsEachDifferenceAndExitsThree) {
    const QString a = file("a.pdf", textPdf({{"Total due: 1200 euros"}, {"Page two stays"}}));
    const QString b =
        file("b.pdf",
             textPdf({{"Total due: 1500 euros"}, {"A page put in between"}, {"Page two stays"}}));
    const QString same =
        file("same.pdf", textPdf({{"Total due: 1200", "euros"}, {"Page two stays"}}));

    EXPECT_EQ(cli({"compare", a, same}), "The texts are the same\n");
    EXPECT_EQ(code, 0);

    const QString out = cli({"compare", a, b});
    EXPECT_EQ(code, 3);
    EXPECT_EQ(out, "A page 1, B page 1: changed \u201c1200\u201d -> \u201c1500\u201d\n"
                   "B page 2: page added \u201cA page put in between\u201d\n"
                   "2 differences\n");

    const QJsonObject json =
        QJsonDocument::fromJson(cli({"compare", a, b, "--json"}).toUtf8()).object();
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(json["same"].toBool());
    EXPECT_EQ(json["status"].toInt(), 3);
    const QJsonArray pages = json["pages"].toArray();
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[1].toObject()["a"].type(), QJsonValue::Null);
    EXPECT_EQ(pages[2].toObject()["a"].toInt(), 2);
    EXPECT_EQ(pages[2].toObject()["b"].toInt(), 3);
    const QJsonObject first = json["differences"].toArray()[0].toObject();
    EXPECT_EQ(first["kind"].toString(), "changed");
    EXPECT_EQ(first["aText"].toString(), "1200");
    EXPECT_EQ(first["bBoxes"].toArray().size(), 1);
}

TEST_F(CompareAndFindCliTest, CompareRefusesWhatItCannotRead) {
    const QString good = file("good.pdf", numberedPdf(1));
    EXPECT_TRUE(cli({"compare", good, file("bad.pdf", garbageBytes())}).isEmpty());
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(err.contains("bad.pdf"));
    cli({"compare", good});
    EXPECT_EQ(code, 2);
    // Control characters from a file come out as escapes, never as terminal commands.
    const QString out = cli({"compare", good, file("esc.pdf", textPdf({{"Page 1", "\x1b[2J"}}))});
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(out.contains(QChar(0x1b)));
}

TEST_F(CompareAndFindCliTest, SearchOptionsNarrowTheMatches) {
    const QString path =
        file("cities.pdf", textPdf({{"Zurich and Z\u00fcrich", "ZURICH zurichsee"}}));
    const auto count = [&](const QString& query, const QStringList& options) {
        const QByteArray out = cli(QStringList{"search", path, query, "--json"} + options).toUtf8();
        EXPECT_EQ(code, 0) << err.toStdString();
        return QJsonDocument::fromJson(out).object()["count"].toInt();
    };
    EXPECT_EQ(count("zurich", {}), 4);
    EXPECT_EQ(count("Z\u00fcrich", {}), 4); // accents are ignored on both sides
    EXPECT_EQ(count("zurich", {"--match-diacritics"}), 3);
    EXPECT_EQ(count("Z\u00fcrich", {"--match-diacritics"}), 1);
    EXPECT_EQ(count("zurich", {"--match-case"}), 1);
    EXPECT_EQ(count("zurich", {"--whole-words"}), 3);
    EXPECT_EQ(count("Zurich", {"--whole-words", "--match-diacritics", "--match-case"}), 1);
}

} // namespace
