#include "pdf/writing/PageGraft.h"

#include "pdf/engine/Internal.h"

// Copying outlines between documents, and nesting one under a single entry.
namespace pdf {
namespace {

struct OutlineCopy {
    pdf_graft_map* map;
    pdf_document* dst;
    pdf_document* src;
    const PageCopies& pages;
    ObjList marked; // source items seen, unmarked afterwards
    ObjList made;   // references to the new items, dropped afterwards
};

pdf_obj* outlinesOf(fz_context* c, pdf_document* doc, bool create) {
    pdf_obj* root = pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Root));
    pdf_obj* outlines = pdf_dict_get(c, root, PDF_NAME(Outlines));
    if (pdf_is_dict(c, outlines) || !create)
        return pdf_is_dict(c, outlines) ? outlines : nullptr;
    outlines = pdf_add_new_dict(c, doc, 4);
    pdf_dict_put_drop(c, root, PDF_NAME(Outlines), outlines);
    pdf_dict_put(c, outlines, PDF_NAME(Type), PDF_NAME(Outlines));
    return outlines;
}

// A new item titled `title` leading to the top of `page` (when there is one). The caller
// drops the returned reference.
pdf_obj* newEntry(fz_context* c, pdf_document* doc, const char* title, pdf_obj* page) {
    pdf_obj* entry = pdf_add_new_dict(c, doc, 6);
    fz_try(c) {
        pdf_dict_put_text_string(c, entry, PDF_NAME(Title), title);
        if (page) {
            pdf_obj* dest = pdf_dict_put_array(c, entry, PDF_NAME(Dest), 2);
            pdf_array_push(c, dest, page);
            pdf_array_push(c, dest, PDF_NAME(Fit));
        }
    }
    fz_catch(c) {
        pdf_drop_obj(c, entry);
        fz_rethrow(c);
    }
    return entry;
}

// The new item's own entries: its title, look and where it leads, now in the target.
void copyItem(fz_context* c, OutlineCopy& copy, pdf_obj* item, pdf_obj* into) {
    for (pdf_obj* key : {PDF_NAME(Title), PDF_NAME(C), PDF_NAME(F)})
        if (pdf_obj* value = pdf_dict_get(c, item, key))
            pdf_dict_put_drop(c, into, key, pdf_graft_mapped_object(c, copy.map, value));
    bool internal = false;
    pdf_obj* dest = internalDestination(c, copy.src, item, &internal);
    if (dest) {
        pdf_obj* page = copy.pages.copyOf(copy.pages.sourceIndex(c, pdf_array_get(c, dest, 0)));
        if (!page)
            return; // its page stayed behind: the entry keeps its title and leads nowhere
        pdf_obj* fresh = pdf_dict_put_array(c, into, PDF_NAME(Dest), pdf_array_len(c, dest));
        pdf_array_push(c, fresh, page);
        for (int k = 1; k < pdf_array_len(c, dest); ++k)
            pdf_array_push_drop(c, fresh,
                                pdf_graft_mapped_object(c, copy.map, pdf_array_get(c, dest, k)));
    } else if (!internal) {
        // Addresses and other actions come as they are, without a chained next action
        // that could lead back into the source's pages.
        if (pdf_obj* action = pdf_dict_get(c, item, PDF_NAME(A))) {
            pdf_obj* copied = pdf_graft_mapped_object(c, copy.map, action);
            pdf_dict_put_drop(c, into, PDF_NAME(A), copied);
            if (pdf_is_dict(c, copied))
                pdf_dict_del(c, copied, PDF_NAME(Next));
        }
    }
}

// Copies the chain of items starting at `first` as the children of `parent`. Returns how
// many items the copy shows below `parent` when it is open; *direct gets the number of
// children. Every source item is copied once, however its links loop.
int copyChildren(fz_context* c, OutlineCopy& copy, pdf_obj* first, pdf_obj* parent, int depth,
                 int* direct) {
    *direct = 0;
    int visible = 0;
    pdf_obj* previous = nullptr;
    for (pdf_obj* item = first; pdf_is_dict(c, item) && !pdf_mark_obj(c, item);
         item = pdf_dict_get(c, item, PDF_NAME(Next))) {
        copy.marked.push(c, item);
        pdf_obj* made = pdf_add_new_dict(c, copy.dst, 8);
        copy.made.push(c, made);
        copyItem(c, copy, item, made);
        pdf_dict_put(c, made, PDF_NAME(Parent), parent);
        if (previous) {
            pdf_dict_put(c, previous, PDF_NAME(Next), made);
            pdf_dict_put(c, made, PDF_NAME(Prev), previous);
        } else {
            pdf_dict_put(c, parent, PDF_NAME(First), made);
        }
        pdf_dict_put(c, parent, PDF_NAME(Last), made);
        previous = made;
        ++*direct;
        ++visible;
        pdf_obj* kids = pdf_dict_get(c, item, PDF_NAME(First));
        if (!kids || depth >= 64)
            continue;
        int children = 0;
        const int inner = copyChildren(c, copy, kids, made, depth + 1, &children);
        if (children == 0)
            continue;
        const bool open = pdf_dict_get_int(c, item, PDF_NAME(Count)) > 0;
        pdf_dict_put_int(c, made, PDF_NAME(Count), open ? inner : -children);
        if (open)
            visible += inner;
    }
    return visible;
}

