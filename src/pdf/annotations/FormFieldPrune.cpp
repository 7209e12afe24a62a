#include "pdf/annotations/FormFieldPrune.h"

#include "pdf/engine/Internal.h"

#include <cstdlib>

namespace pdf {

void NumberSet::add(fz_context* c, int number) {
    if (len == cap) {
        const int grown = cap ? cap * 2 : 64;
        items = fz_realloc_array(c, items, grown, int);
        cap = grown;
    }
    items[len++] = number;
}

namespace {
int compareInts(const void* a, const void* b) {
    const int x = *static_cast<const int*>(a);
    const int y = *static_cast<const int*>(b);
    return (x > y) - (x < y);
}
} // namespace

void NumberSet::seal() {
    if (len == 0)
        return;
    std::qsort(items, size_t(len), sizeof(int), compareInts);
    int out = 1;
    for (int i = 1; i < len; ++i)
        if (items[i] != items[out - 1])
            items[out++] = items[i];
    len = out;
}

bool NumberSet::contains(int number) const {
    return len > 0 &&
           std::bsearch(&number, items, size_t(len), sizeof(int), compareInts) != nullptr;
}

void NumberSet::release(fz_context* c) {
    fz_free(c, items);
    *this = {};
}

void addPageWidgets(fz_context* c, pdf_obj* page, NumberSet& out) {
    pdf_obj* annots = pdf_dict_get(c, page, PDF_NAME(Annots));
    const int n = pdf_array_len(c, annots);
    for (int i = 0; i < n; ++i) {
        pdf_obj* a = pdf_array_get(c, annots, i);
        if (pdf_is_indirect(c, a) &&
            pdf_name_eq(c, pdf_dict_get(c, a, PDF_NAME(Subtype)), PDF_NAME(Widget)))
            out.add(c, pdf_to_num(c, a));
    }
}

namespace {

bool pruneField(fz_context* c, pdf_obj* field, const NumberSet& widgets, bool keep, int depth,
                ObjList& marks) {
    // Depth and revisits are left as they are: only what is known to be gone is taken out.
    if (depth > 32 || !pdf_is_dict(c, field) || pdf_mark_obj(c, field))
        return true;
    // Kept: deleting a kid below may drop the array's last hold on it before it is unmarked.
    marks.push(c, pdf_keep_obj(c, field));
    if (pdf_name_eq(c, pdf_dict_get(c, field, PDF_NAME(Subtype)), PDF_NAME(Widget))) {
        if (!pdf_is_indirect(c, field))
            return true;
        return widgets.contains(pdf_to_num(c, field)) == keep;
    }
    pdf_obj* kids = pdf_dict_get(c, field, PDF_NAME(Kids));
    const int n = pdf_array_len(c, kids);
    if (n == 0)
        return true; // a field without widgets of its own was never ours to drop
    for (int i = n - 1; i >= 0; --i)
        if (!pruneField(c, pdf_array_get(c, kids, i), widgets, keep, depth + 1, marks))
            pdf_array_delete(c, kids, i);
    return pdf_array_len(c, kids) > 0;
}

} // namespace

bool pruneFieldTree(fz_context* c, pdf_obj* field, const NumberSet& widgets, bool keep) {
    ObjList marks;
    bool stays = true;
    fz_var(stays);
    fz_try(c) {
        stays = pruneField(c, field, widgets, keep, 0, marks);
    }
    fz_always(c) {
        for (int i = 0; i < marks.len; ++i) {
            pdf_unmark_obj(c, marks.items[i]);
            pdf_drop_obj(c, marks.items[i]);
        }
        fz_free(c, marks.items);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return stays;
}

void removePageFields(fz_context* c, pdf_document* doc, pdf_obj* page) {
    pdf_obj* fields = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/AcroForm/Fields");
    if (!pdf_is_array(c, fields))
        return;
    NumberSet gone;
    NumberSet shown; // widgets the other pages show (pages may share one /Annots array)
    pdf_obj** pages = nullptr;
    int count = 0;
    fz_var(pages);
    fz_try(c) {
        addPageWidgets(c, page, gone);
        gone.seal();
        if (gone.len > 0) {
            pages = collectPages(c, doc, &count);
            for (int i = 0; i < count; ++i)
                if (pdf_to_num(c, pages[i]) != pdf_to_num(c, page))
                    addPageWidgets(c, pages[i], shown);
            shown.seal();
            int kept = 0;
            for (int i = 0; i < gone.len; ++i)
                if (!shown.contains(gone.items[i]))
                    gone.items[kept++] = gone.items[i];
            gone.len = kept;
            for (int i = pdf_array_len(c, fields) - 1; i >= 0 && gone.len > 0; --i)
                if (!pruneFieldTree(c, pdf_array_get(c, fields, i), gone, false))
                    pdf_array_delete(c, fields, i);
        }
    }
    fz_always(c) {
        fz_free(c, pages);
        gone.release(c);
        shown.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace pdf
