#include "pdf/document/Document.h"

#include "pdf/document/PageRotation.h"
#include "pdf/document/PageTable.h"
#include "pdf/engine/Internal.h"

#include <algorithm>

// Reading the page tree: how many pages it really holds, and the size of each.
namespace pdf {

using engine::ctx;

namespace {

// What the engine takes for an inner node of the page tree rather than a page.
bool isPagesNode(fz_context* c, pdf_obj* obj) {
    pdf_obj* type = pdf_dict_get(c, obj, PDF_NAME(Type));
    if (type)
        return pdf_name_eq(c, type, PDF_NAME(Pages));
    return pdf_dict_get(c, obj, PDF_NAME(Kids)) && !pdf_dict_get(c, obj, PDF_NAME(MediaBox));
}

struct TreeWalk {
    ObjList pages;  // every distinct page, in order
    ObjList marked; // everything marked, to unmark afterwards
    bool consistent = true;
};

// Collects the pages under `node`, visiting every object once. Anything a lookup by
// count would trip on (a /Count that lies, a node seen twice, a wrong /Parent, a tree
// deeper than any real one) clears `consistent`.
void walkPageTree(fz_context* c, pdf_obj* node, int depth, TreeWalk& walk) {
    pdf_obj* kids = pdf_dict_get(c, node, PDF_NAME(Kids));
    const int n = pdf_array_len(c, kids);
    for (int i = 0; i < n; ++i) {
        pdf_obj* kid = pdf_array_get(c, kids, i);
        if (!pdf_is_dict(c, kid) || pdf_mark_obj(c, kid)) {
            walk.consistent = false; // not a dictionary, or seen before: a loop or a repeat
            continue;
        }
        walk.marked.push(c, kid);
        if (pdf_resolve_indirect(c, pdf_dict_get(c, kid, PDF_NAME(Parent))) !=
            pdf_resolve_indirect(c, node))
            walk.consistent = false;
        if (!isPagesNode(c, kid)) {
            walk.pages.push(c, kid);
            continue;
        }
        if (depth >= 64) {
            walk.consistent = false;
            continue;
        }
        const int before = walk.pages.len;
        walkPageTree(c, kid, depth + 1, walk);
        if (pdf_dict_get_int(c, kid, PDF_NAME(Count)) != walk.pages.len - before)
            walk.consistent = false;
    }
}

} // namespace

pdf_obj* pageObjectAt(fz_context* c, pdf_document* doc, int index) {
    if (PageTable* table = PageTable::of(doc); table && table->ready(c))
        if (pdf_obj* obj = table->object(index))
            return obj;
    return pdf_lookup_page_obj(c, doc, index);
}

pdf_page* loadPdfPage(fz_context* c, pdf_document* doc, int index) {
    if (PageTable* table = PageTable::of(doc); table && table->ready(c) && table->object(index))
        return table->loadPage(c, index);
    return pdf_load_page(c, doc, index);
}

void insertPageObject(fz_context* c, DocumentData& d, int index, pdf_obj* page) {
    fz_try(c) {
        pdf_insert_page(c, d.pdf, index, page);
    }
    fz_catch(c) {
        d.pageTable.invalidate(c);
        fz_rethrow(c);
    }
    // The engine puts the very object it was given into /Kids.
    d.pageTable.inserted(c, index, page);
}

void deletePageObject(fz_context* c, DocumentData& d, int index) {
    fz_try(c) {
        pdf_delete_page(c, d.pdf, index);
    }
    fz_catch(c) {
        d.pageTable.invalidate(c);
        fz_rethrow(c);
    }
    d.pageTable.removed(c, index);
}

// The number of pages the tree really holds. When its counts and links do not agree with
// what it holds, it is rebuilt as one flat list of its distinct pages (each keeping what
// it inherited), so that every later lookup by number agrees with that count. Memory
// grows with the real pages only, whatever the tree claims. Throws through fz_throw.
int countAndRepairPages(fz_context* c, pdf_document* doc, ObjList* found) {
    pdf_obj* root = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/Pages");
    if (!pdf_is_dict(c, root))
        return 0;
    TreeWalk walk;
    pdf_obj* kids = nullptr;
    int count = 0;
    fz_var(kids);
    fz_var(count);
    fz_try(c) {
        pdf_mark_obj(c, root);
        walk.marked.push(c, root);
        walkPageTree(c, root, 0, walk);
        count = walk.pages.len;
        if (pdf_dict_get_int(c, root, PDF_NAME(Count)) != count)
            walk.consistent = false;
        if (!walk.consistent) {
            pdf_obj* const inherited[] = {PDF_NAME(Resources), PDF_NAME(MediaBox),
                                          PDF_NAME(CropBox), PDF_NAME(Rotate)};
            kids = pdf_new_array(c, doc, count);
            for (int i = 0; i < count; ++i) {
                pdf_obj* page = walk.pages.items[i];
                for (pdf_obj* key : inherited)
                    if (!pdf_dict_get(c, page, key))
                        if (pdf_obj* value = pdf_dict_get_inheritable(c, page, key))
                            pdf_dict_put(c, page, key, value);
                pdf_dict_put(c, page, PDF_NAME(Parent), root);
                pdf_array_push(c, kids, page);
            }
            pdf_dict_put(c, root, PDF_NAME(Kids), kids);
            pdf_dict_put_int(c, root, PDF_NAME(Count), count);
        }
        // The pages in the order of the tree as it now stands (the new /Kids after a
        // repair): what a walk of it would find again.
        if (found) {
            *found = walk.pages;
            walk.pages = {};
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, kids);
        for (int i = 0; i < walk.marked.len; ++i)
            pdf_unmark_obj(c, walk.marked.items[i]);
        walk.marked.release(c);
        walk.pages.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return count;
}

pdf_obj** collectPages(fz_context* c, pdf_document* doc, int* count) {
    *count = 0;
    pdf_obj* root = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/Pages");
    if (!pdf_is_dict(c, root))
        return nullptr;
    TreeWalk walk;
    fz_try(c) {
        pdf_mark_obj(c, root);
        walk.marked.push(c, root);
        walkPageTree(c, root, 0, walk);
    }
    fz_always(c) {
        for (int i = 0; i < walk.marked.len; ++i)
            pdf_unmark_obj(c, walk.marked.items[i]);
        walk.marked.release(c);
    }
    fz_catch(c) {
        walk.pages.release(c);
        fz_rethrow(c);
    }
    *count = walk.pages.len;
    return walk.pages.items;
}

namespace {

// A page's geometry from its page object alone; defaults (Letter, upright) for what cannot
// be read.
PageGeometry geometryOf(fz_context* c, pdf_obj* obj) {
    fz_rect media = fz_empty_rect;
    fz_rect box = fz_empty_rect;
    fz_matrix ctm = fz_identity;
    int rotate = 0;
    bool ok = obj != nullptr;
    fz_var(ok);
    fz_var(rotate);
    fz_var(media);
    fz_var(box);
    fz_var(ctm);
    fz_try(c) {
        if (ok) {
            media = pdf_to_rect(c, pdf_dict_get_inheritable(c, obj, PDF_NAME(MediaBox)));
            rotate = pdf_to_int(c, pdf_dict_get_inheritable(c, obj, PDF_NAME(Rotate)));
            pdf_page_obj_transform(c, obj, &box, &ctm);
        }
    }
    fz_catch(c) {
        ok = false;
    }
    PageGeometry g;
    if (!ok)
        return g;
    if (!fz_is_empty_rect(media))
        g.mediaBox = fromFz(media);
    g.rotation = normalizedRotation(rotate);
    const fz_rect b = fz_transform_rect(box, ctm);
    if (b.x1 > b.x0 && b.y1 > b.y0) {
        g.displaySize = QSizeF(b.x1 - b.x0, b.y1 - b.y0);
        // Display space starts at the top-left corner of the page's bounds.
        g.toDisplay = QTransform(ctm.a, ctm.b, ctm.c, ctm.d, ctm.e - b.x0, ctm.f - b.y0);
    }
    return g;
}

pdf_obj* lookupPageObject(fz_context* c, pdf_document* pdf, int index) {
    pdf_obj* obj = nullptr;
    fz_var(obj);
    fz_try(c) {
        obj = pageObjectAt(c, pdf, index);
    }
    fz_catch(c) {
        obj = nullptr;
    }
    return obj;
}

} // namespace

std::vector<PageGeometry> DocumentData::geometryFromTree(fz_context* c, int index, int count) {
    std::vector<PageGeometry> found;
    found.reserve(size_t(std::max(count, 0)));
    // Through the page table: page 20,000 is found as fast as page 1. Reading geometry
    // changes nothing of the tree, so whether the table holds it is asked once for all.
    const bool tabled = count > 0 && pageTable.ready(c);
    for (int i = 0; i < count; ++i) {
        pdf_obj* obj = tabled ? pageTable.object(index + i) : nullptr;
        found.push_back(geometryOf(c, obj ? obj : lookupPageObject(c, pdf, index + i)));
    }
    return found;
}

void DocumentData::readGeometry(fz_context* c, int index, int count) {
    if (count <= 0)
        return;
    std::vector<PageGeometry> found = geometryFromTree(c, index, count);
    auto table = tableLock();
    if (index == 0 && found.size() == geometry.size()) {
        geometry.swap(found); // every slot: the old ones go after the lock
        return;
    }
    for (int i = 0; i < count && index + i < int(geometry.size()); ++i)
        geometry[size_t(index + i)] = found[size_t(i)];
}

std::vector<QSizeF> Document::pageSizes() const {
    auto table = d_->tableLock();
    std::vector<QSizeF> sizes;
    if (d_->locked)
        return sizes;
    sizes.reserve(d_->geometry.size());
    for (const PageGeometry& g : d_->geometry)
        sizes.push_back(g.displaySize);
    return sizes;
}

bool Document::pageLookupsMatchTree() const {
    auto lock = d_->lock();
    fz_context* c = ctx();
    bool same = true;
    fz_var(same);
    fz_try(c) {
        const int count = pdf_count_pages(c, d_->pdf);
        same = count == int(d_->pages.size());
        for (int i = 0; i < count && same; ++i)
            same = pageObjectAt(c, d_->pdf, i) == pdf_lookup_page_obj(c, d_->pdf, i);
    }
    fz_catch(c) {
        same = false;
    }
    return same;
}

} // namespace pdf
