#pragma once
// Internal to src/pdf: copying pages between documents with their annotations, links, form
// fields and outline.
#include "pdf/engine/Engine.h"

namespace pdf {

// A batch of copied pages: which source page each copy came from, found in constant or
// logarithmic time so copying stays linear in the pages copied.
struct PageCopies {
    struct Entry {
        int number; // object number of a source page
        int index;  // its page index
    };
    pdf_obj** sourcePages = nullptr; // every page of the source, in order
    int sourceCount = 0;
    bool ownsSourcePages = false; // false: borrowed from the source's page table
    // Sorted by object number; made on the first lookup only: a batch of one page (each
    // page of a split) whose links lead nowhere else never pays for sorting them all.
    mutable Entry* byNumber = nullptr;
    mutable int numbered = 0; // entries in byNumber (pages that are indirect objects)
    int* copyIndex = nullptr; // per source page: the copy made of it, or -1
    pdf_obj** copies = nullptr;
    int count = 0;

    // The source page a destination's target names (a page object or a page number), or -1.
    int sourceIndex(fz_context* c, pdf_obj* target) const;
    // The copy of source page `index`, or null when it was not copied.
    pdf_obj* copyOf(int index) const;
};

// The explicit destination array a link, GoTo action or outline item leads to, or null
// (external links, named actions, destinations that do not resolve). *internal tells
// whether it meant a place in the document at all.
pdf_obj* internalDestination(fz_context* c, pdf_document* doc, pdf_obj* item, bool* internal);

// A graft map that outlives one batch of copies from a source, and which of the source's
// pages had their annotations copied through it: a page copied again shares its contents and
// resources with the earlier copy, but its annotations are its own.
struct CopyState {
    pdf_graft_map* map = nullptr;       // null: graftPages makes one and leaves it here
    unsigned char* annotated = nullptr; // one flag per source page
    int pages = 0;                      // flags in `annotated`
};

// Copies pages from[0..count) of `src` to `at`, `at` + 1, ... of `dst` with one graft map, so
// resources shared in the source stay shared in the copy. With a non-null `outlineTitle`
// (UTF-8) the source's outline comes along under one new top-level entry of that title. With
// a `state`, its map is used (or made and kept there) instead of one for this batch alone.
// Throws the engine's errors (call inside fz_try); never throws C++ exceptions.
void graftPages(fz_context* c, pdf_document* dst, pdf_document* src, const int* from, int count,
                int at, const char* outlineTitle = nullptr, CopyState* state = nullptr);

// Outline: whether `doc` has any entry; puts the whole outline under one new top-level
// entry leading to `page`; removes it. Each throws through fz_throw.
bool hasOutline(fz_context* c, pdf_document* doc);
void nestOutline(fz_context* c, pdf_document* doc, const char* title, pdf_obj* page);
void removeOutline(fz_context* c, pdf_document* doc);
// Copies the outline of `src` under a new last top-level entry of `dst` titled `title`,
// leading to the first copy; entries leading to pages that were not copied keep their title
// and lead nowhere. Loops and repeats in the source outline are followed once.
void graftOutline(fz_context* c, pdf_graft_map* map, pdf_document* dst, pdf_document* src,
                  const PageCopies& pages, const char* title);

} // namespace pdf
