// Links, named destinations and the outline, read from the engine into plain values.
#include "pdf/document/Links.h"

#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Internal.h"

#include <cmath>
#include <unordered_set>

namespace pdf {

using engine::ctx;

namespace {

// Outlines deeper than this are cut: no real table of contents comes near it, and a
// damaged one must not exhaust the stack.
constexpr int kMaxOutlineDepth = 64;

// The engine's answer for an internal `uri`: page and position, and that page's bounds.
// False when it leads nowhere. Kept apart so nothing local lives across the guard.
bool resolveInEngine(fz_context* c, fz_document* doc, const char* uri, fz_link_dest* dest,
                     fz_rect* bounds) {
    fz_page* page = nullptr;
    fz_var(page);
    fz_try(c) {
        *dest = fz_resolve_link_dest(c, doc, uri);
        if (dest->loc.page < 0 || dest->loc.page >= fz_count_pages(c, doc))
            fz_throw(c, FZ_ERROR_GENERIC, "destination outside the document");
        page = fz_load_page(c, doc, dest->loc.page);
        *bounds = fz_bound_page(c, page);
    }
    fz_always(c) fz_drop_page(c, page);
    fz_catch(c) return false;
    return true;
}

// Where `uri` leads inside the document, in display space. The lock must be held.
Destination resolve(fz_context* c, fz_document* doc, const char* uri) {
    Destination result;
    if (!uri || !*uri || fz_is_external_link(c, uri))
        return result;
    fz_link_dest dest = fz_make_link_dest_none();
    fz_rect bounds = fz_empty_rect;
    if (!resolveInEngine(c, doc, uri, &dest, &bounds))
        return result;
    result.page = dest.loc.page;
    // The engine marks a coordinate the destination leaves as it is with NaN.
    if (std::isfinite(dest.y))
        result.top = std::max(0.0, double(dest.y - bounds.y0));
    if (std::isfinite(dest.x))
        result.left = std::max(0.0, double(dest.x - bounds.x0));
    return result;
}

struct NodeFields {
    int number = 0;
    const char* title = nullptr;
    char* uri = nullptr; // the caller frees it
    pdf_obj* child = nullptr;
    pdf_obj* next = nullptr;
    int count = 0;
};

bool readNode(fz_context* c, pdf_document* doc, pdf_obj* node, NodeFields* out) {
    fz_try(c) {
        out->number = pdf_to_num(c, node);
        pdf_obj* resolved = pdf_resolve_indirect(c, node);
        out->title = pdf_dict_get_text_string(c, resolved, PDF_NAME(Title));
        out->child = pdf_dict_get(c, resolved, PDF_NAME(First));
        out->next = pdf_dict_get(c, resolved, PDF_NAME(Next));
        out->count = pdf_dict_get_int(c, resolved, PDF_NAME(Count));
        // Last, so nothing can fail once the address is allocated.
        if (pdf_obj* dest = pdf_dict_get(c, resolved, PDF_NAME(Dest)))
            out->uri = pdf_parse_link_dest(c, doc, dest);
        else if (pdf_obj* action = pdf_dict_get(c, resolved, PDF_NAME(A)))
            out->uri = pdf_parse_link_action(c, doc, action, -1);
    }
    fz_catch(c) return false;
    return true;
}

struct OutlineWalk {
    fz_context* c;
    DocumentData& d;
    // Object numbers already listed: a loop through First/Next ends at its first repeat.
    std::unordered_set<int> visited;

