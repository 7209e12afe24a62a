#pragma once
// Internal to src/pdf: copying pages between documents with their annotations, links and
// form fields.
#include "pdf/Engine.h"

namespace pdf {

// Copies pages from[0..count) of `src` to `at`, `at` + 1, ... of `dst` with one graft map, so
// resources shared in the source stay shared in the copy. Throws the engine's errors (call
// inside fz_try); never throws C++ exceptions.
void graftPages(fz_context* c, pdf_document* dst, pdf_document* src, const int* from, int count,
                int at);

} // namespace pdf
