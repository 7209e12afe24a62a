#include "pdf/document/FileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pdf {

namespace {

// The bytes of the file from `start` on, `len` of them, are in `data`. The stream's `wp`
// is always data + len and its `pos` start + len, as the engine expects of a stream: `pos`
// is where the bytes up to `wp` end.
struct FileState {
    int fd = -1;
    unsigned char* data = nullptr;
    size_t capacity = 0;
    int64_t start = 0;
    size_t len = 0;
};

int nextChunk(fz_context* c, fz_stream* stm, size_t) {
    auto* s = static_cast<FileState*>(stm->state);
    const int64_t at = stm->pos;
    ssize_t n = 0;
    do {
        n = pread(s->fd, s->data, s->capacity, off_t(at));
    } while (n < 0 && errno == EINTR);
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
        // The size now: the file may have grown or shrunk since the last look.
        struct stat st {};
        if (fstat(s->fd, &st) != 0)
            fz_throw(c, FZ_ERROR_GENERIC, "cannot seek: %s", strerror(errno));
        offset += int64_t(st.st_size);
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

} // namespace

fz_stream* openFileStream(fz_context* c, const char* path, size_t bufferSize) {
    int fd = -1;
    do {
        fd = open(path, O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fz_throw(c, FZ_ERROR_GENERIC, "cannot open %s: %s", path, strerror(errno));
    FileState* state = nullptr;
    fz_var(state);
    fz_try(c) {
        state = fz_malloc_struct(c, FileState);
        state->fd = fd;
        state->capacity = std::max<size_t>(bufferSize, 1);
        state->data = static_cast<unsigned char*>(fz_malloc(c, state->capacity));
    }
    fz_catch(c) {
        if (state)
            fz_free(c, state);
        close(fd);
        fz_rethrow(c);
    }
    // The stream owns the state from here on, even when it cannot be made.
    fz_stream* stm = fz_new_stream(c, state, nextChunk, dropState);
    stm->seek = seekTo;
    return stm;
}

} // namespace pdf
