#include "pdf/PageGraft.h"

#include <cstdio>

namespace pdf {
namespace {

// Objects that point at pages (an annotation's /P, a link's destination) are taken off the
// source while its annotations are grafted: following them would drag the source's whole
// page tree into the target. Each removed entry is kept here and put back afterwards.
// The list lives in engine memory, so growing it inside fz_try can only raise engine errors.
struct Detached {
    pdf_obj* owner;
    pdf_obj* key;
    pdf_obj* value;
};

struct DetachedList {
    Detached* items = nullptr;
    int count = 0;
    int capacity = 0;
};

// Where a copied annotation led in the source: page -2 for no link into the document,
// -1 for one that leads nowhere.
struct LinkTarget {
    int page;
    pdf_obj* dest; // kept
};

// The explicit destination array a link or GoTo action leads to, or null (external links,
// named actions, destinations that do not resolve).
pdf_obj* internalDestination(fz_context* c, pdf_document* doc, pdf_obj* annot, bool* internal) {
    pdf_obj* dest = pdf_dict_get(c, annot, PDF_NAME(Dest));
    *internal = dest != nullptr;
    if (!dest) {
        pdf_obj* action = pdf_dict_get(c, annot, PDF_NAME(A));
        if (pdf_name_eq(c, pdf_dict_get(c, action, PDF_NAME(S)), PDF_NAME(GoTo))) {
            dest = pdf_dict_get(c, action, PDF_NAME(D));
            *internal = true;
        }
    }
    if (pdf_is_name(c, dest) || pdf_is_string(c, dest))
        dest = pdf_lookup_dest(c, doc, dest);
    if (pdf_is_dict(c, dest))
        dest = pdf_dict_get(c, dest, PDF_NAME(D));
    return pdf_is_array(c, dest) ? dest : nullptr;
}

// Source page number a destination array names, or -1.
int destinationPage(fz_context* c, pdf_document* doc, pdf_obj* dest) {
    pdf_obj* target = pdf_array_get(c, dest, 0);
    if (pdf_is_int(c, target))
        return pdf_to_int(c, target); // some producers write page numbers
    if (!pdf_is_dict(c, target))
        return -1;
    return pdf_lookup_page_number(c, doc, target);
}

// A copied batch of pages: source page numbers and the new page objects, index for index.
struct CopiedPages {
    const int* from;
    pdf_obj** to;
    int count;
};

pdf_obj* copyOf(const CopiedPages& pages, int sourcePage) {
    for (int k = 0; k < pages.count; ++k)
        if (pages.from[k] == sourcePage)
            return pages.to[k];
    return nullptr;
}

void detach(fz_context* c, DetachedList& saved, pdf_obj* owner, pdf_obj* key) {
    pdf_obj* value = pdf_dict_get(c, owner, key);
    if (!value)
        return;
    if (saved.count == saved.capacity) {
        const int grown = saved.capacity ? saved.capacity * 2 : 16;
        saved.items = fz_realloc_array(c, saved.items, grown, Detached);
        saved.capacity = grown;
    }
    saved.items[saved.count++] = {pdf_keep_obj(c, owner), key, pdf_keep_obj(c, value)};
    pdf_dict_del(c, owner, key);
}

// Puts every detached entry back, newest first, and empties the list. Never throws: an entry
// that cannot be put back is given up rather than leaving the others off too.
void putBack(fz_context* c, const Detached& entry) {
    fz_try(c) {
        pdf_dict_put(c, entry.owner, entry.key, entry.value);
    }
    fz_catch(c) {}
    pdf_drop_obj(c, entry.value);
    pdf_drop_obj(c, entry.owner);
}

void restore(fz_context* c, DetachedList& saved) {
    for (int k = saved.count - 1; k >= 0; --k)
        putBack(c, saved.items[k]);
    fz_free(c, saved.items);
    saved = {};
}

// Fields marked during one walk, to unmark afterwards; engine-allocated so it can grow
// inside fz_try.
struct FieldMarks {
    pdf_obj** items = nullptr;
    int len = 0;
    int cap = 0;
};

void detachFields(fz_context* c, DetachedList& saved, pdf_obj* field, int depth,
                  FieldMarks& marks) {
    // Each field once: a tree that lists a field among its own kids (or fans out onto
    // shared kids) ends in one pass over its distinct fields.
    if (depth > 32 || !pdf_is_dict(c, field) || pdf_mark_obj(c, field))
        return;
    if (marks.len == marks.cap) {
        const int grown = marks.cap ? marks.cap * 2 : 32;
        marks.items = fz_realloc_array(c, marks.items, grown, pdf_obj*);
        marks.cap = grown;
    }
    marks.items[marks.len++] = field;
    detach(c, saved, field, PDF_NAME(P));
    pdf_obj* kids = pdf_dict_get(c, field, PDF_NAME(Kids));
    for (int i = 0; i < pdf_array_len(c, kids); ++i)
        detachFields(c, saved, pdf_array_get(c, kids, i), depth + 1, marks);
}

// Every widget of a field tree: a field's kids on other pages also point at their pages.
void detachFieldTree(fz_context* c, DetachedList& saved, pdf_obj* root) {
    FieldMarks marks;
    fz_try(c) {
        detachFields(c, saved, root, 0, marks);
    }
    fz_always(c) {
        for (int i = 0; i < marks.len; ++i)
            pdf_unmark_obj(c, marks.items[i]);
        fz_free(c, marks.items);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// Grafting a page copies its content but not its annotations. Copy them with the same map,
// register copied form fields with the target's form, and point links between copied pages
// at the copies; links into pages that were not copied have nowhere to go and are dropped.
void copyAnnotations(fz_context* c, pdf_graft_map* map, pdf_document* src, pdf_obj* srcPage,
                     pdf_document* dst, pdf_obj* dstPage, const CopiedPages& pages) {
    pdf_obj* annots = pdf_dict_get(c, srcPage, PDF_NAME(Annots));
    const int n = pdf_array_len(c, annots);
    if (n == 0)
        return;
    LinkTarget* targets = fz_malloc_array(c, n, LinkTarget);
    for (int i = 0; i < n; ++i)
        targets[i] = {-2, nullptr}; // -2: not a link into the document
    DetachedList saved;
    pdf_obj* copied = nullptr;
    bool failed = false;
    int code = FZ_ERROR_GENERIC;
    char message[256] = "";
    fz_var(saved);
    fz_var(copied);
    fz_try(c) {
        for (int i = 0; i < n; ++i) {
            pdf_obj* a = pdf_array_get(c, annots, i);
            if (!pdf_is_dict(c, a))
                continue;
            bool internal = false;
            LinkTarget& target = targets[i];
            if (pdf_obj* dest = internalDestination(c, src, a, &internal)) {
                target.page = destinationPage(c, src, dest);
                target.dest = pdf_keep_obj(c, dest);
            } else if (internal) {
                target.page = -1;
            }
            if (target.page != -2) {
                detach(c, saved, a, PDF_NAME(Dest));
                detach(c, saved, a, PDF_NAME(A));
            }
            if (pdf_name_eq(c, pdf_dict_get(c, a, PDF_NAME(Subtype)), PDF_NAME(Widget))) {
                pdf_obj* root = a;
                for (int depth = 0; depth < 32 && pdf_dict_get(c, root, PDF_NAME(Parent)); ++depth)
                    root = pdf_dict_get(c, root, PDF_NAME(Parent));
                detachFieldTree(c, saved, root);
            }
            detach(c, saved, a, PDF_NAME(P));
        }
        copied = pdf_graft_mapped_object(c, map, annots);
        // Destinations of links whose target came along, rebuilt with the view they asked for.
        for (int i = n - 1; i >= 0; --i) {
            const LinkTarget& target = targets[i];
            if (target.page == -2)
                continue;
            pdf_obj* a = pdf_array_get(c, copied, i);
            pdf_obj* newPage = copyOf(pages, target.page);
            if (!newPage) {
                if (pdf_name_eq(c, pdf_dict_get(c, a, PDF_NAME(Subtype)), PDF_NAME(Link)))
                    pdf_array_delete(c, copied, i);
                continue;
            }
            pdf_obj* fresh = pdf_dict_put_array(c, a, PDF_NAME(Dest), 6);
            pdf_array_push(c, fresh, newPage);
            for (int k = 1; k < pdf_array_len(c, target.dest); ++k)
                pdf_array_push_drop(
                    c, fresh, pdf_graft_mapped_object(c, map, pdf_array_get(c, target.dest, k)));
        }
        pdf_dict_put(c, dstPage, PDF_NAME(Annots), copied);
        pdf_obj* form = pdf_dict_getp(c, pdf_trailer(c, dst), "Root/AcroForm");
        for (int i = 0; i < pdf_array_len(c, copied); ++i) {
            pdf_obj* a = pdf_array_get(c, copied, i);
            if (!pdf_is_dict(c, a))
                continue;
            pdf_dict_put(c, a, PDF_NAME(P), dstPage);
            if (!pdf_name_eq(c, pdf_dict_get(c, a, PDF_NAME(Subtype)), PDF_NAME(Widget)))
                continue;
            if (!form) {
                form = pdf_dict_put_dict(c, pdf_dict_get(c, pdf_trailer(c, dst), PDF_NAME(Root)),
                                         PDF_NAME(AcroForm), 4);
                pdf_obj* srcForm = pdf_dict_getp(c, pdf_trailer(c, src), "Root/AcroForm");
                if (pdf_obj* dr = pdf_dict_get(c, srcForm, PDF_NAME(DR)))
                    pdf_dict_put_drop(c, form, PDF_NAME(DR), pdf_graft_mapped_object(c, map, dr));
                if (pdf_obj* da = pdf_dict_get(c, srcForm, PDF_NAME(DA)))
                    pdf_dict_put(c, form, PDF_NAME(DA), da);
            }
            pdf_obj* fields = pdf_dict_get(c, form, PDF_NAME(Fields));
            if (!fields)
                fields = pdf_dict_put_array(c, form, PDF_NAME(Fields), 4);
            pdf_obj* root = a;
            for (int depth = 0; depth < 32 && pdf_dict_get(c, root, PDF_NAME(Parent)); ++depth)
                root = pdf_dict_get(c, root, PDF_NAME(Parent));
            bool present = false;
            for (int k = 0; k < pdf_array_len(c, fields) && !present; ++k)
                present = pdf_objcmp(c, pdf_array_get(c, fields, k), root) == 0;
            if (!present)
                pdf_array_push(c, fields, root);
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, copied);
    }
    fz_catch(c) {
        failed = true;
        code = fz_caught(c);
        std::snprintf(message, sizeof message, "%s", fz_caught_message(c));
    }
    // The source gets its entries back whether or not the copy went through.
    restore(c, saved);
    for (int i = 0; i < n; ++i)
        pdf_drop_obj(c, targets[i].dest);
    fz_free(c, targets);
    if (failed)
        fz_throw(c, code, "%s", message);
}

} // namespace

// Copies pages from[0..count) of `src` to `at`, `at` + 1, ... of `dst` with one graft map, so
// resources shared in the source stay shared in the copy.
void graftPages(fz_context* c, pdf_document* dst, pdf_document* src, const int* from, int count,
                int at) {
    pdf_graft_map* map = nullptr;
    pdf_obj** copies = static_cast<pdf_obj**>(fz_calloc(c, size_t(count), sizeof(pdf_obj*)));
    fz_var(map);
    fz_try(c) {
        map = pdf_new_graft_map(c, dst);
        for (int k = 0; k < count; ++k) {
            pdf_graft_mapped_page(c, map, at + k, src, from[k]);
            copies[k] = pdf_keep_obj(c, pdf_lookup_page_obj(c, dst, at + k));
        }
        const CopiedPages pages{from, copies, count};
        for (int k = 0; k < count; ++k)
            copyAnnotations(c, map, src, pdf_lookup_page_obj(c, src, from[k]), dst, copies[k],
                            pages);
    }
    fz_always(c) {
        for (int k = 0; k < count; ++k)
            pdf_drop_obj(c, copies[k]);
        fz_free(c, copies);
        pdf_drop_graft_map(c, map);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace pdf
