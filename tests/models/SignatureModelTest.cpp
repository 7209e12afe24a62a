#include "models/SignatureModel.h"
#include "models/Base64.h"
#include "models/LocaleFormat.h"
#include "models/ReferenceDate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

TEST(Base64Test, OnlyCanonicalStandardBase64Decodes) {
    EXPECT_EQ(Base64::encode("hi?>"), "aGk/Pg==");
    EXPECT_EQ(Base64::decodeStrict("aGk/Pg=="), QByteArray("hi?>"));
    EXPECT_EQ(Base64::decodeStrict(""), QByteArray());
    for (const char* bad : {"aGk/Pg", "aGk_Pg==", "aGk/Pg==\n",
                            "aGk/ Pg==", "aGk/Ph==", "aG=k/Pg=", "aGk/Pg===", "====", "aGk/Pg=a"})
        EXPECT_FALSE(Base64::decodeStrict(bad)) << bad;
}

TEST(ReferenceDateTest, SecondsCountFrom2001) {
    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    EXPECT_EQ(ReferenceDate::secondsFrom(reference), 0.0);
    EXPECT_EQ(ReferenceDate::secondsFrom(reference.addMSecs(1500)), 1.5);
    EXPECT_EQ(ReferenceDate::dateFrom(-86400.0), reference.addDays(-1));
    EXPECT_FALSE(ReferenceDate::dateFrom(std::nan("")));
    EXPECT_FALSE(ReferenceDate::dateFrom(1e300));
}

TEST(SavedSignatureTest, LibraryJsonHasTheStoredFormAndReadsBack) {
    SavedSignature a;
    a.name = "Initials \"JD\" \\ Zoë 署名";
    a.imageData = QByteArray("\x89PNG\r\n\x1a\n\0\xff", 10);
    a.dateCreated = QDateTime(QDate(2025, 6, 30), QTime(8, 15, 30, 250), Qt::UTC);
    SavedSignature b;
    b.name = "Full";
    b.imageData = "x";
    const QByteArray json = SavedSignature::encodeLibrary({a, b});

    const QJsonArray array = QJsonDocument::fromJson(json).array();
    ASSERT_EQ(array.size(), 2);
    const QJsonObject first = array[0].toObject();
    EXPECT_EQ(first.keys(), (QStringList{"dateCreated", "id", "imageData", "name"}));
    const QString id = first.value("id").toString();
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(id, a.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(first.value("imageData").toString(), QString::fromLatin1(a.imageData.toBase64()));
    EXPECT_TRUE(first.value("dateCreated").isDouble());
    EXPECT_DOUBLE_EQ(first.value("dateCreated").toDouble(),
                     ReferenceDate::secondsFrom(a.dateCreated));

    const auto back = SavedSignature::decodeLibrary(json);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0], a);
    EXPECT_EQ((*back)[1], b);
    // Lower-case ids, as other writers spell them, are read too.
    QJsonArray lower = array;
    QJsonObject o = lower[0].toObject();
    o.insert("id", id.toLower());
    lower[0] = o;
    EXPECT_EQ(SavedSignature::decodeLibrary(QJsonDocument(lower).toJson())->at(0).id, a.id);
}

TEST(SavedSignatureTest, AnyMissingOrMistypedMemberMakesTheLibraryUnreadable) {
    SavedSignature a;
    a.name = "A";
    a.imageData = "png";
    const QJsonObject good =
        QJsonDocument::fromJson(SavedSignature::encodeLibrary({a})).array()[0].toObject();
    for (const QString& member : good.keys()) {
        QJsonObject broken = good;
        broken.remove(member);
        EXPECT_FALSE(
            SavedSignature::decodeLibrary(QJsonDocument(QJsonArray{good, broken}).toJson()))
            << member.toStdString();
    }
    QJsonObject badId = good;
    badId.insert("id", "{" + good.value("id").toString() + "}");
    EXPECT_FALSE(SavedSignature::decodeLibrary(QJsonDocument(QJsonArray{badId}).toJson()));
    QJsonObject badImage = good;
    badImage.insert("imageData", "not base64!");
    EXPECT_FALSE(SavedSignature::decodeLibrary(QJsonDocument(QJsonArray{badImage}).toJson()));
    QJsonObject badDate = good;
    badDate.insert("dateCreated", "2024-01-01");
    EXPECT_FALSE(SavedSignature::decodeLibrary(QJsonDocument(QJsonArray{badDate}).toJson()));
    EXPECT_FALSE(SavedSignature::decodeLibrary("{}"));
    EXPECT_FALSE(SavedSignature::decodeLibrary("[1]"));
    EXPECT_FALSE(SavedSignature::decodeLibrary("garbage"));
    EXPECT_EQ(SavedSignature::decodeLibrary("[]")->size(), 0u);
}

TEST(LocaleFormatTest, TimesShowHoursAndMinutesOnly) {
    const QLocale previous;
    const QDateTime when(QDate(2026, 12, 7), QTime(14, 5, 59));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(LocaleFormat::shortTime(when.time()), "2:05 PM");
    EXPECT_EQ(LocaleFormat::abbreviatedDateTime(when), "Dec 7, 2026, 2:05 PM");
    EXPECT_EQ(LocaleFormat::numericDateTime(when), "12/7/26, 2:05 PM");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(LocaleFormat::shortTime(when.time()), "14:05");
    EXPECT_EQ(LocaleFormat::abbreviatedDateTime(when), "7. Dez. 2026, 14:05");
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(LocaleFormat::shortTime(when.time()), "14:05");
    EXPECT_FALSE(LocaleFormat::abbreviatedDateTime(when).contains("59"));
    QLocale::setDefault(previous);
}
