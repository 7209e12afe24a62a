#pragma once
// Internal to src/pdf: every page object of a document in order, so that finding page i of
// a long flat page tree costs the same for the last page as for the first.
#include "pdf/engine/Engine.h"

namespace pdf {

// Holds each page as the reference its parent's /Kids holds (kept, so that a repair of the
// file cannot pull it away). While a table is attached to a document, pageObjectAt and
// loadPdfPage find that document's pages through it; it is read from the tree on the first
// lookup after it was attached or invalidated. Used by one thread at a time, like its
// document.
class PageTable {
public:
    PageTable() = default;
    // Detaches, with the calling thread's context.
    ~PageTable();
    PageTable(const PageTable&) = delete;
    PageTable& operator=(const PageTable&) = delete;

    // Serves the lookups of `doc` from now on. Never throws.
    void attach(pdf_document* doc);
    // Lets go of the pages and of the document: it must be called before the document is
    // dropped. Never throws.
    void detach(fz_context* c);
    // Forgets the pages after a change of the tree; the next lookup reads it again. Never
    // throws.
    void invalidate(fz_context* c);
    // Takes `pages` (engine-allocated, its objects borrowed from the document) as the tree's
    // pages in order, as a walk of the tree just found them, instead of walking it again on
    // the first lookup. The tree must not have changed since that walk. Never throws.
    void adopt(fz_context* c, pdf_obj** pages, int count);

    // Whether the table holds the tree's pages, reading them first when it does not. False
    // when the tree cannot be read (the lookups then walk it) or nothing is attached. A table
    // whose length no longer agrees with the tree's count is read again: a cheap guard
    // against a change that bypassed it. Never throws.
    bool ready(fz_context* c);
    int count() const { return len_; }
    // Every page in order (count() of them), borrowed; null when not read.
    pdf_obj** objects() const { return built_ ? items_ : nullptr; }
    // Borrowed; null when out of range or not read.
    pdf_obj* object(int index) const {
        return built_ && index >= 0 && index < len_ ? items_[index] : nullptr;
    }

    // Follows one change the engine just made: `kid` (the object now in a /Kids array)
    // became page `index`, or page `index` left the tree. A table that cannot follow (out
    // of memory) reads the tree again on the next lookup. Never throw.
    void inserted(fz_context* c, int index, pdf_obj* kid);
    void removed(fz_context* c, int index);

    // pdf_load_page of a page the table holds, the engine's lookup by number going through
    // a balanced tree over the table for the length of the call. Throws through fz_throw.
    pdf_page* loadPage(fz_context* c, int index);

    // The table attached to `doc`, if any. Never throws.
    static PageTable* of(pdf_document* doc);

private:
    bool build(fz_context* c);
    void take(fz_context* c, pdf_obj** pages, int count);
    void dropItems(fz_context* c);
    pdf_obj* shadowRoot(fz_context* c); // throws through fz_throw

    pdf_document* doc_ = nullptr;
    bool built_ = false;
    bool unreadable_ = false;   // the last read failed: walk until the tree changes
    pdf_obj** items_ = nullptr; // engine-allocated, each kept
    int len_ = 0;
    int cap_ = 0;
    int expected_ = 0;          // the tree's own count while the table agrees with it
    pdf_obj* shadow_ = nullptr; // the balanced tree, made on the first load after a change
};

} // namespace pdf
