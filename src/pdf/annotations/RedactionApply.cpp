// Applying the redaction marks of a document, page by page.
#include "pdf/annotations/FormFieldPrune.h"
#include "pdf/annotations/Redaction.h"
#include "pdf/annotations/RedactionContent.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"
#include "pdf/text/TextPage.h"

#include <algorithm>
#include <cstring>

namespace pdf {

using engine::ctx;

namespace {

// The overlay text as WinAnsi bytes (Latin-1 covers what a short label needs).
void copyOverlay(const char* utf8, char* out, size_t size) {
    size_t n = 0;
    while (utf8 && *utf8 && n + 1 < size) {
        int rune = 0;
        utf8 += fz_chartorune(&rune, utf8);
        if (rune >= 32 && rune < 256)
            out[n++] = char(rune);
    }
    out[n] = 0;
}

// The fill of a mark, from its /IC (read directly: the engine's getter refuses it here).
void areaFill(fz_context* c, pdf_obj* annot, float fill[3]) {
    pdf_obj* ic = pdf_dict_get(c, annot, PDF_NAME(IC));
    const int n = pdf_array_len(c, ic);
    float col[4] = {0, 0, 0, 0};
    for (int k = 0; k < n && k < 4; ++k)
        col[k] = std::clamp(pdf_array_get_real(c, ic, k), 0.0f, 1.0f);
    if (n == 3) {
        std::memcpy(fill, col, sizeof(float) * 3);
    } else if (n == 1) {
        fill[0] = fill[1] = fill[2] = col[0];
    } else if (n == 4) {
        for (int k = 0; k < 3; ++k)
            fill[k] = (1 - col[k]) * (1 - col[3]);
    } else {
        fill[0] = fill[1] = fill[2] = 0;
    }
}

// The areas of every Redact annotation on the page. Throws through fz_throw.
void readAreas(fz_context* c, pdf_page* page, RedactionAreas& areas, int& marks) {
    for (pdf_annot* a = pdf_first_annot(c, page); a; a = pdf_next_annot(c, a)) {
        if (pdf_annot_type(c, a) != PDF_ANNOT_REDACT)
            continue;
        ++marks;
        pdf_obj* obj = pdf_annot_obj(c, a);
        RedactionArea area{};
        areaFill(c, obj, area.fill);
        const char* overlay = pdf_to_text_string(c, pdf_dict_gets(c, obj, "OverlayText"));
        copyOverlay(overlay, area.overlay, sizeof area.overlay);
        pdf_obj* quads = pdf_dict_get(c, obj, PDF_NAME(QuadPoints));
        const int n = pdf_array_len(c, quads) / 8;
        for (int q = 0; q < n; ++q) {
            fz_rect box = fz_empty_rect;
            for (int k = 0; k < 8; k += 2)
                box = fz_include_point_in_rect(
                    box, fz_make_point(pdf_array_get_real(c, quads, q * 8 + k),
                                       pdf_array_get_real(c, quads, q * 8 + k + 1)));
            area.box = box;
            areas.push(c, area);
        }
        if (n == 0) {
            area.box = pdf_dict_get_rect(c, obj, PDF_NAME(Rect));
            areas.push(c, area);
        }
    }
}

// Annotations that go with the marks: the marks themselves, whatever meets a mark, and the
// pop-ups of those. Widgets leave the page's /Annots and the form. Throws through fz_throw.
int removeMetAnnotations(fz_context* c, pdf_document* doc, pdf_page* page,
                         const RedactionAreas& areas, ObjList& gone) {
    int met = 0;
    fz_var(met);
    NumberSet numbers;
    fz_try(c) {
        for (pdf_annot* a = pdf_first_annot(c, page); a; a = pdf_next_annot(c, a)) {
            pdf_obj* obj = pdf_annot_obj(c, a);
            const bool mark = pdf_annot_type(c, a) == PDF_ANNOT_REDACT;
            if (mark || areas.meets(pdf_dict_get_rect(c, obj, PDF_NAME(Rect)))) {
                met += mark ? 0 : 1;
                numbers.add(c, pdf_to_num(c, obj));
            }
        }
        numbers.seal();
        // Pop-ups follow their parent, wherever they sit.
        for (pdf_annot* a = pdf_first_annot(c, page); a; a = pdf_next_annot(c, a)) {
            pdf_obj* obj = pdf_annot_obj(c, a);
            if (numbers.contains(pdf_to_num(c, pdf_dict_get(c, obj, PDF_NAME(Parent)))))
                numbers.add(c, pdf_to_num(c, obj));
        }
        numbers.seal();
        for (pdf_annot* a = pdf_first_annot(c, page); a;) {
            pdf_annot* next = pdf_next_annot(c, a);
            if (numbers.contains(pdf_to_num(c, pdf_annot_obj(c, a)))) {
                gone.push(c, reinterpret_cast<pdf_obj*>(a));
                pdf_delete_annot(c, page, a);
            }
            a = next;
        }
        // Links are not in the engine's list of annotations: they leave /Annots directly.
        pdf_obj* annots = pdf_dict_get(c, page->obj, PDF_NAME(Annots));
        for (int i = pdf_array_len(c, annots) - 1; i >= 0; --i) {
            pdf_obj* obj = pdf_array_get(c, annots, i);
            if (pdf_name_eq(c, pdf_dict_get(c, obj, PDF_NAME(Subtype)), PDF_NAME(Link)) &&
                areas.meets(pdf_dict_get_rect(c, obj, PDF_NAME(Rect)))) {
                pdf_array_delete(c, annots, i);
                ++met;
            }
        }
        NumberSet widgets;
        fz_try(c) {
            for (pdf_annot* w = pdf_first_widget(c, page); w; w = pdf_next_widget(c, w))
                if (areas.meets(pdf_dict_get_rect(c, pdf_annot_obj(c, w), PDF_NAME(Rect)))) {
                    widgets.add(c, pdf_to_num(c, pdf_annot_obj(c, w)));
                    ++met;
                }
            widgets.seal();
            if (widgets.len > 0) {
                for (int i = pdf_array_len(c, annots) - 1; i >= 0; --i)
                    if (widgets.contains(pdf_to_num(c, pdf_array_get(c, annots, i))))
                        pdf_array_delete(c, annots, i);
                pdf_obj* fields = pdf_dict_getp(c, pdf_trailer(c, doc), "Root/AcroForm/Fields");
                for (int i = pdf_array_len(c, fields) - 1; i >= 0; --i)
                    if (!pruneFieldTree(c, pdf_array_get(c, fields, i), widgets, false))
                        pdf_array_delete(c, fields, i);
            }
        }
        fz_always(c) {
            widgets.release(c);
        }
        fz_catch(c) {
            fz_rethrow(c);
        }
    }
    fz_always(c) {
        numbers.release(c);
    }
    fz_catch(c) {
        fz_rethrow(c);
    }
    return met;
}

// Whether a character of `text` still lies wholly under one of the areas.
bool textLeftUnder(const TextPage& text, const RedactionAreas& areas) {
    for (const TextChar& ch : text.chars()) {
        const fz_rect box = fz_make_rect(ch.x0 + 0.5f, ch.y0 + 0.5f, ch.x1 - 0.5f, ch.y1 - 0.5f);
        for (int i = 0; i < areas.len; ++i)
            if (!fz_is_empty_rect(box) && fz_contains_rect(areas.items[i].box, box))
                return true;
    }
    return false;
}

bool fillGuarded(fz_context* c, pdf_page* page, const RedactionAreas& areas) {
    fz_try(c) {
        fillAreas(c, page, areas);
    }
    fz_catch(c) {
        return false;
    }
    return true;
}

// Redacts one page under the document's lock. Throws Error.
PageRedaction redactPage(const std::shared_ptr<Page>& pageObject) {
    PageData& d = pageObject->data();
    PageRedaction result;
    result.page = d.index;
    const QString where = QStringLiteral("page %1").arg(d.index + 1);
    pdf_page* page = d.detached ? nullptr : d.engine();
    if (!page)
        throw Error(QStringLiteral("%1 cannot be read").arg(where).toStdString());
    fz_context* c = ctx();
    pdf_document* doc = d.doc->pdf;
    RedactionAreas areas;
    ContentCounts counts;
    ObjList gone;
    int met = 0;
    fz_var(met);
    bool ok = true;
    fz_var(ok);
    fz_try(c) {
        readAreas(c, page, areas, result.marks);
        if (areas.len > 0) {
            redactPageContent(c, doc, page, areas, counts);
            met = removeMetAnnotations(c, doc, page, areas, gone);
            pdf_dict_dels(c, page->obj, "Thumb");
        }
    }
    fz_catch(c) {
        ok = false;
    }
    const QString reason = ok ? QString() : engine::lastError(c);
    // Wrappers of what was deleted answer as removed from now on.
    for (int i = 0; i < gone.len; ++i) {
        auto* annot = reinterpret_cast<pdf_annot*>(gone.items[i]);
        auto it = d.annotations.find(annot);
        if (it == d.annotations.end())
            continue;
        if (auto wrapper = it->second.lock())
            wrapper->data().removed = true;
        d.annotations.erase(it);
    }
    gone.release(c);
    if (!ok) {
        areas.release(c);
        throw Error(
            QStringLiteral("%1 could not be redacted: %2").arg(where, reason).toStdString());
    }
    if (result.marks == 0) {
        areas.release(c);
        return result;
    }
    result.glyphs = counts.glyphs;
    result.imagesCut = counts.imagesCut;
    result.imagesRemoved = counts.imagesRemoved;
    result.paths = counts.paths;
    result.annotations = met;

    // Read back: whatever the engine made of a damaged stream, no text may stay under a mark.
    // (before the fills, whose overlay text is meant to lie there).
    auto text = extractTextPage(c, page);
    const bool leftUnder = text && textLeftUnder(*text, areas);
    bool overlaid = false;
    for (int i = 0; i < areas.len; ++i)
        overlaid = overlaid || areas.items[i].overlay[0];
    if (!leftUnder)
        ok = fillGuarded(c, page, areas);
    areas.release(c);
    if (leftUnder)
        throw Error(QStringLiteral("%1 could not be redacted: text under a mark could not be "
                                   "taken out (the page's content may be damaged)")
                        .arg(where)
                        .toStdString());
    if (!ok)
        throw Error(QStringLiteral("%1 could not be redacted: %2")
                        .arg(where, engine::lastError(c))
                        .toStdString());
    if (overlaid) // the page's text now holds the overlays
        text = extractTextPage(c, page);
    d.doc->contentEdited = true;
    {
        auto table = d.doc->tableLock();
        if (d.index >= 0 && d.index < int(d.doc->texts.size()))
            d.doc->texts[size_t(d.index)] = std::move(text);
    }
    touch(d);
    announce(*d.doc, {Change::Kind::AnnotationsRemoved, {d.index}});
    return result;
}

} // namespace

std::vector<PageRedaction> applyRedactions(Document& document) {
    if (document.isLocked())
        throw Error("the document is locked; it needs its password first");
    ChangeScope scope;
    std::vector<PageRedaction> pages;
    const int count = document.pageCount();
    for (int i = 0; i < count; ++i) {
        const auto page = document.page(i);
        if (!page)
            throw Error(QStringLiteral("page %1 cannot be read").arg(i + 1).toStdString());
        auto lock = document.data()->lock();
        PageRedaction done = redactPage(page);
        if (done.marks > 0)
            pages.push_back(done);
    }
    return pages;
}

} // namespace pdf
