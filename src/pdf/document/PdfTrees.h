#pragma once
// Internal to src/pdf: the number and name trees of a file (page labels, embedded files),
// walked within bounds. A tree from a file may loop, share its nodes many times over or
// be deeper than any real one; the walk visits no node twice, goes no deeper than
// kTreeDepth and stops after kTreeNodes leaves and nodes, keeping what it found so far.
#include "pdf/engine/Internal.h"

namespace pdf {

constexpr int kTreeDepth = 32;
constexpr int kTreeNodes = 200000;

// Appends each leaf entry of the tree at `root` to `keys` and `values` (borrowed from the
// document), in the tree's order. `leaves` is PDF_NAME(Nums) or PDF_NAME(Names). Throws
// through fz_throw.
void collectTree(fz_context* c, pdf_obj* root, pdf_obj* leaves, ObjList* keys, ObjList* values);

} // namespace pdf
