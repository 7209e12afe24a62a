#include "pdf/document/PageTable.h"

#include "pdf/engine/Internal.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace pdf {

namespace {

// Which table serves which document. Documents are opened and dropped on any thread, so the
// map has a lock of its own; a lookup holds it only to find the table.
std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unordered_map<pdf_document*, PageTable*>& registry() {
    static std::unordered_map<pdf_document*, PageTable*> tables;
    return tables;
}

// Kids per node of the balanced tree: three levels reach 32,768 pages, four a million, and
// a lookup looks at no more than this many kids a level.
constexpr int kFanout = 32;

// One level of the balanced tree, each node kept. Plain data: it lives across fz_try.
struct Level {
    pdf_obj** nodes = nullptr;
    int* counts = nullptr;
    int len = 0;
    void release(fz_context* c) {
        for (int i = 0; i < len; ++i)
            pdf_drop_obj(c, nodes[i]);
        fz_free(c, nodes);
        fz_free(c, counts);
        *this = {};
    }
};

// Nodes of up to kFanout of `below` (pages when `belowCounts` is null). Throws through
// fz_throw; what was made is in `out` for the caller to release.
void makeLevel(fz_context* c, pdf_document* doc, pdf_obj** below, const int* belowCounts,
               int belowLen, Level& out) {
    const int n = (belowLen + kFanout - 1) / kFanout;
    out.nodes = fz_malloc_array(c, n, pdf_obj*);
    out.counts = fz_malloc_array(c, n, int);
    for (int j = 0; j < n; ++j) {
        pdf_obj* node = pdf_new_dict(c, doc, 3);
        out.nodes[j] = node;
        out.len = j + 1;
        const int first = j * kFanout;
        const int end = std::min(belowLen, first + kFanout);
        pdf_dict_put(c, node, PDF_NAME(Type), PDF_NAME(Pages));
        pdf_obj* kids = pdf_dict_put_array(c, node, PDF_NAME(Kids), end - first);
        int count = 0;
        for (int k = first; k < end; ++k) {
            pdf_array_push(c, kids, below[k]);
            count += belowCounts ? belowCounts[k] : 1;
        }
        pdf_dict_put_int(c, node, PDF_NAME(Count), count);
        out.counts[j] = count;
    }
}

// The document's own count of its pages; -1 when it cannot be read.
int treeCount(fz_context* c, pdf_document* doc) {
    int count = -1;
    fz_var(count);
    fz_try(c) {
        count = pdf_count_pages(c, doc);
    }
    fz_catch(c) {
        count = -1;
    }
    return count;
}

// After `stand` stood in for `real`: whatever the engine changed in it, besides `swapped`
// (the entry that differs on purpose), goes to `real` itself. Throws through fz_throw.
void keepChanges(fz_context* c, pdf_obj* real, pdf_obj* stand, pdf_obj* swapped) {
    for (int i = 0, n = pdf_dict_len(c, stand); i < n; ++i) {
        pdf_obj* key = pdf_dict_get_key(c, stand, i);
        pdf_obj* value = pdf_dict_get_val(c, stand, i);
        if (!pdf_name_eq(c, key, swapped) && pdf_dict_get(c, real, key) != value)
            pdf_dict_put(c, real, key, value);
    }
    for (int i = pdf_dict_len(c, real) - 1; i >= 0; --i) {
        pdf_obj* key = pdf_dict_get_key(c, real, i);
        if (!pdf_dict_get(c, stand, key))
            pdf_dict_del(c, real, key);
    }
}

// Where the document's xref sections hold `trailer`: in the current sections, or (`*current`
// false) in those a repair set aside. Null when neither does.
pdf_obj** trailerSlot(pdf_document* doc, pdf_obj* trailer, bool* current) {
    for (int i = 0; doc->xref_sections && i < doc->num_xref_sections; ++i)
        if (doc->xref_sections[i].trailer == trailer) {
            *current = true;
            return &doc->xref_sections[i].trailer;
        }
    for (int i = 0; doc->saved_xref_sections && i < doc->saved_num_xref_sections; ++i)
        if (doc->saved_xref_sections[i].trailer == trailer) {
            *current = false;
            return &doc->saved_xref_sections[i].trailer;
        }
    *current = false;
    return nullptr;
}

} // namespace

