#pragma once
// Whether a document's text takes in what its form fields and free-text annotations show.
#include "pdf/document/Document.h"

namespace pdf {

// By default a page's text holds what its form fields and free-text annotations show, as
// other readers' text does, each line at its place in the reading order. With `take`
// false it holds the page's own content alone. Text read before is read again.
void setTextTakesAnnotations(const Document& document, bool take);

} // namespace pdf
