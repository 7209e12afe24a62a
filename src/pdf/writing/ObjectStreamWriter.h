#pragma once
// Internal to src/pdf: writing a document with its objects packed into object streams.
#include "pdf/engine/Engine.h"

#include "base/CancelToken.h"

#include <QtGlobal>

namespace base {
class AtomicFile;
}

namespace pdf {

// Writes the objects of `doc` (unencrypted) that its trailer reaches into `file`, in one
// pass: every object of generation 0 that is not a stream packed into deflated object
// streams, the cross-reference table as a deflated
// stream. Streams are copied as they are stored. Throws pdf::Error.
qint64 writeWithObjectStreams(fz_context* c, pdf_document* doc, base::AtomicFile& file, int level,
                              const base::CancelToken* cancel);

} // namespace pdf