PageTable::~PageTable() {
    if (doc_ || items_ || shadow_)
        detach(engine::ctx());
}

void PageTable::attach(pdf_document* doc) {
    if (doc_ || !doc)
        return;
    try {
        std::lock_guard lock(registryMutex());
        registry()[doc] = this;
    } catch (...) {
        return; // no room to register: the lookups walk the tree
    }
    doc_ = doc;
}

void PageTable::detach(fz_context* c) {
    dropItems(c);
    built_ = unreadable_ = false;
    if (!doc_)
        return;
    {
        std::lock_guard lock(registryMutex());
        auto it = registry().find(doc_);
        if (it != registry().end() && it->second == this)
            registry().erase(it);
    }
    doc_ = nullptr;
}

void PageTable::invalidate(fz_context* c) {
    dropItems(c);
    built_ = unreadable_ = false;
}

void PageTable::dropItems(fz_context* c) {
    for (int i = 0; i < len_; ++i)
        pdf_drop_obj(c, items_[i]);
    fz_free(c, items_);
    items_ = nullptr;
    len_ = cap_ = 0;
    pdf_drop_obj(c, shadow_);
    shadow_ = nullptr;
}

PageTable* PageTable::of(pdf_document* doc) {
    std::lock_guard lock(registryMutex());
    auto it = registry().find(doc);
    return it == registry().end() ? nullptr : it->second;
}

bool PageTable::build(fz_context* c) {
    dropItems(c);
    built_ = false;
    pdf_obj** pages = nullptr;
    int count = 0;
    fz_var(pages);
    fz_try(c) {
        pages = collectPages(c, doc_, &count);
    }
    fz_catch(c) {
        unreadable_ = true;
        return false;
    }
    take(c, pages, count);
    return true;
}

void PageTable::adopt(fz_context* c, pdf_obj** pages, int count) {
    dropItems(c);
    built_ = unreadable_ = false;
    if (!doc_ || count < 0) {
        fz_free(c, pages);
        return;
    }
    take(c, pages, count);
}

void PageTable::take(fz_context* c, pdf_obj** pages, int count) {
    for (int i = 0; i < count; ++i)
        pdf_keep_obj(c, pages[i]);
    items_ = pages;
    len_ = cap_ = count;
    // What the tree says of itself, to notice a change made behind the table's back. After
    // the repair at opening it agrees with the walk; a tree built in memory may not.
    expected_ = treeCount(c, doc_);
    built_ = true;
}

bool PageTable::ready(fz_context* c) {
    if (!doc_)
        return false;
    if (built_ && treeCount(c, doc_) == expected_)
        return true;
    if (built_)
        invalidate(c);
    return !unreadable_ && build(c);
}

void PageTable::inserted(fz_context* c, int index, pdf_obj* kid) {
    if (!built_)
        return;
    if (index < 0 || index > len_ || !kid) {
        invalidate(c);
        return;
    }
    if (len_ == cap_) {
        int grown = std::max(32, cap_ * 2);
        pdf_obj** items = nullptr;
        fz_var(items);
        fz_var(grown);
        fz_try(c) {
            items = fz_realloc_array(c, items_, grown, pdf_obj*);
        }
        fz_catch(c) {
            invalidate(c);
            return;
        }
        items_ = items;
        cap_ = grown;
    }
    std::memmove(items_ + index + 1, items_ + index, size_t(len_ - index) * sizeof(pdf_obj*));
    items_[index] = pdf_keep_obj(c, kid);
    ++len_;
    ++expected_;
    pdf_drop_obj(c, shadow_);
    shadow_ = nullptr;
}

void PageTable::removed(fz_context* c, int index) {
    if (!built_)
        return;
    if (index < 0 || index >= len_) {
        invalidate(c);
        return;
    }
    pdf_drop_obj(c, items_[index]);
    std::memmove(items_ + index, items_ + index + 1, size_t(len_ - index - 1) * sizeof(pdf_obj*));
    --len_;
    --expected_;
    pdf_drop_obj(c, shadow_);
    shadow_ = nullptr;
}

