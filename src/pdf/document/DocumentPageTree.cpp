#include "pdf/document/Document.h"

#include "pdf/document/PageRotation.h"
#include "pdf/document/PageTable.h"
#include "pdf/document/PageTreeWalk.h"
#include "pdf/engine/Internal.h"

#include <algorithm>

// Reading the page tree: how many pages it really holds, and the size of each.
namespace pdf {

using engine::ctx;

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

namespace {

// The tree as one flat list of `walk`'s pages under `root`: a page listed again becomes a
// copy of its own (made before any page takes what it inherits), and each page takes what
// it inherited on its way down. Returns the new /Kids, kept. Throws through fz_throw.
pdf_obj* flattenTree(fz_context* c, pdf_document* doc, pdf_obj* root, PageTreeWalk& walk) {
    const int count = walk.pages.len;
    pdf_obj* kids = pdf_new_array(c, doc, count);
    ObjList marked;
    fz_var(marked);
    fz_try(c) {
        for (int i = 0; i < count; ++i) {
            pdf_obj* page = walk.pages.items[i];
            if (!pdf_obj_marked(c, page)) {
                pdf_mark_obj(c, page);
                marked.push(c, page);
                pdf_array_push(c, kids, page);
                continue;
            }
            pdf_obj* copy = pdf_copy_dict(c, pdf_resolve_indirect(c, page));
            pdf_array_push_drop(c, kids, pdf_add_object_drop(c, doc, copy));
        }
        for (int i = 0; i < count; ++i) {
            pdf_obj* page = pdf_array_get(c, kids, i);
            for (int k = 0; k < kInheritedKeyCount; ++k) {
                pdf_obj* value = walk.inherited.items[i * kInheritedKeyCount + k];
                if (value && !pdf_dict_get(c, page, inheritedKey(k)))
                    pdf_dict_put(c, page, inheritedKey(k), value);
            }
            pdf_dict_put(c, page, PDF_NAME(Parent), root);
        }
        pdf_dict_put(c, root, PDF_NAME(Kids), kids);
        pdf_dict_put_int(c, root, PDF_NAME(Count), count);
    }
    fz_always(c) {
        for (int i = 0; i < marked.len; ++i)
            pdf_unmark_obj(c, marked.items[i]);
        marked.release(c);
    }
    fz_catch(c) {
        pdf_drop_obj(c, kids);
        fz_rethrow(c);
    }
    return kids;
}

} // namespace

// The number of pages the tree holds, read as other readers read it: a page listed again
// is a page again, a loop is cut, and a tree that yields nothing gives way to the page
// objects of the file. A tree whose counts, loops or repeats disagree with its pages is
// rebuilt as one flat list of them (each keeping what it inherited), so that every later
// lookup by number agrees with that count. Throws through fz_throw.
int countAndRepairPages(fz_context* c, pdf_document* doc, ObjList* found) {
    pdf_obj* catalog = pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Root));
    if (!pdf_is_dict(c, catalog))
        return 0;
    pdf_obj* root = pdf_dict_get(c, catalog, PDF_NAME(Pages));
    PageTreeWalk walk;
    pdf_obj* kids = nullptr;
    pdf_obj* scanned = nullptr;
    int count = 0;
    fz_var(walk);
    fz_var(kids);
    fz_var(scanned);
    fz_var(count);
    fz_var(root);
    fz_try(c) {
        if (pdf_is_dict(c, root))
            walkPageTree(c, root, walk);
        if (walk.pages.len == 0) {
            scanned = pdf_new_array(c, doc, 8);
            scanPageObjects(c, doc, scanned, walk);
            if (walk.pages.len > 0 && !pdf_is_dict(c, root)) {
                pdf_obj* made = pdf_add_new_dict(c, doc, 3);
                pdf_dict_put(c, made, PDF_NAME(Type), PDF_NAME(Pages));
                pdf_dict_put_drop(c, catalog, PDF_NAME(Pages), made);
                root = pdf_dict_get(c, catalog, PDF_NAME(Pages));
            }
        }
        count = walk.pages.len;
        if (!walk.consistent && pdf_is_dict(c, root))
            kids = flattenTree(c, doc, root, walk);
        // The pages in the order of the tree as it now stands (the new /Kids after a
        // repair): what a walk of it would find again.
        if (found) {
            *found = {};
            for (int i = 0; i < count; ++i)
                found->push(c, kids ? pdf_array_get(c, kids, i) : walk.pages.items[i]);
        }
    }
    fz_always(c) {
        pdf_drop_obj(c, kids);
        pdf_drop_obj(c, scanned);
        walk.release(c);
    }
    fz_catch(c) {
        if (found)
            found->release(c);
        fz_rethrow(c);
    }
    return count;
}

pdf_obj** collectPages(fz_context* c, pdf_document* doc, int* count) {
    *count = 0;
    pdf_obj* root = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/Pages");
    if (!pdf_is_dict(c, root))
        return nullptr;
    PageTreeWalk walk;
    fz_var(walk);
    fz_try(c) {
        walkPageTree(c, root, walk);
    }
    fz_always(c) {
        walk.inherited.release(c);
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
