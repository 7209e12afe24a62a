#pragma once
// Internal to src/pdf: how every kind of annotation is made on a page.
#include "pdf/annotations/Annotation.h"
#include "pdf/annotations/OwnAnnots.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Internal.h"

namespace pdf {

// Makes an annotation of `type` on `page` and lets `build` fill it in under the document's
// lock. One that fails half way is taken off the page again.
template <typename Build>
AnnotationPtr create(Page& page, enum pdf_annot_type type, Build build, bool raw = false) {
    ChangeScope scope;
    PageData& d = page.data();
    auto lock = d.doc->lock();
    pdf_page* target = d.detached ? nullptr : d.engine();
    if (!target)
        return nullptr;
    fz_context* c = engine::ctx();
    pdf_annot* annot = nullptr;
    bool ok = true;
    fz_var(annot);
    fz_var(ok);
    fz_try(c) {
        ensureOwnAnnotsArray(c, target->obj);
        annot = raw ? pdf_create_annot_raw(c, target, type) : pdf_create_annot(c, target, type);
        build(c, d.doc->pdf, annot);
    }
    fz_catch(c) {
        ok = false;
    }
    if (!ok) {
        if (annot) {
            fz_try(c) {
                pdf_delete_annot(c, target, annot);
            }
            fz_catch(c) {}
            pdf_drop_annot(c, annot);
        }
        return nullptr;
    }
    touch(d);
    announce(*d.doc, {Change::Kind::AnnotationsAdded, {d.index}});
    AnnotationPtr wrapped = wrapAnnotation(page.shared_from_this(), annot);
    pdf_drop_annot(c, annot);
    return wrapped;
}

} // namespace pdf
