#pragma once
// Internal to src/pdf: what every path that adds an annotation to a page calls first.
#include "pdf/engine/Engine.h"

namespace pdf {

// Gives `page` an /Annots array of its own before something is added to it. Pages may
// share one array object (some producers write it so); adding to it would put the new
// annotation on every page that shares it. An array written inside the page dictionary
// is already the page's own and is left alone. Throws through fz_throw.
void ensureOwnAnnotsArray(fz_context* c, pdf_obj* page);

} // namespace pdf
