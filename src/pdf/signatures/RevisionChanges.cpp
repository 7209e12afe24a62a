// What the revisions after a signature changed. New objects matter only through the
// objects that refer to them, so each kind is judged by the dictionaries that carry it:
// signature dictionaries and fields, form fields and their widgets, annotations. An object
// the signed revision held that changed in any other way, beyond a page's annotation list
// or the catalogue's form, is a change of content.
#include "pdf/signatures/RevisionChanges.h"

#include "pdf/signatures/SignatureFields.h"

#include <cstring>

namespace pdf::signatures {

namespace {

constexpr unsigned kSignatures = SignatureField::SignaturesAdded;
constexpr unsigned kForms = SignatureField::FormValues;
constexpr unsigned kAnnotations = SignatureField::Annotations;
constexpr unsigned kContent = SignatureField::Content;
// Our signature record in the information dictionary: a signature's, when one came with it.
constexpr unsigned kRecord = 1u << 8;

// Whether `now` equals `before` in every entry but the two named. Plain C, may
// throw through fz_throw.
int sameApartFrom(fz_context* c, pdf_obj* now, pdf_obj* before, const char* except,
                  const char* except2 = "") {
    if (!pdf_is_dict(c, now) || (before && !pdf_is_dict(c, before)))
        return 0;
    auto skipped = [&](pdf_obj* key) {
        const char* name = pdf_to_name(c, key);
        return std::strcmp(name, except) == 0 || std::strcmp(name, except2) == 0;
    };
    int counted = 0;
    for (int i = 0, n = pdf_dict_len(c, now); i < n; ++i) {
        pdf_obj* key = pdf_dict_get_key(c, now, i);
        if (skipped(key))
            continue;
        ++counted;
        if (pdf_objcmp(c, pdf_dict_get_val(c, now, i), pdf_dict_get(c, before, key)) != 0)
            return 0;
    }
    int expected = 0;
    for (int i = 0, n = pdf_dict_len(c, before); i < n; ++i)
        expected += skipped(pdf_dict_get_key(c, before, i)) ? 0 : 1;
    return counted == expected;
}

// An annotation (widgets included) or a node of the form's field tree.
int annotationOrField(fz_context* c, pdf_obj* obj) {
    if (!pdf_is_dict(c, obj))
        return 0;
    if (pdf_name_eq(c, pdf_dict_get(c, obj, PDF_NAME(Type)), PDF_NAME(Annot)) ||
        (pdf_dict_get(c, obj, PDF_NAME(Subtype)) && pdf_dict_get(c, obj, PDF_NAME(Rect))))
        return 1;
    return pdf_dict_get(c, obj, PDF_NAME(FT)) ||
           (pdf_dict_get(c, obj, PDF_NAME(T)) && pdf_dict_get(c, obj, PDF_NAME(Parent)));
}

// What an annotation or field stands for: a signature, a form value or an annotation.
unsigned annotationKind(fz_context* c, pdf_obj* obj) {
    if (pdf_name_eq(c, pdf_dict_get_inheritable(c, obj, PDF_NAME(FT)), PDF_NAME(Sig)))
        return kSignatures;
    pdf_obj* subtype = pdf_dict_get(c, obj, PDF_NAME(Subtype));
    if (subtype && !pdf_name_eq(c, subtype, PDF_NAME(Widget)))
        return kAnnotations;
    return kForms;
}

// A list of annotations or fields (a page's /Annots, the form's /Fields, a field's /Kids),
// as opposed to, say, the /Kids of the page tree.
int listOfAnnotationsOrFields(fz_context* c, pdf_obj* list) {
    for (int i = 0, n = pdf_array_len(c, list); i < n; ++i) {
        pdf_obj* item = pdf_array_get(c, list, i);
        if (!pdf_is_indirect(c, item) || !annotationOrField(c, pdf_resolve_indirect(c, item)))
            return 0;
    }
    return 1;
}

unsigned judge(fz_context* c, pdf_document* doc, pdf_obj* ref, pdf_obj* obj, pdf_obj* before,
               pdf_document* signedDoc, int num) {
    const int existed = before && !pdf_is_null(c, before);
    if (!obj || pdf_is_null(c, obj))
        return 0;
    // The signature record that comes with our signatures, and nothing else of the information.
    if (pdf_to_num(c, pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Info))) == num)
        return sameApartFrom(c, obj, pdf_dict_get(c, pdf_trailer(c, signedDoc), PDF_NAME(Info)),
                             "Subject", "Keywords")
                   ? kRecord
                   : kContent;
    if (pdf_is_array(c, obj))
        return !existed || listOfAnnotationsOrFields(c, obj) ? 0 : kContent;
    if (!pdf_is_dict(c, obj))
        return existed ? kContent : 0;
    pdf_obj* type = pdf_dict_get(c, obj, PDF_NAME(Type));
    if (pdf_name_eq(c, type, PDF_NAME(Sig)) ||
        std::strcmp(pdf_to_name(c, type), "DocTimeStamp") == 0)
        return kSignatures;
    if (annotationOrField(c, obj))
        return annotationKind(c, obj);
    // Anything new shows only through an object that refers to it, judged on its own.
    if (!existed || pdf_name_eq(c, type, PDF_NAME(XRef)) || pdf_name_eq(c, type, PDF_NAME(ObjStm)))
        return 0;
    if (pdf_is_stream(c, ref))
        return kContent;
    if (pdf_name_eq(c, type, PDF_NAME(Page)))
        return sameApartFrom(c, obj, before, "Annots") ? 0 : kContent;
    if (pdf_name_eq(c, type, PDF_NAME(Catalog)))
        return sameApartFrom(c, obj, before, "AcroForm", "DSS") ? 0 : kContent;
    if (pdf_dict_get(c, obj, PDF_NAME(Fields)))
        return 0; // the form itself: its fields are judged one by one
    return kContent;
}

