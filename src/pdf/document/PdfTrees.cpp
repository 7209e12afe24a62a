#include "pdf/document/PdfTrees.h"

namespace pdf {

namespace {

struct Walk {
    pdf_obj* leaves;
    ObjList* keys;
    ObjList* values;
    int budget = kTreeNodes;
    // The nodes seen, marked so that a shared or looping node is entered once.
    ObjList marked;
};

void walk(fz_context* c, Walk& w, pdf_obj* node, int depth) {
    if (!pdf_is_dict(c, node) || depth > kTreeDepth || --w.budget < 0)
        return;
    if (pdf_is_indirect(c, node)) {
        if (pdf_obj_marked(c, node))
            return;
        pdf_mark_obj(c, node);
        w.marked.push(c, node);
    }
    pdf_obj* entries = pdf_dict_get(c, node, w.leaves);
    const int n = pdf_array_len(c, entries);
    for (int i = 0; i + 1 < n && w.budget > 0; i += 2, --w.budget) {
        w.keys->push(c, pdf_array_get(c, entries, i));
        w.values->push(c, pdf_array_get(c, entries, i + 1));
    }
    pdf_obj* kids = pdf_dict_get(c, node, PDF_NAME(Kids));
    const int k = pdf_array_len(c, kids);
    for (int i = 0; i < k && w.budget > 0; ++i)
        walk(c, w, pdf_array_get(c, kids, i), depth + 1);
}

} // namespace

void collectTree(fz_context* c, pdf_obj* root, pdf_obj* leaves, ObjList* keys, ObjList* values) {
    Walk w{leaves, keys, values, kTreeNodes, {}};
    fz_try(c) {
        walk(c, w, root, 0);
    }
    fz_always(c) {
        for (int i = 0; i < w.marked.len; ++i)
            pdf_unmark_obj(c, w.marked.items[i]);
        w.marked.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace pdf
