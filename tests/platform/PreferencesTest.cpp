#include "platform/Preferences.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <gtest/gtest.h>

TEST(Preferences, KeysAreExactEvenWithSeparatorsAndBlanks) {
    const QString doubled = "bookmarks_file:///tmp/a//b c.pdf";
    const QString single = "bookmarks_file:///tmp/a/b c.pdf";
    const QStringList tricky{doubled,    single,       "/lead",   "trail/", "back\\slash",
                             " spaced ", "per%2Fcent", "General", "Ä ü €",  "a=b;c#d"};
    for (int i = 0; i < tricky.size(); ++i)
        ASSERT_TRUE(Preferences::setData(tricky[i], QByteArray::number(i)));
    for (int i = 0; i < tricky.size(); ++i)
        EXPECT_EQ(Preferences::data(tricky[i]), QByteArray::number(i)) << tricky[i].toStdString();

    EXPECT_FALSE(Preferences::data("bookmarks_file:///tmp/a/b%20c.pdf").has_value());
    EXPECT_FALSE(Preferences::data("per/cent").has_value());
    const QStringList keys = Preferences::keys();
    for (const QString& k : tricky)
        EXPECT_TRUE(keys.contains(k)) << k.toStdString();
    for (const QString& k : tricky)
        Preferences::remove(k);
    EXPECT_FALSE(Preferences::contains(doubled));
}

TEST(Preferences, BytesRoundTripAndEmptyValueIsNotMissing) {
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i));
    ASSERT_TRUE(Preferences::setData("bytes", bytes));
    EXPECT_EQ(Preferences::data("bytes"), bytes);
    ASSERT_TRUE(Preferences::setData("empty", QByteArray()));
    ASSERT_TRUE(Preferences::data("empty").has_value());
    EXPECT_TRUE(Preferences::data("empty")->isEmpty());
    EXPECT_FALSE(Preferences::data("never written").has_value());
    EXPECT_FALSE(Preferences::setData("", "x"));
}

TEST(Preferences, EncodingIsReversibleAndFreeOfSettingsSeparators) {
    for (const QString& k : {QString("a/b\\c"), QString("//x//"), QString("%41")}) {
        const QString stored = Preferences::encodeKey(k);
        EXPECT_FALSE(stored.contains('/'));
        EXPECT_FALSE(stored.contains('\\'));
        EXPECT_EQ(Preferences::decodeKey(stored), k);
    }
}

TEST(Preferences, WrittenToTheUsersSettingsFileForTheNextRun) {
    ASSERT_TRUE(Preferences::setData("bookmarks_file:///tmp/kept.pdf", "[]"));
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         "/Vellumark/Brivel PDF.conf";
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
    // A separate reader of the file, as the next run would be.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("kept.pdf"));
}

TEST(Preferences, TheFileIsPrivateToTheUser) {
    // Saved signatures and the paths of documents read are kept there.
    QSettings probe(QStringLiteral("Vellumark"), QStringLiteral("Brivel PDF"));
    const QString path = probe.fileName();
    QFile::remove(path);
    ASSERT_TRUE(Preferences::setData("signature_library", QByteArray("strokes")));
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(QFile::permissions(path) &
                  ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
              QFile::Permissions());
    // A file left world-readable by an older version is made private on the next write.
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther | QFile::ReadGroup);
    ASSERT_TRUE(Preferences::setData("signature_library", QByteArray("more strokes")));
    EXPECT_FALSE(QFile::permissions(path) & (QFile::ReadOther | QFile::ReadGroup));
    Preferences::remove("signature_library");
}
