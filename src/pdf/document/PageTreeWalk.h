#pragma once
// Internal to src/pdf: the pages a page tree holds, read the way other readers read it.
#include "pdf/engine/Internal.h"

namespace pdf {

// Bounds that keep a hostile tree from costing more than a real one ever does.
// A page listed again (in the same node or another) is a page of its own each time, up to
// this many repeats in one document; the walk ends at the next one.
constexpr int kMaxRepeatedPages = 10000;
// Nodes nested deeper than this are left out.
constexpr int kMaxTreeDepth = 4096;
// Kids looked at in one walk, repeats of whole subtrees included.
constexpr int kMaxKidVisits = 4 << 20;

// What one walk of the tree found. Plain data, engine-allocated: release() frees it.
struct PageTreeWalk {
    ObjList pages;          // each page in order, as often as the tree lists it
    ObjList inherited;      // per page, kInheritedKeys values found on its way down (or null)
    bool consistent = true; // counts, parents and kinds agree; no repeats, loops or cuts
    bool repeats = false;   // some page is listed more than once
    bool cut = false;       // a bound was reached and part of the tree was left out

    void release(fz_context* c) {
        pages.release(c);
        inherited.release(c);
    }
};

// The keys a page inherits from its ancestors, in the order `inherited` holds them.
constexpr int kInheritedKeyCount = 4;
pdf_obj* inheritedKey(int i);

// Walks the tree under `root` without recursion: a node inside itself (a loop) is cut, a
// node or page listed twice is read each time. Throws through fz_throw; what was found is
// in `walk` for the caller to release.
void walkPageTree(fz_context* c, pdf_obj* root, PageTreeWalk& walk);

// Every page object of the file's cross-reference table, in object order: what a
// repairing reader shows when the tree yields nothing. Their references go into `holder`
// (an array), which the pages in `walk` borrow from. Throws through fz_throw.
void scanPageObjects(fz_context* c, pdf_document* doc, pdf_obj* holder, PageTreeWalk& walk);

} // namespace pdf
