#pragma once
// What the revisions appended after a signature changed, judged object by object against
// the document as it was signed.
#include "pdf/engine/Internal.h"

namespace pdf::signatures {

// SignatureField::ChangeKind flags for everything `doc` defines beyond `signedDoc` (the
// same file cut where the signature ends): signatures added, form values, annotations, or
// content (anything else, and anything that cannot be read). Never throws.
unsigned changesSince(fz_context* c, pdf_document* doc, pdf_document* signedDoc);

// The /DocMDP permissions of the signature dictionary `sig` (1 to 3), 0 when it does not
// certify. Throws through fz_throw only.
int certificationLevel(fz_context* c, pdf_obj* sig);

} // namespace pdf::signatures