    void walk(pdf_obj* first, int depth, std::vector<OutlineItem>& into) {
        if (depth > kMaxOutlineDepth)
            return;
        for (pdf_obj* node = first; node;) {
            NodeFields fields;
            if (!readNode(c, d.pdf, node, &fields))
                return;
            // Direct objects cannot be reached twice; only indirect ones can close a loop.
            if (fields.number > 0 && !visited.insert(fields.number).second) {
                fz_free(c, fields.uri);
                return;
            }
            OutlineItem item;
            item.title = QString::fromUtf8(fields.title ? fields.title : "").simplified();
            item.open = fields.count > 0;
            if (fields.uri && fz_is_external_link(c, fields.uri))
                item.uri = QString::fromUtf8(fields.uri);
            else
                item.destination = resolve(c, d.doc, fields.uri);
            fz_free(c, fields.uri);
            if (fields.child)
                walk(fields.child, depth + 1, item.children);
            into.push_back(std::move(item));
            node = fields.next;
        }
    }
};

// The address the engine makes of the destination named `name` (the caller frees it), or
// nullptr when no destination has that name.
bool namedUri(fz_context* c, pdf_document* doc, const char* name, char** uri) {
    pdf_obj* needle = nullptr;
    fz_var(needle);
    fz_try(c) {
        needle = pdf_new_text_string(c, name);
        if (pdf_obj* dest = pdf_lookup_dest(c, doc, needle))
            *uri = pdf_parse_link_dest(c, doc, dest);
    }
    fz_always(c) pdf_drop_obj(c, needle);
    fz_catch(c) return false;
    return true;
}

// The engine's links of `page` (the caller drops them), or nullptr.
bool loadLinks(fz_context* c, pdf_page* page, fz_rect* bounds, fz_link** links) {
    fz_try(c) {
        *bounds = fz_bound_page(c, &page->super);
        *links = fz_load_links(c, &page->super);
    }
    fz_catch(c) return false;
    return true;
}

bool outlineFirst(fz_context* c, pdf_document* doc, pdf_obj** first) {
    fz_try(c) {
        pdf_obj* root = pdf_dict_get(c, pdf_trailer(c, doc), PDF_NAME(Root));
        *first = pdf_dict_get(c, pdf_dict_get(c, root, PDF_NAME(Outlines)), PDF_NAME(First));
    }
    fz_catch(c) return false;
    return true;
}

} // namespace

std::vector<Link> links(const Page& page) {
    std::vector<Link> result;
    PageData& pd = page.data();
    auto lock = pd.doc->lock();
    pdf_page* loaded = pd.detached ? nullptr : pd.engine();
    if (!loaded)
        return result;
    fz_context* c = ctx();
    fz_rect bounds = fz_empty_rect;
    fz_link* links = nullptr;
    if (!loadLinks(c, loaded, &bounds, &links))
        return result;
    for (fz_link* link = links; link; link = link->next) {
        if (!link->uri)
            continue;
        Link item;
        item.rect = fromFz(link->rect).translated(-bounds.x0, -bounds.y0);
        if (fz_is_external_link(c, link->uri))
            item.uri = QString::fromUtf8(link->uri);
        else
            item.destination = resolve(c, pd.doc->doc, link->uri);
        if (item.isExternal() || item.destination.isValid())
            result.push_back(std::move(item));
    }
    fz_drop_link(c, links);
    return result;
}

std::vector<OutlineItem> outline(const Document& document) {
    std::vector<OutlineItem> result;
    DocumentData& d = *document.data();
    auto lock = d.lock();
    if (d.locked || !d.pdf)
        return result;
    fz_context* c = ctx();
    pdf_obj* first = nullptr;
    if (outlineFirst(c, d.pdf, &first) && first)
        OutlineWalk{c, d, {}}.walk(first, 0, result);
    return result;
}

Destination namedDestination(const Document& document, const QString& name) {
    DocumentData& d = *document.data();
    auto lock = d.lock();
    if (d.locked || name.isEmpty())
        return {};
    if (!d.pdf)
        return {};
    fz_context* c = ctx();
    const QByteArray utf8 = name.toUtf8();
    char* uri = nullptr;
    if (!namedUri(c, d.pdf, utf8.constData(), &uri) || !uri)
        return {};
    const Destination result = resolve(c, d.doc, uri);
    fz_free(c, uri);
    return result;
}

} // namespace pdf
