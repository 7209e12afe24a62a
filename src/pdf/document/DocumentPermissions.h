#pragma once
// What the author of a protected file allows a reader who opened it without the owner
// password. Everything is allowed in a file without protection or opened as its owner.
#include "pdf/document/Document.h"

namespace pdf {

struct Permissions {
    bool print = true;
    bool copy = true;
    bool modify = true;    // change the content
    bool annotate = true;  // add and change annotations (and fill forms)
    bool fillForms = true; // fill form fields even where annotating is not allowed
    bool assemble = true;  // insert, delete and rotate pages even where modifying is not
    bool operator==(const Permissions&) const = default;
};

// The permissions of `document` as it was opened. Never throws.
Permissions permissionsOf(const Document& document);

} // namespace pdf
