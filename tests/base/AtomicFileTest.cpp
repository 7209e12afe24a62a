#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST(AtomicFile, WritesAndReplacesWholeFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath("out.txt");
    QString error;
    ASSERT_TRUE(base::writeFile(path, "first", &error)) << error.toStdString();
    ASSERT_TRUE(base::writeFile(path, "second", &error));
    EXPECT_EQ(contents(path), "second");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.txt"});
}

TEST(AtomicFile, FailedWriteKeepsTheOldFileAndNamesTheReason) {
    QTemporaryDir dir;
    const QString path = dir.filePath("keep.pdf");
    ASSERT_TRUE(base::writeFile(path, "the previous version"));

    // The file size limit makes the disk "full" after 4 KiB.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString error;
    const bool written = base::writeFile(path, QByteArray(1 << 20, 'x'), &error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_TRUE(error.startsWith("“keep.pdf” could not be written: ")) << error.toStdString();
    EXPECT_FALSE(error.contains("Unknown error", Qt::CaseInsensitive)) << error.toStdString();
    EXPECT_EQ(contents(path), "the previous version");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.pdf"});
}

TEST(AtomicFile, UnwritablePlacesFailCleanly) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(base::writeFile(dir.filePath("no/such/folder/out.txt"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
    // A folder in the way is never replaced by a file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken"));
    EXPECT_FALSE(base::writeFile(dir.filePath("taken"), "x", &error));
    EXPECT_TRUE(QFileInfo(dir.filePath("taken")).isDir());
    // Without a commit nothing replaces the target.
    {
        base::AtomicFile file(dir.filePath("abandoned.txt"));
        ASSERT_TRUE(file.open());
        ASSERT_TRUE(file.write("half"));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("abandoned.txt")));
}

TEST(AtomicFile, ABatchNamesItsFilesOnlyAtCommitAndLeavesNoTemporaryBehind) {
    QTemporaryDir dir;
    const QDir folder(dir.path());
    const auto listed = [&] {
        return folder.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                                QDir::Name);
    };
    const auto add = [&](base::WriteBatch& batch, const QString& name, const QByteArray& bytes) {
        base::AtomicFile file(folder.filePath(name), base::Links::Follow, &batch);
        return file.open() && file.write(bytes) && file.commit();
    };
    ASSERT_TRUE(base::writeFile(folder.filePath("b.txt"), "old"));

    // Dropped without commit: nothing new, the old file as it was, no temporary left.
    {
        base::WriteBatch batch;
        ASSERT_TRUE(add(batch, "a.txt", "A"));
        ASSERT_TRUE(add(batch, "b.txt", "B"));
        EXPECT_FALSE(QFile::exists(folder.filePath("a.txt")));
        EXPECT_EQ(contents(folder.filePath("b.txt")), "old");
    }
    EXPECT_EQ(listed(), QStringList{"b.txt"});

    // A file that cannot take its name (a folder took it meanwhile) fails the commit: the
    // files named before it are whole, the ones after it keep their old bytes.
    {
        base::WriteBatch batch;
        ASSERT_TRUE(add(batch, "a.txt", "A"));
        ASSERT_TRUE(add(batch, "c.txt", "C"));
        ASSERT_TRUE(add(batch, "b.txt", "B"));
        ASSERT_TRUE(folder.mkdir("c.txt"));
        QString error;
        EXPECT_FALSE(batch.commit(&error));
        EXPECT_TRUE(error.startsWith("“c.txt” could not be written")) << error.toStdString();
        EXPECT_EQ(contents(folder.filePath("a.txt")), "A");
        EXPECT_EQ(contents(folder.filePath("b.txt")), "old");
    }
    EXPECT_EQ(listed(), (QStringList{"a.txt", "b.txt", "c.txt"}));

    // Committed: every file whole under its name.
    base::WriteBatch batch;
    ASSERT_TRUE(add(batch, "b.txt", "B"));
    ASSERT_TRUE(add(batch, "d.txt", QByteArray(300000, 'd')));
    EXPECT_TRUE(batch.commit());
    EXPECT_EQ(contents(folder.filePath("b.txt")), "B");
    EXPECT_EQ(contents(folder.filePath("d.txt")), QByteArray(300000, 'd'));
    EXPECT_EQ(listed(), (QStringList{"a.txt", "b.txt", "c.txt", "d.txt"}));
}
