#pragma once
// Internal to src/pdf: compressing a document's unfiltered streams before it is written.
#include "pdf/engine/Engine.h"

namespace pdf {

// Gives every stream of `doc` that has no filter (contents copied from an uncompressed file,
// new appearance streams, …) its data deflated, marked /FlateDecode, so that the writer
// copies it as it is instead of deflating it itself, one stream at a time on one thread.
// The streams are deflated in batches on every core the budget allows, with libdeflate at
// the size zlib's default level gives. What a stream shows does not change. Metadata,
// object and cross-reference streams are left to the writer, and so are encrypted
// documents. Never throws: a stream that cannot be read or deflated is
// left to the writer, as it was.
void deflateUnfilteredStreams(fz_context* c, pdf_document* doc);

} // namespace pdf
