#pragma once
// Internal to src/pdf: taking what lies under redaction marks out of a page's content.
// Plain data only: the engine's callbacks read it inside its guarded regions.
#include "pdf/engine/Engine.h"

namespace pdf {

struct RedactionArea {
    fz_rect box; // PDF user space
    float fill[3];
    char overlay[64]; // WinAnsi bytes, NUL-terminated; empty for none
};

struct RedactionAreas {
    RedactionArea* items = nullptr; // engine-allocated
    int len = 0;
    int cap = 0;
    void push(fz_context* c, const RedactionArea& area);
    void release(fz_context* c);
    // The first area holding `point`, or null.
    const RedactionArea* at(fz_point point) const;
    bool meets(fz_rect rect) const;
};

struct ContentCounts {
    int glyphs = 0;
    int imagesCut = 0;
    int imagesRemoved = 0;
    int paths = 0;
};

// Filters the page's content (its forms instanced and filtered too) into a content stream of
// the page's own, so that nothing of what lies under `areas` is left. Throws through fz_throw.
void redactPageContent(fz_context* c, pdf_document* doc, pdf_page* page,
                       const RedactionAreas& areas, ContentCounts& counts);
// Then paints each area with its fill and overlay text, over everything else. Throws through
// fz_throw.
void fillAreas(fz_context* c, pdf_page* page, const RedactionAreas& areas);

// Writes the content `contents` (drawn with `resources`) into `out` again, without the
// painted subpaths lying wholly under one of `areas` and, with a `usage`, without what
// optional content hides for that usage. Throws through fz_throw.
void passContent(fz_context* c, pdf_document* doc, pdf_obj* resources, pdf_obj* contents,
                 fz_buffer* out, const RedactionAreas& areas, ContentCounts& counts,
                 const char* usage);

// Rewrites the page's content without what optional content hides when it is viewed.
// Throws through fz_throw.
void dropHiddenContent(fz_context* c, pdf_document* doc, pdf_page* page);

} // namespace pdf
