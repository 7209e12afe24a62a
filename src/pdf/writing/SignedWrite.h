#pragma once
// Writing a document read from a signed file: its changes are appended after the signed
// bytes as an incremental update, so every earlier signature keeps its byte range and holds.
#include <QByteArray>

struct fz_output;

namespace pdf {

class Document;
struct WriteOptions;

// The bytes `document` was read from when they carry a signature; empty otherwise.
QByteArray signedSource(const Document& document);

// Whether writing `document` with `options` appends to its signed source (true), or would
// have to rewrite it whole (new passwords, protection dropped, a file the engine repaired),
// which breaks its signatures. False for a document not read from a signed file.
bool writeAppendsToSignatures(const Document& document, const WriteOptions& options);

namespace writing {

// Whether the engine can append to the document as `options` ask. The lock must be held.
bool canAppend(const Document& document, const WriteOptions& options);

// Writes `source`, then the document's changes since it was read as one incremental update,
// into `out` (not closed). The lock must be held. Throws pdf::Error.
void appendChanges(const Document& document, const QByteArray& source, ::fz_output* out);

} // namespace writing

} // namespace pdf
