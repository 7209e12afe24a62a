#pragma once
// Internal to src/pdf: streams with no bytes, before a document is written encrypted.
#include "pdf/engine/Engine.h"

namespace pdf {

// Gives every stream of `doc` whose data is empty a deflated empty body instead, so the
// writer's AES pass, which writes no bytes at all for empty data under a Length of one
// block, leaves no stream shorter than its Length. What the streams decode to does not
// change. Never throws: a stream that cannot be read is left as it was.
void fillEmptyStreams(fz_context* c, pdf_document* doc);

} // namespace pdf
