#include "base/InputFiles.h"
#include "base/AtomicFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray hashOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
               : QByteArray("<missing>");
}

QString make(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

} // namespace

TEST(InputFiles, AFileBeingReadCannotBeWrittenUnderAnyOfItsNames) {
    QTemporaryDir dir;
    const QString input = make(dir, "in.pdf", "original");
    const QString hard = dir.filePath("hard.pdf");
    const QString soft = dir.filePath("soft.pdf");
    ASSERT_EQ(::link(QFile::encodeName(input).constData(), QFile::encodeName(hard).constData()), 0);
    ASSERT_TRUE(QFile::link(input, soft));
    const QByteArray before = hashOf(input);
    {
        const base::ReadingFiles reading(input);
        for (const QString& name : {input, hard, soft, dir.path() + "/./in.pdf"}) {
            QString error;
            EXPECT_FALSE(base::writeFile(name, "replaced", &error)) << name.toStdString();
            EXPECT_TRUE(error.contains("one of the files being read")) << error.toStdString();
        }
        EXPECT_TRUE(base::writeFile(dir.filePath("other.pdf"), "fine"));
        EXPECT_EQ(hashOf(input), before);
    }
    // Once nothing reads it, it is an ordinary file again.
    EXPECT_TRUE(base::overwritesInput(input).isEmpty());
    EXPECT_FALSE(base::overwritesInput(input, {hard}).isEmpty()); // the explicit list counts too
    EXPECT_TRUE(base::isSameFile(soft, hard));
    EXPECT_FALSE(base::isSameFile(input, dir.filePath("other.pdf")));
}

TEST(InputFiles, FixedNameOutputsReplaceAPlantedLinkInsteadOfFollowingIt) {
    QTemporaryDir dir;
    const QString victim = make(dir, "victim.txt", "precious");
    const QString planted = dir.filePath("page_1.png");
    ASSERT_TRUE(QFile::link(victim, planted));
    ASSERT_TRUE(base::writeFile(planted, "png bytes", nullptr, base::Links::Replace));
    EXPECT_FALSE(QFileInfo(planted).isSymLink());
    QFile written(planted);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), "png bytes");
    QFile kept(victim);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "precious");
}

TEST(InputFiles, OnlyRegularFilesCountAsReadableAndTheReasonNamesTheCause) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QString reason;
    EXPECT_FALSE(base::isRegularFile(fifo, &reason));
    EXPECT_EQ(reason, "is a FIFO (named pipe), not a file");
    EXPECT_FALSE(base::isRegularFile("/dev/zero", &reason));
    EXPECT_EQ(reason, "is a device, not a file");
    EXPECT_FALSE(base::isRegularFile(dir.path(), &reason));
    EXPECT_EQ(reason, "is a folder, not a file");
    EXPECT_FALSE(base::isRegularFile(dir.filePath("missing"), &reason));
    EXPECT_EQ(reason, "no such file");
    const QString plain = make(dir, "plain", "x");
    EXPECT_TRUE(base::isRegularFile(plain));

    // The same causes, and permission, for a file about to be read.
    EXPECT_EQ(base::unreadableReason(fifo), "is a FIFO (named pipe), not a file");
    EXPECT_EQ(base::unreadableReason(dir.filePath("missing/deeper")), "no such file");
    EXPECT_EQ(base::unreadableReason(plain), QString());
    const QString link = dir.filePath("dangling");
    ASSERT_TRUE(QFile::link(dir.filePath("gone"), link));
    EXPECT_EQ(base::unreadableReason(link), "no such file");
    if (::geteuid() != 0) { // permissions bind everyone but root
        ASSERT_TRUE(QFile::setPermissions(plain, QFileDevice::WriteOwner));
        EXPECT_EQ(base::unreadableReason(plain), "permission denied");
    }
}
