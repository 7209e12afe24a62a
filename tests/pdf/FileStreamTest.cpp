// The stream a document opened for a short look reads its file through: every byte where
// the file has it, however the engine seeks, and a file cut short or grown while open read
// as it now is past what the buffer holds, never a crash.
#include "pdf/document/FileStream.h"
#include "pdf/engine/Engine.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray patterned(int size, int seed) {
    QByteArray bytes(size, '\0');
    std::mt19937 random(seed);
    for (char& b : bytes)
        b = char(random());
    return bytes;
}

void writeBytes(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode) {
    QFile file(path);
    ASSERT_TRUE(file.open(mode));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// A stream with its own small buffer, and reads from it that never throw into the test.
struct Opened {
    fz_context* c = pdf::engine::ctx();
    fz_stream* stm = nullptr;
    Opened(const QString& path, size_t buffer) {
        const QByteArray name = QFile::encodeName(path);
        fz_try(c) {
            stm = pdf::openFileStream(c, name.constData(), buffer);
        }
        fz_catch(c) {
            stm = nullptr;
        }
    }
    ~Opened() { fz_drop_stream(c, stm); }
    // `n` bytes from `at` (fewer at the end of the file); "!" when the engine threw.
    QByteArray readAt(int64_t at, int n, int whence = SEEK_SET) {
        QByteArray out(n, '\0');
        size_t got = 0;
        fz_var(got);
        fz_try(c) {
            fz_seek(c, stm, at, whence);
            got = fz_read(c, stm, reinterpret_cast<unsigned char*>(out.data()), size_t(n));
        }
        fz_catch(c) {
            return "!";
        }
        return out.left(qsizetype(got));
    }
    int64_t tell() { return fz_tell(c, stm); }
};

TEST(FileStream, EverySeekAndReadFindsTheFilesBytes) {
    QTemporaryDir dir;
    const QString path = dir.filePath("bytes.bin");
    const QByteArray bytes = patterned(100000, 1);
    writeBytes(path, bytes, QIODevice::WriteOnly);
    Opened file(path, 4096);
    ASSERT_TRUE(file.stm);
    // Forward within the buffer, just past it, back before it, across its end, far ahead,
    // and reads longer than the buffer: each one the file's own bytes.
    std::mt19937 random(7);
    int64_t at = 0;
    for (int i = 0; i < 3000; ++i) {
        const int step = int(random() % 6);
        at = step == 0   ? at + random() % 4096
             : step == 1 ? at + 4096 + random() % 64
             : step == 2 ? std::max<int64_t>(0, at - int64_t(random() % 9000))
                         : int64_t(random() % bytes.size());
        at = std::min<int64_t>(at, bytes.size());
        const int n = step == 5 ? 10000 + int(random() % 10000) : 1 + int(random() % 300);
        ASSERT_EQ(file.readAt(at, n), bytes.mid(at, n)) << i << " at " << at;
        ASSERT_EQ(file.tell(), std::min<int64_t>(bytes.size(), at + n)) << i;
    }
    // From the current place and from the end, as the engine finds the file's trailer.
    ASSERT_EQ(file.readAt(500, 10), bytes.mid(500, 10));
    EXPECT_EQ(file.readAt(-20, 10, SEEK_CUR), bytes.mid(490, 10));
    EXPECT_EQ(file.readAt(-1024, 2000, SEEK_END), bytes.right(1024));
    EXPECT_EQ(file.readAt(0, 10, SEEK_END), QByteArray());
    EXPECT_EQ(file.readAt(200000, 10), QByteArray());
    EXPECT_EQ(file.readAt(-1, 10), "!"); // before the start
}

TEST(FileStream, AFileCutShortOrGrownWhileOpenReadsAsItNowIs) {
    QTemporaryDir dir;
    const QString path = dir.filePath("changing.bin");
    const QByteArray bytes = patterned(50000, 2);
    writeBytes(path, bytes, QIODevice::WriteOnly);
    Opened file(path, 8192);
    ASSERT_TRUE(file.stm);
    ASSERT_EQ(file.readAt(1000, 100), bytes.mid(1000, 100));

    // Cut to 20,000 bytes: past the cut the file ends; the end is where it now is.
    ASSERT_TRUE(QFile::resize(path, 20000));
    EXPECT_EQ(file.readAt(30000, 100), QByteArray());
    EXPECT_EQ(file.readAt(19950, 100), bytes.mid(19950, 50));
    EXPECT_EQ(file.readAt(-10, 100, SEEK_END), bytes.mid(19990, 10));

    // Grown past its old length with other bytes: they are read from where they now are.
    const QByteArray more = patterned(60000, 3);
    writeBytes(path, more, QIODevice::Append);
    EXPECT_EQ(file.readAt(20000, 30000), more.left(30000));
    EXPECT_EQ(file.readAt(-100, 100, SEEK_END), more.right(100));
    EXPECT_EQ(file.readAt(0, 20000), bytes.left(20000));

    // Emptied: nothing to read anywhere, and no crash.
    ASSERT_TRUE(QFile::resize(path, 0));
    EXPECT_EQ(file.readAt(40000, 100), QByteArray());
    EXPECT_EQ(file.readAt(0, 0, SEEK_END), QByteArray());
}

TEST(FileStream, AFileThatCannotBeOpenedThrowsThroughTheEngine) {
    QTemporaryDir dir;
    Opened missing(dir.filePath("missing.bin"), 4096);
    EXPECT_EQ(missing.stm, nullptr);
    Opened folder(dir.path(), 4096);
    // A folder opens, but reading it fails: the engine takes that for the end.
    ASSERT_TRUE(folder.stm);
    EXPECT_EQ(folder.readAt(0, 10), QByteArray());
}

} // namespace