pdf_obj* PageTable::shadowRoot(fz_context* c) {
    if (shadow_)
        return shadow_;
    // Level by level from the pages up, until one node holds them all.
    Level lower;
    Level upper;
    fz_try(c) {
        makeLevel(c, doc_, items_, nullptr, len_, lower);
        while (lower.len > 1) {
            makeLevel(c, doc_, lower.nodes, lower.counts, lower.len, upper);
            lower.release(c);
            lower = upper;
            upper = {};
        }
        shadow_ = pdf_keep_obj(c, lower.nodes[0]);
    }
    fz_always(c) {
        lower.release(c);
        upper.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return shadow_;
}

// The engine finds page n by walking its page tree from the catalog, past every kid before
// it: in a flat tree of 20,000 pages, reading them all takes 200 million steps. For the
// length of the call the document's xref section names a stand-in trailer, whose catalog
// (the same entries) holds a balanced page tree over this table, made of direct objects that
// belong to no object of the file. Nothing of the document is changed: the pages, their
// parents and what they inherit are the file's own. The engine's page-number map would do
// the same, but in this version every lookup through it keeps the page object once more
// than it should.
pdf_page* PageTable::loadPage(fz_context* c, int index) {
    pdf_obj* trailer = pdf_trailer(c, doc_);
    pdf_obj* catalog = pdf_dict_get(c, trailer, PDF_NAME(Root));
    if (!object(index) || !pdf_is_dict(c, trailer) || !pdf_is_dict(c, catalog) ||
        !doc_->xref_sections || doc_->xref_base < 0 || doc_->xref_base >= doc_->num_xref_sections)
        return pdf_load_page(c, doc_, index);
    pdf_keep_obj(c, trailer);
    pdf_keep_obj(c, catalog);
    pdf_obj* standTrailer = nullptr;
    pdf_obj* standCatalog = nullptr;
    pdf_page* page = nullptr;
    int swapped = 0;
    int repaired = 0;
    fz_var(standTrailer);
    fz_var(standCatalog);
    fz_var(page);
    fz_var(swapped);
    fz_var(repaired);
    fz_try(c) {
        standCatalog = pdf_copy_dict(c, catalog);
        pdf_dict_put(c, standCatalog, PDF_NAME(Pages), shadowRoot(c));
        standTrailer = pdf_copy_dict(c, trailer);
        pdf_dict_put(c, standTrailer, PDF_NAME(Root), standCatalog);
        // The section's reference to its trailer is ours for the call; it holds one to the
        // stand-in instead.
        doc_->xref_sections[doc_->xref_base].trailer = pdf_keep_obj(c, standTrailer);
        swapped = 1;
        page = pdf_load_page(c, doc_, index);
    }
    fz_always(c) {
        if (swapped) {
            // A repair while the page loaded sets the sections aside and makes new ones.
            bool current = false;
            if (pdf_obj** slot = trailerSlot(doc_, standTrailer, &current)) {
                *slot = trailer;
                pdf_drop_obj(c, standTrailer);
            } else {
                pdf_drop_obj(c, trailer); // the section holding the stand-in is gone
            }
            repaired = !current;
            if (current) {
                fz_try(c) {
                    keepChanges(c, catalog, standCatalog, PDF_NAME(Pages));
                    keepChanges(c, trailer, standTrailer, PDF_NAME(Root));
                }
                fz_catch(c) {
                    fz_warn(c, "a change made while loading a page was lost");
                }
            }
        }
        pdf_drop_obj(c, standTrailer);
        pdf_drop_obj(c, standCatalog);
        pdf_drop_obj(c, catalog);
        pdf_drop_obj(c, trailer);
    }
    fz_catch(c) {
        if (repaired)
            invalidate(c);
        fz_rethrow(c);
    }
    if (repaired)
        invalidate(c); // the repaired tree is read again on the next lookup
    return page;
}

} // namespace pdf
