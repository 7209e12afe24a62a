#include "models/BookmarkModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>
#include <gtest/gtest.h>

TEST(BookmarkModel, EncodesTheStoredForm) {
    const QUuid id = QUuid::fromString(QStringLiteral("f47ac10b-58cc-4372-a567-0e02b2c3d479"));
    const Bookmark b{id, 4, "Page 5", QDateTime(QDate(2001, 1, 2), QTime(0, 0, 1, 500), Qt::UTC)};
    const QByteArray json = Bookmark::encodeList({b});
    EXPECT_FALSE(json.contains('\n')); // compact, no pretty-printing
    const QJsonArray array = QJsonDocument::fromJson(json).array();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject o = array[0].toObject();
    EXPECT_EQ(o.keys(), (QStringList{"dateAdded", "id", "label", "pageIndex"}));
    EXPECT_EQ(o["id"].toString(), "F47AC10B-58CC-4372-A567-0E02B2C3D479");
    EXPECT_EQ(o["pageIndex"].toDouble(), 4.0);
    EXPECT_EQ(o["label"].toString(), "Page 5");
    EXPECT_DOUBLE_EQ(o["dateAdded"].toDouble(), 86401.5);
    EXPECT_EQ(Bookmark::encodeList({}), "[]");
}

TEST(BookmarkModel, DecodesHandWrittenListsWithMembersInAnyOrderAndFractionalDates) {
    const QByteArray json = R"([
        {"label": "Intro", "dateAdded": 725000000.25, "pageIndex": 0,
         "id": "0B4E7A0E-5FE7-4A1B-9A4B-2D4C6A1F0E11"},
        {"pageIndex": 12, "id": "c0ffee00-1234-4abc-8def-0123456789ab", "dateAdded": -3.5,
         "label": "Ünïcödé"}
    ])";
    const auto list = Bookmark::decodeList(json);
    ASSERT_TRUE(list.has_value());
    ASSERT_EQ(list->size(), 2);
    EXPECT_EQ((*list)[0].label, "Intro");
    EXPECT_EQ((*list)[0].dateAdded, QDateTime(QDate(2023, 12, 23), QTime(4, 53, 20, 250), Qt::UTC));
    EXPECT_EQ((*list)[1].pageIndex, 12);
    EXPECT_EQ((*list)[1].label, "Ünïcödé");
    EXPECT_EQ((*list)[1].dateAdded,
              QDateTime(QDate(2000, 12, 31), QTime(23, 59, 56, 500), Qt::UTC));
    EXPECT_EQ(Bookmark::uuidText((*list)[1].id), "C0FFEE00-1234-4ABC-8DEF-0123456789AB");
}

TEST(BookmarkModel, RejectsAnythingButAnArrayOfCompleteBookmarks) {
    const char* id = R"("id": "0B4E7A0E-5FE7-4A1B-9A4B-2D4C6A1F0E11")";
    const auto bad = {
        QByteArray("{}"),
        QByteArray("not json"),
        QByteArray("[1]"),
        QByteArray("[{") + id + R"(, "pageIndex": 1, "label": "x"}])", // no date
        QByteArray("[{") + id +
            R"(, "pageIndex": "1", "label": "x", "dateAdded": 0}])", // text index
        QByteArray("[{") + id + R"(, "pageIndex": 1.5, "label": "x", "dateAdded": 0}])",
        QByteArray("[{") + id + R"(, "pageIndex": 1, "label": null, "dateAdded": 0}])",
        QByteArray(R"([{"id": "nope", "pageIndex": 1, "label": "x", "dateAdded": 0}])"),
        QByteArray(
            R"([{"id": "{0B4E7A0E-5FE7-4A1B-9A4B-2D4C6A1F0E11}", "pageIndex": 1, "label": "x", "dateAdded": 0}])"),
    };
    for (const QByteArray& json : bad)
        EXPECT_FALSE(Bookmark::decodeList(json).has_value()) << json.toStdString();
    EXPECT_EQ(Bookmark::decodeList("[]").value().size(), 0);
}

TEST(BookmarkModel, OwnDatesSurviveTheRoundTripExactly) {
    const Bookmark b = Bookmark::make(3, "x");
    const auto back = Bookmark::decodeList(Bookmark::encodeList({b}));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->at(0), b);
}
