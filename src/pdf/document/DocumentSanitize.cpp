#include "pdf/document/DocumentSanitize.h"

#include "pdf/annotations/RedactionContent.h"
#include "pdf/document/Document.h"
#include "pdf/document/Page.h"
#include "pdf/engine/Error.h"
#include "pdf/engine/Internal.h"

#include <algorithm>
#include <cstring>

namespace pdf {

using engine::ctx;

namespace {

struct Walk {
    bool apply = false;
    SanitizeItems items;
    SanitizeFindings found;
};

// Counts the entry under `key` (`weight` each) and, when applying, removes it.
void take(fz_context* c, pdf_obj* dict, const char* key, int& count, bool apply, int weight = 1) {
    if (!pdf_dict_gets(c, dict, key))
        return;
    count += weight;
    if (apply)
        pdf_dict_dels(c, dict, key);
}

int nameTreeSize(fz_context* c, pdf_obj* tree) {
    return std::max(1, pdf_array_len(c, pdf_dict_get(c, tree, PDF_NAME(Names))) / 2);
}

bool harmlessAction(fz_context* c, pdf_obj* action) {
    static const char* const kept[] = {"GoTo", "GoToR", "URI", "Named"};
    const char* kind = pdf_to_name(c, pdf_dict_get(c, action, PDF_NAME(S)));
    for (const char* k : kept)
        if (std::strcmp(kind, k) == 0)
            return true;
    return false;
}

bool isComment(fz_context* c, pdf_obj* annot) {
    static const char* const markup[] = {"Text",      "FreeText", "Line",      "Square",
                                         "Circle",    "Polygon",  "PolyLine",  "Highlight",
                                         "Underline", "Squiggly", "StrikeOut", "Stamp",
                                         "Caret",     "Ink",      "Popup",     "Sound"};
    const char* subtype = pdf_to_name(c, pdf_dict_get(c, annot, PDF_NAME(Subtype)));
    for (const char* m : markup)
        if (std::strcmp(subtype, m) == 0)
            return true;
    return false;
}

void catalogLevel(fz_context* c, pdf_document* doc, Walk& w) {
    pdf_obj* trailer = pdf_trailer(c, doc);
    pdf_obj* root = pdf_dict_get(c, trailer, PDF_NAME(Root));
    pdf_obj* names = pdf_dict_get(c, root, PDF_NAME(Names));
    if (w.items & SanitizeItem::Metadata) {
        take(c, trailer, "Info", w.found.metadata, w.apply,
             pdf_dict_len(c, pdf_dict_get(c, trailer, PDF_NAME(Info))));
        take(c, root, "Metadata", w.found.metadata, w.apply);
    }
    if (w.items & SanitizeItem::Scripts) {
        if (pdf_obj* js = pdf_dict_get(c, names, PDF_NAME(JavaScript)))
            take(c, names, "JavaScript", w.found.scripts, w.apply, nameTreeSize(c, js));
        take(c, root, "OpenAction", w.found.scripts, w.apply);
        take(c, root, "AA", w.found.scripts, w.apply);
    }
    if (w.items & SanitizeItem::EmbeddedFiles) {
        if (pdf_obj* files = pdf_dict_get(c, names, PDF_NAME(EmbeddedFiles)))
            take(c, names, "EmbeddedFiles", w.found.embeddedFiles, w.apply, nameTreeSize(c, files));
        take(c, root, "AF", w.found.embeddedFiles, w.apply);
    }
    if (w.items & SanitizeItem::HiddenLayers) {
        pdf_obj* config = pdf_dict_getp(c, root, "OCProperties/D");
        w.found.hiddenLayers += pdf_array_len(c, pdf_dict_get(c, config, PDF_NAME(OFF)));
    }
}

void pageLevel(fz_context* c, pdf_page* page, Walk& w) {
    pdf_obj* obj = page->obj;
    if (w.items & SanitizeItem::Metadata) {
        take(c, obj, "Metadata", w.found.metadata, w.apply);
        take(c, obj, "PieceInfo", w.found.metadata, w.apply);
    }
    if (w.items & SanitizeItem::Scripts)
        take(c, obj, "AA", w.found.scripts, w.apply);
    pdf_obj* annots = pdf_dict_get(c, obj, PDF_NAME(Annots));
    for (int i = pdf_array_len(c, annots) - 1; i >= 0; --i) {
        pdf_obj* annot = pdf_array_get(c, annots, i);
        const bool attachment =
            pdf_name_eq(c, pdf_dict_get(c, annot, PDF_NAME(Subtype)), PDF_NAME(FileAttachment));
        int* removed = nullptr;
        if (attachment && (w.items & SanitizeItem::EmbeddedFiles))
            removed = &w.found.embeddedFiles;
        else if (!attachment && isComment(c, annot) && (w.items & SanitizeItem::Comments))
            removed = &w.found.comments;
        if (removed) {
            ++*removed;
            if (w.apply)
                pdf_array_delete(c, annots, i);
            continue;
        }
        if (w.items & SanitizeItem::Scripts) {
            take(c, annot, "AA", w.found.scripts, w.apply);
            pdf_obj* action = pdf_dict_get(c, annot, PDF_NAME(A));
            if (action && !harmlessAction(c, action))
                take(c, annot, "A", w.found.scripts, w.apply);
            else if (action)
                take(c, action, "Next", w.found.scripts, w.apply);
        }
    }
    if (w.apply && (w.items & SanitizeItem::HiddenLayers) && w.found.hiddenLayers > 0)
        dropHiddenContent(c, page->doc, page);
}

// Runs `step` in the engine's guard; false when it failed.
template <typename Step> bool guarded(fz_context* c, Step step) {
    fz_try(c) {
        step();
    }
    fz_catch(c) {
        return false;
    }
    return true;
}

SanitizeFindings walk(Document& document, SanitizeItems items, bool apply) {
    if (document.isLocked())
        throw Error("the document is locked; it needs its password first");
    Walk w;
    w.apply = apply;
    w.items = items;
    ChangeScope scope;
    DocumentData& d = *document.data();
    fz_context* c = ctx();
    bool ok = true;
    {
        auto lock = d.lock();
        ok = guarded(c, [&] { catalogLevel(c, d.pdf, w); });
    }
    for (int i = 0; ok && i < document.pageCount(); ++i) {
        const auto page = document.page(i);
        auto lock = d.lock();
        pdf_page* engine = page ? page->data().engine() : nullptr;
        if (!engine)
            throw Error(QStringLiteral("page %1 cannot be read").arg(i + 1).toStdString());
        ok = guarded(c, [&] { pageLevel(c, engine, w); });
        if (apply && ok) {
            touch(page->data());
            announce(d, {Change::Kind::AnnotationsRemoved, {i}});
        }
    }
    if (ok && apply && (items & SanitizeItem::HiddenLayers)) {
        // What the hidden layers drew is gone: nothing is left to switch on.
        auto lock = d.lock();
        ok = guarded(c, [&] {
            pdf_obj* config = pdf_dict_getp(c, pdf_trailer(c, d.pdf), "Root/OCProperties/D");
            if (config)
                pdf_dict_del(c, config, PDF_NAME(OFF));
        });
    }
    if (!ok)
        throw Error(QStringLiteral("the document could not be sanitised: %1")
                        .arg(engine::lastError(c))
                        .toStdString());
    if (apply)
        d.contentEdited = true;
    return w.found;
}

} // namespace

SanitizeFindings surveySanitize(Document& document, SanitizeItems items) {
    return walk(document, items, false);
}

SanitizeFindings sanitizeDocument(Document& document, SanitizeItems items) {
    return walk(document, items, true);
}

} // namespace pdf
