#include "pdf/annotations/OwnAnnots.h"

namespace pdf {

void ensureOwnAnnotsArray(fz_context* c, pdf_obj* page) {
    pdf_obj* annots = pdf_dict_get(c, page, PDF_NAME(Annots));
    if (!pdf_is_indirect(c, annots))
        return;
    // Whether another page refers to the same array would take a walk over every page;
    // a private copy costs one small array and keeps adding to a page linear.
    pdf_obj* copy = pdf_is_array(c, annots) ? pdf_copy_array(c, annots)
                                            : pdf_new_array(c, pdf_get_bound_document(c, page), 4);
    pdf_dict_put_drop(c, page, PDF_NAME(Annots), copy);
}

} // namespace pdf