// Appends `entry` as the last top-level item of `outlines`, showing `shown` more items.
void appendTopLevel(fz_context* c, pdf_obj* outlines, pdf_obj* entry, int shown) {
    pdf_dict_put(c, entry, PDF_NAME(Parent), outlines);
    pdf_obj* last = pdf_dict_get(c, outlines, PDF_NAME(Last));
    if (pdf_is_dict(c, last) && pdf_dict_get(c, outlines, PDF_NAME(First))) {
        pdf_dict_put(c, last, PDF_NAME(Next), entry);
        pdf_dict_put(c, entry, PDF_NAME(Prev), last);
    } else {
        pdf_dict_put(c, outlines, PDF_NAME(First), entry);
    }
    pdf_dict_put(c, outlines, PDF_NAME(Last), entry);
    const int before = pdf_dict_get_int(c, outlines, PDF_NAME(Count));
    pdf_dict_put_int(c, outlines, PDF_NAME(Count), (before < 0 ? -before : before) + shown);
}

} // namespace

bool hasOutline(fz_context* c, pdf_document* doc) {
    return pdf_is_dict(c, pdf_dict_get(c, outlinesOf(c, doc, false), PDF_NAME(First)));
}

void removeOutline(fz_context* c, pdf_document* doc) {
    pdf_dict_del(c, pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Root)), PDF_NAME(Outlines));
}

void graftOutline(fz_context* c, pdf_graft_map* map, pdf_document* dst, pdf_document* src,
                  const PageCopies& pages, const char* title) {
    OutlineCopy copy{map, dst, src, pages, {}, {}};
    pdf_obj* entry = nullptr;
    fz_var(entry);
    fz_try(c) {
        pdf_obj* outlines = outlinesOf(c, dst, true);
        entry = newEntry(c, dst, title, pages.count > 0 ? pages.copies[0] : nullptr);
        pdf_obj* first = pdf_dict_get(c, outlinesOf(c, src, false), PDF_NAME(First));
        int children = 0;
        const int inner = copyChildren(c, copy, first, entry, 0, &children);
        if (children > 0)
            pdf_dict_put_int(c, entry, PDF_NAME(Count), inner);
        appendTopLevel(c, outlines, entry, 1 + inner);
    }
    fz_always(c) {
        for (int i = 0; i < copy.marked.len; ++i)
            pdf_unmark_obj(c, copy.marked.items[i]);
        for (int i = 0; i < copy.made.len; ++i)
            pdf_drop_obj(c, copy.made.items[i]);
        fz_free(c, copy.marked.items);
        fz_free(c, copy.made.items);
        pdf_drop_obj(c, entry);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

void nestOutline(fz_context* c, pdf_document* doc, const char* title, pdf_obj* page) {
    pdf_obj* entry = nullptr;
    ObjList marked;
    fz_var(entry);
    fz_try(c) {
        pdf_obj* outlines = outlinesOf(c, doc, true);
        entry = newEntry(c, doc, title, page);
        pdf_obj* first = pdf_dict_get(c, outlines, PDF_NAME(First));
        int shown = 0;
        if (pdf_is_dict(c, first)) {
            // The top-level items become the entry's children, each once even in a loop.
            pdf_obj* last = first;
            for (pdf_obj* item = first; pdf_is_dict(c, item) && !pdf_mark_obj(c, item);
                 item = pdf_dict_get(c, item, PDF_NAME(Next))) {
                marked.push(c, item);
                pdf_dict_put(c, item, PDF_NAME(Parent), entry);
                last = item;
            }
            pdf_dict_del(c, last, PDF_NAME(Next));
            pdf_dict_put(c, entry, PDF_NAME(First), first);
            pdf_dict_put(c, entry, PDF_NAME(Last), last);
            const int count = pdf_dict_get_int(c, outlines, PDF_NAME(Count));
            shown = count > 0 ? count : marked.len;
            pdf_dict_put_int(c, entry, PDF_NAME(Count), shown);
        }
        pdf_dict_del(c, outlines, PDF_NAME(First));
        pdf_dict_del(c, outlines, PDF_NAME(Last));
        pdf_dict_put_int(c, outlines, PDF_NAME(Count), 0);
        appendTopLevel(c, outlines, entry, 1 + shown);
    }
    fz_always(c) {
        for (int i = 0; i < marked.len; ++i)
            pdf_unmark_obj(c, marked.items[i]);
        fz_free(c, marked.items);
        pdf_drop_obj(c, entry);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace pdf
