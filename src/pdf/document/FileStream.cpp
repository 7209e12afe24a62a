#include "pdf/document/FileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace pdf {

namespace {

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether the file open as `fd` still has the size and time of last change of `opened`.
bool stillAsOpened(int fd, const struct stat& opened) {
    struct stat now {};
    return fstat(fd, &now) == 0 && now.st_size == opened.st_size &&
           sameTime(now.st_mtim, opened.st_mtim);
}

// The bytes of the file from `start` on, `len` of them, are in `data`. The stream's `wp`
// is always data + len and its `pos` start + len, as the engine expects of a stream: `pos`
// is where the bytes up to `wp` end.
struct FileState {
    int fd = -1;
    struct stat opened;
    unsigned char* data = nullptr;
    size_t capacity = 0;
    int64_t start = 0;
    size_t len = 0;
};

void throwIfChanged(fz_context* c, const FileState& s) {
    // Every read of the file asks first: a file written over in place must not be read as
    // if its new bytes were the document's. (One fstat per buffer filled; nothing to notice.)
    if (!stillAsOpened(s.fd, s.opened))
        fz_throw(c, FZ_ERROR_GENERIC, "the file changed on disk since it was opened");
}

int nextChunk(fz_context* c, fz_stream* stm, size_t) {
    auto* s = static_cast<FileState*>(stm->state);
    throwIfChanged(c, *s);
    const int64_t at = stm->pos;
    const int64_t left = std::max<int64_t>(0, int64_t(s->opened.st_size) - at);
    const size_t want = size_t(std::min<int64_t>(int64_t(s->capacity), left));
    ssize_t n = 0;
    if (want > 0) {
        do {
            n = pread(s->fd, s->data, want, off_t(at));
        } while (n < 0 && errno == EINTR);
    }
    if (n < 0)
        fz_throw(c, FZ_ERROR_GENERIC, "read error: %s", strerror(errno));
    s->start = at;
    s->len = size_t(n);
    stm->rp = s->data;
    stm->wp = s->data + n;
    stm->pos = at + n;
    if (n == 0)
        return EOF;
    return *stm->rp++;
}

void seekTo(fz_context* c, fz_stream* stm, int64_t offset, int whence) {
    auto* s = static_cast<FileState*>(stm->state);
    if (whence == SEEK_END) {
        throwIfChanged(c, *s);
        offset += int64_t(s->opened.st_size);
    } else if (whence == SEEK_CUR) {
        offset += stm->pos - (stm->wp - stm->rp);
    }
    if (offset < 0)
        fz_throw(c, FZ_ERROR_GENERIC, "cannot seek: %s", strerror(EINVAL));
    if (offset >= s->start && offset <= s->start + int64_t(s->len)) {
        // Within the buffer: read on from there.
        stm->rp = s->data + (offset - s->start);
        stm->wp = s->data + s->len;
        stm->pos = s->start + int64_t(s->len);
        return;
    }
    s->start = offset;
    s->len = 0;
    stm->rp = stm->wp = s->data;
    stm->pos = offset;
}

void dropState(fz_context* c, void* state) {
    auto* s = static_cast<FileState*>(state);
    if (s->fd >= 0)
        close(s->fd);
    fz_free(c, s->data);
    fz_free(c, s);
}

// A stream that owns `fd` from here on, even when it cannot be made.
fz_stream* streamOver(fz_context* c, int fd, const struct stat& opened, size_t bufferSize) {
    FileState* state = nullptr;
    fz_var(state);
    fz_try(c) {
        state = fz_malloc_struct(c, FileState);
        state->fd = fd;
        state->opened = opened;
        state->capacity = std::max<size_t>(bufferSize, 1);
        state->data = static_cast<unsigned char*>(fz_malloc(c, state->capacity));
    }
    fz_catch(c) {
        if (state)
            fz_free(c, state);
        close(fd);
        fz_rethrow(c);
    }
    fz_stream* stm = fz_new_stream(c, state, nextChunk, dropState);
    stm->seek = seekTo;
    return stm;
}

int openForReading(const char* path) {
    int fd = -1;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

std::shared_ptr<SourceFile> SourceFile::open(const QByteArray& encodedPath) {
    const int fd = openForReading(encodedPath.constData());
    if (fd < 0)
        return nullptr;
    struct stat opened {};
    if (fstat(fd, &opened) != 0) {
        const int err = errno;
        close(fd);
        errno = err;
        return nullptr;
    }
    return std::shared_ptr<SourceFile>(new SourceFile(fd, opened));
}

SourceFile::~SourceFile() {
    if (fd_ >= 0)
        close(fd_);
}

bool SourceFile::unchanged() const {
    return stillAsOpened(fd_, opened_);
}

bool SourceFile::isNamedBy(const QByteArray& encodedPath) const {
    struct stat named {};
    return stat(encodedPath.constData(), &named) == 0 && named.st_dev == opened_.st_dev &&
           named.st_ino == opened_.st_ino;
}

QByteArray SourceFile::read(int64_t offset, int64_t length) const {
    offset = std::clamp<int64_t>(offset, 0, size());
    length = std::clamp<int64_t>(length, 0, size() - offset);
    if (!unchanged())
        return {};
    QByteArray bytes;
    bytes.resize(qsizetype(length));
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            pread(fd_, bytes.data() + got, size_t(bytes.size() - got), off_t(offset + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return {};
        got += n;
    }
    // Written to while it was being read: what was read may mix old and new bytes.
    return unchanged() ? bytes : QByteArray();
}

fz_stream* SourceFile::stream(fz_context* c, size_t bufferSize) const {
    const int fd = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        fz_throw(c, FZ_ERROR_GENERIC, "cannot read the file: %s", strerror(errno));
    return streamOver(c, fd, opened_, bufferSize);
}

SourceRef::SourceRef(fz_buffer* b, std::shared_ptr<SourceFile> f)
    : buffer(b ? fz_keep_buffer(engine::ctx(), b) : nullptr), file(std::move(f)) {}

SourceRef::SourceRef(SourceRef&& other) noexcept
    : buffer(std::exchange(other.buffer, nullptr)), file(std::move(other.file)) {}

SourceRef& SourceRef::operator=(SourceRef&& other) noexcept {
    std::swap(buffer, other.buffer);
    std::swap(file, other.file);
    return *this;
}

SourceRef::~SourceRef() {
    fz_drop_buffer(engine::ctx(), buffer);
}

fz_stream* SourceRef::open(fz_context* c) const {
    if (file)
        return file->stream(c);
    if (!buffer)
        fz_throw(c, FZ_ERROR_GENERIC, "nothing to read from");
    // The bytes stay owned by the document's buffer; this context only reads them.
    unsigned char* data = nullptr;
    const size_t length = fz_buffer_storage(c, buffer, &data);
    fz_buffer* view = fz_new_buffer_from_shared_data(c, data, length);
    fz_stream* stm = nullptr;
    fz_try(c) {
        stm = fz_open_buffer(c, view);
    }
    fz_always(c) {
        fz_drop_buffer(c, view);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return stm;
}

fz_stream* openFileStream(fz_context* c, const char* path, size_t bufferSize) {
    const auto file = SourceFile::open(QByteArray(path));
    if (!file)
        fz_throw(c, FZ_ERROR_GENERIC, "cannot open %s: %s", path, strerror(errno));
    return file->stream(c, bufferSize);
}

} // namespace pdf
