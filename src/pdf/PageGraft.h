#pragma once
// Internal to src/pdf: copying pages between documents with their annotations, links and
// form fields.
#include "pdf/Engine.h"

#include <vector>

namespace pdf {

// Objects that point at pages (an annotation's /P, a link's destination) are taken off the
// source while its annotations are grafted: following them would drag the source's whole
// page tree into the target. Each removed entry is kept here and put back afterwards.
struct Detached {
    pdf_obj* owner;
    pdf_obj* key;
    pdf_obj* value;
};

// Where a copied annotation led in the source: page -2 for no link into the document,
// -1 for one that leads nowhere.
struct LinkTarget {
    int page = -2;
    pdf_obj* dest = nullptr; // kept
};

// Copies pages from[0..count) of `src` to `at`, `at` + 1, ... of `dst` with one graft map, so
// resources shared in the source stay shared in the copy.
void graftPages(fz_context* c, pdf_document* dst, pdf_document* src, const int* from, int count, int at,
                std::vector<Detached>& saved, std::vector<LinkTarget>& targets);

} // namespace pdf
