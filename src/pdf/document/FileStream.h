#pragma once
// Internal to src/pdf: reading a file as the engine asks for it, for documents opened for a
// short look.
#include "pdf/engine/Engine.h"

namespace pdf {

// A stream over the file at `path` (encoded as open(2) takes it), read with pread into a
// buffer of `bufferSize` bytes. The engine reads objects here and there: a seek that lands
// within what the buffer holds costs no read of the file at all, so objects that lie close
// together cost one read between them. The file is never mapped: when it is cut short or
// changed while the stream is open, reads past its end find its end, and what was read
// before stays as it was read; nothing worse. Throws through fz_throw.
fz_stream* openFileStream(fz_context* c, const char* path, size_t bufferSize = 256 * 1024);

} // namespace pdf
