#pragma once
// Internal to src/pdf: the MuPDF contexts. One base context with real locks; each
// thread gets its own clone on first use, dropped when the thread ends.
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <QString>

namespace pdf::engine {

// The calling thread's context. Never null; aborts if MuPDF cannot start at all.
fz_context* ctx();

// A context of its own, sharing nothing with the others and taking no locks: for work
// on a private copy of a document within one thread. Null if MuPDF cannot start.
struct IsolatedContext {
    IsolatedContext();
    ~IsolatedContext();
    IsolatedContext(const IsolatedContext&) = delete;
    IsolatedContext& operator=(const IsolatedContext&) = delete;
    fz_context* get() const { return c; }

private:
    fz_context* c = nullptr;
};

// Text of the error MuPDF caught last on this thread's context.
QString lastError(fz_context* c);

} // namespace pdf::engine
