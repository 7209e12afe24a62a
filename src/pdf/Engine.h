#pragma once
// Internal to src/pdf: the MuPDF contexts. One base context with real locks; each
// thread gets its own clone on first use, dropped when the thread ends.
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <QString>

namespace pdf::engine {

// The calling thread's context. Never null; aborts if MuPDF cannot start at all.
fz_context* ctx();

// Text of the error MuPDF caught last on this thread's context.
QString lastError(fz_context* c);

} // namespace pdf::engine