unsigned objectChange(fz_context* c, pdf_document* doc, pdf_document* signedDoc, int num) {
    pdf_obj* ref = nullptr;
    pdf_obj* before = nullptr;
    unsigned kind = kContent;
    fz_var(ref);
    fz_var(before);
    fz_var(kind);
    fz_try(c) {
        ref = pdf_new_indirect(c, doc, num, 0);
        if (num < pdf_xref_len(c, signedDoc))
            before = pdf_load_object(c, signedDoc, num);
        kind = judge(c, doc, ref, pdf_resolve_indirect(c, ref), before, signedDoc, num);
    }
    fz_always(c) {
        pdf_drop_obj(c, before);
        pdf_drop_obj(c, ref);
    }
    fz_catch(c) {
        kind = kContent;
    }
    return kind;
}

// The revision, counted back from the newest, that last defined object `num`; 0 (the
// newest) when that cannot be told.
int versionOf(fz_context* c, pdf_document* doc, int num) {
    pdf_obj* ref = nullptr;
    int version = 0;
    fz_var(ref);
    fz_var(version);
    fz_try(c) {
        ref = pdf_new_indirect(c, doc, num, 0);
        version = pdf_find_version_for_obj(c, doc, ref);
    }
    fz_always(c) {
        pdf_drop_obj(c, ref);
    }
    fz_catch(c) {
        version = 0;
    }
    return version;
}

} // namespace

unsigned changesSince(fz_context* c, pdf_document* doc, pdf_document* signedDoc) {
    int after = 0;
    int count = 0;
    fz_var(after);
    fz_var(count);
    fz_try(c) {
        after = pdf_count_versions(c, doc) - pdf_count_versions(c, signedDoc);
        count = pdf_xref_len(c, doc);
    }
    fz_catch(c) {
        return kContent;
    }
    // Bytes after the signature that add no revision are no update: content.
    unsigned changes = after <= 0 ? kContent : 0;
    for (int num = 1; num < count && !(changes & kContent); ++num)
        if (versionOf(c, doc, num) < after)
            changes |= objectChange(c, doc, signedDoc, num);
    // A record changed without a signature to come with it is a change of content.
    if ((changes & kRecord) && !(changes & kSignatures))
        changes |= kContent;
    return changes & ~kRecord;
}

int certificationLevel(fz_context* c, pdf_obj* sig) {
    pdf_obj* references = pdf_dict_get(c, sig, PDF_NAME(Reference));
    for (int i = 0, n = pdf_array_len(c, references); i < n; ++i) {
        pdf_obj* reference = pdf_array_get(c, references, i);
        if (!pdf_name_eq(c, pdf_dict_get(c, reference, PDF_NAME(TransformMethod)),
                         PDF_NAME(DocMDP)))
            continue;
        pdf_obj* p = pdf_dict_getp(c, reference, "TransformParams/P");
        const int level = p ? pdf_to_int(c, p) : 2; // 2 when the permissions are not stated
        return level < 1 ? 1 : level > 3 ? 3 : level;
    }
    return 0;
}

} // namespace pdf::signatures
