#pragma once
// Internal to src/pdf: what a document reads from, and the streams the engine reads it
// through. A document opened from a file keeps the file open and reads it as the engine
// asks, never whole: its memory does not grow with the file.
#include "pdf/engine/Engine.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

#include <memory>

namespace pdf {

// A file held open from the moment a document is read from it. What it looked like then
// (size and time of last change) tells whether its bytes changed since: the engine reads
// objects long after opening, and bytes another program wrote meanwhile must never be read
// as if they were the document's.
class SourceFile {
public:
    // nullptr, with errno set, when the file cannot be opened for reading.
    static std::shared_ptr<SourceFile> open(const QByteArray& encodedPath);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    int64_t size() const { return int64_t(opened_.st_size); }
    // Whether the bytes held open are still the bytes that were opened (same size, same
    // time of last change). A file replaced by renaming another over its name is unchanged
    // here: the one held open still has its bytes.
    bool unchanged() const;
    // Whether `encodedPath` still names the file held open.
    bool isNamedBy(const QByteArray& encodedPath) const;
    // Up to `length` bytes from `offset` on, within the first size() bytes, read now; empty
    // when the file changed or cannot be read.
    QByteArray read(int64_t offset, int64_t length) const;
    QByteArray readAll() const { return read(0, size()); }
    // A stream over the file's bytes as they were opened. Reading it throws through the
    // engine once the file changed on disk. Throws through fz_throw.
    fz_stream* stream(fz_context* c, size_t bufferSize = 256 * 1024) const;

private:
    SourceFile(int fd, const struct stat& opened) : fd_(fd), opened_(opened) {}
    int fd_ = -1;
    struct stat opened_ {};
};

// The bytes a document reads from: the engine's buffer of a document opened from memory,
// or the file it was opened from. Copies of the document on other threads open their own
// streams from it.
struct SourceRef {
    SourceRef() = default;
    SourceRef(fz_buffer* buffer, std::shared_ptr<SourceFile> file); // keeps `buffer`
    SourceRef(const SourceRef&) = delete;
    SourceRef& operator=(const SourceRef&) = delete;
    SourceRef(SourceRef&& other) noexcept;
    SourceRef& operator=(SourceRef&& other) noexcept;
    ~SourceRef();
    explicit operator bool() const { return buffer || file; }
    // A stream of its own in context `c`. Throws through fz_throw.
    fz_stream* open(fz_context* c) const;

    fz_buffer* buffer = nullptr;
    std::shared_ptr<SourceFile> file;
};

// A stream over the file at `path` (encoded as open(2) takes it), read with pread into a
// buffer of `bufferSize` bytes. The engine reads objects here and there: a seek that lands
// within what the buffer holds costs no read of the file at all, so objects that lie close
// together cost one read between them. The file is never mapped. Throws through fz_throw.
fz_stream* openFileStream(fz_context* c, const char* path, size_t bufferSize = 256 * 1024);

} // namespace pdf
