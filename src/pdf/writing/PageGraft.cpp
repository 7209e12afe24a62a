#include "pdf/writing/PageGraft.h"

#include "pdf/annotations/FormFieldPrune.h"
#include "pdf/engine/Internal.h"

#include <cstdio>
#include <cstdlib>

namespace pdf {

namespace {
int compareEntries(const void* a, const void* b) {
    const int x = static_cast<const PageCopies::Entry*>(a)->number;
    const int y = static_cast<const PageCopies::Entry*>(b)->number;
    return (x > y) - (x < y);
}
} // namespace

int PageCopies::sourceIndex(fz_context* c, pdf_obj* target) const {
    if (pdf_is_int(c, target)) {
        const int index = pdf_to_int(c, target); // some producers write page numbers
        return index >= 0 && index < sourceCount ? index : -1;
    }
    if (!pdf_is_indirect(c, target))
        return -1;
    if (!byNumber) {
        byNumber = fz_malloc_array(c, sourceCount + 1, Entry);
        for (int i = 0; i < sourceCount; ++i)
            if (pdf_is_indirect(c, sourcePages[i]))
                byNumber[numbered++] = {pdf_to_num(c, sourcePages[i]), i};
        std::qsort(byNumber, size_t(numbered), sizeof(Entry), compareEntries);
    }
    const Entry key{pdf_to_num(c, target), 0};
    const auto* found = static_cast<const Entry*>(
        std::bsearch(&key, byNumber, size_t(numbered), sizeof(Entry), compareEntries));
    return found ? found->index : -1;
}

pdf_obj* PageCopies::copyOf(int index) const {
    if (index < 0 || index >= sourceCount || copyIndex[index] < 0)
        return nullptr;
    return copies[copyIndex[index]];
}

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
                     pdf_document* dst, pdf_obj* dstPage, const PageCopies& pages, ObjList& roots) {
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
                target.page = pages.sourceIndex(c, pdf_array_get(c, dest, 0));
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
            pdf_obj* newPage = pages.copyOf(target.page);
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
            pdf_obj* root = a;
            for (int depth = 0; depth < 32 && pdf_dict_get(c, root, PDF_NAME(Parent)); ++depth)
                root = pdf_dict_get(c, root, PDF_NAME(Parent));
            roots.push(c, root);
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

pdf_obj* internalDestination(fz_context* c, pdf_document* doc, pdf_obj* item, bool* internal) {
    pdf_obj* dest = pdf_dict_get(c, item, PDF_NAME(Dest));
    *internal = dest != nullptr;
    if (!dest) {
        pdf_obj* action = pdf_dict_get(c, item, PDF_NAME(A));
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

namespace {

// A new page object of `dst` with what a page carries of its own or inherits, copied through
// `map`; annotations are copied afterwards. Returns a kept indirect reference.
pdf_obj* copyPageObject(fz_context* c, pdf_graft_map* map, pdf_document* dst, pdf_obj* srcPage) {
    pdf_obj* const own[] = {PDF_NAME(Contents), PDF_NAME(BleedBox), PDF_NAME(TrimBox),
                            PDF_NAME(ArtBox),   PDF_NAME(UserUnit), PDF_NAME(Group)};
    pdf_obj* const inherited[] = {PDF_NAME(Resources), PDF_NAME(MediaBox), PDF_NAME(CropBox),
                                  PDF_NAME(Rotate)};
    pdf_obj* dict = pdf_new_dict(c, dst, 12);
    pdf_obj* ref = nullptr;
    fz_try(c) {
        pdf_dict_put(c, dict, PDF_NAME(Type), PDF_NAME(Page));
        for (pdf_obj* key : inherited)
            if (pdf_obj* value = pdf_dict_get_inheritable(c, srcPage, key))
                pdf_dict_put_drop(c, dict, key, pdf_graft_mapped_object(c, map, value));
        for (pdf_obj* key : own)
            if (pdf_obj* value = pdf_dict_get(c, srcPage, key))
                pdf_dict_put_drop(c, dict, key, pdf_graft_mapped_object(c, map, value));
        ref = pdf_add_object(c, dst, dict);
    }
    fz_always(c) {
        pdf_drop_obj(c, dict);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return ref;
}

// Puts `pages` into the page tree of `doc` before page `at` in one step: one lookup, one new
// /Kids array and one pass up the counts, however many pages come in (inserting one page at a
// time walks the tree for each).
void insertIntoTree(fz_context* c, pdf_document* doc, int at, pdf_obj** pages, int count) {
    pdf_obj* root = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/Pages");
    if (!pdf_is_dict(c, root))
        fz_throw(c, FZ_ERROR_GENERIC, "the document has no page tree");
    const int total = pdf_dict_get_int(c, root, PDF_NAME(Count));
    if (at < 0 || at > total)
        fz_throw(c, FZ_ERROR_GENERIC, "page %d is outside the document", at);
    pdf_obj* parent = root;
    int position = 0;
    if (total > 0) {
        pdf_obj* neighbour = pageObjectAt(c, doc, at < total ? at : total - 1);
        parent = pdf_dict_get(c, neighbour, PDF_NAME(Parent));
        pdf_obj* siblings = pdf_dict_get(c, parent, PDF_NAME(Kids));
        const int n = pdf_array_len(c, siblings);
        position = -1;
        for (int i = 0; i < n && position < 0; ++i)
            if (pdf_array_get(c, siblings, i) == neighbour ||
                (pdf_is_indirect(c, neighbour) &&
                 pdf_to_num(c, pdf_array_get(c, siblings, i)) == pdf_to_num(c, neighbour)))
                position = i;
        if (position < 0)
            fz_throw(c, FZ_ERROR_GENERIC, "the page tree does not hold its own page");
        if (at == total)
            ++position;
    }
    pdf_obj* kids = pdf_dict_get(c, parent, PDF_NAME(Kids));
    const int n = pdf_array_len(c, kids);
    pdf_obj* grown = pdf_new_array(c, doc, n + count);
    fz_try(c) {
        for (int i = 0; i < position; ++i)
            pdf_array_push(c, grown, pdf_array_get(c, kids, i));
        for (int k = 0; k < count; ++k) {
            pdf_dict_put(c, pages[k], PDF_NAME(Parent), parent);
            pdf_array_push(c, grown, pages[k]);
        }
        for (int i = position; i < n; ++i)
            pdf_array_push(c, grown, pdf_array_get(c, kids, i));
        pdf_dict_put(c, parent, PDF_NAME(Kids), grown);
        // The page tree was checked for loops when the document was read; the depth bound
        // keeps a tree damaged since then from holding this up.
        pdf_obj* node = parent;
        for (int depth = 0; node && depth < 64; ++depth) {
            pdf_dict_put_int(c, node, PDF_NAME(Count),
                             pdf_dict_get_int(c, node, PDF_NAME(Count)) + count);
            if (pdf_objcmp(c, node, root) == 0)
                break;
            node = pdf_dict_get(c, node, PDF_NAME(Parent));
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, grown);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

// The copied widgets' fields join the target's form, each field tree once and with only the
// widgets that came along: a field's widgets on pages left behind would have no page.
void registerFields(fz_context* c, pdf_document* dst, const PageCopies& pages, ObjList& roots) {
    if (roots.len == 0)
        return;
    pdf_obj* form = pdf_dict_getp(c, pdf_trailer(c, dst), "Root/AcroForm");
    pdf_obj* fields = pdf_dict_get(c, form, PDF_NAME(Fields));
    if (!pdf_is_array(c, fields))
        fields = pdf_dict_put_array(c, form, PDF_NAME(Fields), roots.len);
    NumberSet shown;
    NumberSet registered;
    fz_try(c) {
        for (int k = 0; k < pages.count; ++k)
            addPageWidgets(c, pages.copies[k], shown);
        shown.seal();
        for (int i = 0; i < roots.len; ++i) {
            pdf_obj* root = roots.items[i];
            const int number = pdf_to_num(c, root);
            if (number > 0 && registered.contains(number))
                continue;
            if (number > 0) {
                registered.add(c, number);
                registered.seal(); // few roots per batch: kept sorted as it grows
            }
            if (pruneFieldTree(c, root, shown, true))
                pdf_array_push(c, fields, root);
        }
    }
    fz_always(c) {
        shown.release(c);
        registered.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace

void graftPages(fz_context* c, pdf_document* dst, pdf_document* src, const int* from, int count,
                int at, const char* outlineTitle, CopyState* state) {
    pdf_graft_map* map = nullptr;
    pdf_graft_map* own = nullptr; // a map for one repeated page's annotations
    unsigned char* annotated = nullptr;
    PageCopies pages;
    ObjList roots;
    fz_var(map);
    fz_var(own);
    fz_var(annotated);
    fz_var(state);
    fz_try(c) {
        pages.copies = static_cast<pdf_obj**>(fz_calloc(c, size_t(count), sizeof(pdf_obj*)));
        // The source's page table holds its pages as its page numbers name them: a batch
        // of one page out of ten thousand does not walk the tree again. (Not when copying
        // within one document: inserting into its tree moves the table.)
        PageTable* table = src != dst ? PageTable::of(src) : nullptr;
        if (table && table->ready(c) && table->objects()) {
            pages.sourcePages = table->objects();
            pages.sourceCount = table->count();
        } else {
            pages.sourcePages = collectPages(c, src, &pages.sourceCount);
            pages.ownsSourcePages = true;
        }
        pages.copyIndex = fz_malloc_array(c, pages.sourceCount + 1, int);
        for (int i = 0; i < pages.sourceCount; ++i)
            pages.copyIndex[i] = -1;
        for (int k = 0; k < count; ++k)
            if (from[k] < 0 || from[k] >= pages.sourceCount)
                fz_throw(c, FZ_ERROR_GENERIC, "page %d is not in the source", from[k] + 1);
        if (state && state->pages != pages.sourceCount)
            state = nullptr; // kept for another count of pages: this batch goes on its own
        map = state && state->map ? pdf_keep_graft_map(c, state->map) : pdf_new_graft_map(c, dst);
        if (state && !state->map)
            state->map = pdf_keep_graft_map(c, map);
        annotated =
            state ? state->annotated
                  : static_cast<unsigned char*>(fz_calloc(c, size_t(pages.sourceCount) + 1, 1));
        for (int k = 0; k < count; ++k) {
            pages.copies[k] = copyPageObject(c, map, dst, pages.sourcePages[from[k]]);
            pages.count = k + 1;
            if (pages.copyIndex[from[k]] < 0)
                pages.copyIndex[from[k]] = k;
        }
        insertIntoTree(c, dst, at, pages.copies, count);
        for (int k = 0; k < count; ++k) {
            pdf_obj* page = pages.sourcePages[from[k]];
            if (!pdf_dict_get(c, page, PDF_NAME(Annots)))
                continue;
            // A page copied before through this map would get the very same annotation
            // objects again: one annotation on two pages. It gets copies of its own.
            if (annotated[from[k]])
                own = pdf_new_graft_map(c, dst);
            annotated[from[k]] = 1;
            copyAnnotations(c, own ? own : map, src, page, dst, pages.copies[k], pages, roots);
            pdf_drop_graft_map(c, own);
            own = nullptr;
        }
        registerFields(c, dst, pages, roots);
        if (outlineTitle)
            graftOutline(c, map, dst, src, pages, outlineTitle);
    }
    fz_always(c) {
        for (int k = 0; k < pages.count; ++k)
            pdf_drop_obj(c, pages.copies[k]);
        fz_free(c, pages.copies);
        if (pages.ownsSourcePages)
            fz_free(c, pages.sourcePages);
        fz_free(c, pages.byNumber);
        fz_free(c, pages.copyIndex);
        roots.release(c);
        pdf_drop_graft_map(c, own);
        pdf_drop_graft_map(c, map);
        if (!state)
            fz_free(c, annotated);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
}

} // namespace pdf
