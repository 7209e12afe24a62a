#include "pdf/document/PageRotation.h"

namespace pdf {

int normalizedRotation(int raw) {
    int r = raw % 360;
    if (r < 0)
        r += 360;
    return (r + 45) / 90 * 90 % 360;
}

namespace {

void normalizeOne(fz_context* c, pdf_obj* node) {
    pdf_obj* rotate = pdf_dict_get(c, node, PDF_NAME(Rotate));
    if (!rotate)
        return;
    const int raw = pdf_to_int(c, rotate);
    const int fixed = normalizedRotation(raw);
    if (raw != fixed || !pdf_is_int(c, rotate))
        pdf_dict_put_int(c, node, PDF_NAME(Rotate), fixed);
}

// Depth-first over the tree; marks guard against a node listed twice or a loop.
void walk(fz_context* c, pdf_obj* node, int depth) {
    if (depth > 64 || pdf_mark_obj(c, node))
        return;
    fz_try(c) {
        normalizeOne(c, node);
        pdf_obj* kids = pdf_dict_get(c, node, PDF_NAME(Kids));
        for (int i = 0, n = pdf_array_len(c, kids); i < n; ++i)
            walk(c, pdf_array_get(c, kids, i), depth + 1);
    }
    fz_always(c) {
        pdf_unmark_obj(c, node);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace

void normalizeRotations(fz_context* c, pdf_document* doc) {
    pdf_obj* root = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/Pages");
    if (pdf_is_dict(c, root))
        walk(c, root, 0);
}

} // namespace pdf
