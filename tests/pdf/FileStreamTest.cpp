// The stream a document reads its file through: every byte where the file has it, however
// the engine seeks, and a file cut short or grown while open no longer read at all.
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

TEST(FileStream, AFileCutShortOrGrownWhileOpenIsNoLongerRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("changing.bin");
    const QByteArray bytes = patterned(50000, 2);
    writeBytes(path, bytes, QIODevice::WriteOnly);
    for (const bool grow : {false, true}) {
        writeBytes(path, bytes, QIODevice::WriteOnly | QIODevice::Truncate);
        Opened file(path, 8192);
        ASSERT_TRUE(file.stm);
        ASSERT_EQ(file.readAt(1000, 100), bytes.mid(1000, 100));
        if (grow)
            writeBytes(path, patterned(60000, 3), QIODevice::Append);
        else
            ASSERT_TRUE(QFile::resize(path, 20000));
        // What the buffer holds was read before the change; past it the engine finds
        // nothing (it takes the read error for the end), and seeking to the end throws.
        EXPECT_EQ(file.readAt(1050, 10), bytes.mid(1050, 10));
        EXPECT_EQ(file.readAt(30000, 100), QByteArray());
        EXPECT_EQ(file.readAt(-10, 100, SEEK_END), "!");
    }
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
